#pragma once

// JPEG decoding into plain memory, with nothing of the GUI libraries: the program reads the
// picture it shows at start with this while those libraries are still loading. JpegCodec.h
// makes pictures of the results.

#include "platform/ScreenFit.h"

#include <QRgb>
#include <QSize>
#include <QString>

#include <cstddef>
#include <vector>

namespace tesselvane {

enum class JpegOutput {
    Rgb24,         // RGB888
    Quantized236,  // Indexed8 of at most 236 colours: two-pass quantisation, Floyd-Steinberg dither
    Rgb32,         // RGB32: for a picture on its way to a screen of 32-bit pixels as it is
};

// A decoded picture; frees what it holds.
struct DecodedJpeg {
    enum class Layout {
        Rgb888,    // red, green, blue bytes
        Rgb32,     // 32-bit colours, as QImage::Format_RGB32 holds them
        Indexed8,  // indexes into `palette`
        Cmyk,      // four bytes, inverted when `adobeInverted`
    };
    unsigned char* pixels = nullptr;  // malloc'd rows, `stride` bytes apart
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    Layout layout = Layout::Rgb888;
    bool adobeInverted = false;
    std::vector<QRgb> palette;
    unsigned char* dib = nullptr;  // malloc'd DIB twin of a stretched picture (DibTwin.h)

    DecodedJpeg() = default;
    DecodedJpeg(DecodedJpeg&& other) noexcept;
    DecodedJpeg& operator=(DecodedJpeg&& other) noexcept;
    DecodedJpeg(const DecodedJpeg&) = delete;
    DecodedJpeg& operator=(const DecodedJpeg&) = delete;
    ~DecodedJpeg();
};

// What JpegCodec.h's decodeJpeg and decodeJpegFile say, before the picture is made: RGB888,
// Indexed8 of at most 236 colours when quantized, RGB32 when asked, RGB32 stretched to
// `atLeast` when given
// (with its DIB twin, unless it had to be turned), CMYK as stored; every one turned upright as
// its EXIF orientation says. Raises PictureError naming `name` (or `path`).
DecodedJpeg decodeJpegPixels(const unsigned char* data, std::size_t size, const QString& name,
                             JpegOutput output, QSize atLeast = QSize());
DecodedJpeg decodeJpegFilePixels(const QString& path, JpegOutput output, QSize atLeast = QSize());

// The size of the JPEG picture at `path` as shown (width and height swapped when its EXIF
// orientation turns it a quarter), from its header alone; empty when the file is not a JPEG
// that far.
QSize jpegFileSize(const QString& path);

// The `atLeast` that decodes the JPEG at `path` straight to the size it is drawn at on a
// screen of `screen`'s size: the screen's for Stretch; for the styles that keep the shape,
// the picture's own shape at that size, read from the file's header (empty when the file
// is no JPEG).
QSize jpegFitTarget(const QString& path, QSize screen, FitStyle style);

}  // namespace tesselvane
