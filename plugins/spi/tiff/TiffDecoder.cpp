// TIFF pictures through libtiff's RGBA reader, which turns every photometric kind libtiff knows
// into 8-bit RGBA. Only the first page is read, turned upright as its Orientation tag says.

#include "DecoderPlugin.h"
#include "tesselvane_exif.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace tesselvane::spi {
namespace {

// libtiff allocates strip and tile buffers from sizes the file states.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;

bool matches(const uint8_t* head, size_t size) {
    if (size < 4)
        return false;
    // Classic TIFF (42) and BigTIFF (43), either byte order.
    return (head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
           (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43));
}

struct MemoryFile {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (count <= 0 || file->pos >= file->size)
        return 0;
    const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(count), file->size - file->pos);
    std::memcpy(buffer, file->data + file->pos, n);
    file->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    uint64_t base = 0;
    switch (whence) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = file->pos;
            break;
        case SEEK_END:
            base = file->size;
            break;
        default:
            return static_cast<toff_t>(-1);
    }
    // Offsets relative to the current position or the end may be negative, two's complement.
    const uint64_t target = base + offset;
    if (target > static_cast<uint64_t>(INT64_MAX))
        return static_cast<toff_t>(-1);
    file->pos = target;  // past the end is allowed; reading there gives nothing
    return target;
}

int closeProc(thandle_t) {
    return 0;
}

toff_t sizeProc(thandle_t handle) {
    return static_cast<MemoryFile*>(handle)->size;
}

// Mapping lets libtiff read strips in place instead of copying them.
int mapProc(thandle_t handle, void** base, toff_t* size) {
    auto* file = static_cast<MemoryFile*>(handle);
    *base = const_cast<uint8_t*>(file->data);
    *size = file->size;
    return 1;
}

void unmapProc(thandle_t, void*, toff_t) {}

// A plug-in must never print; this swallows what libtiff would tell stderr.
int quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

class TiffFile {
public:
    TiffFile(const uint8_t* data, size_t size) : file_{data, size, 0} {}
    ~TiffFile() {
        if (tiff_ != nullptr)
            TIFFClose(tiff_);
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    int32_t open();
    TIFF* get() const { return tiff_; }

private:
    MemoryFile file_;
    TIFF* tiff_ = nullptr;
};

int32_t TiffFile::open() {
    // Some messages are still sent to the process-wide handlers, without a file to tell.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr)
        return SPI_NO_MEMORY;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    tiff_ = TIFFClientOpenExt("picture", "r", &file_, readProc, writeProc, seekProc, closeProc,
                              sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return tiff_ != nullptr ? SPI_SUCCESS : SPI_BROKEN_DATA;
}

// Reads the size and checks that the RGBA reader handles this kind of TIFF.
int32_t checkPage(TIFF* tiff, uint32_t& width, uint32_t& height) {
    char message[1024];
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) != 1) {
        return SPI_BROKEN_DATA;
    }
    if (!acceptableSize(width, height))
        return SPI_NO_MEMORY;
    if (TIFFRGBAImageOK(tiff, message) == 0)
        return SPI_UNKNOWN_FORMAT;
    return SPI_SUCCESS;
}

uint32_t perMetre(float resolution, uint16_t unit) {
    double ppm = 0;
    if (unit == RESUNIT_INCH)
        ppm = resolution / 0.0254;
    if (unit == RESUNIT_CENTIMETER)
        ppm = resolution * 100.0;
    if (!std::isfinite(ppm) || ppm < 0 || ppm > UINT32_MAX)
        return 0;
    return static_cast<uint32_t>(std::lround(ppm));
}

Density densityOf(TIFF* tiff) {
    float x = 0;
    float y = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) != 1 ||
        TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y) != 1) {
        return {};
    }
    return {perMetre(x, unit), perMetre(y, unit)};
}

int32_t describe(const uint8_t* data, size_t size, SpiPictureInfo& info) {
    TiffFile file(data, size);
    if (const int32_t result = file.open(); result != SPI_SUCCESS)
        return result;
    uint32_t width = 0;
    uint32_t height = 0;
    if (const int32_t result = checkPage(file.get(), width, height); result != SPI_SUCCESS) {
        return result;
    }
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    TIFFGetFieldDefaulted(file.get(), TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(file.get(), TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(file.get(), TIFFTAG_ORIENTATION, &orientation);
    if (spi_orientation_swaps_sides(orientation))
        std::swap(width, height);
    setPictureInfo(info, width, height, uint32_t{bitsPerSample} * samplesPerPixel,
                   densityOf(file.get()));
    return SPI_SUCCESS;
}

class RgbaReader {
public:
    RgbaReader() { std::memset(&image_, 0, sizeof image_); }
    ~RgbaReader() {
        if (begun_)
            TIFFRGBAImageEnd(&image_);
    }
    RgbaReader(const RgbaReader&) = delete;
    RgbaReader& operator=(const RgbaReader&) = delete;

    bool begin(TIFF* tiff) {
        char message[1024];
        begun_ = TIFFRGBAImageBegin(&image_, tiff, 1, message) != 0;
        return begun_;
    }
    TIFFRGBAImage& get() { return image_; }

private:
    TIFFRGBAImage image_;
    bool begun_ = false;
};

// The RGBA reader hands out red first and colours multiplied by alpha, whatever the file
// holds; the DIB wants blue first and colours as they are.
void toDibOrder(uint8_t* pixels, uint64_t count, bool alpha) {
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        uint32_t abgr = 0;
        std::memcpy(&abgr, p, 4);
        uint32_t r = TIFFGetR(abgr);
        uint32_t g = TIFFGetG(abgr);
        uint32_t b = TIFFGetB(abgr);
        const uint32_t a = alpha ? TIFFGetA(abgr) : 255;
        if (a == 0) {
            r = g = b = 0;
        } else if (a < 255) {
            r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
        }
        p[0] = static_cast<uint8_t>(b);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(r);
        p[3] = static_cast<uint8_t>(a);
    }
}

// The usual photo: 8-bit RGB or grey, without alpha, in strips, stored upright. Read a row at
// a time straight into a 24-bit DIB: libtiff decodes each row from the compressed strip as it
// goes, where its RGBA reader first decodes a whole strip into a block of its own (for a picture
// in one strip, a second picture's worth) and then asks 32 bits a pixel.
bool readsByRows(TIFF* tiff, uint16_t orientation) {
    uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, compression = 0, extra = 0;
    uint16_t* extraKinds = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extra, &extraKinds);
    if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) != 1)
        return false;
    const bool rgb = photometric == PHOTOMETRIC_RGB && samples == 3;
    const bool grey =
        (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
        samples == 1;
    return (rgb || grey) && bits == 8 && extra == 0 && planar == PLANARCONFIG_CONTIG &&
           !TIFFIsTiled(tiff) && compression != COMPRESSION_JPEG &&
           compression != COMPRESSION_OJPEG && orientation == ORIENTATION_TOPLEFT;
}

int32_t decodeByRows(TIFF* tiff, uint32_t width, uint32_t height, Dib& dib) {
    const int32_t allocated =
        dib.allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), 24);
    if (allocated != SPI_SUCCESS)
        return allocated;
    uint16_t photometric = 0;
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    const tmsize_t lineSize = TIFFScanlineSize(tiff);
    const bool rgb = photometric == PHOTOMETRIC_RGB;
    if (lineSize < static_cast<tmsize_t>(width) * (rgb ? 3 : 1))
        return SPI_BROKEN_DATA;
    std::vector<uint8_t> line(static_cast<size_t>(lineSize));
    const bool inverted = photometric == PHOTOMETRIC_MINISWHITE;
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, line.data(), y, 0) < 0)
            return SPI_BROKEN_DATA;
        uint8_t* out = dib.row(static_cast<int32_t>(y));
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            if (rgb) {
                out[0] = line[3 * x + 2];
                out[1] = line[3 * x + 1];
                out[2] = line[3 * x];
            } else {
                out[0] = out[1] = out[2] = inverted ? static_cast<uint8_t>(255 - line[x]) : line[x];
            }
        }
    }
    return SPI_SUCCESS;
}

int32_t decode(const uint8_t* data, size_t size, Dib& dib, const Progress&) {
    TiffFile file(data, size);
    if (const int32_t result = file.open(); result != SPI_SUCCESS)
        return result;
    uint32_t width = 0;
    uint32_t height = 0;
    if (const int32_t result = checkPage(file.get(), width, height); result != SPI_SUCCESS) {
        return result;
    }
    uint16_t storedOrientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(file.get(), TIFFTAG_ORIENTATION, &storedOrientation);
    if (readsByRows(file.get(), storedOrientation)) {
        const int32_t result = decodeByRows(file.get(), width, height, dib);
        dib.setDensity(densityOf(file.get()));
        return result;
    }
    RgbaReader reader;
    if (!reader.begin(file.get()))
        return SPI_BROKEN_DATA;
    TIFFRGBAImage& image = reader.get();
    if (image.width != width || image.height != height)
        return SPI_BROKEN_DATA;
    const bool alpha = image.alpha != 0;
    const uint16_t orientation = image.orientation;  // libtiff refuses values out of range

    if (!spi_orientation_swaps_sides(orientation)) {
        // 32-bit rows are never padded, so the RGBA raster can be the DIB's own pixel block;
        // libtiff mirrors it as the orientation says on the way.
        const int32_t allocated =
            dib.allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), 32);
        if (allocated != SPI_SUCCESS)
            return allocated;
        image.req_orientation = ORIENTATION_BOTLEFT;
        if (TIFFRGBAImageGet(&image, reinterpret_cast<uint32_t*>(dib.pixels()), width, height) ==
            0) {
            return SPI_BROKEN_DATA;
        }
    } else {
        // libtiff only mirrors, never swaps rows for columns: the raster is read as stored,
        // top row first (asking for the orientation it has), then turned into the DIB.
        const int32_t allocated =
            dib.allocate(static_cast<int32_t>(height), static_cast<int32_t>(width), 32);
        if (allocated != SPI_SUCCESS)
            return allocated;
        const std::unique_ptr<uint32_t, decltype(&std::free)> stored(
            static_cast<uint32_t*>(std::malloc(size_t{4} * width * height)), std::free);
        if (!stored)
            return SPI_NO_MEMORY;
        image.req_orientation = orientation;
        if (TIFFRGBAImageGet(&image, stored.get(), width, height) == 0)
            return SPI_BROKEN_DATA;
        spi_orient_pixels(reinterpret_cast<const uint8_t*>(stored.get()),
                          static_cast<ptrdiff_t>(width) * 4, static_cast<int32_t>(width),
                          static_cast<int32_t>(height), 4, orientation, dib.row(0),
                          -static_cast<ptrdiff_t>(dib.stride()));
    }
    toDibOrder(dib.pixels(), uint64_t{width} * height, alpha);
    if (!alpha)
        dib.dropAlpha();
    dib.setDensity(densityOf(file.get()));
    return SPI_SUCCESS;
}

constexpr Decoder kTiff{
    "Tesselvane TIFF decoder (libtiff)", "*.tif;*.tiff", "TIFF file", 4, matches, describe, decode,
};

}  // namespace
}  // namespace tesselvane::spi

TESSELVANE_SPI_PLUGIN(tesselvane::spi::kTiff)
