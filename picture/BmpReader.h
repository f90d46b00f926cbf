#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

#include <functional>

namespace tesselvane {

// Reads a BMP file (1, 4, 8, 16, 24 or 32 bits; RLE4 and RLE8; bit fields; top-down rows;
// the OS/2 header). Pictures of 8 bits or fewer come back as Indexed8 with their colour
// table, the others as RGB888 (opaque RGB32 for 32-bit files); pixels that an RLE stream
// skips are colour 0. Raises PictureError, with `name` in its message, for a damaged file, one
// that ends before its pixels do, or one over the pixel limit; a file too short for its picture
// is refused before the picture is made.
//
// With `partOf`, only the part of the picture it gives for the picture's size (within the
// picture) comes back, and an uncompressed file is read only as far as the rows of that part.
QImage readBmpFile(const QString& path, const std::function<QRect(QSize)>& partOf = {});
QImage readBmp(const QByteArray& data, const QString& name);

}  // namespace tesselvane
