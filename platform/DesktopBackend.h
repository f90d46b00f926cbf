#pragma once

#include "platform/UserError.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <memory>

namespace tesselvane {

// A desktop that cannot take the wallpaper: no display, no settings schema, a file it
// cannot read. The message says which.
class DesktopError : public UserError {
public:
    using UserError::UserError;
};

enum class WallpaperStyle { Centered, Tiled };

// A wallpaper made ready to show; dropping it without show() leaves the desktop as it was.
class PreparedWallpaper {
public:
    virtual ~PreparedWallpaper() = default;
    virtual void show() = 0;
};

// One way of putting a picture on the desktop (the X root window, GNOME's settings, ...).
class DesktopBackend {
public:
    virtual ~DesktopBackend() = default;
    virtual QString name() const = 0;
    // Shows `file` as the wallpaper, or no picture when `file` is empty, on `background`.
    // `picture` may hold the file's picture already, to spare reading it again. `persist`
    // asks that the desktop keep it beyond this session where it can tell the difference.
    virtual void apply(const QString& file, const QImage& picture, WallpaperStyle style,
                       const QColor& background, bool persist) = 0;
    // Does what can be done before `file` is complete (it may still be being written), and
    // leaves the rest to show(). By default everything waits for show().
    virtual std::unique_ptr<PreparedWallpaper> prepare(const QString& file, const QImage& picture,
                                                       WallpaperStyle style,
                                                       const QColor& background, bool persist);
    // A change is coming once its picture is read: what can be made ready before (a
    // connection, say) is made now, while the reading goes on. Never raises; what fails here
    // fails again, and is reported, in prepare or apply.
    virtual void warm() {}
};

// The back end for this session: TESSELVANE_DESKTOP when set (x11, gnome, cinnamon, mate, kde,
// xfce, lxqt, sway), else chosen from XDG_CURRENT_DESKTOP, SWAYSOCK and DISPLAY. Raises
// DesktopError when none fits.
std::unique_ptr<DesktopBackend> createDesktopBackend();

}  // namespace tesselvane
