#pragma once

#include <QImage>
#include <QList>
#include <QRgb>

#include <optional>

namespace tesselvane {

// A loaded picture: the pixels (24-bit RGB888, 8-bit Indexed8 with its colour table, or
// 32-bit where a plug-in hands one back) and, apart from them, the palette the picture asks
// the display to realise on screens of 256 colours. An Indexed8 image always has its colour
// table; whether it also has a palette depends on where it came from.
struct TBitmap {
    QImage image;
    std::optional<QList<QRgb>> palette;

    bool isEmpty() const { return image.isNull(); }
    void clear() {
        image = QImage();
        palette.reset();
    }
};

}  // namespace tesselvane
