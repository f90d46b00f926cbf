#include "platform/ScreenFit.h"

#include <algorithm>
#include <cmath>

namespace tesselvane {

FitStyle fitStyleFromStored(int value) {
    switch (value) {
        case 1:
            return FitStyle::Inside;
        case 2:
            return FitStyle::Cover;
        default:
            return FitStyle::Stretch;
    }
}

QRect fittedRect(QSize picture, QSize screen, FitStyle style) {
    if (picture.isEmpty() || screen.isEmpty())
        return {};
    if (style == FitStyle::Stretch)
        return QRect(QPoint(0, 0), screen);
    const double sx = double(screen.width()) / picture.width();
    const double sy = double(screen.height()) / picture.height();
    const double scale = style == FitStyle::Inside ? std::min(sx, sy) : std::max(sx, sy);
    // The side that decides the scale is the screen's exactly; the other is rounded.
    int width = screen.width();
    int height = screen.height();
    if (scale == sx)
        height = std::max(1, static_cast<int>(std::lround(picture.height() * scale)));
    else
        width = std::max(1, static_cast<int>(std::lround(picture.width() * scale)));
    // Halves rounded down: an odd overflow or bar puts the odd pixel right and below.
    return QRect((screen.width() - width) / 2, (screen.height() - height) / 2, width, height);
}

QRect drawnPart(QSize picture, QSize largest, WallpaperStyle style) {
    const QRect whole(QPoint(0, 0), picture);
    if (largest.isEmpty() || picture.isEmpty())
        return whole;
    const auto side = [style](int length, int shown, int& from, int& kept) {
        from = 0;
        kept = length;
        if (shown >= length)
            return;
        if (style == WallpaperStyle::Tiled) {
            kept = shown;
            return;
        }
        // An even overflow: half of it is the same whole number on every monitor's centring.
        kept = std::min(length, shown + (length - shown) % 2);
        from = (length - kept) / 2;
    };
    int left = 0, width = 0, top = 0, height = 0;
    side(picture.width(), largest.width(), left, width);
    side(picture.height(), largest.height(), top, height);
    return {left, top, width, height};
}

}  // namespace tesselvane
