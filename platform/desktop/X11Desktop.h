#pragma once

#include "platform/DesktopBackend.h"

#include <QRect>

#include <cstdint>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;
struct _XDisplay;

namespace tesselvane {

// Any X server: the picture becomes the root window's background pixmap, named by
// _XROOTPMAP_ID and ESETROOT_PMAP_ID for compositors and terminals that show it. The pixmap
// outlives the program (its connection closes in RetainPermanent mode); the one it replaces
// is freed by killing the connection that kept it, as every setter of these atoms does.
struct X11DisplayCloser {
    void operator()(_XDisplay* display) const;
};

class X11Desktop : public DesktopBackend {
public:
    X11Desktop();
    ~X11Desktop() override;
    QString name() const override { return QStringLiteral("x11"); }
    void apply(const QString& file, const QImage& picture, WallpaperStyle style,
               const QColor& background, bool persist) override;
    // Draws the picture into a pixmap of the screen, each monitor's part; show() makes it the
    // root's. On a colormapped screen the drawing waits for show(), once the previous
    // wallpaper has given back its colour cells.
    std::unique_ptr<PreparedWallpaper> prepare(const QString& file, const QImage& picture,
                                               WallpaperStyle style, const QColor& background,
                                               bool persist) override;
    // Opens the connection the next prepare() uses.
    void warm() override;
    void setFit(const WallpaperFit& fit) override { fit_ = fit; }
    // Listens for RandR's screen changes on a connection of its own.
    void watchLayout(std::function<void()> changed) override;

private:
    std::unique_ptr<_XDisplay, X11DisplayCloser> warm_;
    WallpaperFit fit_;
    std::unique_ptr<_XDisplay, X11DisplayCloser> watch_;
    std::unique_ptr<QSocketNotifier> watchNotifier_;
    std::unique_ptr<QTimer> watchSettle_;
};

// The root window's picture as the desktop would show `picture`: tiled from the top-left
// corner, or centred (cut equally on both sides when larger) on `background`.
QImage composeDesktop(const QImage& picture, QSize screen, WallpaperStyle style,
                      const QColor& background);

// The same for a root of `screen`'s size with monitors: each shows its own picture
// (`pictures[i]` on `monitors[i]`) tiled from its top-left corner or centred in it.
QImage composeDesktop(const std::vector<QImage>& pictures, const std::vector<QRect>& monitors,
                      QSize screen, WallpaperStyle style, const QColor& background);

// The pictures the monitors show: `picture` itself, or, when it was fitted to the primary
// monitor, `picture` fitted by the same rule to each monitor of another size, each on a thread
// of its own.
std::vector<QImage> picturesForMonitors(const QImage& picture, const std::vector<QRect>& monitors,
                                        const WallpaperFit& fit, const QColor& background);

// A screen whose channels have fewer than 8 bits, as its visual describes it.
struct ShallowChannels {
    unsigned long redMask = 0xF800, greenMask = 0x07E0, blueMask = 0x001F;
};

// The `source` part of `picture` in 16-bit pixels of those channels (native byte order), rows
// of an even count of pixels, ordered-dithered as if it lay at `origin` on the screen, so that
// pieces drawn apart keep one pattern and a smooth gradient shows no band wider than the 8 x 8
// pattern.
std::vector<uint16_t> ditherTo16(const QImage& picture, QRect source,
                                 const ShallowChannels& channels, QPoint origin);

}  // namespace tesselvane
