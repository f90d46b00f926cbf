#pragma once

#include "platform/DesktopBackend.h"

#include <memory>

class QSocketNotifier;
class QTimer;
struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name for Display

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
    // The root picture lives as long as the X session anyway: `persist` changes nothing here.
    void apply(const WallpaperRequest& request) override;
    // Draws the picture into a pixmap of the screen, each monitor's part; show() makes it the
    // root's. On a colormapped screen the drawing waits for show(), once the previous
    // wallpaper has given back its colour cells.
    std::unique_ptr<PreparedWallpaper> prepare(const WallpaperRequest& request) override;
    // Opens the connection the next prepare() uses.
    void warm() override;
    // Listens for RandR's screen changes on a connection of its own.
    void watchLayout(std::function<void()> changed) override;

private:
    std::unique_ptr<_XDisplay, X11DisplayCloser> warm_;
    std::unique_ptr<_XDisplay, X11DisplayCloser> watch_;
    std::unique_ptr<QSocketNotifier> watchNotifier_;
    std::unique_ptr<QTimer> watchSettle_;
};

}  // namespace tesselvane
