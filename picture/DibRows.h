#pragma once

// Packed DIB blocks and rows, apart from QImage: the picture decoders that run before the GUI
// libraries are loaded use these too.

#include <QRgb>

#include <cstddef>
#include <cstdint>

namespace tesselvane {

constexpr std::size_t kDibHeaderSize = 40;

// Bytes per row of a bitmap `width` pixels wide at `bits` per pixel, rows padded to 4 bytes.
constexpr std::uint64_t dibStride(std::uint64_t width, std::uint64_t bits) {
    return (width * bits + 31) / 32 * 4;
}

// The bytes of a packed DIB of `width` x `height` 24-bit pixels; 0 when the size is not a
// picture's.
std::uint64_t packedDib24Size(std::int64_t width, std::int64_t height);
// Writes the header of that DIB at the start of `block`.
void writePackedDib24Header(unsigned char* block, std::int64_t width, std::int64_t height);
// A packed DIB of `width` x `height` 24-bit pixels with its header written and its pixel
// rows not. nullptr when memory is short or the size is not a picture's. Free with free().
unsigned char* newPackedDib24(std::int64_t width, std::int64_t height);

// A 24-bit DIB row's blue, green, red bytes as opaque 32-bit colours.
void dib24RowToRgb32(const unsigned char* in, QRgb* out, std::int64_t width);

// A row of 32-bit colours as the blue, green, red bytes of a 24-bit DIB row.
void rgb32RowToDib24(const QRgb* in, unsigned char* out, std::int64_t width);

}  // namespace tesselvane
