#pragma once

#include "picture/JpegDecoder.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace tesselvane {

// Decodes a JPEG with libjpeg. Raises PictureError, naming `name`, for a damaged or
// truncated file, one over the pixel limit, or when memory runs short; libjpeg never prints.
// The picture comes turned upright as its EXIF orientation says; sizes are those shown.
// With `atLeast` given (Rgb24 output), the picture is decoded at the smallest of libjpeg's
// scales (1/8 to 8/8) that keeps it at least that large in both directions (full size when
// none does), and stretched smoothly to exactly that size on the way, as RGB32: for a picture
// that will be shrunk anyway, most of the work is saved. CMYK pictures only get the scale,
// and come as RGB888.
QImage decodeJpeg(const QByteArray& data, const QString& name, JpegOutput output,
                  QSize atLeast = QSize());
QImage decodeJpegFile(const QString& path, JpegOutput output, QSize atLeast = QSize());

// The picture of what decodeJpegPixels gave; for a stretched one, its DIB twin is kept
// (DibTwin.h). Raises PictureError naming `name` when memory runs short.
QImage jpegToImage(DecodedJpeg decoded, const QString& name, JpegOutput output);

// The picture read ahead (JpegPrefetch.h), when it is the one asked for (same file, same
// size), as Rgb24 output; waits for it to be ready. Raises the error reading it raised.
// nullopt when there is none for this file, and then what there was is dropped.
std::optional<QImage> takePrefetchedJpeg(const QString& path, QSize stretchTo);

// Encodes a picture as a baseline JPEG of the given quality (1-100).
QByteArray encodeJpeg(const QImage& image, int quality);

}  // namespace tesselvane
