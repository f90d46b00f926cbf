// Apart from the arithmetic, which the executable uses before Qt's GUI library is loaded.

#include "platform/ScreenFit.h"

#include <QPainter>

namespace tesselvane {

QImage fitToScreen(const QImage& picture, QSize screen, FitStyle style, const QColor& background) {
    const QRect target = fittedRect(picture.size(), screen, style);
    if (target.isEmpty())
        return {};
    // Qt's smooth scaling is several times faster on 32-bit pixels than on 24-bit ones.
    const QImage source = picture.format() == QImage::Format_RGB32 ||
                                  picture.format() == QImage::Format_ARGB32_Premultiplied
                              ? picture
                              : picture.convertToFormat(QImage::Format_RGB32);
    QImage scaled =
        source.size() == target.size()
            ? source
            : source.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (target == QRect(QPoint(0, 0), screen))
        return scaled;
    QImage canvas(screen, QImage::Format_RGB32);
    canvas.fill(background.isValid() ? background : QColor(Qt::black));
    QPainter painter(&canvas);
    painter.drawImage(target.topLeft(), scaled);
    return canvas;
}

}  // namespace tesselvane
