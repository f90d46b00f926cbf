#include "picture/BmpReader.h"

#include "picture/PictureError.h"
#include "picture/PictureLimits.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>
#include <optional>

namespace tesselvane {

namespace {

[[noreturn]] void raiseInvalid(const QString& name) {
    throw PictureError(QStringLiteral("ビットマップ画像 %1 は不正です").arg(name));
}

struct StoredHeader {
    qint64 width = 0;
    qint64 height = 0;  // without the sign that marks top-down rows
    int bitCount = 0;
};

// What the file states about the picture, read before Qt's reader allocates anything (Qt
// also gives 24-bit files back as 32-bit images, so the bit count must come from here).
std::optional<StoredHeader> storedHeader(const QByteArray& data) {
    if (data.size() < 26 || !data.startsWith("BM"))
        return std::nullopt;
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    StoredHeader h;
    if (qFromLittleEndian<quint32>(p + 14) == 12) {  // OS/2 1.x header
        h.width = qFromLittleEndian<quint16>(p + 18);
        h.height = qFromLittleEndian<quint16>(p + 20);
        h.bitCount = qFromLittleEndian<quint16>(p + 24);
        return h;
    }
    if (data.size() < 30)
        return std::nullopt;
    h.width = qFromLittleEndian<qint32>(p + 18);
    h.height = std::abs(qint64(qFromLittleEndian<qint32>(p + 22)));
    h.bitCount = qFromLittleEndian<quint16>(p + 28);
    return h;
}

}  // namespace

QImage readBmp(const QByteArray& data, const QString& name) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    const auto header = storedHeader(data);
    if (!header || header->width <= 0 || header->height <= 0)
        raiseInvalid(name);
    if (header->width * header->height > kMaxPicturePixels) {
        throw PictureError(QStringLiteral("画像 %1 は大きすぎます (%2 × %3)")
                               .arg(name)
                               .arg(header->width)
                               .arg(header->height));
    }
    // Qt's own cap is below the largest picture we accept; ours was checked above.
    QImageReader::setAllocationLimit(int(kMaxPicturePixels * 4 / (1024 * 1024)) + 64);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        raiseInvalid(name);

    const int bits = header->bitCount;
    if (bits == 32)
        return image;
    if (bits > 8)
        return image.convertToFormat(QImage::Format_RGB888);
    image = image.convertToFormat(QImage::Format_Indexed8);
    // Every index a pixel may hold gets a colour, so no later conversion reads past the table.
    if (image.colorCount() < 256) {
        QList<QRgb> table = image.colorTable();
        table.resize(256, qRgb(0, 0, 0));
        image.setColorTable(table);
    }
    return image;
}

QImage readBmpFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw PictureError(QStringLiteral("ビットマップ画像 %1 を開けません").arg(path));
    }
    // A BMP bigger than the largest picture we read can only be damaged or hostile.
    if (file.size() > kMaxPicturePixels * 4 + 65536)
        raiseInvalid(path);
    return readBmp(file.readAll(), path);
}

}  // namespace tesselvane
