#include "picture/DibTwin.h"

#include <cstdlib>
#include <mutex>

namespace tesselvane {

namespace {

std::mutex twinMutex;
void* twinDib = nullptr;
qint64 twinKey = 0;  // QImage::cacheKey(): it changes with every change to the pixels

}  // namespace

void keepDibTwin(const QImage& picture, void* dib) {
    void* dropped = nullptr;
    {
        std::lock_guard lock(twinMutex);
        dropped = twinDib;
        twinDib = picture.isNull() ? nullptr : dib;
        twinKey = picture.cacheKey();
    }
    std::free(dropped);
    if (picture.isNull())
        std::free(dib);
}

void* takeDibTwin(const QImage& picture) {
    void* dib = nullptr;
    qint64 key = 0;
    {
        std::lock_guard lock(twinMutex);
        dib = twinDib;
        key = twinKey;
        twinDib = nullptr;
    }
    if (dib && !picture.isNull() && key == picture.cacheKey())
        return dib;
    std::free(dib);
    return nullptr;
}

}  // namespace tesselvane
