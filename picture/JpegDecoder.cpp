#include "picture/JpegDecoder.h"

#include "picture/DibRows.h"
#include "picture/JpegErrorManager.h"
#include "picture/PictureError.h"
#include "picture/PictureLimits.h"
#include "picture/RowResampler.h"
#include "platform/HeapPolicy.h"
#include "platform/InterfaceLanguage.h"
#include "platform/RegularFile.h"
#include "tesselvane_exif.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace tesselvane {

using jpeg::ErrorManager;
using jpeg::installErrorManager;
using jpeg::progressMonitor;

namespace {

// libjpeg's own file source reads 4 KB at a time, and its Huffman decoder takes a slower path
// near the end of every buffer it is given: reading 256 KB at a time takes some 5 % off the
// decoding of a large picture.
constexpr std::size_t kReadBlock = 256 * 1024;

// Of an APP1 marker, what is kept for its EXIF orientation: every writer puts the first
// directory right after the TIFF header, well inside this.
constexpr unsigned kExifBytes = 4096;

struct FileSource {
    jpeg_source_mgr pub;
    int fd;
    JOCTET* buffer;  // kReadBlock bytes
    bool startOfFile;
};

void initSource(j_decompress_ptr cinfo) {
    reinterpret_cast<FileSource*>(cinfo->src)->startOfFile = true;
}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<FileSource*>(cinfo->src);
    ssize_t got = 0;
    do {
        got = ::read(source->fd, source->buffer, kReadBlock);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        if (source->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);  // an error here (see emitMessage)
        // What libjpeg's own source does where warnings are let pass: an end of picture.
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        got = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = static_cast<std::size_t>(got);
    source->startOfFile = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* source = cinfo->src;
    if (count <= 0)
        return;
    while (count > static_cast<long>(source->bytes_in_buffer)) {
        count -= static_cast<long>(source->bytes_in_buffer);
        (*source->fill_input_buffer)(cinfo);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void termSource(j_decompress_ptr) {}

void useFileSource(j_decompress_ptr cinfo, FileSource& source, int fd, JOCTET* buffer) {
    source.pub.init_source = initSource;
    source.pub.fill_input_buffer = fillInputBuffer;
    source.pub.skip_input_data = skipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = termSource;
    source.pub.bytes_in_buffer = 0;
    source.pub.next_input_byte = nullptr;
    source.fd = fd;
    source.buffer = buffer;
    source.startOfFile = true;
    cinfo->src = &source.pub;
}

// Everything a decode owns, kept outside the function that calls setjmp so that a jump
// back loses nothing: no object with a destructor lives in that function's frame.
struct DecodeJob {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    FileSource source{};
    JOCTET* readBuffer = nullptr;     // malloc'd, for `source`
    unsigned char* pixels = nullptr;  // malloc'd; handed over on success
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    std::size_t stride = 0;
    bool cmyk = false;
    bool rgb32 = false;
    bool adobeInverted = false;
    bool tooLarge = false;
    bool outOfMemory = false;
    int orientation = SPI_ORIENTATION_AS_STORED;  // turned upright once decoded
    JSAMPROW colormap[3] = {};
    int colours = 0;
    // Resampling to a given size while decoding, on a thread of its own so that libjpeg's
    // thread only decodes.
    int targetWidth = 0;
    int targetHeight = 0;
    RowResampler resampler;
    // The picture's DIB twin, written row by row by the resampler (see DibTwin.h).
    unsigned char* dib = nullptr;
};

// Reads every row, resampling to the target size on the way: the picture at its decoded size
// never exists whole, which saves memory and a pass over it.
int readResampled(DecodeJob* job) {
    const int tw = job->targetWidth, th = job->targetHeight;
    job->stride = static_cast<std::size_t>(tw) * 4;
    job->pixels =
        static_cast<unsigned char*>(mallocForPicture(job->stride * static_cast<std::size_t>(th)));
    if (!job->pixels) {
        job->outOfMemory = true;
        return 1;
    }
    // A picture stretched while it is decoded is on its way to the wallpaper, and so to the
    // extension plug-ins. Without the memory for it, they get a conversion later instead; so
    // does a picture still to be turned upright, whose rows are not yet the ones shown.
    if (job->orientation == SPI_ORIENTATION_AS_STORED)
        job->dib = newPackedDib24(tw, th);
    const auto w0 = static_cast<int>(job->width), h0 = static_cast<int>(job->height);
    if (!job->resampler.start(w0, h0, tw, th, job->pixels, job->stride, job->dib)) {
        job->outOfMemory = true;
        return 1;
    }
    for (std::int64_t s = 0; s < h0; ++s) {
        JSAMPROW row = job->resampler.rowFor(s);
        jpeg_read_scanlines(&job->cinfo, &row, 1);
        job->resampler.publish(s);
    }
    job->resampler.finish();
    job->width = static_cast<JDIMENSION>(tw);
    job->height = static_cast<JDIMENSION>(th);
    return 0;
}

// The EXIF orientation of a picture whose header libjpeg has read, APP1 markers kept.
int exifOrientation(j_decompress_ptr cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            return spi_exif_orientation(m->data, m->data_length);
        }
    }
    return SPI_ORIENTATION_AS_STORED;
}

// The decoded picture turned as its EXIF orientation says, in one pass into a new block.
// False when memory runs short.
bool turnUpright(DecodeJob& job) {
    if (job.orientation == SPI_ORIENTATION_AS_STORED)
        return true;
    const int bytes = job.cmyk || job.rgb32 ? 4 : job.colormap[0] ? 1 : 3;
    const bool swaps = spi_orientation_swaps_sides(job.orientation);
    const JDIMENSION width = swaps ? job.height : job.width;
    const JDIMENSION height = swaps ? job.width : job.height;
    const std::size_t stride = (static_cast<std::size_t>(width) * bytes + 3) & ~std::size_t{3};
    auto* turned = static_cast<unsigned char*>(mallocForPicture(stride * height));
    if (!turned) {
        job.outOfMemory = true;
        return false;
    }
    spi_orient_pixels(job.pixels, static_cast<std::ptrdiff_t>(job.stride),
                      static_cast<std::int32_t>(job.width), static_cast<std::int32_t>(job.height),
                      bytes, job.orientation, turned, static_cast<std::ptrdiff_t>(stride));
    std::free(std::exchange(job.pixels, turned));
    job.width = width;
    job.height = height;
    job.stride = stride;
    return true;
}

// Returns 0 on success; otherwise the job's message says what went wrong.
// Reads from `fd` when it is one (the picture never has to be in memory whole), else `data`.
int decode(DecodeJob* job, int fd, const unsigned char* data, unsigned long size, JpegOutput output,
           int askedWidth, int askedHeight) {
    j_decompress_ptr cinfo = &job->cinfo;
    installErrorManager(reinterpret_cast<j_common_ptr>(cinfo), job->err);
    if (setjmp(job->err.jump))
        return 1;

    jpeg_create_decompress(cinfo);
    job->progress.progress_monitor = progressMonitor;
    cinfo->progress = &job->progress;
    if (fd >= 0) {
        useFileSource(cinfo, job->source, fd, job->readBuffer);
    } else {
        jpeg_mem_src(cinfo, data, size);
    }
    jpeg_save_markers(cinfo, JPEG_APP0 + 14, 0xFFFF);  // Adobe marker: inverted CMYK
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, kExifBytes);
    jpeg_read_header(cinfo, TRUE);
    // Decoding at a reduced scale still goes through every block of the picture: the limit
    // holds for the picture as stored, not only for what comes out.
    if (static_cast<unsigned long long>(cinfo->image_width) * cinfo->image_height >
        kMaxPicturePixels) {
        job->width = cinfo->image_width;
        job->height = cinfo->image_height;
        job->tooLarge = true;
        return 1;
    }

    job->cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 14 && m->data_length >= 5 &&
            std::memcmp(m->data, "Adobe", 5) == 0) {
            job->adobeInverted = true;
        }
    }
    // The size asked for is that of the picture shown, which is turned after decoding.
    job->orientation = exifOrientation(cinfo);
    const bool turnsSides = spi_orientation_swaps_sides(job->orientation);
    const int minWidth = turnsSides ? askedHeight : askedWidth;
    const int minHeight = turnsSides ? askedWidth : askedHeight;
    if (job->cmyk) {
        cinfo->out_color_space =
            JCS_CMYK;  // libjpeg cannot quantise CMYK: the caller reduces later
    } else if (output == JpegOutput::Quantized236) {
        cinfo->out_color_space = JCS_RGB;
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 236;
        cinfo->two_pass_quantize = TRUE;
        cinfo->dither_mode = JDITHER_FS;
    } else if ((minWidth > 0 && minHeight > 0) || output == JpegOutput::Rgb32) {
        // A picture that is going to be scaled comes out as 32-bit pixels: scaling those is
        // several times faster, and they go to the screen as they are.
        cinfo->out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        job->rgb32 = true;
    } else {
        cinfo->out_color_space = JCS_EXT_RGB;
    }
    const bool resample = job->rgb32 && minWidth > 0 && minHeight > 0;

    if (minWidth > 0 && minHeight > 0) {
        // The picture will be scaled again anyway: the faster IDCT and plain upsampling make
        // no difference that survives that, and save a good part of the work.
        cinfo->dct_method = JDCT_IFAST;
        cinfo->do_fancy_upsampling = FALSE;
        unsigned num = 1;
        for (; num < 8; ++num) {
            cinfo->scale_num = num;
            cinfo->scale_denom = 8;
            jpeg_calc_output_dimensions(cinfo);
            if (cinfo->output_width >= static_cast<JDIMENSION>(minWidth) &&
                cinfo->output_height >= static_cast<JDIMENSION>(minHeight)) {
                break;
            }
        }
        // libjpeg-turbo has vector code for the inverse DCT at 1/4, 1/2 and full size only:
        // 3/8, 6/8 and 7/8 take longer than the next of those up, and the resampler on its
        // own thread takes the larger rows in its stride.
        constexpr unsigned kFasterScale[9] = {0, 1, 2, 4, 4, 5, 8, 8, 8};
        cinfo->scale_num = kFasterScale[num];
        cinfo->scale_denom = 8;
    }
    jpeg_calc_output_dimensions(cinfo);
    job->width = cinfo->output_width;
    job->height = cinfo->output_height;
    if (static_cast<unsigned long long>(job->width) * job->height > kMaxPicturePixels) {
        job->tooLarge = true;
        return 1;
    }
    // Whole-picture buffers of progressive files count against this too.
    cinfo->mem->max_memory_to_use = 3L * 1024 * 1024 * 1024;

    jpeg_start_decompress(cinfo);
    if (resample) {
        job->targetWidth = minWidth;
        job->targetHeight = minHeight;
        if (readResampled(job))
            return 1;
        jpeg_finish_decompress(cinfo);
        return 0;
    }
    const int components = cinfo->output_components;
    job->stride = (static_cast<std::size_t>(job->width) * components + 3) & ~std::size_t{3};
    job->pixels = static_cast<unsigned char*>(mallocForPicture(job->stride * job->height));
    if (!job->pixels) {
        job->outOfMemory = true;
        return 1;
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = job->pixels + job->stride * cinfo->output_scanline;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    if (cinfo->quantize_colors) {
        job->colours = cinfo->actual_number_of_colors;
        for (int c = 0; c < 3; ++c) {
            job->colormap[c] =
                static_cast<JSAMPROW>(std::malloc(static_cast<std::size_t>(job->colours)));
            if (!job->colormap[c]) {
                job->outOfMemory = true;
                return 1;
            }
            std::memcpy(job->colormap[c], cinfo->colormap[c],
                        static_cast<std::size_t>(job->colours));
        }
    }
    jpeg_finish_decompress(cinfo);
    return 0;
}

[[noreturn]] void raiseDecodeError(const DecodeJob& job, const QString& name) {
    if (job.tooLarge) {
        throw PictureError(interfaceText("JpegDecoder", "画像 %1 は大きすぎます (%2 × %3)")
                               .arg(name)
                               .arg(job.width)
                               .arg(job.height));
    }
    if (job.outOfMemory || job.err.pub.msg_code == JERR_OUT_OF_MEMORY) {
        throw PictureError(
            interfaceText("JpegDecoder", "画像 %1 を読み込むメモリが足りません").arg(name));
    }
    throw PictureError(interfaceText("JpegDecoder", "JPEG 画像 %1 は不正です (%2)")
                           .arg(name, QString::fromLocal8Bit(job.err.message)));
}

// The job's results handed over, or its error raised; the job owns nothing afterwards.
DecodedJpeg finishDecode(DecodeJob& job, int failed, const QString& name) {
    jpeg_destroy_decompress(&job.cinfo);
    job.resampler.release();  // before anything it writes into goes
    if (!failed && !turnUpright(job))
        failed = 1;
    if (failed) {
        std::free(job.dib);
        std::free(job.pixels);
        for (JSAMPROW map : job.colormap)
            std::free(map);
        raiseDecodeError(job, name);
    }
    DecodedJpeg decoded;
    decoded.pixels = std::exchange(job.pixels, nullptr);
    decoded.dib = std::exchange(job.dib, nullptr);
    decoded.width = static_cast<int>(job.width);
    decoded.height = static_cast<int>(job.height);
    decoded.stride = job.stride;
    decoded.adobeInverted = job.adobeInverted;
    if (job.cmyk) {
        decoded.layout = DecodedJpeg::Layout::Cmyk;
    } else if (job.colormap[0]) {
        decoded.layout = DecodedJpeg::Layout::Indexed8;
        decoded.palette.resize(static_cast<std::size_t>(job.colours));
        for (int i = 0; i < job.colours; ++i)
            decoded.palette[static_cast<std::size_t>(i)] =
                qRgb(job.colormap[0][i], job.colormap[1][i], job.colormap[2][i]);
    } else {
        decoded.layout = job.rgb32 ? DecodedJpeg::Layout::Rgb32 : DecodedJpeg::Layout::Rgb888;
    }
    for (JSAMPROW& map : job.colormap)
        std::free(std::exchange(map, nullptr));
    return decoded;
}

}  // namespace

DecodedJpeg::DecodedJpeg(DecodedJpeg&& other) noexcept
    : pixels(std::exchange(other.pixels, nullptr)),
      width(other.width),
      height(other.height),
      stride(other.stride),
      layout(other.layout),
      adobeInverted(other.adobeInverted),
      palette(std::move(other.palette)),
      dib(std::exchange(other.dib, nullptr)) {}

DecodedJpeg& DecodedJpeg::operator=(DecodedJpeg&& other) noexcept {
    if (this != &other) {
        std::free(pixels);
        std::free(dib);
        pixels = std::exchange(other.pixels, nullptr);
        dib = std::exchange(other.dib, nullptr);
        width = other.width;
        height = other.height;
        stride = other.stride;
        layout = other.layout;
        adobeInverted = other.adobeInverted;
        palette = std::move(other.palette);
    }
    return *this;
}

DecodedJpeg::~DecodedJpeg() {
    std::free(pixels);
    std::free(dib);
}

DecodedJpeg decodeJpegPixels(const unsigned char* data, std::size_t size, const QString& name,
                             JpegOutput output, QSize atLeast) {
    DecodeJob job;
    const int failed = decode(&job, -1, data, static_cast<unsigned long>(size), output,
                              atLeast.width(), atLeast.height());
    return finishDecode(job, failed, name);
}

DecodedJpeg decodeJpegFilePixels(const QString& path, JpegOutput output, QSize atLeast) {
    const int fd = openRegularFile(path);
    if (fd < 0)
        throw PictureError(interfaceText("JpegDecoder", "JPEG 画像 %1 を開けません").arg(path));
    DecodeJob job;
    job.readBuffer = static_cast<JOCTET*>(std::malloc(kReadBlock));
    const int failed = job.readBuffer
                           ? decode(&job, fd, nullptr, 0, output, atLeast.width(), atLeast.height())
                           : (job.outOfMemory = true, 1);
    ::close(fd);
    std::free(job.readBuffer);
    return finishDecode(job, failed, path);
}

QSize jpegFileSize(const QString& path) {
    const int fd = openRegularFile(path);
    if (fd < 0)
        return {};
    // Kept off this frame, which libjpeg's errors jump back into.
    struct HeaderJob {
        jpeg_decompress_struct cinfo{};
        ErrorManager err{};
        FileSource source{};
        std::vector<JOCTET> buffer = std::vector<JOCTET>(kReadBlock);
    };
    const auto job = std::make_unique<HeaderJob>();
    QSize size;
    j_decompress_ptr cinfo = &job->cinfo;
    installErrorManager(reinterpret_cast<j_common_ptr>(cinfo), job->err);
    if (!setjmp(job->err.jump)) {
        jpeg_create_decompress(cinfo);
        useFileSource(cinfo, job->source, fd, job->buffer.data());
        jpeg_save_markers(cinfo, JPEG_APP0 + 1, kExifBytes);
        jpeg_read_header(cinfo, TRUE);
        size = QSize(static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height));
        if (spi_orientation_swaps_sides(exifOrientation(cinfo)))
            size.transpose();
    }
    jpeg_destroy_decompress(cinfo);
    ::close(fd);
    return size;
}

QSize jpegFitTarget(const QString& path, QSize screen, FitStyle style) {
    if (style == FitStyle::Stretch || screen.isEmpty())
        return screen;
    return fittedRect(jpegFileSize(path), screen, style).size();
}

}  // namespace tesselvane
