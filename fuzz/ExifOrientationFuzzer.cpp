// The EXIF orientation reader shared by the JPEG reader and the plug-ins: any bytes give an
// orientation from 1 to 8, never an overread; the pixels of a small picture turned by it and
// back again come out as they went in, never written outside their block.

#include "tesselvane_exif.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The orientation that undoes `orientation`: the quarter turns undo each other, every other
// one undoes itself.
int inverse(int orientation) {
    return orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int orientation = spi_exif_orientation(data, size);
    if (orientation < 1 || orientation > 8)
        std::abort();

    // A picture of up to 70 x 70 pixels (past one tile), its size and pixel size from the data.
    const int32_t width = size > 0 ? 1 + data[0] % 70 : 1;
    const int32_t height = size > 1 ? 1 + data[1] % 70 : 1;
    const int bytes = size > 2 ? 1 + data[2] % 4 : 3;
    const std::size_t count = static_cast<std::size_t>(width) * height * bytes;
    std::vector<std::uint8_t> picture(count), turned(count), restored(count);
    for (std::size_t i = 0; i < count; ++i)
        picture[i] = static_cast<std::uint8_t>(i * 131 + (size > 0 ? data[i % size] : 0));
    const int32_t turnedWidth = spi_orientation_swaps_sides(orientation) ? height : width;
    const int32_t turnedHeight = spi_orientation_swaps_sides(orientation) ? width : height;
    spi_orient_pixels(picture.data(), ptrdiff_t{width} * bytes, width, height, bytes, orientation,
                      turned.data(), ptrdiff_t{turnedWidth} * bytes);
    spi_orient_pixels(turned.data(), ptrdiff_t{turnedWidth} * bytes, turnedWidth, turnedHeight,
                      bytes, inverse(orientation), restored.data(), ptrdiff_t{width} * bytes);
    if (restored != picture)
        std::abort();
    return 0;
}
