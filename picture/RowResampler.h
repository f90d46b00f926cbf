#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tesselvane {

// Scales a picture of 4-byte pixels, handed over a row at a time, to a target size on a thread
// of its own, so that the thread handing the rows (a decoder) only decodes and the picture at
// its source size never exists whole. Shrinking by two or more first averages whole blocks of
// pixels, so that every source pixel counts; mixing two neighbours alone would skip most.
//
// A decoder's error may jump out of it at any moment (libjpeg's longjmp): no call of the
// decoder's side returns holding a lock, and the destructor stops the thread.
class RowResampler {
public:
    RowResampler() = default;
    ~RowResampler();
    RowResampler(const RowResampler&) = delete;
    RowResampler& operator=(const RowResampler&) = delete;

    // Makes ready for `sourceHeight` rows of `sourceWidth` pixels, and starts the thread that
    // writes `targetHeight` rows of `targetWidth` pixels into `out` (rows `outStride` bytes
    // apart) and, when `dib` is given, into the rows of that packed 24-bit DIB of the target's
    // size as well. False, starting nothing, when memory runs short.
    bool start(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight,
               unsigned char* out, std::size_t outStride, unsigned char* dib);
    // Where source row `s` is to be written: rows come in order. Waits while the thread is a
    // ring's worth of rows behind.
    unsigned char* rowFor(std::int64_t s);
    // Source row `s` has been written.
    void publish(std::int64_t s);
    // Waits until every target row is written.
    void finish();
    // Stops the thread, target rows not yet written left as they are, and frees what it
    // used; nothing of `out` or `dib` is touched afterwards.
    void release();

private:
    void resampleRows();
    void resampleRow(const unsigned char* source, unsigned char* row) const;
    void averageAcross(const std::uint32_t* in, std::uint32_t* out) const;
    bool averageDown(const unsigned char* row, std::int64_t s, unsigned char* out);
    void writeDibRow(int y, const unsigned char* row) const;

    std::int64_t sourceWidth_ = 0, sourceHeight_ = 0;
    int targetWidth_ = 0, targetHeight_ = 0;
    unsigned char* out_ = nullptr;
    std::size_t outStride_ = 0;
    unsigned char* dib_ = nullptr;
    std::size_t dibStride_ = 0;
    // All malloc'd, freed by release().
    unsigned char* ring_ = nullptr;     // source rows waiting for the thread
    unsigned char* resampled_[3] = {};  // the last, a row on its way to rowSums_
    std::int32_t* xIndex_ = nullptr;
    std::uint16_t* xWeight_ = nullptr;
    std::int64_t kx_ = 1, ky_ = 1;      // the blocks averaged when shrinking by two or more
    std::uint32_t* boxRow_ = nullptr;   // a row averaged across, before the mix
    std::uint32_t* rowSums_ = nullptr;  // four channels per target column, over ky_ rows

    // A side that has to wait sleeps until the other is a batch of rows ahead, not one: a
    // wake-up per row would cost more than the row.
    std::mutex mutex_;
    std::condition_variable rowsReady_, roomFree_;
    std::int64_t produced_ = 0;        // rows the decoder has put in the ring
    std::int64_t consumed_ = 0;        // rows the thread is done with
    std::int64_t resamplerWants_ = 0;  // while it waits: `produced_` it waits for
    std::int64_t decoderWants_ = 0;    // while it waits: `consumed_` it waits for
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace tesselvane
