#include "picture/JpegDecoder.h"

#include "picture/DibRows.h"
#include "picture/JpegErrorManager.h"
#include "picture/PictureError.h"
#include "picture/PictureLimits.h"
#include "tesselvane_exif.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
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
    // Resampling to a given size while decoding (all malloc'd, freed whatever happens).
    int targetWidth = 0;
    int targetHeight = 0;
    unsigned char* ring = nullptr;     // decoded rows waiting for the resampler
    unsigned char* resampled[3] = {};  // the last, a row on its way to rowSums
    std::int32_t* xIndex = nullptr;
    std::uint16_t* xWeight = nullptr;
    // Shrinking by two or more, whole blocks of kx by ky pixels are first averaged, so that
    // every source pixel counts; mixing two neighbours alone would skip most of them.
    std::int64_t kx = 1, ky = 1;
    std::uint32_t* boxRow = nullptr;   // a row averaged across, before the mix
    std::uint32_t* rowSums = nullptr;  // four channels per output column, over ky rows
    // The picture's DIB twin, written row by row by the resampler (see DibTwin.h).
    unsigned char* dib = nullptr;
    std::size_t dibStride = 0;
    // The resampler runs on a thread of its own, so that libjpeg's thread only decodes.
    // A side that has to wait sleeps until the other is a batch of rows ahead, not one: a
    // wake-up per row would cost more than the row.
    struct Pipe {
        std::mutex mutex;
        std::condition_variable rowsReady, roomFree;
        std::int64_t produced = 0;        // rows the decoder has put in the ring
        std::int64_t consumed = 0;        // rows the resampler is done with
        std::int64_t resamplerWants = 0;  // while it waits: `produced` it waits for
        std::int64_t decoderWants = 0;    // while it waits: `consumed` it waits for
        bool stop = false;
        std::thread resampler;
    } pipe;
};

// Every wake-up is a system call for libjpeg's thread, and on a virtual machine an interrupt
// to the other core: batches of 32 rows take some 4 % off the decode that batches of 8 add.
// The ring stays well inside the core's cache.
constexpr std::int64_t kRingRows = 64;
constexpr std::int64_t kBatchRows = 32;

// Where output position `i` of `to` falls on an axis of `from` pixels, in 1/65536 pixel, with
// pixel centres matched and the ends held.
std::int64_t sourcePosition(std::int64_t i, std::int64_t from, std::int64_t to) {
    const std::int64_t position = ((2 * i + 1) * from - to) * 65536 / (2 * to);
    return std::clamp<std::int64_t>(position, 0, (from - 1) * 65536);
}

// a and b mixed by w/256, two 8-bit channels at a time in each half of a 32-bit word.
inline std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
    const std::uint32_t v = 256 - w;
    const std::uint32_t rb = (((a & 0x00FF00FFu) * v + (b & 0x00FF00FFu) * w) >> 8) & 0x00FF00FFu;
    const std::uint32_t ga =
        ((((a >> 8) & 0x00FF00FFu) * v + ((b >> 8) & 0x00FF00FFu) * w)) & 0xFF00FF00u;
    return rb | ga;
}

// Each run of kx pixels averaged into one.
void averageAcross(const DecodeJob* job, const std::uint32_t* in, std::uint32_t* out) {
    const std::int64_t kx = job->kx, width = job->width / kx;
    const std::uint64_t reciprocal = (std::uint64_t{1} << 32) / static_cast<std::uint64_t>(kx);
    for (std::int64_t x = 0; x < width; ++x) {
        std::uint32_t rb = 0, ga = 0;  // 0x00FF00FF halves: room for 256 pixels each
        std::uint32_t sum[4] = {};
        for (std::int64_t i = 0; i < kx; ++i) {
            const std::uint32_t p = in[x * kx + i];
            rb += p & 0x00FF00FFu;
            ga += (p >> 8) & 0x00FF00FFu;
            if ((i & 0xFF) == 0xFF) {
                sum[0] += rb & 0xFFFF, sum[1] += rb >> 16, sum[2] += ga & 0xFFFF,
                    sum[3] += ga >> 16;
                rb = ga = 0;
            }
        }
        sum[0] += rb & 0xFFFF, sum[1] += rb >> 16, sum[2] += ga & 0xFFFF, sum[3] += ga >> 16;
        const auto mean = [&](std::uint32_t v) {
            return std::min<std::uint32_t>(
                255, static_cast<std::uint32_t>((v * reciprocal + (std::uint64_t{1} << 31)) >> 32));
        };
        out[x] = mean(sum[0]) | mean(sum[1]) << 16 | mean(sum[2]) << 8 | mean(sum[3]) << 24;
    }
}

// One decoded row of 4-byte pixels, resampled to the target width.
void resampleRow(const DecodeJob* job, const unsigned char* source, unsigned char* row) {
    const auto* in = reinterpret_cast<const std::uint32_t*>(source);
    auto* out = reinterpret_cast<std::uint32_t*>(row);
    if (job->kx > 1) {
        averageAcross(job, in, job->boxRow);
        in = job->boxRow;
    }
    const std::int32_t last = static_cast<std::int32_t>(job->width / job->kx) - 1;
    for (int x = 0; x < job->targetWidth; ++x) {
        const std::int32_t i = job->xIndex[x];
        out[x] = mix(in[i], in[std::min(i + 1, last)], job->xWeight[x]);
    }
}

// Two resampled rows mixed by w/256 into an output row.
void mixRows(const unsigned char* a, const unsigned char* b, unsigned w, unsigned char* out,
             int width) {
    const auto* pa = reinterpret_cast<const std::uint32_t*>(a);
    const auto* pb = reinterpret_cast<const std::uint32_t*>(b);
    auto* po = reinterpret_cast<std::uint32_t*>(out);
    if (w == 0) {
        std::memcpy(po, pa, static_cast<std::size_t>(width) * 4);
        return;
    }
    for (int x = 0; x < width; ++x)
        po[x] = mix(pa[x], pb[x], w);
}

// Adds a row to the sums of its block of ky rows; with the block's last row, writes the
// block's mean into `out` and starts again. True when it did.
bool averageDown(DecodeJob* job, const unsigned char* row, std::int64_t s, unsigned char* out) {
    const int tw = job->targetWidth;
    const auto* in = reinterpret_cast<const std::uint32_t*>(row);
    std::uint32_t* sums = job->rowSums;
    for (int x = 0; x < tw; ++x) {
        const std::uint32_t p = in[x];
        sums[4 * x] += p & 0xFF, sums[4 * x + 1] += (p >> 8) & 0xFF,
            sums[4 * x + 2] += (p >> 16) & 0xFF, sums[4 * x + 3] += p >> 24;
    }
    if ((s + 1) % job->ky != 0)
        return false;
    const std::uint64_t reciprocal = (std::uint64_t{1} << 32) / static_cast<std::uint64_t>(job->ky);
    auto* po = reinterpret_cast<std::uint32_t*>(out);
    for (int x = 0; x < tw; ++x) {
        std::uint32_t p = 0;
        for (int c = 0; c < 4; ++c) {
            const auto mean = static_cast<std::uint32_t>(
                (sums[4 * x + c] * reciprocal + (std::uint64_t{1} << 31)) >> 32);
            p |= std::min<std::uint32_t>(255, mean) << (8 * c);
            sums[4 * x + c] = 0;
        }
        po[x] = p;
    }
    return true;
}

// Output row `y` into the DIB twin, which holds its rows bottom-up.
void writeDibRow(DecodeJob* job, int y, const unsigned char* row) {
    const auto tw = static_cast<std::size_t>(job->targetWidth);
    unsigned char* dst = job->dib + kDibHeaderSize +
                         job->dibStride * static_cast<std::size_t>(job->targetHeight - 1 - y);
    rgb32RowToDib24(reinterpret_cast<const QRgb*>(row), dst, static_cast<std::int64_t>(tw));
    std::memset(dst + 3 * tw, 0, job->dibStride - 3 * tw);
}

// Moves one side's count of rows on, and wakes the other side when it waits for no more.
void advance(std::mutex& mutex, std::int64_t& count, std::int64_t to, const std::int64_t& wanted,
             std::condition_variable& waiting) {
    bool wake = false;
    {
        std::lock_guard lock(mutex);
        count = to;
        wake = wanted > 0 && count >= wanted;
    }
    if (wake)
        waiting.notify_one();
}

// The resampler's side: takes each decoded row from the ring, resamples it to the target
// width, and writes every output row whose two source rows it now has.
void resampleRows(DecodeJob* job) {
    const int tw = job->targetWidth, th = job->targetHeight;
    const std::int64_t w0 = job->width, h0 = job->height;
    const std::int64_t ky = job->ky, h1 = h0 / ky;  // rows after averaging down
    auto& pipe = job->pipe;
    int y = 0;
    for (std::int64_t s = 0; s < h0; ++s) {
        {
            std::unique_lock lock(pipe.mutex);
            if (pipe.produced <= s) {
                pipe.resamplerWants = std::min(s + kBatchRows, h0);
                pipe.rowsReady.wait(
                    lock, [&] { return pipe.produced >= pipe.resamplerWants || pipe.stop; });
                pipe.resamplerWants = 0;
                if (pipe.produced <= s)
                    return;  // stopped: the decoder failed
            }
        }
        const std::int64_t r = s / ky;  // the row it falls in after averaging down
        bool rowReady = false;
        if (r < h1) {
            unsigned char* out = job->resampled[r & 1];
            resampleRow(job,
                        job->ring + static_cast<std::size_t>(s % kRingRows) *
                                        static_cast<std::size_t>(w0) * 4,
                        ky > 1 ? job->resampled[2] : out);
            rowReady = ky == 1 || averageDown(job, job->resampled[2], s, out);
        }
        advance(pipe.mutex, pipe.consumed, s + 1, pipe.decoderWants, pipe.roomFree);
        if (!rowReady)
            continue;
        for (; y < th; ++y) {
            const std::int64_t position = sourcePosition(y, h1, th);
            const std::int64_t r0 = position >> 16, r1 = std::min(r0 + 1, h1 - 1);
            if (r1 > r)
                break;
            unsigned char* out = job->pixels + job->stride * static_cast<std::size_t>(y);
            mixRows(job->resampled[r0 & 1], job->resampled[r1 & 1],
                    static_cast<unsigned>((position >> 8) & 0xFF), out, tw);
            if (job->dib)
                writeDibRow(job, y, out);
        }
    }
}

// The decoder's side of the ring; each returns before libjpeg is called again, so no lock is
// held when libjpeg jumps out on an error.
unsigned char* freeRingRow(DecodeJob* job, std::int64_t s) {
    auto& pipe = job->pipe;
    std::unique_lock lock(pipe.mutex);
    if (s - pipe.consumed >= kRingRows) {
        pipe.decoderWants = s - kRingRows + kBatchRows;
        pipe.roomFree.wait(lock, [&] { return pipe.consumed >= pipe.decoderWants; });
        pipe.decoderWants = 0;
    }
    return job->ring +
           static_cast<std::size_t>(s % kRingRows) * static_cast<std::size_t>(job->width) * 4;
}

void publishRow(DecodeJob* job, std::int64_t s) {
    auto& pipe = job->pipe;
    advance(pipe.mutex, pipe.produced, s + 1, pipe.resamplerWants, pipe.rowsReady);
}

void stopResampler(DecodeJob& job) {
    if (!job.pipe.resampler.joinable())
        return;
    {
        std::lock_guard lock(job.pipe.mutex);
        job.pipe.stop = true;
    }
    job.pipe.rowsReady.notify_all();
    job.pipe.resampler.join();
}

void startResampler(DecodeJob* job) {
    job->pipe.resampler = std::thread(resampleRows, job);
}

// Reads every row, resampling to the target size on the way: the picture at its decoded size
// never exists whole, which saves memory and a pass over it.
int readResampled(DecodeJob* job) {
    j_decompress_ptr cinfo = &job->cinfo;
    const int tw = job->targetWidth, th = job->targetHeight;
    const std::int64_t w0 = job->width, h0 = job->height;
    job->stride = static_cast<std::size_t>(tw) * 4;
    job->pixels =
        static_cast<unsigned char*>(std::malloc(job->stride * static_cast<std::size_t>(th)));
    job->ring =
        static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(w0) * 4 * kRingRows));
    job->kx = std::max<std::int64_t>(1, w0 / tw);
    job->ky = std::max<std::int64_t>(1, h0 / th);
    for (unsigned char*& row : job->resampled)
        row = static_cast<unsigned char*>(std::malloc(job->stride));
    job->boxRow = static_cast<std::uint32_t*>(
        std::malloc(sizeof(std::uint32_t) * static_cast<std::size_t>(w0 / job->kx)));
    job->rowSums = static_cast<std::uint32_t*>(
        std::calloc(static_cast<std::size_t>(tw) * 4, sizeof(std::uint32_t)));
    job->xIndex = static_cast<std::int32_t*>(
        std::malloc(sizeof(std::int32_t) * static_cast<std::size_t>(tw)));
    job->xWeight = static_cast<std::uint16_t*>(
        std::malloc(sizeof(std::uint16_t) * static_cast<std::size_t>(tw)));
    if (!job->pixels || !job->ring || !job->resampled[0] || !job->resampled[1] ||
        !job->resampled[2] || !job->xIndex || !job->xWeight || !job->boxRow || !job->rowSums) {
        job->outOfMemory = true;
        return 1;
    }
    // A picture stretched while it is decoded is on its way to the wallpaper, and so to the
    // extension plug-ins. Without the memory for it, they get a conversion later instead; so
    // does a picture still to be turned upright, whose rows are not yet the ones shown.
    if (job->orientation == SPI_ORIENTATION_AS_STORED)
        job->dib = newPackedDib24(tw, th);
    job->dibStride = static_cast<std::size_t>(dibStride(static_cast<std::uint64_t>(tw), 24));
    for (int x = 0; x < tw; ++x) {
        const std::int64_t position = sourcePosition(x, w0 / job->kx, tw);
        job->xIndex[x] = static_cast<std::int32_t>(position >> 16);
        job->xWeight[x] = static_cast<std::uint16_t>((position >> 8) & 0xFF);
    }
    startResampler(job);
    for (std::int64_t s = 0; s < h0; ++s) {
        JSAMPROW row = freeRingRow(job, s);
        jpeg_read_scanlines(cinfo, &row, 1);
        publishRow(job, s);
    }
    job->pipe.resampler.join();
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
    auto* turned = static_cast<unsigned char*>(std::malloc(stride * height));
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

void releaseScratch(DecodeJob& job) {
    stopResampler(job);  // before anything it works on goes
    std::free(job.ring);
    for (unsigned char* row : job.resampled)
        std::free(row);
    std::free(job.boxRow);
    std::free(job.rowSums);
    std::free(job.xIndex);
    std::free(job.xWeight);
}

// Returns 0 on success; otherwise the job's message says what went wrong.
// Reads from `fd` when it is one (the picture never has to be in memory whole), else `data`.
int decode(DecodeJob* job, int fd, const unsigned char* data, unsigned long size, bool quantize,
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
    } else if (quantize) {
        cinfo->out_color_space = JCS_RGB;
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 236;
        cinfo->two_pass_quantize = TRUE;
        cinfo->dither_mode = JDITHER_FS;
    } else if (minWidth > 0 && minHeight > 0) {
        // A picture that is going to be scaled comes out as 32-bit pixels: scaling those is
        // several times faster, and they go to the screen as they are.
        cinfo->out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        job->rgb32 = true;
    } else {
        cinfo->out_color_space = JCS_EXT_RGB;
    }

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
    if (job->rgb32) {
        job->targetWidth = minWidth;
        job->targetHeight = minHeight;
        if (readResampled(job))
            return 1;
        jpeg_finish_decompress(cinfo);
        return 0;
    }
    const int components = cinfo->output_components;
    job->stride = (static_cast<std::size_t>(job->width) * components + 3) & ~std::size_t{3};
    job->pixels = static_cast<unsigned char*>(std::malloc(job->stride * job->height));
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
        throw PictureError(QStringLiteral("画像 %1 は大きすぎます (%2 × %3)")
                               .arg(name)
                               .arg(job.width)
                               .arg(job.height));
    }
    if (job.outOfMemory || job.err.pub.msg_code == JERR_OUT_OF_MEMORY) {
        throw PictureError(QStringLiteral("画像 %1 を読み込むメモリが足りません").arg(name));
    }
    throw PictureError(QStringLiteral("JPEG 画像 %1 は不正です (%2)")
                           .arg(name, QString::fromLocal8Bit(job.err.message)));
}

// The job's results handed over, or its error raised; the job owns nothing afterwards.
DecodedJpeg finishDecode(DecodeJob& job, int failed, const QString& name) {
    jpeg_destroy_decompress(&job.cinfo);
    releaseScratch(job);
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
                             bool quantize, QSize atLeast) {
    DecodeJob job;
    const int failed = decode(&job, -1, data, static_cast<unsigned long>(size), quantize,
                              atLeast.width(), atLeast.height());
    return finishDecode(job, failed, name);
}

DecodedJpeg decodeJpegFilePixels(const QString& path, bool quantize, QSize atLeast) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw PictureError(QStringLiteral("JPEG 画像 %1 を開けません").arg(path));
    DecodeJob job;
    job.readBuffer = static_cast<JOCTET*>(std::malloc(kReadBlock));
    const int failed =
        job.readBuffer ? decode(&job, fd, nullptr, 0, quantize, atLeast.width(), atLeast.height())
                       : (job.outOfMemory = true, 1);
    ::close(fd);
    std::free(job.readBuffer);
    return finishDecode(job, failed, path);
}

QSize jpegFileSize(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
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
