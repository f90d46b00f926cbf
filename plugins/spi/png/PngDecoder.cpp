// PNG pictures through libpng's simplified reader, which handles every colour type, bit depth
// and interlacing alike.

#include "DecoderPlugin.h"

#include <png.h>

#include <cstring>

namespace tesselvane::spi {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Where IHDR's fields sit: signature, chunk length and type come first, and libpng insists
// that IHDR is the first chunk.
constexpr size_t kBitDepthAt = 24;
constexpr size_t kColorTypeAt = 25;

bool matches(const uint8_t* head, size_t size) {
    return size >= sizeof kSignature && std::memcmp(head, kSignature, sizeof kSignature) == 0;
}

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The simplified reader does not report pHYs, so look for it among the chunks before the
// pixel data, where it must be.
Density findDensity(const uint8_t* data, size_t size) {
    size_t pos = sizeof kSignature;
    while (size - pos >= 12) {
        const uint32_t length = bigEndian32(data + pos);
        const uint8_t* type = data + pos + 4;
        if (length > size - pos - 12)
            break;
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0)
            break;
        const uint8_t* body = data + pos + 8;
        if (std::memcmp(type, "pHYs", 4) == 0 && length == 9) {
            if (body[8] != 1)
                break;  // only an aspect ratio, not a density
            return {bigEndian32(body), bigEndian32(body + 4)};
        }
        pos += 12 + size_t{length};
    }
    return {};
}

uint32_t channelsOf(uint8_t colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            return 1;  // grey, palette
    }
}

// Frees libpng's state however reading ends.
class PngImage {
public:
    PngImage() {
        std::memset(&image_, 0, sizeof image_);
        image_.version = PNG_IMAGE_VERSION;
    }
    ~PngImage() { png_image_free(&image_); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    bool begin(const uint8_t* data, size_t size) {
        if (png_image_begin_read_from_memory(&image_, data, size) == 0)
            return false;
        // Without gAMA or sRGB, libpng takes 16-bit samples for linear light and would brighten
        // them; every other reader treats them as sRGB like 8-bit ones, so do the same.
        image_.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
        return true;
    }
    png_image& get() { return image_; }

private:
    png_image image_;
};

int32_t describe(const uint8_t* data, size_t size, SpiPictureInfo& info) {
    PngImage png;
    if (!png.begin(data, size) || size <= kColorTypeAt)
        return SPI_BROKEN_DATA;
    const png_image& image = png.get();
    if (!acceptableSize(image.width, image.height))
        return SPI_NO_MEMORY;
    const uint32_t bits = uint32_t{data[kBitDepthAt]} * channelsOf(data[kColorTypeAt]);
    setPictureInfo(info, image.width, image.height, bits, findDensity(data, size));
    return SPI_SUCCESS;
}

int32_t decode(const uint8_t* data, size_t size, Dib& dib, const Progress&) {
    PngImage png;
    if (!png.begin(data, size))
        return SPI_BROKEN_DATA;
    png_image& image = png.get();
    if (!acceptableSize(image.width, image.height))
        return SPI_NO_MEMORY;
    // tRNS counts as alpha here too.
    const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    const int32_t allocated = dib.allocate(static_cast<int32_t>(image.width),
                                           static_cast<int32_t>(image.height), alpha ? 32 : 24);
    if (allocated != SPI_SUCCESS)
        return allocated;
    dib.setDensity(findDensity(data, size));
    // A negative stride makes libpng write the rows bottom-up, as the DIB keeps them.
    const png_int_32 stride = -static_cast<png_int_32>(dib.stride());
    if (png_image_finish_read(&image, nullptr, dib.pixels(), stride, nullptr) == 0) {
        return SPI_BROKEN_DATA;
    }
    return SPI_SUCCESS;
}

constexpr Decoder kPng{
    "Tesselvane PNG decoder (libpng)",
    "*.png",
    "PNG file",
    sizeof kSignature,
    matches,
    describe,
    decode,
};

}  // namespace
}  // namespace tesselvane::spi

TESSELVANE_SPI_PLUGIN(tesselvane::spi::kPng)
