#include "picture/RowResampler.h"

#include "picture/DibRows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tesselvane {

namespace {

// Every wake-up is a system call for the decoder's thread, and on a virtual machine an
// interrupt to the other core: batches of 32 rows take some 4 % off the decode that batches of
// 8 add. The ring stays well inside the core's cache.
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

}  // namespace

RowResampler::~RowResampler() {
    release();
}

bool RowResampler::start(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight,
                         unsigned char* out, std::size_t outStride, unsigned char* dib) {
    sourceWidth_ = sourceWidth;
    sourceHeight_ = sourceHeight;
    targetWidth_ = targetWidth;
    targetHeight_ = targetHeight;
    out_ = out;
    outStride_ = outStride;
    dib_ = dib;
    dibStride_ = static_cast<std::size_t>(dibStride(static_cast<std::uint64_t>(targetWidth), 24));
    const auto tw = static_cast<std::size_t>(targetWidth);
    kx_ = std::max<std::int64_t>(1, sourceWidth_ / targetWidth);
    ky_ = std::max<std::int64_t>(1, sourceHeight_ / targetHeight);
    ring_ = static_cast<unsigned char*>(
        std::malloc(static_cast<std::size_t>(sourceWidth_) * 4 * kRingRows));
    for (unsigned char*& row : resampled_)
        row = static_cast<unsigned char*>(std::malloc(tw * 4));
    boxRow_ = static_cast<std::uint32_t*>(
        std::malloc(sizeof(std::uint32_t) * static_cast<std::size_t>(sourceWidth_ / kx_)));
    rowSums_ = static_cast<std::uint32_t*>(std::calloc(tw * 4, sizeof(std::uint32_t)));
    xIndex_ = static_cast<std::int32_t*>(std::malloc(sizeof(std::int32_t) * tw));
    xWeight_ = static_cast<std::uint16_t*>(std::malloc(sizeof(std::uint16_t) * tw));
    if (!ring_ || !resampled_[0] || !resampled_[1] || !resampled_[2] || !xIndex_ || !xWeight_ ||
        !boxRow_ || !rowSums_) {
        release();
        return false;
    }
    for (int x = 0; x < targetWidth; ++x) {
        const std::int64_t position = sourcePosition(x, sourceWidth_ / kx_, targetWidth);
        xIndex_[x] = static_cast<std::int32_t>(position >> 16);
        xWeight_[x] = static_cast<std::uint16_t>((position >> 8) & 0xFF);
    }
    thread_ = std::thread(&RowResampler::resampleRows, this);
    return true;
}

unsigned char* RowResampler::rowFor(std::int64_t s) {
    {
        std::unique_lock lock(mutex_);
        if (s - consumed_ >= kRingRows) {
            decoderWants_ = s - kRingRows + kBatchRows;
            roomFree_.wait(lock, [&] { return consumed_ >= decoderWants_; });
            decoderWants_ = 0;
        }
    }
    return ring_ +
           static_cast<std::size_t>(s % kRingRows) * static_cast<std::size_t>(sourceWidth_) * 4;
}

void RowResampler::publish(std::int64_t s) {
    advance(mutex_, produced_, s + 1, resamplerWants_, rowsReady_);
}

void RowResampler::finish() {
    if (thread_.joinable())
        thread_.join();
}

void RowResampler::release() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        rowsReady_.notify_all();
        thread_.join();
    }
    std::free(std::exchange(ring_, nullptr));
    for (unsigned char*& row : resampled_)
        std::free(std::exchange(row, nullptr));
    std::free(std::exchange(boxRow_, nullptr));
    std::free(std::exchange(rowSums_, nullptr));
    std::free(std::exchange(xIndex_, nullptr));
    std::free(std::exchange(xWeight_, nullptr));
}

// Each run of kx pixels averaged into one.
void RowResampler::averageAcross(const std::uint32_t* in, std::uint32_t* out) const {
    const std::int64_t kx = kx_, width = sourceWidth_ / kx;
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

// One source row, resampled to the target width.
void RowResampler::resampleRow(const unsigned char* source, unsigned char* row) const {
    const auto* in = reinterpret_cast<const std::uint32_t*>(source);
    auto* out = reinterpret_cast<std::uint32_t*>(row);
    if (kx_ > 1) {
        averageAcross(in, boxRow_);
        in = boxRow_;
    }
    const auto last = static_cast<std::int32_t>(sourceWidth_ / kx_) - 1;
    for (int x = 0; x < targetWidth_; ++x) {
        const std::int32_t i = xIndex_[x];
        out[x] = mix(in[i], in[std::min(i + 1, last)], xWeight_[x]);
    }
}

// Adds a row to the sums of its block of ky rows; with the block's last row, writes the
// block's mean into `out` and starts again. True when it did.
bool RowResampler::averageDown(const unsigned char* row, std::int64_t s, unsigned char* out) {
    const int tw = targetWidth_;
    const auto* in = reinterpret_cast<const std::uint32_t*>(row);
    std::uint32_t* sums = rowSums_;
    for (int x = 0; x < tw; ++x) {
        const std::uint32_t p = in[x];
        sums[4 * x] += p & 0xFF, sums[4 * x + 1] += (p >> 8) & 0xFF,
            sums[4 * x + 2] += (p >> 16) & 0xFF, sums[4 * x + 3] += p >> 24;
    }
    if ((s + 1) % ky_ != 0)
        return false;
    const std::uint64_t reciprocal = (std::uint64_t{1} << 32) / static_cast<std::uint64_t>(ky_);
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

// Target row `y` into the DIB, which holds its rows bottom-up.
void RowResampler::writeDibRow(int y, const unsigned char* row) const {
    const auto tw = static_cast<std::size_t>(targetWidth_);
    unsigned char* dst =
        dib_ + kDibHeaderSize + dibStride_ * static_cast<std::size_t>(targetHeight_ - 1 - y);
    rgb32RowToDib24(reinterpret_cast<const QRgb*>(row), dst, static_cast<std::int64_t>(tw));
    std::memset(dst + 3 * tw, 0, dibStride_ - 3 * tw);
}

// The thread: takes each source row from the ring, resamples it to the target width, and
// writes every target row whose two source rows it now has.
void RowResampler::resampleRows() {
    const int th = targetHeight_;
    const std::int64_t w0 = sourceWidth_, h0 = sourceHeight_;
    const std::int64_t ky = ky_, h1 = h0 / ky;  // rows after averaging down
    int y = 0;
    for (std::int64_t s = 0; s < h0; ++s) {
        {
            std::unique_lock lock(mutex_);
            if (produced_ <= s) {
                resamplerWants_ = std::min(s + kBatchRows, h0);
                rowsReady_.wait(lock, [&] { return produced_ >= resamplerWants_ || stop_; });
                resamplerWants_ = 0;
                if (produced_ <= s)
                    return;  // stopped: the decoder failed
            }
        }
        const std::int64_t r = s / ky;  // the row it falls in after averaging down
        bool rowReady = false;
        if (r < h1) {
            unsigned char* out = resampled_[r & 1];
            resampleRow(
                ring_ + static_cast<std::size_t>(s % kRingRows) * static_cast<std::size_t>(w0) * 4,
                ky > 1 ? resampled_[2] : out);
            rowReady = ky == 1 || averageDown(resampled_[2], s, out);
        }
        advance(mutex_, consumed_, s + 1, decoderWants_, roomFree_);
        if (!rowReady)
            continue;
        for (; y < th; ++y) {
            const std::int64_t position = sourcePosition(y, h1, th);
            const std::int64_t r0 = position >> 16, r1 = std::min(r0 + 1, h1 - 1);
            if (r1 > r)
                break;
            unsigned char* out = out_ + outStride_ * static_cast<std::size_t>(y);
            mixRows(resampled_[r0 & 1], resampled_[r1 & 1],
                    static_cast<unsigned>((position >> 8) & 0xFF), out, targetWidth_);
            if (dib_)
                writeDibRow(y, out);
        }
    }
}

}  // namespace tesselvane
