#include "PackedDib.h"

#include "tesselvane_dib.h"
#include "tesselvane_spi.h"

#include <QtGlobal>

#include <cstdlib>
#include <cstring>

#include <malloc.h>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "the DIB's bytes are used as QImage pixels, which needs a little-endian machine");

namespace tesselvane::bpi {

// The header's width is the file's word; its row size must not wrap round for any of them.
static_assert(SPI_DIB_STRIDE(INT32_MAX, 32) == 8589934588u);

PackedDib PackedDib::inspect(void* block) {
    PackedDib dib;
    if (block == nullptr)
        return dib;
    // The header's sizes are the file's word; the allocator's is the truth.
    const uint64_t available = malloc_usable_size(block);
    SpiBitmapInfoHeader header;
    if (available < sizeof header)
        return dib;
    std::memcpy(&header, block, sizeof header);

    if (header.biSize < sizeof header || header.biWidth <= 0 || header.biHeight <= 0 ||
        header.biCompression != SPI_BI_RGB)
        return dib;
    if (header.biBitCount != 8 && header.biBitCount != 24 && header.biBitCount != 32)
        return dib;
    if (uint64_t(header.biWidth) * uint64_t(header.biHeight) > SPI_MAX_PIXELS)
        return dib;
    uint64_t colors = header.biClrUsed;
    if (header.biBitCount == 8) {
        if (colors == 0)
            colors = 256;
        if (colors > 256)
            return dib;
    }
    const uint64_t stride = SPI_DIB_STRIDE(header.biWidth, header.biBitCount);
    const uint64_t pixelsAt = uint64_t(header.biSize) + 4 * colors;
    const uint64_t end = pixelsAt + stride * uint64_t(header.biHeight);
    if (end > available)
        return dib;

    auto* bytes = static_cast<uint8_t*>(block);
    dib.block_ = block;
    dib.colors_ = bytes + header.biSize;
    dib.colorCount_ = uint32_t(colors);
    dib.pixels_ = bytes + pixelsAt;
    dib.stride_ = uint32_t(stride);
    dib.width_ = header.biWidth;
    dib.height_ = header.biHeight;
    dib.bits_ = header.biBitCount;
    return dib;
}

uint8_t* PackedDib::row(int y) const {
    Q_ASSERT(y >= 0 && y < height_);
    return pixels_ + size_t(stride_) * size_t(height_ - 1 - y);
}

QImage PackedDib::copyArea(const QRect& area) const {
    const int bytesPerPixel = bits_ / 8;
    if ((bits_ != 24 && bits_ != 32) || !QRect(0, 0, width_, height_).contains(area))
        return {};
    QImage image(area.size(), bits_ == 24 ? QImage::Format_BGR888 : QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(image.scanLine(y), row(area.y() + y) + size_t(area.x()) * bytesPerPixel,
                    size_t(area.width()) * bytesPerPixel);
    return image;
}

void PackedDib::pasteArea(const QImage& image, const QPoint& topLeft) const {
    const QImage::Format format = bits_ == 24 ? QImage::Format_BGR888 : QImage::Format_ARGB32;
    const QRect area(topLeft, image.size());
    if ((bits_ != 24 && bits_ != 32) || image.format() != format ||
        !QRect(0, 0, width_, height_).contains(area))
        return;
    const int bytesPerPixel = bits_ / 8;
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(row(area.y() + y) + size_t(area.x()) * bytesPerPixel, image.constScanLine(y),
                    size_t(area.width()) * bytesPerPixel);
}

void* expandTo24Bits(const PackedDib& dib) {
    if (!dib.valid() || dib.bits() != 8)
        return nullptr;
    const uint64_t stride = SPI_DIB_STRIDE(dib.width(), 24);
    const size_t size = sizeof(SpiBitmapInfoHeader) + stride * uint64_t(dib.height());
    void* block = std::calloc(1, size);
    if (block == nullptr)
        return nullptr;
    auto* header = static_cast<SpiBitmapInfoHeader*>(block);
    header->biSize = sizeof(SpiBitmapInfoHeader);
    header->biWidth = dib.width();
    header->biHeight = dib.height();
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = SPI_BI_RGB;
    header->biSizeImage = uint32_t(size - sizeof(SpiBitmapInfoHeader));

    auto* pixels = static_cast<uint8_t*>(block) + sizeof(SpiBitmapInfoHeader);
    // Both are bottom-up, so row i of one is row i of the other.
    for (int y = 0; y < dib.height(); ++y) {
        const uint8_t* from = dib.row(y);
        uint8_t* to = pixels + size_t(stride) * size_t(dib.height() - 1 - y);
        for (int x = 0; x < dib.width(); ++x) {
            const uint32_t index = from[x];
            if (index < dib.colorCount())
                std::memcpy(to + 3 * x, dib.colors() + 4 * index, 3);
        }
    }
    return block;
}

}  // namespace tesselvane::bpi
