#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

namespace tesselvane {

// How a picture is made to fit a screen, when it is made to (Option\FitScreen).
enum class FitStyle {
    Stretch = 0,  // to the screen's size, whatever the picture's shape
    Inside = 1,   // the whole picture, as large as fits; bars of the background around it
    Cover = 2,    // the whole screen covered; what overflows is cut equally on both sides
};

// How a picture that is not fitted is placed on each monitor.
enum class WallpaperStyle { Centered, Tiled };

// The part of an unfitted picture that monitors of at most `largest` in each direction show:
// the middle for Centered, the top-left corner for Tiled (tiles start at each monitor's
// corner), the whole picture where it is no larger. A middle part keeps the same parity of
// overflow as the picture, so that each monitor, centring it, shows the same pixels as it
// would of the whole picture. The whole picture when `largest` is empty.
QRect drawnPart(QSize picture, QSize largest, WallpaperStyle style);

// A stored Option\FitStyle: anything but 1 and 2 is Stretch, the look stored settings had
// before there was a choice.
FitStyle fitStyleFromStored(int value);

// Where a picture of `picture`'s size is drawn on a screen of `screen`'s size: the whole
// screen for Stretch; centred, and no side smaller than 1, for the others (reaching past the
// screen's edges for Cover). Empty when either size is.
QRect fittedRect(QSize picture, QSize screen, FitStyle style);

// `picture` made to fit a screen of `screen`'s size: the screen's size exactly, the picture
// drawn in fittedRect on `background`. The format is the picture's where Qt draws on it, else
// RGB32. Null when either is empty.
QImage fitToScreen(const QImage& picture, QSize screen, FitStyle style, const QColor& background);

}  // namespace tesselvane
