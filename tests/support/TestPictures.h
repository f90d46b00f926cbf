#pragma once

// Pictures that show by their colours where they went: which became the wallpaper, how it
// was placed and tiled.

#include <QImage>
#include <QSize>

namespace tesselvane::test {

// A different colour in each quadrant: red top left, green top right, blue bottom left,
// yellow bottom right.
inline QImage quadrants(QSize size) {
    QImage image(size, QImage::Format_RGB888);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const bool right = x >= size.width() / 2, bottom = y >= size.height() / 2;
            image.setPixel(x, y,
                           right ? (bottom ? qRgb(255, 255, 0) : qRgb(0, 255, 0))
                                 : (bottom ? qRgb(0, 0, 255) : qRgb(255, 0, 0)));
        }
    }
    return image;
}

}  // namespace tesselvane::test
