#pragma once

// Picture colours as the pixels of an X screen's visual: packed into its channels, mapped
// through its colormap, or dithered for a screen of fewer than 8 bits a channel.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>

#include <cstdint>
#include <memory>
#include <vector>

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name for Display

namespace tesselvane {

// A screen whose channels have fewer than 8 bits, as its visual describes it.
struct ShallowChannels {
    unsigned long redMask = 0xF800, greenMask = 0x07E0, blueMask = 0x001F;
};

// The `source` part of `picture` in 16-bit pixels of those channels (native byte order), rows
// of an even count of pixels, ordered-dithered as if it lay at `origin` on the screen, so that
// pieces drawn apart keep one pattern and a smooth gradient shows no band wider than the 8 x 8
// pattern.
std::vector<uint16_t> ditherTo16(const QImage& picture, QRect source,
                                 const ShallowChannels& channels, QPoint origin);

// How a screen takes pixels.
enum class PixelKind {
    Standard32,  // 8-bit channels in 32-bit pixels, as the picture's own RGB32
    Shallow16,   // fewer than 8 bits a channel in 16-bit pixels: dithered (ditherTo16)
    Other,       // colormapped and the rest: each pixel mapped by PixelMapper
};

// The kind of the default visual of `screen` at `depth`; its channels when Shallow16.
PixelKind pixelKind(_XDisplay* display, int screen, unsigned depth, ShallowChannels& channels);

// `source` of a picture in 32-bit pixels the usual screen takes as they are: the picture itself
// when it has them, or a converted copy of that part alone (`source` then moved to its corner).
// Raises DesktopError when memory runs short.
QImage asScreenPixels(const QImage& picture, QRect& source);

// Turns picture colours into pixel values of the screen's default visual. On a colormapped
// screen each colour gets a cell of the default colormap, or the nearest cell already there
// when the map is full.
class PixelMapper {
public:
    PixelMapper(_XDisplay* display, int screen);
    ~PixelMapper();
    PixelMapper(const PixelMapper&) = delete;
    PixelMapper& operator=(const PixelMapper&) = delete;

    unsigned long operator()(QRgb rgb);

private:
    struct Screen;
    std::unique_ptr<Screen> screen_;
};

}  // namespace tesselvane
