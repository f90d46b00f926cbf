#include "JpegPrefetch.h"

#include <mutex>
#include <utility>

namespace tesselvane {

JpegPrefetch::JpegPrefetch(QString path, QSize stretchTo)
    : path_(std::move(path)), stretchTo_(stretchTo) {
    reader_ = std::thread([this] {
        try {
            picture_ = DecodeJpegFilePixels(path_, false, stretchTo_);
        } catch (...) {
            error_ = std::current_exception();
        }
    });
}

JpegPrefetch::~JpegPrefetch() {
    if (reader_.joinable())
        reader_.join();
}

DecodedJpeg JpegPrefetch::Take() {
    if (reader_.joinable())
        reader_.join();
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
    return std::move(picture_);
}

namespace {

std::mutex g_mutex;
std::unique_ptr<JpegPrefetch> g_prefetch;

}  // namespace

void PrefetchJpeg(std::unique_ptr<JpegPrefetch> prefetch) {
    std::unique_ptr<JpegPrefetch> replaced;
    {
        std::lock_guard lock(g_mutex);
        replaced = std::exchange(g_prefetch, std::move(prefetch));
    }
    // `replaced` waits for its reading here, outside the lock.
}

void PrefetchJpeg(const QString& path, QSize stretchTo) {
    PrefetchJpeg(std::make_unique<JpegPrefetch>(path, stretchTo));
}

std::unique_ptr<JpegPrefetch> TakePrefetch() {
    std::lock_guard lock(g_mutex);
    return std::move(g_prefetch);
}

}  // namespace tesselvane
