#include "platform/desktop/DesktopComposition.h"

#include "platform/InterfaceLanguage.h"
#include "platform/ScreenFit.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

namespace tesselvane {

void rowAsRgb(const QImage& picture, int y, int from, int count, QRgb* out) {
    const uchar* src = picture.constScanLine(y);
    switch (picture.format()) {
        case QImage::Format_RGB888:
            src += 3 * from;
            for (int x = 0; x < count; ++x)
                out[x] = qRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
            return;
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
            std::memcpy(out, src + 4 * from, static_cast<size_t>(count) * 4);
            return;
        case QImage::Format_Indexed8: {
            const QList<QRgb> table = picture.colorTable();
            src += from;
            for (int x = 0; x < count; ++x)
                out[x] = src[x] < table.size() ? table[src[x]] : qRgb(0, 0, 0);
            return;
        }
        default:
            for (int x = 0; x < count; ++x)
                out[x] = picture.pixel(from + x, y);
    }
}

namespace {

// `picture` tiled from the top-left corner of `area`, or centred in it, on `canvas`.
void composeInto(QImage& canvas, QRect area, const QImage& picture, WallpaperStyle style) {
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return;
    const int w = picture.width(), h = picture.height();
    std::vector<QRgb> row(static_cast<size_t>(w));
    if (style == WallpaperStyle::Tiled) {
        const int span = std::min(w, area.width());
        for (int y = 0; y < area.height(); ++y) {
            rowAsRgb(picture, y % h, 0, span, row.data());
            auto* dst = reinterpret_cast<QRgb*>(canvas.scanLine(area.y() + y)) + area.x();
            for (int x = 0; x < area.width(); x += w)
                std::memcpy(dst + x, row.data(),
                            static_cast<size_t>(std::min(w, area.width() - x)) * 4);
        }
        return;
    }
    // Centred; a picture larger than the area loses equal parts on both sides.
    const int left = (area.width() - w) / 2, top = (area.height() - h) / 2;
    const int from = std::max(0, left), to = std::min(area.width(), left + w);
    if (from >= to)
        return;
    for (int y = std::max(0, top); y < std::min(area.height(), top + h); ++y) {
        rowAsRgb(picture, y - top, from - left, to - from, row.data());
        std::memcpy(reinterpret_cast<QRgb*>(canvas.scanLine(area.y() + y)) + area.x() + from,
                    row.data(), static_cast<size_t>(to - from) * 4);
    }
}

}  // namespace

QImage composeDesktop(const QImage& picture, QSize screen, WallpaperStyle style,
                      const QColor& background) {
    return composeDesktop({picture}, {QRect(QPoint(0, 0), screen)}, screen, style, background);
}

QImage composeDesktop(const std::vector<QImage>& pictures, const std::vector<QRect>& monitors,
                      QSize screen, WallpaperStyle style, const QColor& background) {
    // Plain row copies rather than QPainter, which would bring the font machinery up first.
    QImage canvas(screen, QImage::Format_RGB32);
    if (canvas.isNull())
        return canvas;
    canvas.fill(background.rgb());
    // The first (primary) monitor last: where monitors overlap, as mirrors do, it wins.
    for (size_t i = std::min(pictures.size(), monitors.size()); i-- > 0;) {
        const QRect area = monitors[i] & canvas.rect();
        if (!area.isEmpty())
            composeInto(canvas, area, pictures[i], style);
    }
    return canvas;
}

std::vector<size_t> monitorPictureOrder(const std::vector<QRect>& monitors) {
    std::vector<size_t> byPlace(monitors.size());
    std::iota(byPlace.begin(), byPlace.end(), size_t{0});
    if (byPlace.size() > 1) {
        std::stable_sort(byPlace.begin() + 1, byPlace.end(), [&](size_t a, size_t b) {
            return std::pair(monitors[a].x(), monitors[a].y()) <
                   std::pair(monitors[b].x(), monitors[b].y());
        });
    }
    std::vector<size_t> rank(monitors.size());
    for (size_t place = 0; place < byPlace.size(); ++place)
        rank[byPlace[place]] = place;
    return rank;
}

const QImage& pictureOfMonitor(const WallpaperRequest& request, const QImage& picture,
                               const std::vector<QRect>& monitors, size_t i) {
    const std::vector<QImage>& own = request.monitorPictures;
    if (own.empty())
        return picture;
    const size_t rank = monitorPictureOrder(monitors).at(i);
    return rank < own.size() ? own[rank] : own.front();
}

std::vector<QImage> picturesForMonitors(const WallpaperRequest& request, const QImage& picture,
                                        const std::vector<QRect>& monitors) {
    return eachMonitor(monitors.size(), [&](size_t i) {
        return pictureForMonitor(pictureOfMonitor(request, picture, monitors, i),
                                 monitors[i].size(), request.fit, request.background);
    });
}

QImage pictureForMonitor(const QImage& picture, QSize monitor, const WallpaperFit& fit,
                         const QColor& background) {
    if (!fit.fitScreen || picture.isNull() || picture.size() == monitor)
        return picture;
    QImage fitted = fitToScreen(picture, monitor, fit.style, background);
    if (fitted.isNull() && !monitor.isEmpty())
        throw DesktopError(
            interfaceText("DesktopComposition", "壁紙の画像を作るメモリが足りません"));
    return fitted;
}

}  // namespace tesselvane
