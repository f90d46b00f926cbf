#include "controls/TOpenSusieDialog.h"

#include "picture/BmpReader.h"
#include "picture/PictureError.h"
#include "picture/TSusie.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace tesselvane {

namespace {

// What Qt's own readers take, until Execute replaces it with the host's.
const QString kBaseFilter = QStringLiteral(
    "All (*.jpg;*.jpeg;*.bmp;*.ico)|*.jpg;*.jpeg;*.bmp;*.ico|JPEG Image File (*.jpg)|*.jpg|"
    "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico");

// Asked for when used: the translation is installed after static initialisation.
QString noPictureText() {
    return QCoreApplication::translate("TOpenSusieDialog", "(なし)");
}
QString pictureCaptionText() {
    return QCoreApplication::translate("TOpenSusieDialog", "画像:");
}
QString previewText() {
    return QCoreApplication::translate("TOpenSusieDialog", "プレビュー");
}

// The room a picture gets around it in the preview window, on top of the panel's border.
constexpr int kPreviewSpace = 10;
constexpr int kPreviewBorder = 5;

// The characters Qt's file dialog reads as a pattern; anything else, a space above all,
// would split the pattern or turn the whole filter into one.
bool isPlainPattern(const QString& pattern) {
    static const QString kSigns = QStringLiteral("_.,*?#-[]@{}/!<>$%&=^~:");
    return std::ranges::all_of(pattern, [](QChar c) {
        return (c.unicode() < 128 && c.isLetterOrNumber()) || kSigns.contains(c);
    });
}

QWidget* ownerWindow(QObject* owner) {
    auto* widget = qobject_cast<QWidget*>(owner);
    return widget ? widget->window() : nullptr;
}

// Qt's own readers, chosen by the extension alone as the host chooses its readers: a file is
// previewed the way the program would read it.
QImage readWithBaseReaders(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    QByteArray format;
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        format = "jpeg";
    else if (extension == QLatin1String("ico"))
        format = "ico";
    else if (extension == QLatin1String("bmp")) {
        // The program's own reader: a damaged file previews as nothing, never as stray memory.
        try {
            return readBmpFile(path);
        } catch (const PictureError&) {
            return {};
        }
    } else
        return {};
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QString sizeText(const QImage& picture) {
    return QStringLiteral(" (%1x%2)").arg(picture.width()).arg(picture.height());
}

// A magnifying glass, drawn rather than loaded so that the controls need no resources.
QIcon previewGlyph() {
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.drawEllipse(QRectF(2, 2, 8, 8));
    painter.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
    painter.end();
    return QIcon(glyph);
}

// Shows a picture scaled to fit, its proportions kept, in the middle.
class PictureBox : public QWidget {
public:
    using QWidget::QWidget;

    std::function<void()> doubleClicked;

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture) {
        picture_ = picture;
        scaled_ = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (picture_.isNull())
            return;
        const QRect area = contentsRect();
        const QSize size = picture_.size().scaled(area.size(), Qt::KeepAspectRatio);
        if (size.isEmpty())
            return;
        // Scaled once per size, at the screen's own pixels: a photo of many megapixels would
        // be slow to scale per paint, and a logical-sized one blurs on a scaled desktop.
        const qreal ratio = devicePixelRatioF();
        const QSize device = picture_.size().scaled(area.size() * ratio, Qt::KeepAspectRatio);
        if (scaled_.size() != device) {
            // Small pictures are enlarged without blur, as icons and pixel art want.
            const auto mode = device.width() < picture_.width() ? Qt::SmoothTransformation
                                                                : Qt::FastTransformation;
            scaled_ = QPixmap::fromImage(picture_.scaled(device, Qt::KeepAspectRatio, mode));
            scaled_.setDevicePixelRatio(ratio);
        }
        QPainter painter(this);
        painter.drawPixmap(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, size, area),
                           scaled_);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && doubleClicked)
            doubleClicked();
    }

private:
    QImage picture_;
    QPixmap scaled_;
};

// The picture at a size of its own, modally.
void showPreview(QWidget* parent, const QImage& picture) {
    QDialog window(parent, Qt::Tool);
    window.setWindowTitle(previewText());
    window.setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins({});
    auto* panel = new QFrame(&window);
    panel->setBackgroundRole(QPalette::Window);
    panel->setAutoFillBackground(true);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(kPreviewBorder, kPreviewBorder, kPreviewBorder, kPreviewBorder);
    auto* box = new PictureBox(panel);
    box->setAccessibleName(previewText());
    box->setPicture(picture);
    panelLayout->addWidget(box);
    layout->addWidget(panel);

    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect monitor = screen->geometry();
    const int room = 2 * kPreviewBorder + kPreviewSpace;
    const QSize size(std::min(picture.width() + room, monitor.width() * 3 / 4),
                     std::min(picture.height() + room, monitor.height() * 3 / 4));
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, monitor));
    window.exec();
}

}  // namespace

QStringList qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& part : parts[i + 1].split(u';')) {
            const QString pattern = part.trimmed();
            if (!pattern.isEmpty() && isPlainPattern(pattern) && !patterns.contains(pattern))
                patterns.append(pattern);
        }
        if (patterns.isEmpty())
            continue;
        const QString joined = patterns.join(u' ');
        // Line breaks would keep Qt from finding the patterns behind the description.
        QString description = parts[i].simplified();
        if (description.isEmpty())
            description = joined;
        filters.append(description + QStringLiteral(" (") + joined + u')');
    }
    return filters;
}

// The panel beside the file list.
class TOpenSusieDialog::PicturePanel : public QFrame {
public:
    explicit PicturePanel(QWidget* parent);

    bool holdsPicture() const { return paintBox_->picture().height() >= 1; }
    void showPicture(const QImage& picture);
    void showNone();

private:
    void preview();

    QLabel* pictureLabel_;
    QToolButton* previewButton_;
    QLabel* paintPanel_;
    PictureBox* paintBox_;
};

TOpenSusieDialog::PicturePanel::PicturePanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("PicturePanel"));
    setFrameShape(NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    auto* top = new QHBoxLayout;
    pictureLabel_ = new QLabel(pictureCaptionText(), this);
    pictureLabel_->setObjectName(QStringLiteral("PictureLabel"));
    pictureLabel_->setTextFormat(Qt::PlainText);
    top->addWidget(pictureLabel_, 1);
    previewButton_ = new QToolButton(this);
    previewButton_->setObjectName(QStringLiteral("PreviewButton"));
    previewButton_->setIcon(previewGlyph());
    previewButton_->setToolTip(previewText());
    previewButton_->setAccessibleName(previewText());
    previewButton_->setEnabled(false);
    top->addWidget(previewButton_);
    layout->addLayout(top);

    // The caption shows through while the picture box is empty.
    paintPanel_ = new QLabel(noPictureText(), this);
    paintPanel_->setObjectName(QStringLiteral("PaintPanel"));
    paintPanel_->setTextFormat(Qt::PlainText);
    paintPanel_->setAlignment(Qt::AlignCenter);
    paintPanel_->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    paintPanel_->setMinimumSize(160, 160);
    auto* paintLayout = new QVBoxLayout(paintPanel_);
    paintLayout->setContentsMargins({});
    paintBox_ = new PictureBox(paintPanel_);
    paintBox_->setObjectName(QStringLiteral("PaintBox"));
    paintBox_->setAccessibleName(pictureCaptionText());
    paintLayout->addWidget(paintBox_);
    layout->addWidget(paintPanel_, 1);

    connect(previewButton_, &QToolButton::clicked, this, [this] { preview(); });
    paintBox_->doubleClicked = [this] { preview(); };
}

void TOpenSusieDialog::PicturePanel::showPicture(const QImage& picture) {
    paintBox_->setPicture(picture);
    pictureLabel_->setText(sizeText(picture));
    paintBox_->setAccessibleDescription(pictureLabel_->text());
    previewButton_->setEnabled(true);
    paintPanel_->clear();
}

void TOpenSusieDialog::PicturePanel::showNone() {
    paintBox_->setPicture({});
    pictureLabel_->setText(pictureCaptionText());
    paintBox_->setAccessibleDescription(noPictureText());
    previewButton_->setEnabled(false);
    paintPanel_->setText(noPictureText());
}

void TOpenSusieDialog::PicturePanel::preview() {
    // A double click on the empty box has nothing to show.
    if (holdsPicture())
        showPreview(window(), paintBox_->picture());
}

TOpenSusieDialog::TOpenSusieDialog(QObject* owner)
    : QObject(owner),
      ownHost_(std::make_unique<TSusie>()),
      susie_(ownHost_.get()),
      filter_(kBaseFilter) {}

// The own host goes with the unique pointer; an assigned one is left to its owner.
TOpenSusieDialog::~TOpenSusieDialog() = default;

void TOpenSusieDialog::setSusie(TSusie* host) {
    susie_ = host;
}

QDialog* TOpenSusieDialog::DialogHandle() const {
    return dialog_;
}

bool TOpenSusieDialog::Execute() {
    // One dialog at a time: a second would take over the first one's panel.
    if (dialog_)
        return false;
    if (susie_)
        filter_ = susie_->Filter();

    QPointer<QDialog> window = new QDialog(ownerWindow(parent()));
    window->setSizeGripEnabled(true);
    auto* layout = new QHBoxLayout(window);
    const QString folder =
        !initialDir_.isEmpty() && QFileInfo(initialDir_).isDir() ? initialDir_ : QDir::homePath();
    auto* files = new QFileDialog(window, {}, folder);
    files->setWindowFlags(Qt::Widget);
    // Qt's own widgets, so that every change of the file in hand is seen.
    files->setOption(QFileDialog::DontUseNativeDialog);
    // Descriptions only, as the filter's author wrote them.
    files->setOption(QFileDialog::HideNameFilterDetails);
    files->setOption(QFileDialog::DontResolveSymlinks,
                     options_.contains(TOpenOption::ofNoDereferenceLinks));
    files->setAcceptMode(QFileDialog::AcceptOpen);
    if (options_.contains(TOpenOption::ofAllowMultiSelect))
        files->setFileMode(QFileDialog::ExistingFiles);
    else if (options_.contains(TOpenOption::ofFileMustExist))
        files->setFileMode(QFileDialog::ExistingFile);
    else
        files->setFileMode(QFileDialog::AnyFile);
    files->setNameFilters(qtNameFilters(filter_));
    files->setSizeGripEnabled(false);
    if (files->layout())
        files->layout()->setContentsMargins({});
    window->setWindowTitle(files->windowTitle());
    layout->addWidget(files, 1);
    auto* panel = new PicturePanel(window);
    layout->addWidget(panel);

    connect(files, &QFileDialog::accepted, window, &QDialog::accept);
    connect(files, &QFileDialog::rejected, window, &QDialog::reject);
    connect(files, &QFileDialog::currentChanged, this,
            [this](const QString& path) { selectionChanged(path); });

    rememberedName_.clear();
    dialog_ = window;
    panel_ = panel;
    const bool chosen = window->exec() == QDialog::Accepted && window;
    if (chosen)
        files_ = files->selectedFiles();
    delete window;
    return chosen;
}

void TOpenSusieDialog::selectionChanged(const QString& path) {
    if (!panel_)
        return;
    // Qt's readers first, once per file.
    if (path != rememberedName_) {
        rememberedName_ = path;
        const QImage picture = QFileInfo(path).isFile() ? readWithBaseReaders(path) : QImage();
        if (picture.isNull())
            panel_->showNone();
        else
            panel_->showPicture(picture);
    }
    // Qt read it, or the host read this same file a moment ago.
    if (panel_->holdsPicture() || !susie_)
        return;
    if (QFileInfo(path).isFile()) {
        try {
            susie_->LoadPicture(path);
            const QImage& picture = susie_->Bitmap().image;
            if (!picture.isNull()) {
                panel_->showPicture(picture);
                return;
            }
        } catch (...) {
            // A picture that cannot be read has no preview; the choice is the user's still.
        }
    }
    panel_->showNone();
}

}  // namespace tesselvane
