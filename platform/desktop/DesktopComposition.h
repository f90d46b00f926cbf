#pragma once

// The desktop a picture makes: the picture placed on each monitor, fitted again to monitors
// of another size. What the back ends that compose the whole desktop themselves share.

#include "platform/DesktopBackend.h"

#include <QImage>
#include <QRect>
#include <QRgb>

#include <cstddef>
#include <future>
#include <vector>

namespace tesselvane {

// The root window's picture as the desktop would show `picture`: tiled from the top-left
// corner, or centred (cut equally on both sides when larger) on `background`.
QImage composeDesktop(const QImage& picture, QSize screen, WallpaperStyle style,
                      const QColor& background);

// The same for a root of `screen`'s size with monitors: each shows its own picture
// (`pictures[i]` on `monitors[i]`) tiled from its top-left corner or centred in it.
QImage composeDesktop(const std::vector<QImage>& pictures, const std::vector<QRect>& monitors,
                      QSize screen, WallpaperStyle style, const QColor& background);

// The picture a monitor of `monitor`'s size shows: `picture` itself, or, when it was fitted to
// the primary monitor, `picture` fitted by the same rule to this one. Raises DesktopError when
// memory runs short.
QImage pictureForMonitor(const QImage& picture, QSize monitor, const WallpaperFit& fit,
                         const QColor& background);

// The rank of each of `monitors` (the primary first) in the order monitors are given their
// own pictures: the primary, then the others from left to right, then top to bottom.
std::vector<size_t> monitorPictureOrder(const std::vector<QRect>& monitors);

// What monitor `i` of `monitors` shows before it is fitted to it: its own picture when the
// request has them (the primary's for a monitor that came after they were chosen), else
// `picture`, the request's.
const QImage& pictureOfMonitor(const WallpaperRequest& request, const QImage& picture,
                               const std::vector<QRect>& monitors, size_t i);

// pictureForMonitor of pictureOfMonitor for each of `monitors`, each on a thread of its own.
std::vector<QImage> picturesForMonitors(const WallpaperRequest& request, const QImage& picture,
                                        const std::vector<QRect>& monitors);

// Pixels [from, from + count) of row `y` of `picture` as 32-bit colours; fast for the formats
// the program produces.
void rowAsRgb(const QImage& picture, int y, int from, int count, QRgb* out);

// f(0) ... f(count - 1), each on a thread of its own when there are several.
template <class F>
auto eachMonitor(size_t count, F f) -> std::vector<decltype(f(size_t{0}))> {
    using Result = decltype(f(size_t{0}));
    std::vector<Result> results;
    if (count == 1) {
        results.push_back(f(0));
        return results;
    }
    std::vector<std::future<Result>> jobs;
    for (size_t i = 0; i < count; ++i)
        jobs.push_back(std::async(std::launch::async, f, i));
    for (auto& job : jobs)
        results.push_back(job.get());
    return results;
}

}  // namespace tesselvane
