#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tesselvane {

enum class JpegOutput {
    Rgb24,         // RGB888
    Quantized236,  // Indexed8 of at most 236 colours: two-pass quantisation, Floyd-Steinberg dither
};

// Decodes a JPEG with libjpeg. Raises EPictureError, naming `name`, for a damaged or
// truncated file, one over the pixel limit, or when memory runs short; libjpeg never prints.
QImage DecodeJpeg(const QByteArray& data, const QString& name, JpegOutput output);
QImage DecodeJpegFile(const QString& path, JpegOutput output);

// Encodes a picture as a baseline JPEG of the given quality (1-100).
QByteArray EncodeJpeg(const QImage& image, int quality);

}  // namespace tesselvane
