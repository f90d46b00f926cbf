#include "dialogs/TfrmPreview.h"

#include "controls/ErrorReport.h"
#include "picture/PictureError.h"
#include "picture/TBitmap.h"
#include "picture/Wallpaper.h"
#include "platform/DesktopService.h"
#include "platform/ScreenFit.h"
#include "settings/Options.h"
#include "settings/WindowPlacement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace tesselvane {

namespace {

const QString kPreview = QStringLiteral("Preview");
constexpr QSize kDefaultSize(128, 128);
// The sizing border: wide enough to hit, narrow beside a 128-pixel picture.
constexpr int kBorder = 4;

}  // namespace

TfrmPreview::TfrmPreview(RegIni& ini, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), ini_(ini) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Preview"));
    setMouseTracking(true);
    setMinimumSize(2 * kBorder + 1, 2 * kBorder + 1);
    imgPreview = new QLabel(this);
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    imgPreview->setAccessibleName(QCoreApplication::translate("TfrmPreview", "プレビュー"));
    imgPreview->setScaledContents(true);  // stretched to the window, proportions not kept
    imgPreview->setMouseTracking(true);
    imgPreview->setAttribute(Qt::WA_TransparentForMouseEvents);
}

// A preview open when the program ends keeps its place as well.
TfrmPreview::~TfrmPreview() {
    if (isVisible())
        runGuarded([this] { FormHide(); });
}

void TfrmPreview::showPicture(const QString& fileName) {
    TBitmap picture;
    try {
        LoadPreviewPicture(picture, fileName);
    } catch (const PictureError&) {
        return;
    }
    if (picture.image.isNull())
        return;
    picture_ = picture.image;
    showFitted();
}

// As the wallpaper will look: the window stands for the screen.
void TfrmPreview::showFitted() {
    if (picture_.isNull())
        return;
    const FitStyle style = fitStyleFromStored(MyOption.FitStyle);
    const bool keepShape = MyOption.FitScreen && style != FitStyle::Stretch;
    imgPreview->setScaledContents(!keepShape);
    if (!keepShape) {
        imgPreview->setPixmap(QPixmap::fromImage(picture_));
        return;
    }
    const QColor background = desktopService ? desktopService->background() : QColor(Qt::black);
    // Fitted at the screen's own pixels: on a scaled desktop a logical-sized picture blurs.
    const qreal ratio = imgPreview->devicePixelRatioF();
    QPixmap fitted =
        QPixmap::fromImage(fitToScreen(picture_, imgPreview->size() * ratio, style, background));
    fitted.setDevicePixelRatio(ratio);
    imgPreview->setPixmap(fitted);
}

void TfrmPreview::setVisible(bool visible) {
    if (visible && !isVisible())
        runGuarded([this] { FormShow(); });
    else if (!visible && isVisible())
        runGuarded([this] { FormHide(); });
    QWidget::setVisible(visible);
}

void TfrmPreview::FormShow() {
    const QRect frame = readWindowGeometry(ini_, kPreview, kDefaultSize);
    move(frame.topLeft());
    resize(frame.size());
}

void TfrmPreview::FormHide() {
    writeWindowGeometry(ini_, kPreview, frameGeometry());
}

void TfrmPreview::resizeEvent(QResizeEvent*) {
    imgPreview->setGeometry(rect().adjusted(kBorder, kBorder, -kBorder, -kBorder));
    if (!imgPreview->hasScaledContents())
        showFitted();
}

Qt::Edges TfrmPreview::edgesAt(QPoint point) const {
    Qt::Edges edges;
    if (point.x() < kBorder)
        edges |= Qt::LeftEdge;
    if (point.x() >= width() - kBorder)
        edges |= Qt::RightEdge;
    if (point.y() < kBorder)
        edges |= Qt::TopEdge;
    if (point.y() >= height() - kBorder)
        edges |= Qt::BottomEdge;
    return edges;
}

// The border sizes the window; anywhere on the picture moves it, as a caption would.
void TfrmPreview::mousePressEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || !windowHandle())
        return;
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if (edges)
        windowHandle()->startSystemResize(edges);
    else
        windowHandle()->startSystemMove();
}

void TfrmPreview::mouseMoveEvent(QMouseEvent* event) {
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling =
            edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
        setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    } else if (horizontal) {
        setCursor(Qt::SizeHorCursor);
    } else if (vertical) {
        setCursor(Qt::SizeVerCursor);
    } else {
        unsetCursor();
    }
}

void TfrmPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().shadow().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(palette().light().color());
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

}  // namespace tesselvane
