#pragma once

#include "platform/DesktopBackend.h"

#include <memory>

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
    QString name() const override { return QStringLiteral("x11"); }
    void apply(const QString& file, const QImage& picture, WallpaperStyle style,
               const QColor& background, bool persist) override;
    // Draws the picture into a pixmap of the screen; show() makes it the root's.
    std::unique_ptr<PreparedWallpaper> prepare(const QString& file, const QImage& picture,
                                               WallpaperStyle style, const QColor& background,
                                               bool persist) override;
    // Opens the connection the next prepare() uses.
    void warm() override;

private:
    std::unique_ptr<_XDisplay, X11DisplayCloser> warm_;
};

// The root window's picture as the desktop would show `picture`: tiled from the top-left
// corner, or centred (cut equally on both sides when larger) on `background`.
QImage composeDesktop(const QImage& picture, QSize screen, WallpaperStyle style,
                      const QColor& background);

}  // namespace tesselvane
