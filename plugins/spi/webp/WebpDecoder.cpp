// WebP pictures through libwebp, lossy and lossless, decoded straight into the DIB. Animated
// files are left to others: the simple decoder cannot read them.

#include "DecoderPlugin.h"

#include <webp/decode.h>

#include <cstring>

namespace tesselvane::spi {
namespace {

// "RIFF", the RIFF size, "WEBP", then the first chunk: VP8 (lossy), VP8L (lossless) or VP8X
// (extended), whose flags byte follows its own size.
constexpr size_t kChunkAt = 12;
constexpr size_t kExtendedFlagsAt = 20;
constexpr uint8_t kAnimationFlag = 0x02;

bool matches(const uint8_t* head, size_t size) {
    if (size < 16 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WEBP", 4) != 0) {
        return false;
    }
    const uint8_t* chunk = head + kChunkAt;
    if (std::memcmp(chunk, "VP8 ", 4) == 0 || std::memcmp(chunk, "VP8L", 4) == 0)
        return true;
    if (std::memcmp(chunk, "VP8X", 4) != 0)
        return false;
    return size <= kExtendedFlagsAt || (head[kExtendedFlagsAt] & kAnimationFlag) == 0;
}

int32_t readFeatures(const uint8_t* data, size_t size, WebPBitstreamFeatures& features) {
    switch (WebPGetFeatures(data, size, &features)) {
        case VP8_STATUS_OK:
            break;
        case VP8_STATUS_OUT_OF_MEMORY:
            return SPI_NO_MEMORY;
        default:
            return SPI_BROKEN_DATA;
    }
    if (features.has_animation)
        return SPI_UNKNOWN_FORMAT;
    if (!acceptableSize(static_cast<uint32_t>(features.width),
                        static_cast<uint32_t>(features.height))) {
        return SPI_NO_MEMORY;
    }
    return SPI_SUCCESS;
}

int32_t describe(const uint8_t* data, size_t size, SpiPictureInfo& info) {
    WebPBitstreamFeatures features;
    if (const int32_t result = readFeatures(data, size, features); result != SPI_SUCCESS) {
        return result;
    }
    setPictureInfo(info, static_cast<uint32_t>(features.width),
                   static_cast<uint32_t>(features.height), features.has_alpha ? 32 : 24, {});
    return SPI_SUCCESS;
}

int32_t decode(const uint8_t* data, size_t size, Dib& dib, const Progress&) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return SPI_INTERNAL_ERROR;
    if (const int32_t result = readFeatures(data, size, config.input); result != SPI_SUCCESS) {
        return result;
    }
    const bool alpha = config.input.has_alpha != 0;
    const int32_t allocated =
        dib.allocate(config.input.width, config.input.height, alpha ? 32 : 24);
    if (allocated != SPI_SUCCESS)
        return allocated;

    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;  // not premultiplied
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = dib.pixels();
    config.output.u.RGBA.stride = static_cast<int>(dib.stride());
    config.output.u.RGBA.size = size_t{dib.stride()} * static_cast<size_t>(config.input.height);
    config.options.flip = 1;  // the DIB is bottom-up
    switch (WebPDecode(data, size, &config)) {
        case VP8_STATUS_OK:
            return SPI_SUCCESS;
        case VP8_STATUS_OUT_OF_MEMORY:
            return SPI_NO_MEMORY;
        default:
            return SPI_BROKEN_DATA;
    }
}

constexpr Decoder kWebp{
    "Tesselvane WebP decoder (libwebp)",
    "*.webp",
    "WebP file",
    kExtendedFlagsAt + 1,
    matches,
    describe,
    decode,
};

}  // namespace
}  // namespace tesselvane::spi

TESSELVANE_SPI_PLUGIN(tesselvane::spi::kWebp)
