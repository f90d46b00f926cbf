// GIF pictures through giflib: the first frame only, placed on the logical screen, kept as
// palette indices with the frame's own colours. The file is read record by record so that
// the frames after the first are never decoded.

#include "DecoderPlugin.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tesselvane::spi {
namespace {

bool matches(const uint8_t* head, size_t size) {
    return size >= 6 &&
           (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0);
}

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int readBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    if (count <= 0)
        return 0;
    const size_t n = std::min(static_cast<size_t>(count), reader->size - reader->pos);
    std::memcpy(out, reader->data + reader->pos, n);
    reader->pos += n;
    return static_cast<int>(n);
}

// A GIF read up to the pixel data of its first frame.
class FirstFrame {
public:
    FirstFrame(const uint8_t* data, size_t size) : reader_{data, size, 0} {}
    ~FirstFrame() {
        int error = 0;
        if (gif_ != nullptr)
            DGifCloseFile(gif_, &error);
    }
    FirstFrame(const FirstFrame&) = delete;
    FirstFrame& operator=(const FirstFrame&) = delete;

    int32_t open();
    GifFileType* gif() const { return gif_; }
    const GifImageDesc& frame() const { return gif_->Image; }
    const ColorMapObject* colorMap() const {
        return gif_->Image.ColorMap != nullptr ? gif_->Image.ColorMap : gif_->SColorMap;
    }
    // The logical screen; some writers leave it 0, and then the frame is all there is.
    uint32_t width() const {
        return gif_->SWidth > 0 ? static_cast<uint32_t>(gif_->SWidth)
                                : static_cast<uint32_t>(frame().Left + frame().Width);
    }
    uint32_t height() const {
        return gif_->SHeight > 0 ? static_cast<uint32_t>(gif_->SHeight)
                                 : static_cast<uint32_t>(frame().Top + frame().Height);
    }

private:
    MemoryReader reader_;
    GifFileType* gif_ = nullptr;
};

int32_t FirstFrame::open() {
    int error = 0;
    gif_ = DGifOpen(&reader_, readBytes, &error);
    if (gif_ == nullptr)
        return error == D_GIF_ERR_NOT_ENOUGH_MEM ? SPI_NO_MEMORY : SPI_BROKEN_DATA;
    // Every record consumes input, so this ends at the latest where the data does.
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif_, &type) == GIF_ERROR)
            return SPI_BROKEN_DATA;
        if (type == IMAGE_DESC_RECORD_TYPE) {
            return DGifGetImageDesc(gif_) == GIF_ERROR ? SPI_BROKEN_DATA : SPI_SUCCESS;
        }
        if (type != EXTENSION_RECORD_TYPE)
            return SPI_BROKEN_DATA;  // ends without a frame
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR)
            return SPI_BROKEN_DATA;
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR)
                return SPI_BROKEN_DATA;
        }
    }
}

int32_t describe(const uint8_t* data, size_t size, SpiPictureInfo& info) {
    FirstFrame first(data, size);
    if (const int32_t result = first.open(); result != SPI_SUCCESS)
        return result;
    if (!acceptableSize(first.width(), first.height()))
        return SPI_NO_MEMORY;
    const ColorMapObject* map = first.colorMap();
    const uint32_t bits = map != nullptr ? static_cast<uint32_t>(map->BitsPerPixel) : 8;
    setPictureInfo(info, first.width(), first.height(), bits, {});
    return SPI_SUCCESS;
}

// Decodes the frame's rows in the order the file holds them and places the visible part.
int32_t placeFrame(const FirstFrame& first, Dib& dib, const Progress& progress) {
    const GifImageDesc& frame = first.frame();
    const uint32_t canvasWidth = first.width();
    const uint32_t canvasHeight = first.height();
    const uint32_t colorCount = dib.header()->biClrUsed;
    if (frame.Width <= 0 || frame.Height <= 0)
        return SPI_SUCCESS;
    // Larger than any screen the plug-in accepts; decoding it would only take time.
    if (!acceptableSize(static_cast<uint32_t>(frame.Width), static_cast<uint32_t>(frame.Height))) {
        return SPI_BROKEN_DATA;
    }
    const uint32_t left = static_cast<uint32_t>(frame.Left);
    const uint32_t top = static_cast<uint32_t>(frame.Top);
    const uint32_t visibleWidth =
        left < canvasWidth ? std::min<uint32_t>(frame.Width, canvasWidth - left) : 0;

    std::unique_ptr<GifPixelType, decltype(&std::free)> line(
        static_cast<GifPixelType*>(std::malloc(static_cast<size_t>(frame.Width))), &std::free);
    if (line == nullptr)
        return SPI_NO_MEMORY;

    // Interlaced frames come in four passes: every 8th row from 0, every 8th from 4, every
    // 4th from 2, every 2nd from 1.
    static constexpr int kFirstRow[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    int64_t done = 0;
    for (int pass = 0; pass < passes; ++pass) {
        const int firstRow = frame.Interlace ? kFirstRow[pass] : 0;
        const int step = frame.Interlace ? kStep[pass] : 1;
        for (int row = firstRow; row < frame.Height; row += step) {
            const uint64_t y = uint64_t{top} + static_cast<uint64_t>(row);
            // Rows come in order without interlacing: once below the screen, none is visible.
            if (!frame.Interlace && y >= canvasHeight)
                return SPI_SUCCESS;
            if (DGifGetLine(first.gif(), line.get(), frame.Width) == GIF_ERROR) {
                return SPI_BROKEN_DATA;
            }
            if (y < canvasHeight) {
                uint8_t* out = dib.row(static_cast<int32_t>(y)) + left;
                const GifPixelType* in = line.get();
                // An index past the colour table would make the host read beyond it.
                for (uint32_t x = 0; x < visibleWidth; ++x)
                    out[x] = in[x] < colorCount ? in[x] : 0;
            }
            if ((++done & 63) == 0 && progress.stop(done, frame.Height))
                return SPI_ABORTED;
        }
    }
    return SPI_SUCCESS;
}

int32_t decode(const uint8_t* data, size_t size, Dib& dib, const Progress& progress) {
    FirstFrame first(data, size);
    if (const int32_t result = first.open(); result != SPI_SUCCESS)
        return result;
    const ColorMapObject* map = first.colorMap();
    if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0 || map->ColorCount > 256) {
        return SPI_BROKEN_DATA;
    }
    const uint32_t width = first.width();
    const uint32_t height = first.height();
    if (!acceptableSize(width, height))
        return SPI_NO_MEMORY;
    const uint32_t colorCount = static_cast<uint32_t>(map->ColorCount);
    const int32_t allocated =
        dib.allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), 8, colorCount);
    if (allocated != SPI_SUCCESS)
        return allocated;

    uint8_t* colors = dib.colors();
    for (uint32_t i = 0; i < colorCount; ++i) {
        colors[4 * i] = map->Colors[i].Blue;
        colors[4 * i + 1] = map->Colors[i].Green;
        colors[4 * i + 2] = map->Colors[i].Red;
        colors[4 * i + 3] = 0;
    }
    // The background index belongs to the global table, but the DIB has one table only: with
    // a local table the index is taken from that.
    const int background = first.gif()->SBackGroundColor;
    const uint8_t fill =
        background >= 0 && static_cast<uint32_t>(background) < colorCount ? background : 0;
    if (fill != 0) {  // the DIB starts zeroed
        for (uint32_t y = 0; y < height; ++y) {
            std::memset(dib.row(static_cast<int32_t>(y)), fill, width);
        }
    }
    return placeFrame(first, dib, progress);
}

constexpr Decoder kGif{
    "Tesselvane GIF decoder (giflib)", "*.gif", "GIF file", 6, matches, describe, decode,
};

}  // namespace
}  // namespace tesselvane::spi

TESSELVANE_SPI_PLUGIN(tesselvane::spi::kGif)
