#pragma once

#include <QIODevice>
#include <QImage>

namespace tesselvane {

// Writes a picture as a Windows BMP file: a palette picture as 8 bits with its colour table,
// an RGB32 picture (the screen's own format) as 32 bits, anything else as 24 bits. Rows go out one
// by one, so no second copy of the picture is made. False when the device refused a write.
bool writeBmp(QIODevice& device, const QImage& image);

}  // namespace tesselvane
