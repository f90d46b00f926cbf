// WebP pictures through libwebp, lossy and lossless, decoded straight into the DIB and turned
// upright as their EXIF chunk says. Animated files are left to others: the simple decoder
// cannot read them.

#include "DecoderPlugin.h"
#include "tesselvane_exif.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

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

// The orientation the file's EXIF chunk names; only extended files have one.
int orientationOf(const uint8_t* data, size_t size) {
    const WebPData whole{data, size};
    WebPDemuxer* demuxer = WebPDemux(&whole);
    if (demuxer == nullptr)
        return SPI_ORIENTATION_AS_STORED;
    int orientation = SPI_ORIENTATION_AS_STORED;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demuxer, "EXIF", 1, &chunk)) {
        orientation = spi_exif_orientation(chunk.chunk.bytes, chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demuxer);
    return orientation;
}

int32_t describe(const uint8_t* data, size_t size, SpiPictureInfo& info) {
    WebPBitstreamFeatures features;
    if (const int32_t result = readFeatures(data, size, features); result != SPI_SUCCESS) {
        return result;
    }
    auto width = static_cast<uint32_t>(features.width);
    auto height = static_cast<uint32_t>(features.height);
    if (spi_orientation_swaps_sides(orientationOf(data, size)))
        std::swap(width, height);
    setPictureInfo(info, width, height, features.has_alpha ? 32 : 24, {});
    return SPI_SUCCESS;
}

int32_t decodeResult(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OK:
            return SPI_SUCCESS;
        case VP8_STATUS_OUT_OF_MEMORY:
            return SPI_NO_MEMORY;
        default:
            return SPI_BROKEN_DATA;
    }
}

int32_t decode(const uint8_t* data, size_t size, Dib& dib, const Progress&) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return SPI_INTERNAL_ERROR;
    if (const int32_t result = readFeatures(data, size, config.input); result != SPI_SUCCESS) {
        return result;
    }
    const bool alpha = config.input.has_alpha != 0;
    const int32_t width = config.input.width;
    const int32_t height = config.input.height;
    const int orientation = orientationOf(data, size);
    const bool swaps = spi_orientation_swaps_sides(orientation);
    const int32_t allocated =
        dib.allocate(swaps ? height : width, swaps ? width : height, alpha ? 32 : 24);
    if (allocated != SPI_SUCCESS)
        return allocated;

    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;  // not premultiplied
    config.output.is_external_memory = 1;
    if (orientation == SPI_ORIENTATION_AS_STORED) {
        config.output.u.RGBA.rgba = dib.pixels();
        config.output.u.RGBA.stride = static_cast<int>(dib.stride());
        config.output.u.RGBA.size = size_t{dib.stride()} * static_cast<size_t>(height);
        config.options.flip = 1;  // the DIB is bottom-up
        return decodeResult(WebPDecode(data, size, &config));
    }
    // libwebp cannot turn a picture: it is decoded as stored, then turned into the DIB.
    const int bytes = alpha ? 4 : 3;
    const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(bytes);
    const std::unique_ptr<uint8_t, decltype(&std::free)> stored(
        static_cast<uint8_t*>(std::malloc(stride * static_cast<size_t>(height))), std::free);
    if (!stored)
        return SPI_NO_MEMORY;
    config.output.u.RGBA.rgba = stored.get();
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = stride * static_cast<size_t>(height);
    if (const int32_t result = decodeResult(WebPDecode(data, size, &config));
        result != SPI_SUCCESS) {
        return result;
    }
    spi_orient_pixels(stored.get(), static_cast<ptrdiff_t>(stride), width, height, bytes,
                      orientation, dib.row(0), -static_cast<ptrdiff_t>(dib.stride()));
    return SPI_SUCCESS;
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
