#include "picture/DibRows.h"

#include "picture/PictureLimits.h"

#include <QtEndian>

#include <bit>
#include <cstdlib>
#include <cstring>

namespace tesselvane {

std::uint64_t packedDib24Size(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0 || width * height > kMaxPicturePixels)
        return 0;
    return kDibHeaderSize +
           dibStride(static_cast<std::uint64_t>(width), 24) * static_cast<std::uint64_t>(height);
}

void writePackedDib24Header(unsigned char* block, std::int64_t width, std::int64_t height) {
    const std::uint64_t pixels = packedDib24Size(width, height) - kDibHeaderSize;
    std::memset(block, 0, kDibHeaderSize);
    qToLittleEndian<std::uint32_t>(kDibHeaderSize, block);
    qToLittleEndian<std::int32_t>(static_cast<std::int32_t>(width), block + 4);
    qToLittleEndian<std::int32_t>(static_cast<std::int32_t>(height), block + 8);
    qToLittleEndian<std::uint16_t>(1, block + 12);
    qToLittleEndian<std::uint16_t>(24, block + 14);
    qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(pixels), block + 20);
}

unsigned char* newPackedDib24(std::int64_t width, std::int64_t height) {
    const std::uint64_t size = packedDib24Size(width, height);
    auto* block = size > 0 ? static_cast<unsigned char*>(std::malloc(size)) : nullptr;
    if (block)
        writePackedDib24Header(block, width, height);
    return block;
}

void rgb32RowToDib24(const QRgb* in, unsigned char* out, std::int64_t width) {
    for (std::int64_t x = 0; x < width; ++x) {
        out[3 * x] = static_cast<unsigned char>(qBlue(in[x]));
        out[3 * x + 1] = static_cast<unsigned char>(qGreen(in[x]));
        out[3 * x + 2] = static_cast<unsigned char>(qRed(in[x]));
    }
}

void dib24RowToRgb32(const unsigned char* in, QRgb* out, std::int64_t width) {
    std::int64_t x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 4 <= width; x += 4) {
            std::uint32_t w[3];
            std::memcpy(w, in + 3 * x, sizeof w);
            out[x] = 0xFF000000u | w[0];
            out[x + 1] = 0xFF000000u | w[0] >> 24 | w[1] << 8;
            out[x + 2] = 0xFF000000u | w[1] >> 16 | w[2] << 16;
            out[x + 3] = 0xFF000000u | w[2] >> 8;
        }
    }
    for (; x < width; ++x)
        out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
}

}  // namespace tesselvane
