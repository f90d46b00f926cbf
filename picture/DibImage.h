#pragma once

#include "picture/DibRows.h"

#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tesselvane {

// The 40-byte bitmap information header of a device-independent bitmap (little-endian).
struct DibHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;  // > 0 bottom-up rows, < 0 top-down
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

// nullopt when the block is shorter than the header or the header's own size is not that of
// a bitmap information header.
std::optional<DibHeader> readDibHeader(const unsigned char* info, std::size_t infoSize);

// The palette a picture asks for: biClrUsed entries, or 2^biBitCount when biClrUsed is 0 and
// biBitCount is not 24; none when that is below 1 or above 256. Entries are taken from the
// colour table after the header; entries the block does not hold are black.
std::optional<QList<QRgb>> MakePalette(const DibHeader& header, const unsigned char* info,
                                       std::size_t infoSize);

// How 24-bit pixels come out: RGB888, or RGB32 for a picture that is worked on further in
// 32-bit pixels (the wallpaper), which saves a conversion.
enum class DibWidth { AsStored, Rgb32 };

// The picture of a header block and a pixel block, each given with the number of bytes it
// holds: 1, 4 and 8 bits become Indexed8 with a 256-entry colour table, 16 and 24 bits
// RGB888 (24 bits RGB32 when asked), 32 bits RGB32 (ARGB32 when the fourth bytes carry alpha). Only
// whole rows that the pixel block holds are read (the image size is the header's, or computed when
// it is 0); the rest stays black. A null image when the header is unusable: sizes negative, zero,
// over the pixel limit or overflowing, or a bit count or compression this does not read.
// When `reuse` is an unshared image of the same size and format, the pixels go into its
// memory (and it is left null): no new block to fault in.
QImage dibToImage(const unsigned char* info, std::size_t infoSize, const unsigned char* pixels,
                  std::size_t pixelsSize, DibWidth width24 = DibWidth::AsStored,
                  QImage* reuse = nullptr);

// Why the blocks a plug-in returned are no picture the host may take, or nullopt when they
// are one: a header that is missing or unusable (sizes zero, negative or over the pixel
// limit; a bit count or compression this does not read), or pixel rows the pixel block does
// not wholly hold.
std::optional<QString> dibProblem(const unsigned char* info, std::size_t infoSize,
                                  std::size_t pixelsSize);
// The same for a packed DIB of `size` bytes.
std::optional<QString> packedDibProblem(const void* block, std::size_t size);

// The bytes of a packed DIB that its header accounts for (header, colour table, rows), which
// may be far fewer than the block holds; nullopt when packedDibProblem finds one.
std::optional<std::size_t> packedDibSize(const void* block, std::size_t size);

// A packed DIB (header, colour table, pixel rows in one malloc'd block) of a picture, as the
// extension plug-ins take it: 24-bit bottom-up. nullptr when memory is short. Free with free().
void* imageToPackedDib(const QImage& image);
// The same written into `block`, which holds packedDib24Size(width, height) bytes. False when
// memory is short.
bool writeImageAsPackedDib(const QImage& image, unsigned char* block);

// The picture of a packed DIB whose block holds `size` bytes; a null image when it is not
// one dibToImage reads.
QImage packedDibToImage(const void* block, std::size_t size, DibWidth width24 = DibWidth::AsStored,
                        QImage* reuse = nullptr);

}  // namespace tesselvane
