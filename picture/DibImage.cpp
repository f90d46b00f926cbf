#include "picture/DibImage.h"

#include "picture/ParallelRows.h"
#include "picture/PictureLimits.h"
#include "platform/InterfaceLanguage.h"

#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tesselvane {

namespace {

template <class T>
T readLE(const unsigned char* p) {
    return qFromLittleEndian<T>(p);
}

// One channel of a bit-field pixel, scaled to 8 bits. A mask that is empty or has gaps
// reads as 0, so a hostile mask cannot shift by more than the width of the value.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        const std::uint32_t field = m >> shift;
        if ((field & (field + 1)) != 0)
            return;  // not contiguous
        mask = m;
        bits = std::popcount(field);
    }
    int operator()(std::uint32_t pixel) const {
        if (mask == 0)
            return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return static_cast<int>(v >> (bits - 8));
        // Spread the bits over 0-255 (31 -> 255 for 5 bits).
        return static_cast<int>((v * 255u + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
    }
};

}  // namespace

std::optional<DibHeader> readDibHeader(const unsigned char* info, std::size_t infoSize) {
    if (!info || infoSize < kDibHeaderSize)
        return std::nullopt;
    DibHeader h;
    h.size = readLE<std::uint32_t>(info);
    h.width = readLE<std::int32_t>(info + 4);
    h.height = readLE<std::int32_t>(info + 8);
    h.planes = readLE<std::uint16_t>(info + 12);
    h.bitCount = readLE<std::uint16_t>(info + 14);
    h.compression = readLE<std::uint32_t>(info + 16);
    h.sizeImage = readLE<std::uint32_t>(info + 20);
    h.xPelsPerMeter = readLE<std::int32_t>(info + 24);
    h.yPelsPerMeter = readLE<std::int32_t>(info + 28);
    h.clrUsed = readLE<std::uint32_t>(info + 32);
    h.clrImportant = readLE<std::uint32_t>(info + 36);
    // The later header versions (V4 108, V5 124 bytes) begin the same way.
    if (h.size < kDibHeaderSize || h.size > 124)
        return std::nullopt;
    return h;
}

namespace {

// Colour-table entries from the block: blue, green, red, reserved.
QList<QRgb> colourTable(const DibHeader& header, const unsigned char* info, std::size_t infoSize,
                        std::size_t count) {
    QList<QRgb> colours(static_cast<qsizetype>(count), qRgb(0, 0, 0));
    const std::size_t start = header.size;
    const std::size_t available = infoSize > start ? (infoSize - start) / 4 : 0;
    for (std::size_t i = 0; i < std::min(count, available); ++i) {
        const unsigned char* e = info + start + 4 * i;
        colours[static_cast<qsizetype>(i)] = qRgb(e[2], e[1], e[0]);
    }
    return colours;
}

}  // namespace

std::optional<QList<QRgb>> MakePalette(const DibHeader& header, const unsigned char* info,
                                       std::size_t infoSize) {
    std::uint64_t n = header.clrUsed;
    if (n == 0 && header.bitCount != 24)
        n = header.bitCount < 32 ? (std::uint64_t{1} << header.bitCount) : 0;
    if (n < 1 || n > 256)
        return std::nullopt;
    return colourTable(header, info, infoSize, static_cast<std::size_t>(n));
}

QImage dibToImage(const unsigned char* info, std::size_t infoSize, const unsigned char* pixels,
                  std::size_t pixelsSize, DibWidth width24, QImage* reuse) {
    const auto header = readDibHeader(info, infoSize);
    if (!header || !pixels)
        return {};
    const DibHeader& h = *header;
    const std::int64_t width = h.width;
    const std::int64_t height = h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height;
    if (width <= 0 || height <= 0 || width * height > kMaxPicturePixels)
        return {};
    const int bits = h.bitCount;
    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    const bool bitfields = h.compression == kBiBitfields && (bits == 16 || bits == 32);
    if (!paletted && bits != 16 && bits != 24 && bits != 32)
        return {};
    if (h.compression != kBiRgb && !bitfields)
        return {};

    const std::uint64_t stride =
        dibStride(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(bits));
    const std::uint64_t fullSize = stride * static_cast<std::uint64_t>(height);
    // The header's image size when it gives one; never more than the block holds.
    const std::uint64_t declared = h.sizeImage != 0 ? h.sizeImage : fullSize;
    const std::uint64_t usable = std::min<std::uint64_t>({declared, pixelsSize, fullSize});
    const std::int64_t wholeRows = static_cast<std::int64_t>(usable / stride);
    const bool topDown = h.height < 0;

    QImage::Format format = QImage::Format_RGB888;
    if (paletted)
        format = QImage::Format_Indexed8;
    const bool widen = bits == 24 && width24 == DibWidth::Rgb32;
    if (bits == 32 || widen)
        format = QImage::Format_RGB32;
    QImage image;
    if (reuse && reuse->isDetached() && reuse->format() == format && reuse->width() == width &&
        reuse->height() == height) {
        image = std::move(*reuse);
        *reuse = QImage();
    } else {
        image = QImage(static_cast<int>(width), static_cast<int>(height), format);
    }
    if (image.isNull())
        return {};  // out of memory
    if (paletted) {
        image.fill(0u);
        const std::size_t used =
            h.clrUsed != 0 ? std::min<std::size_t>(h.clrUsed, 256) : (std::size_t{1} << bits);
        QList<QRgb> table = colourTable(h, info, infoSize, std::min<std::size_t>(used, 256));
        table.resize(256, qRgb(0, 0, 0));  // every index a pixel may hold has a colour
        image.setColorTable(table);
    } else if (wholeRows < height) {
        image.fill(Qt::black);
    }

    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16 bits without bit fields: 5-5-5
    if (bits == 32) {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
    }
    if (bitfields) {
        if (infoSize < h.size + 12u)
            return {};
        for (int i = 0; i < 3; ++i)
            masks[i] = readLE<std::uint32_t>(info + h.size + 4 * i);
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

    std::atomic<bool> alpha = false;
    uchar* const imageBits = image.bits();  // before the threads: no detaching in them
    const auto imageStride = static_cast<std::size_t>(image.bytesPerLine());
    forRowsInParallel(height, width, [&](std::int64_t first, std::int64_t last) {
        bool alphaSeen = false;
        for (std::int64_t y = first; y < last; ++y) {
            const std::int64_t storedRow = topDown ? y : height - 1 - y;
            if (storedRow >= wholeRows)
                continue;  // beyond what the block holds: stays black
            const unsigned char* src = pixels + static_cast<std::uint64_t>(storedRow) * stride;
            uchar* dst = imageBits + imageStride * static_cast<std::size_t>(y);
            switch (bits) {
                case 1:
                    for (std::int64_t x = 0; x < width; ++x)
                        dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
                    break;
                case 4:
                    for (std::int64_t x = 0; x < width; ++x)
                        dst[x] = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
                    break;
                case 8:
                    std::memcpy(dst, src, static_cast<std::size_t>(width));
                    break;
                case 16:
                    for (std::int64_t x = 0; x < width; ++x) {
                        const std::uint32_t p = readLE<std::uint16_t>(src + 2 * x);
                        dst[3 * x] = static_cast<uchar>(red(p));
                        dst[3 * x + 1] = static_cast<uchar>(green(p));
                        dst[3 * x + 2] = static_cast<uchar>(blue(p));
                    }
                    break;
                case 24:
                    if (widen) {
                        dib24RowToRgb32(src, reinterpret_cast<QRgb*>(dst), width);
                        break;
                    }
                    for (std::int64_t x = 0; x < width; ++x) {
                        dst[3 * x] = src[3 * x + 2];
                        dst[3 * x + 1] = src[3 * x + 1];
                        dst[3 * x + 2] = src[3 * x];
                    }
                    break;
                case 32:
                    if (!bitfields) {
                        // Blue, green, red, alpha: the memory layout of RGB32 and ARGB32.
                        std::memcpy(dst, src, static_cast<std::size_t>(width) * 4);
                        for (std::int64_t x = 0; x < width && !alphaSeen; ++x)
                            alphaSeen = src[4 * x + 3] != 0;
                    } else {
                        auto* out = reinterpret_cast<QRgb*>(dst);
                        for (std::int64_t x = 0; x < width; ++x) {
                            const std::uint32_t p = readLE<std::uint32_t>(src + 4 * x);
                            out[x] = qRgb(red(p), green(p), blue(p));
                        }
                    }
                    break;
            }
        }
        if (alphaSeen)
            alpha = true;
    });
    if (bits == 32 && !bitfields) {
        if (alpha)
            return image.reinterpretAsFormat(QImage::Format_ARGB32) ? image : QImage();
        // The fourth byte is reserved and zero: opaque.
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] |= 0xFF000000u;
        }
    }
    return image;
}

bool writeImageAsPackedDib(const QImage& source, unsigned char* block) {
    // RGB32 and RGB888 are read as they are; anything else goes through RGB32.
    const bool wide = source.format() != QImage::Format_RGB888;
    const QImage image = !wide || source.format() == QImage::Format_RGB32
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return false;
    writePackedDib24Header(block, image.width(), image.height());
    const std::uint64_t stride = dibStride(static_cast<std::uint64_t>(image.width()), 24);
    forRowsInParallel(image.height(), image.width(), [&](std::int64_t first, std::int64_t last) {
        for (auto y = static_cast<int>(first); y < static_cast<int>(last); ++y) {
            const uchar* src = image.constScanLine(y);
            unsigned char* dst = block + kDibHeaderSize +
                                 stride * static_cast<std::uint64_t>(image.height() - 1 - y);
            const auto width = static_cast<std::uint64_t>(image.width());
            if (wide) {
                rgb32RowToDib24(reinterpret_cast<const QRgb*>(src), dst,
                                static_cast<std::int64_t>(width));
            } else {
                for (std::uint64_t x = 0; x < width; ++x) {
                    dst[3 * x] = src[3 * x + 2];
                    dst[3 * x + 1] = src[3 * x + 1];
                    dst[3 * x + 2] = src[3 * x];
                }
            }
            std::memset(dst + 3 * width, 0, stride - 3 * width);  // row padding
        }
    });
    return true;
}

void* imageToPackedDib(const QImage& image) {
    unsigned char* block = newPackedDib24(image.width(), image.height());
    if (block && !writeImageAsPackedDib(image, block)) {
        std::free(block);
        return nullptr;
    }
    return block;
}

namespace {

// Where the pixels of a packed DIB start: after the header and the colour table (or the three
// bit-field masks); nullopt when the block ends before.
std::optional<std::uint64_t> packedPixelsAt(const unsigned char* bytes, std::size_t size) {
    const auto header = readDibHeader(bytes, size);
    if (!header)
        return std::nullopt;
    std::uint64_t entries = header->clrUsed;
    if (entries == 0 && header->bitCount <= 8)
        entries = std::uint64_t{1} << header->bitCount;
    if (header->compression == kBiBitfields)
        entries = 3;
    const std::uint64_t pixelsAt = header->size + 4 * entries;
    if (pixelsAt > size)
        return std::nullopt;
    return pixelsAt;
}

}  // namespace

std::optional<QString> dibProblem(const unsigned char* info, std::size_t infoSize,
                                  std::size_t pixelsSize) {
    const auto header = readDibHeader(info, infoSize);
    if (!header)
        return interfaceText("DibImage", "ヘッダーがありません");
    const DibHeader& h = *header;
    const std::int64_t width = h.width;
    const std::int64_t height = h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height;
    if (width <= 0 || height <= 0)
        return interfaceText("DibImage", "大きさ %1 x %2 は画像になりません")
            .arg(h.width)
            .arg(h.height);
    if (width * height > kMaxPicturePixels)
        return interfaceText("DibImage", "大きさ %1 x %2 は大きすぎます").arg(width).arg(height);
    const int bits = h.bitCount;
    const bool known =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool bitfields = h.compression == kBiBitfields && (bits == 16 || bits == 32);
    if (!known || (h.compression != kBiRgb && !bitfields))
        return interfaceText("DibImage", "%1 ビット、圧縮 %2 の画像は読めません")
            .arg(bits)
            .arg(h.compression);
    const std::uint64_t needed =
        dibStride(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(bits)) *
        static_cast<std::uint64_t>(height);
    if (needed > pixelsSize) {
        return interfaceText("DibImage", "画素 %1 バイトのはずが %2 バイトしかありません")
            .arg(needed)
            .arg(pixelsSize);
    }
    return std::nullopt;
}

std::optional<QString> packedDibProblem(const void* block, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    const auto pixelsAt = packedPixelsAt(bytes, size);
    if (!pixelsAt)
        return interfaceText("DibImage", "ヘッダーと色の表がありません");
    return dibProblem(bytes, static_cast<std::size_t>(*pixelsAt),
                      size - static_cast<std::size_t>(*pixelsAt));
}

std::optional<std::size_t> packedDibSize(const void* block, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    const auto pixelsAt = packedPixelsAt(bytes, size);
    if (!pixelsAt || packedDibProblem(block, size))
        return std::nullopt;
    const auto header = readDibHeader(bytes, size);
    const std::uint64_t height =
        header->height < 0 ? -static_cast<std::int64_t>(header->height) : header->height;
    return static_cast<std::size_t>(
        *pixelsAt +
        dibStride(static_cast<std::uint64_t>(header->width), header->bitCount) * height);
}

QImage packedDibToImage(const void* block, std::size_t size, DibWidth width24, QImage* reuse) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    const auto at = packedPixelsAt(bytes, size);
    if (!at)
        return {};
    const std::uint64_t pixelsAt = *at;
    return dibToImage(bytes, static_cast<std::size_t>(pixelsAt), bytes + pixelsAt,
                      size - static_cast<std::size_t>(pixelsAt), width24, reuse);
}

}  // namespace tesselvane
