#include "picture/BmpReader.h"

#include "picture/DibImage.h"
#include "picture/PictureError.h"
#include "picture/PictureLimits.h"
#include "platform/InterfaceLanguage.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QtEndian>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tesselvane {

namespace {

constexpr qint64 kFileHeaderSize = 14;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;

[[noreturn]] void raiseInvalid(const QString& name) {
    throw PictureError(interfaceText("BmpReader", "ビットマップ画像 %1 は不正です").arg(name));
}

[[noreturn]] void raiseCutShort(const QString& name) {
    throw PictureError(
        interfaceText("BmpReader", "ビットマップ画像 %1 は途中で切れています").arg(name));
}

[[noreturn]] void raiseNoMemory(const QString& name) {
    throw PictureError(
        interfaceText("BmpReader", "画像 %1 を読み込むメモリが足りません").arg(name));
}

// What the headers of a file say, checked against the file's size, with the colour table or
// the bit-field masks after a 40-byte header as dibToImage reads them.
struct BmpLayout {
    qint64 width = 0;
    qint64 height = 0;  // without the sign that marks top-down rows
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    QByteArray info;
    QList<QRgb> colours;  // 1, 4 and 8 bits: the table as the file gives it
    qint64 pixelsAt = 0;  // where the pixel data starts in the file
};

bool validDepth(int bits, std::uint32_t compression, bool os2) {
    switch (compression) {
        case kBiRgb:
            return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        case kBiRle8:
            return bits == 8;
        case kBiRle4:
            return bits == 4;
        case kBiBitfields:
            // In an OS/2 2.x header the same number means Huffman coding, which we do not read.
            return !os2 && (bits == 16 || bits == 32);
        default:
            return false;
    }
}

// `data` is the file's beginning (at least as far as its colour table) of `fileSize` bytes.
BmpLayout readLayout(const QByteArray& data, qint64 fileSize, const QString& name) {
    const qint64 size = data.size();
    if (size < kFileHeaderSize + 4 || !data.startsWith("BM"))
        raiseInvalid(name);
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const std::uint32_t offBits = qFromLittleEndian<quint32>(p + 10);
    const std::uint32_t headerSize = qFromLittleEndian<quint32>(p + 14);
    // OS/2 1.x, Windows 3 and its later versions, OS/2 2.x.
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 64 && headerSize != 108 && headerSize != 124) {
        raiseInvalid(name);
    }
    if (kFileHeaderSize + headerSize > size)
        raiseCutShort(name);

    BmpLayout l;
    int planes = 0;
    std::uint32_t colourCount = 0;
    const bool core = headerSize == 12;
    if (core) {
        l.width = qFromLittleEndian<quint16>(p + 18);
        l.height = qFromLittleEndian<quint16>(p + 20);
        planes = qFromLittleEndian<quint16>(p + 22);
        l.bitCount = qFromLittleEndian<quint16>(p + 24);
    } else {
        l.width = qFromLittleEndian<qint32>(p + 18);
        const qint64 height = qFromLittleEndian<qint32>(p + 22);
        l.topDown = height < 0;
        l.height = std::abs(height);
        planes = qFromLittleEndian<quint16>(p + 26);
        l.bitCount = qFromLittleEndian<quint16>(p + 28);
        l.compression = qFromLittleEndian<quint32>(p + 30);
        colourCount = qFromLittleEndian<quint32>(p + 46);
    }
    if (l.width <= 0 || l.height <= 0 || planes != 1 ||
        !validDepth(l.bitCount, l.compression, headerSize == 64)) {
        raiseInvalid(name);
    }
    if (l.width * l.height > kMaxPicturePixels) {
        throw PictureError(interfaceText("BmpReader", "画像 %1 は大きすぎます (%2 × %3)")
                               .arg(name)
                               .arg(l.width)
                               .arg(l.height));
    }

    qint64 tableAt = kFileHeaderSize + headerSize;
    std::uint32_t masks[3] = {};
    if (l.compression == kBiBitfields) {
        // A 40-byte header is followed by the masks; the later versions hold them.
        const qint64 masksAt = kFileHeaderSize + 40;
        if (masksAt + 12 > size)
            raiseCutShort(name);
        for (int i = 0; i < 3; ++i)
            masks[i] = qFromLittleEndian<quint32>(p + masksAt + 4 * i);
        if (headerSize == 40)
            tableAt += 12;
    }
    qint64 entries = 0;
    if (l.bitCount <= 8) {
        entries = colourCount != 0 ? colourCount : qint64{1} << l.bitCount;
        if (entries > 256)
            raiseInvalid(name);
    }
    const int entrySize = core ? 3 : 4;
    const qint64 tableEnd = tableAt + entries * entrySize;
    if (tableEnd > size)
        raiseCutShort(name);
    for (qint64 i = 0; i < entries; ++i) {
        const uchar* e = p + tableAt + i * entrySize;
        l.colours.append(qRgb(e[2], e[1], e[0]));
    }
    // Some writers leave the offset 0: the pixels then follow the colour table.
    l.pixelsAt = std::max<qint64>(offBits, tableEnd);
    if (l.pixelsAt > fileSize)
        raiseCutShort(name);

    // The header dibToImage reads: the image size left 0, as the checks here stand for it.
    l.info = QByteArray(int(kDibHeaderSize), '\0');
    auto* h = reinterpret_cast<uchar*>(l.info.data());
    qToLittleEndian<quint32>(quint32(kDibHeaderSize), h);
    qToLittleEndian<qint32>(qint32(l.width), h + 4);
    qToLittleEndian<qint32>(qint32(l.topDown ? -l.height : l.height), h + 8);
    qToLittleEndian<quint16>(1, h + 12);
    qToLittleEndian<quint16>(quint16(l.bitCount), h + 14);
    qToLittleEndian<quint32>(l.compression == kBiBitfields ? kBiBitfields : kBiRgb, h + 16);
    qToLittleEndian<quint32>(quint32(entries), h + 32);
    if (l.compression == kBiBitfields) {
        for (const std::uint32_t mask : masks) {
            uchar le[4];
            qToLittleEndian<quint32>(mask, le);
            l.info.append(reinterpret_cast<const char*>(le), 4);
        }
    }
    for (const QRgb colour : l.colours) {
        const char quad[4] = {char(qBlue(colour)), char(qGreen(colour)), char(qRed(colour)), 0};
        l.info.append(quad, 4);
    }
    return l;
}

// Pixels a run-length stream skips (by a delta, the end of a line or the end of the picture)
// keep colour 0. A stream that runs out before its end is a damaged file, as a cut-short
// uncompressed one is.
QImage decodeRle(const BmpLayout& l, const uchar* stream, qint64 size, const QString& name) {
    QImage image(int(l.width), int(l.height), QImage::Format_Indexed8);
    if (image.isNull())
        raiseNoMemory(name);
    image.fill(0u);
    QList<QRgb> table = l.colours;
    table.resize(256, qRgb(0, 0, 0));  // every index a pixel may hold has a colour
    image.setColorTable(table);

    const bool four = l.bitCount == 4;
    const auto nibble = [](uchar pair, qint64 i) {
        return uchar((i & 1) ? pair & 0x0F : pair >> 4);
    };
    const auto row = [&](qint64 y) {
        return image.scanLine(int(l.topDown ? y : l.height - 1 - y));
    };
    qint64 pos = 0;
    qint64 x = 0;
    qint64 y = 0;  // from the first row of the stream
    while (y < l.height) {
        if (pos + 2 > size) {
            // Writers that draw every pixel may leave out the end mark.
            if (y == l.height - 1 && x >= l.width)
                break;
            raiseCutShort(name);
        }
        const int count = stream[pos];
        const uchar code = stream[pos + 1];
        pos += 2;
        if (count > 0) {  // a run of one index, or of two alternating ones
            const qint64 end = std::min<qint64>(x + count, l.width);
            uchar* out = row(y);
            if (four) {
                for (qint64 i = 0; x + i < end; ++i)
                    out[x + i] = nibble(code, i);
            } else if (end > x) {
                std::memset(out + x, code, size_t(end - x));
            }
            x = end;
            continue;
        }
        switch (code) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of picture
                return image;
            case 2:  // delta: right and up
                if (pos + 2 > size)
                    raiseCutShort(name);
                x = std::min<qint64>(x + stream[pos], l.width);
                y += stream[pos + 1];
                pos += 2;
                break;
            default: {  // `code` indices as they are, padded to a 16-bit boundary
                const qint64 bytes = four ? (code + 1) / 2 : code;
                if (pos + bytes > size)
                    raiseCutShort(name);
                uchar* out = row(y);
                for (qint64 i = 0; i < code && x < l.width; ++i, ++x)
                    out[x] = four ? nibble(stream[pos + i / 2], i) : stream[pos + i];
                pos += bytes + (bytes & 1);
                break;
            }
        }
    }
    return image;
}

// The fourth byte of a BMP's 32-bit pixel is reserved, not alpha: Windows shows the picture
// opaque, whatever a writer left there.
QImage opaque(QImage image) {
    if (image.format() != QImage::Format_ARGB32)
        return image;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] |= 0xFF000000u;
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

qint64 uncompressedSize(const BmpLayout& l) {
    return qint64(dibStride(quint64(l.width), quint64(l.bitCount))) * l.height;
}

// `part` of an uncompressed picture, reading only the rows it covers from `file`.
QImage readUncompressedPart(QFile& file, const BmpLayout& l, QRect part, const QString& name) {
    const qint64 stride = qint64(dibStride(quint64(l.width), quint64(l.bitCount)));
    if (file.size() - l.pixelsAt < uncompressedSize(l))
        raiseCutShort(name);
    // Bottom-up files keep the lowest row first.
    const qint64 firstStored = l.topDown ? part.top() : l.height - 1 - part.bottom();
    const qint64 bytes = stride * part.height();
    if (!file.seek(l.pixelsAt + firstStored * stride))
        raiseCutShort(name);
    const QByteArray rows = file.read(bytes);
    if (rows.size() != bytes)
        raiseCutShort(name);
    QByteArray info = l.info;
    qToLittleEndian<qint32>(qint32(l.topDown ? -part.height() : part.height()),
                            reinterpret_cast<uchar*>(info.data()) + 8);
    QImage band = dibToImage(reinterpret_cast<const uchar*>(info.constData()), size_t(info.size()),
                             reinterpret_cast<const uchar*>(rows.constData()), size_t(bytes));
    if (band.isNull())
        raiseNoMemory(name);
    if (part.width() != l.width)
        band = band.copy(part.left(), 0, part.width(), part.height());
    return opaque(std::move(band));
}

}  // namespace

QImage readBmp(const QByteArray& data, const QString& name) {
    const BmpLayout l = readLayout(data, data.size(), name);
    const auto* pixels = reinterpret_cast<const uchar*>(data.constData()) + l.pixelsAt;
    const qint64 available = data.size() - l.pixelsAt;
    // Checked before the picture is made, so that a short file never costs a large block.
    if (l.compression == kBiRle8 || l.compression == kBiRle4) {
        // A two-byte run paints at most 255 pixels: no stream shorter than this holds them.
        const qint64 least = 2 * ((l.width * l.height + 254) / 255);
        if (available < least)
            raiseCutShort(name);
        return decodeRle(l, pixels, available, name);
    }
    const qint64 needed = uncompressedSize(l);
    if (available < needed)
        raiseCutShort(name);
    QImage image = dibToImage(reinterpret_cast<const uchar*>(l.info.constData()),
                              size_t(l.info.size()), pixels, size_t(needed));
    if (image.isNull())
        raiseNoMemory(name);
    return opaque(std::move(image));
}

QImage readBmpFile(const QString& path, const std::function<QRect(QSize)>& partOf) {
    QFile file;
    const int fd = openRegularFile(path);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        throw PictureError(
            interfaceText("BmpReader", "ビットマップ画像 %1 を開けません").arg(path));
    }
    // A BMP bigger than the largest picture we read can only be damaged or hostile.
    if (file.size() > kMaxPicturePixels * 4 + 65536)
        raiseInvalid(path);
    if (partOf) {
        // Headers and colour tables end well within this.
        constexpr qint64 kHeadBytes = 4096;
        const BmpLayout l = readLayout(file.read(kHeadBytes), file.size(), path);
        const QRect part = partOf(QSize(int(l.width), int(l.height)));
        if (l.compression != kBiRle8 && l.compression != kBiRle4 && !part.isEmpty() &&
            QRect(0, 0, int(l.width), int(l.height)).contains(part))
            return readUncompressedPart(file, l, part, path);
        if (!file.seek(0))
            raiseCutShort(path);
        const QImage whole = readBmp(file.readAll(), path);
        return part.size() == whole.size() || part.isEmpty() ? whole : whole.copy(part);
    }
    return readBmp(file.readAll(), path);
}

}  // namespace tesselvane
