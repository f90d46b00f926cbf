#include "DibTwin.h"

#include <cstdlib>
#include <mutex>

namespace tesselvane {

namespace {

std::mutex g_mutex;
void* g_dib = nullptr;
qint64 g_key = 0;  // QImage::cacheKey(): it changes with every change to the pixels

}  // namespace

void KeepDibTwin(const QImage& picture, void* dib) {
    void* dropped = nullptr;
    {
        std::lock_guard lock(g_mutex);
        dropped = g_dib;
        g_dib = picture.isNull() ? nullptr : dib;
        g_key = picture.cacheKey();
    }
    std::free(dropped);
    if (picture.isNull())
        std::free(dib);
}

void* TakeDibTwin(const QImage& picture) {
    void* dib = nullptr;
    qint64 key = 0;
    {
        std::lock_guard lock(g_mutex);
        dib = g_dib;
        key = g_key;
        g_dib = nullptr;
    }
    if (dib && !picture.isNull() && key == picture.cacheKey())
        return dib;
    std::free(dib);
    return nullptr;
}

}  // namespace tesselvane
