#pragma once

#include <QImage>

namespace tesselvane {

// Reduces a picture to an 8-bit palette picture of at most 236 colours, the way the program
// always has: encode it as a baseline JPEG at quality 100, decode that again with libjpeg's
// two-pass quantisation and Floyd-Steinberg dithering. The result carries the slight loss
// of the JPEG encoding.
QImage reduceColors(const QImage& image);

}  // namespace tesselvane
