#include "picture/JpegPrefetch.h"

#include <mutex>
#include <utility>

namespace tesselvane {

JpegPrefetch::JpegPrefetch(QString path, QSize stretchTo)
    : path_(std::move(path)), stretchTo_(stretchTo) {
    reader_ = std::thread([this] {
        try {
            picture_ = decodeJpegFilePixels(path_, JpegOutput::Rgb32, stretchTo_);
        } catch (...) {
            error_ = std::current_exception();
        }
    });
}

JpegPrefetch::~JpegPrefetch() {
    if (reader_.joinable())
        reader_.join();
}

DecodedJpeg JpegPrefetch::take() {
    if (reader_.joinable())
        reader_.join();
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
    return std::move(picture_);
}

namespace {

std::mutex prefetchMutex;
std::unique_ptr<JpegPrefetch> readAhead;

}  // namespace

void prefetchJpeg(std::unique_ptr<JpegPrefetch> prefetch) {
    std::unique_ptr<JpegPrefetch> replaced;
    {
        std::lock_guard lock(prefetchMutex);
        replaced = std::exchange(readAhead, std::move(prefetch));
    }
    // `replaced` waits for its reading here, outside the lock.
}

void prefetchJpeg(const QString& path, QSize stretchTo) {
    prefetchJpeg(std::make_unique<JpegPrefetch>(path, stretchTo));
}

std::unique_ptr<JpegPrefetch> takePrefetch() {
    std::lock_guard lock(prefetchMutex);
    return std::move(readAhead);
}

}  // namespace tesselvane
