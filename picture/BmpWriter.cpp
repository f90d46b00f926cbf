#include "picture/BmpWriter.h"

#include "picture/DibImage.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tesselvane {

bool writeBmp(QIODevice& device, const QImage& image) {
    if (image.isNull())
        return false;
    const bool indexed = image.format() == QImage::Format_Indexed8;
    // RGB32 is the screen's own format: its rows are the 32-bit BMP rows as they stand.
    const bool rgb32 = image.format() == QImage::Format_RGB32;
    const QImage source = indexed || rgb32 || image.format() == QImage::Format_RGB888
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    const int bits = indexed ? 8 : (rgb32 ? 32 : 24);
    const quint32 colours = indexed ? static_cast<quint32>(source.colorCount()) : 0;
    const quint64 stride =
        dibStride(static_cast<quint64>(source.width()), static_cast<quint64>(bits));
    const quint64 pixelBytes = stride * static_cast<quint64>(source.height());
    const quint64 offset = 14 + 40 + 4 * colours;
    if (offset + pixelBytes > 0xFFFFFFFFull)
        return false;

    std::vector<uchar> head(offset, 0);
    uchar* p = head.data();
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(static_cast<quint32>(offset + pixelBytes), p + 2);
    qToLittleEndian<quint32>(static_cast<quint32>(offset), p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(source.width(), p + 18);
    qToLittleEndian<qint32>(source.height(), p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(static_cast<quint16>(bits), p + 28);
    qToLittleEndian<quint32>(static_cast<quint32>(pixelBytes), p + 34);
    qToLittleEndian<qint32>(2835, p + 38);  // 72 dpi
    qToLittleEndian<qint32>(2835, p + 42);
    qToLittleEndian<quint32>(colours, p + 46);
    for (quint32 i = 0; i < colours; ++i) {
        const QRgb c = source.color(static_cast<int>(i));
        uchar* e = p + 54 + 4 * i;
        e[0] = static_cast<uchar>(qBlue(c));
        e[1] = static_cast<uchar>(qGreen(c));
        e[2] = static_cast<uchar>(qRed(c));
    }
    if (device.write(reinterpret_cast<const char*>(head.data()),
                     static_cast<qint64>(head.size())) != static_cast<qint64>(head.size())) {
        return false;
    }

    // Rows go out in blocks of about a megabyte: a write per row costs a file system call
    // per row, which is most of the time for a screen-sized picture.
    const quint64 rowsPerBlock = std::max<quint64>(1, (1 << 20) / stride);
    std::vector<uchar> block(stride * std::min<quint64>(rowsPerBlock, source.height()), 0);
    const bool rgb888 = source.format() == QImage::Format_RGB888;
    quint64 filled = 0;
    for (int y = source.height() - 1; y >= 0; --y) {
        const uchar* src = source.constScanLine(y);
        uchar* row = block.data() + filled * stride;
        if (rgb32) {
            std::memcpy(row, src, stride);
        } else if (indexed) {
            std::copy(src, src + source.width(), row);
        } else if (rgb888) {
            for (int x = 0; x < source.width(); ++x) {
                row[3 * x] = src[3 * x + 2];
                row[3 * x + 1] = src[3 * x + 1];
                row[3 * x + 2] = src[3 * x];
            }
        } else {
            const auto* px = reinterpret_cast<const QRgb*>(src);
            for (int x = 0; x < source.width(); ++x) {
                row[3 * x] = static_cast<uchar>(qBlue(px[x]));
                row[3 * x + 1] = static_cast<uchar>(qGreen(px[x]));
                row[3 * x + 2] = static_cast<uchar>(qRed(px[x]));
            }
        }
        if (++filled == rowsPerBlock || y == 0) {
            const auto bytes = static_cast<qint64>(filled * stride);
            if (device.write(reinterpret_cast<const char*>(block.data()), bytes) != bytes)
                return false;
            filled = 0;
        }
    }
    return true;
}

}  // namespace tesselvane
