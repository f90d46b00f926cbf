#pragma once

// What the shipped decoder plug-ins share: reading the picture into memory, the four exported
// functions, and the answers that are alike for every format. A plug-in describes its format
// with a Decoder and exports it with TESSELVANE_SPI_PLUGIN.

#include "tesselvane_spi.h"

#include <cstddef>
#include <cstdint>

namespace tesselvane::spi {

using ProgressCallback = int32_t (*)(int32_t num, int32_t denom, intptr_t data);

// The host's progress callback, which may be absent.
class Progress {
public:
    Progress(ProgressCallback callback, intptr_t data) : callback_(callback), data_(data) {}
    // Reports `done` of `total` and says whether the host wants the decoding to stop.
    bool stop(int64_t done, int64_t total) const;

private:
    ProgressCallback callback_;
    intptr_t data_;
};

// Pixels per metre; 0 when the file does not say.
struct Density {
    uint32_t x = 0;
    uint32_t y = 0;
};

// The two blocks of a decoded picture. Both are freed with the object unless handed over.
class Dib {
public:
    Dib() = default;
    ~Dib();
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    // SPI_SUCCESS, or SPI_NO_MEMORY with nothing allocated. Pixels and colours start zeroed.
    int32_t allocate(int32_t width, int32_t height, uint16_t bits, uint32_t colors = 0);

    SpiBitmapInfoHeader* header() const { return static_cast<SpiBitmapInfoHeader*>(info_); }
    uint8_t* colors() const;        // the colour table: blue, green, red, 0 per entry
    uint8_t* row(int32_t y) const;  // counted from the top
    uint8_t* pixels() const { return static_cast<uint8_t*>(pixels_); }
    uint32_t stride() const;  // bytes per row, padding included
    void setDensity(Density density);

    // Turns a 32-bit picture into a 24-bit one in place, dropping the fourth byte, for
    // decoders that only produce 32 bits; saves holding both pictures at once.
    void dropAlpha();

    // Gives both blocks to the host.
    void release(void** infoBlock, void** pixelBlock);

private:
    void* info_ = nullptr;
    void* pixels_ = nullptr;
};

// One picture format: what its plug-in says about itself and how it reads.
struct Decoder {
    const char* name;         // info number 1
    const char* patterns;     // info number 2
    const char* description;  // info number 3; at most 31 bytes, the host's buffer is 32
    size_t headSize;          // bytes that IsSupported reads for `matches`
    // Whether the first `size` bytes look like this format; `size` may be short of headSize.
    bool (*matches)(const uint8_t* head, size_t size);
    // Only called for data that `matches`; `info` starts zeroed.
    int32_t (*describe)(const uint8_t* data, size_t size, SpiPictureInfo& info);
    // Only called for data that `matches`; on failure the caller frees whatever `dib` holds.
    int32_t (*decode)(const uint8_t* data, size_t size, Dib& dib, const Progress& progress);
};

// Whether a picture of this size is one the plug-ins decode.
bool acceptableSize(uint64_t width, uint64_t height);

// Fills the info record the same way for every format.
void setPictureInfo(SpiPictureInfo& info, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                    Density density);

int32_t getPluginInfo(const Decoder& decoder, int32_t infono, char* buf, int32_t buflen) noexcept;
int32_t isSupported(const Decoder& decoder, intptr_t fd) noexcept;
int32_t getPictureInfo(const Decoder& decoder, const char* filename, intptr_t offset, uint32_t flag,
                       SpiPictureInfo* info) noexcept;
int32_t getPicture(const Decoder& decoder, const char* filename, intptr_t offset, uint32_t flag,
                   void** infoBlock, void** pixelBlock, ProgressCallback progress,
                   intptr_t data) noexcept;

}  // namespace tesselvane::spi

// Defines the four exported functions of a plug-in that reads with `decoder`.
#define TESSELVANE_SPI_PLUGIN(decoder)                                                        \
    extern "C" int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {             \
        return ::tesselvane::spi::getPluginInfo(decoder, infono, buf, buflen);                \
    }                                                                                         \
    extern "C" int32_t IsSupported(const char*, intptr_t fd) {                                \
        return ::tesselvane::spi::isSupported(decoder, fd);                                   \
    }                                                                                         \
    extern "C" int32_t GetPictureInfo(const char* filename, intptr_t offset, uint32_t flag,   \
                                      SpiPictureInfo* info) {                                 \
        return ::tesselvane::spi::getPictureInfo(decoder, filename, offset, flag, info);      \
    }                                                                                         \
    extern "C" int32_t GetPicture(                                                            \
        const char* filename, intptr_t offset, uint32_t flag, void** info_block,              \
        void** pixel_block, int32_t (*progress)(int32_t, int32_t, intptr_t), intptr_t data) { \
        return ::tesselvane::spi::getPicture(decoder, filename, offset, flag, info_block,     \
                                             pixel_block, progress, data);                    \
    }
