#include "JpegPrefetch.h"

#include "JpegCodec.h"

#include <exception>
#include <memory>
#include <thread>

namespace tesselvane {

namespace {

struct Prefetch {
    QString path;
    QSize stretchTo;
    QImage image;
    std::exception_ptr error;
    std::thread reader;

    ~Prefetch() {
        if (reader.joinable())
            reader.join();
    }
};

std::unique_ptr<Prefetch> g_prefetch;

}  // namespace

void PrefetchJpeg(const QString& path, QSize stretchTo) {
    g_prefetch.reset();
    auto prefetch = std::make_unique<Prefetch>();
    prefetch->path = path;
    prefetch->stretchTo = stretchTo;
    Prefetch* p = prefetch.get();
    p->reader = std::thread([p] {
        try {
            p->image = DecodeJpegFile(p->path, JpegOutput::Rgb24, p->stretchTo);
        } catch (...) {
            p->error = std::current_exception();
        }
    });
    g_prefetch = std::move(prefetch);
}

std::optional<QImage> TakePrefetchedJpeg(const QString& path, QSize stretchTo) {
    if (!g_prefetch)
        return std::nullopt;
    std::unique_ptr<Prefetch> prefetch = std::move(g_prefetch);
    prefetch->reader.join();
    if (prefetch->path != path || prefetch->stretchTo != stretchTo)
        return std::nullopt;
    if (prefetch->error)
        std::rethrow_exception(prefetch->error);
    return std::move(prefetch->image);
}

}  // namespace tesselvane
