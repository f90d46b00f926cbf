#pragma once

#include "platform/ScreenFit.h"
#include "platform/UserError.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>

namespace tesselvane {

// A desktop that cannot take the wallpaper: no display, no settings schema, a file it
// cannot read. The message says which.
class DesktopError : public UserError {
public:
    using UserError::UserError;
};

enum class WallpaperStyle { Centered, Tiled };

// Whether the picture handed to a back end was made to fit the primary monitor
// (Option\FitScreen), and by which rule (Option\FitStyle).
struct WallpaperFit {
    bool fitScreen = false;
    FitStyle style = FitStyle::Stretch;
};

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
    // How the next pictures were fitted. Only a back end that places the picture on each
    // monitor itself needs it; the desktops that place it themselves ignore it.
    virtual void setFit(const WallpaperFit&) {}
    // Calls `changed` from the event loop whenever the monitors change, so that the wallpaper
    // can be drawn again for them; by default the desktop redraws it itself.
    virtual void watchLayout(std::function<void()> changed) { (void)changed; }
};

// The back end for this session: TESSELVANE_DESKTOP when set (x11, gnome, cinnamon, mate, kde,
// xfce, lxqt, sway), else chosen from XDG_CURRENT_DESKTOP, SWAYSOCK and DISPLAY. Raises
// DesktopError when none fits.
std::unique_ptr<DesktopBackend> createDesktopBackend();

}  // namespace tesselvane
