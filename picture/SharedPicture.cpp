#include "picture/SharedPicture.h"

#include "picture/DibImage.h"
#include "picture/DibRows.h"
#include "picture/PictureLimits.h"
#include "picture/RowResampler.h"
#include "platform/HeapPolicy.h"

#include <QtEndian>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tesselvane {

namespace {

// The format dibToImage gives a header (before it looks for alpha in 32-bit pixels).
QImage::Format dibFormat(const DibHeader& header) {
    switch (header.bitCount) {
        case 1:
        case 4:
        case 8:
            return QImage::Format_Indexed8;
        case 32:
            return QImage::Format_RGB32;
        default:
            return QImage::Format_RGB888;
    }
}

QByteArray colours(const QList<QRgb>& table) {
    QByteArray bytes;
    for (const QRgb rgb : table)
        bytes += QByteArray::number(rgb, 16) + ' ';
    return bytes;
}

std::optional<QList<QRgb>> colourList(const QByteArray& text) {
    QList<QRgb> table;
    for (const QByteArray& entry : text.split(' ')) {
        if (entry.isEmpty())
            continue;
        bool ok = false;
        const uint rgb = entry.toUInt(&ok, 16);
        if (!ok || table.size() >= 256)
            return std::nullopt;
        table.append(rgb);
    }
    return table;
}

// Bytes per line of a picture of this width and format as QImage lays it out.
qsizetype minimalBytesPerLine(int width, QImage::Format format) {
    const qsizetype depth = format == QImage::Format_Indexed8 ? 8
                            : format == QImage::Format_RGB888 ? 24
                                                              : 32;
    return ((static_cast<qsizetype>(width) * depth + 31) / 32) * 4;
}

// Pixels [from, from + count) of row `y` of a picture dibToImage made, as 32-bit colours.
void rowAsRgb32(const QImage& picture, int y, int from, int count, QRgb* out) {
    const uchar* in = picture.constScanLine(y);
    switch (picture.format()) {
        case QImage::Format_Indexed8: {
            const QList<QRgb> table = picture.colorTable();
            in += from;
            for (int x = 0; x < count; ++x)
                out[x] = in[x] < table.size() ? table[in[x]] | 0xFF000000u : qRgb(0, 0, 0);
            break;
        }
        case QImage::Format_RGB888:
            in += 3 * from;
            for (int x = 0; x < count; ++x)
                out[x] = qRgb(in[3 * x], in[3 * x + 1], in[3 * x + 2]);
            break;
        default:  // RGB32, or ARGB32 whose alpha the wallpaper does not keep
            for (int x = 0; x < count; ++x)
                out[x] = reinterpret_cast<const QRgb*>(in)[from + x] | 0xFF000000u;
            break;
    }
}

// Rows of `part` of the DIB, top first, as 32-bit colours: `rowFor(y)` gives where row `y`
// (counted in the whole picture) goes, `done(y)` hears that it is there. Rows the block does
// not reach are black. False when memory is short.
template <class RowFor, class Done>
bool dibRowsAsRgb32(const DibHeader& header, const unsigned char* info, std::size_t infoSize,
                    const unsigned char* pixels, std::size_t pixelsSize, QRect part, RowFor rowFor,
                    Done done) {
    const int width = header.width;
    const int height = header.height < 0 ? -header.height : header.height;
    const std::uint64_t stride = dibStride(static_cast<std::uint64_t>(width), header.bitCount);
    const bool topDown = header.height < 0;
    // The usual 24-bit rows are read as they are, in one pass.
    if (header.bitCount == 24 && header.compression == kBiRgb) {
        for (int y = part.top(); y <= part.bottom(); ++y) {
            const auto stored = static_cast<std::uint64_t>(topDown ? y : height - 1 - y);
            QRgb* row = rowFor(y);
            if ((stored + 1) * stride <= pixelsSize)
                dib24RowToRgb32(pixels + stored * stride + 3 * std::uint64_t(part.left()), row,
                                part.width());
            else
                std::fill(row, row + part.width(), qRgb(0, 0, 0));
            done(y);
        }
        return true;
    }
    // Any other: each band is a DIB of its own, the same header and colours, fewer rows.
    std::vector<unsigned char> bandInfo(info, info + infoSize);
    constexpr int kBandRows = 32;
    QImage band;  // one block for every band: a fresh one each time would be faulted in anew
    for (int top = part.top(); top <= part.bottom(); top += kBandRows) {
        const int rows = std::min(kBandRows, part.bottom() + 1 - top);
        // The band's first row in the block: bottom-up, the lowest of its rows.
        const std::uint64_t firstStored = topDown ? static_cast<std::uint64_t>(top)
                                                  : static_cast<std::uint64_t>(height - top - rows);
        const std::uint64_t offset = firstStored * stride;
        const std::size_t held = offset < pixelsSize
                                     ? static_cast<std::size_t>(std::min<std::uint64_t>(
                                           pixelsSize - offset, stride * rows))
                                     : 0;
        qToLittleEndian<std::int32_t>(topDown ? -rows : rows, bandInfo.data() + 8);
        qToLittleEndian<std::uint32_t>(0, bandInfo.data() + 20);
        QImage made = dibToImage(bandInfo.data(), bandInfo.size(),
                                 held > 0 ? pixels + offset : pixels, held, DibWidth::Rgb32, &band);
        if (made.isNull())
            return false;
        for (int r = 0; r < rows; ++r) {
            rowAsRgb32(made, r, part.left(), part.width(), rowFor(top + r));
            done(top + r);
        }
        band = std::move(made);
    }
    return true;
}

// A sealed block of `size` 32-bit pixels, filled by `fill(block, bytesPerLine)`, and its
// layout; -1 when memory is short or `fill` fails.
template <class Fill>
int sharedRgb32(QSize size, SharedPictureLayout& layout, Fill fill) {
    const auto bytesPerLine = static_cast<std::size_t>(size.width()) * 4;
    SharedBlock block =
        SharedBlock::writable(bytesPerLine * static_cast<std::size_t>(size.height()));
    if (!block.isValid() || !fill(block.data(), bytesPerLine))
        return -1;
    layout = {size.width(),         size.height(),
              QImage::Format_RGB32, static_cast<std::int64_t>(bytesPerLine),
              QByteArray(),         std::nullopt};
    return block.sealed();
}

void freeBlock(void* block) {
    delete static_cast<SharedBlock*>(block);
}

}  // namespace

int shareDecodedDib(const unsigned char* info, std::size_t infoSize, const unsigned char* pixels,
                    std::size_t pixelsSize, SharedPictureLayout& layout) {
    const auto header = readDibHeader(info, infoSize);
    if (!header)
        return -1;
    const int width = header->width;
    const int height = header->height < 0 ? -header->height : header->height;
    const QImage::Format format = dibFormat(*header);
    const qsizetype bytesPerLine = minimalBytesPerLine(width, format);
    SharedBlock block = SharedBlock::writable(static_cast<std::size_t>(bytesPerLine) *
                                              static_cast<std::size_t>(height));
    if (!block.isValid())
        return -1;
    const auto stride = static_cast<std::size_t>(dibStride(std::uint64_t(width), 24));
    if (format == QImage::Format_RGB888 && header->bitCount == 24 &&
        header->compression == kBiRgb && header->height > 0 &&
        pixelsSize >= stride * static_cast<std::size_t>(height)) {
        // The usual plug-in picture, bottom-up: its rows go top first, so the block is read
        // from its end, and what is read is let go, so that the two are never whole at once.
        constexpr int kRowsPerRelease = 64;
        std::size_t kept = stride * static_cast<std::size_t>(height);
        for (int y = 0; y < height; ++y) {
            const std::size_t at = stride * static_cast<std::size_t>(height - 1 - y);
            const unsigned char* in = pixels + at;
            uchar* out = block.data() + bytesPerLine * y;
            for (int x = 0; x < width; ++x) {
                out[3 * x] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x];
            }
            if (y % kRowsPerRelease == kRowsPerRelease - 1) {
                releasePagesWithin(pixels + at, kept - at);
                kept = at;
            }
        }
        layout = {width, height, format, bytesPerLine, QByteArray(), std::nullopt};
        if (const auto palette = MakePalette(*header, info, infoSize))
            layout.palette = colours(*palette);
        return block.sealed();
    }
    QImage image;
    {
        QImage target(block.data(), width, height, bytesPerLine, format);
        image = dibToImage(info, infoSize, pixels, pixelsSize, DibWidth::AsStored, &target);
    }
    if (image.isNull())
        return -1;
    if (image.constBits() != block.data()) {
        // Not the layout foreseen: the picture is copied in.
        image = QImage();
        return -1;
    }
    std::optional<QList<QRgb>> palette = MakePalette(*header, info, infoSize);
    layout = {image.width(),
              image.height(),
              image.format(),
              image.bytesPerLine(),
              colours(image.colorTable()),
              std::nullopt};
    if (palette)
        layout.palette = colours(*palette);
    image = QImage();  // the block's memory: gone before the block is sealed
    return block.sealed();
}

int shareFittedDib(const unsigned char* info, std::size_t infoSize, const unsigned char* pixels,
                   std::size_t pixelsSize, QSize screen, FitStyle style,
                   SharedPictureLayout& layout) {
    const auto header = readDibHeader(info, infoSize);
    if (!header)
        return -1;
    const QSize size(header->width, header->height < 0 ? -header->height : header->height);
    const QSize target = fittedRect(size, screen, style).size();
    if (target.isEmpty() || target == size ||
        static_cast<std::int64_t>(target.width()) * target.height() > kMaxPicturePixels)
        return shareDecodedDib(info, infoSize, pixels, pixelsSize, layout);
    return sharedRgb32(target, layout, [&](uchar* block, std::size_t bytesPerLine) {
        RowResampler resampler;
        if (!resampler.start(size.width(), size.height(), target.width(), target.height(), block,
                             bytesPerLine, nullptr))
            return false;
        const bool read = dibRowsAsRgb32(
            *header, info, infoSize, pixels, pixelsSize, QRect(QPoint(0, 0), size),
            [&](int y) { return reinterpret_cast<QRgb*>(resampler.rowFor(y)); },
            [&](int y) { resampler.publish(y); });
        if (!read) {
            resampler.release();
            return false;
        }
        resampler.finish();
        return true;
    });
}

int shareDrawnDib(const unsigned char* info, std::size_t infoSize, const unsigned char* pixels,
                  std::size_t pixelsSize, QSize largest, WallpaperStyle style,
                  SharedPictureLayout& layout) {
    const auto header = readDibHeader(info, infoSize);
    if (!header)
        return -1;
    const QSize size(header->width, header->height < 0 ? -header->height : header->height);
    const QRect part = drawnPart(size, largest, style);
    if (part.size() == size)
        return shareDecodedDib(info, infoSize, pixels, pixelsSize, layout);
    return sharedRgb32(part.size(), layout, [&](uchar* block, std::size_t bytesPerLine) {
        return dibRowsAsRgb32(
            *header, info, infoSize, pixels, pixelsSize, part,
            [&](int y) { return reinterpret_cast<QRgb*>(block + bytesPerLine * (y - part.top())); },
            [](int) {});
    });
}

QImage sharedPicture(const SharedPictureLayout& layout, int fd,
                     std::optional<QList<QRgb>>* palette) {
    const std::int64_t width = layout.width, height = layout.height;
    const std::int64_t bytesPerLine = layout.bytesPerLine;
    const auto format = static_cast<QImage::Format>(layout.format);
    const bool knownFormat = format == QImage::Format_Indexed8 || format == QImage::Format_RGB888 ||
                             format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
    if (!knownFormat || width <= 0 || height <= 0 || width * height > kMaxPicturePixels ||
        bytesPerLine < minimalBytesPerLine(static_cast<int>(width), format) ||
        bytesPerLine % 4 != 0 || bytesPerLine > (std::int64_t{1} << 32)) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    const std::optional<QList<QRgb>> table = colourList(layout.colours);
    std::optional<QList<QRgb>> asked;
    if (layout.palette)
        asked = colourList(*layout.palette);
    auto* block = new SharedBlock(SharedBlock::map(
        fd, static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(height), true));
    if (!block->isValid() || !table || (layout.palette && !asked)) {
        delete block;
        return {};
    }
    QImage image(block->data(), static_cast<int>(width), static_cast<int>(height), bytesPerLine,
                 format, freeBlock, block);
    if (format == QImage::Format_Indexed8) {
        // Every index finds a colour, whatever the table sent.
        QList<QRgb> full = *table;
        full.resize(256, qRgb(0, 0, 0));
        image.setColorTable(full);
    }
    *palette = asked;
    return image;
}

}  // namespace tesselvane
