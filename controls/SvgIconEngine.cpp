#include "controls/SvgIconEngine.h"

#include <QApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

namespace tesselvane {

SvgIconEngine::SvgIconEngine(const QString& file)
    : file_(file), renderer_(std::make_shared<QSvgRenderer>(file)) {}

SvgIconEngine::~SvgIconEngine() = default;

void SvgIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                          QIcon::State state) {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap drawn = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
    drawn.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, drawn);
}

QPixmap SvgIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) {
    if (size.isEmpty() || !renderer_->isValid())
        return QPixmap();
    const QString key = QStringLiteral("tesselvane-svg:%1:%2x%3:%4")
                            .arg(file_)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(int(mode));
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer_->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    QPixmap drawn = QPixmap::fromImage(image);
    if (mode != QIcon::Normal && qApp) {
        // Greyed as the style greys every other icon.
        QStyleOption option;
        option.palette = QApplication::palette();
        drawn = QApplication::style()->generatedIconPixmap(mode, drawn, &option);
    }
    QPixmapCache::insert(key, drawn);
    return drawn;
}

QIconEngine* SvgIconEngine::clone() const {
    return new SvgIconEngine(*this);
}

bool SvgIconEngine::isNull() {
    return !renderer_->isValid();
}

QIcon svgIcon(const QString& file) {
    return QIcon(new SvgIconEngine(file));
}

}  // namespace tesselvane
