#pragma once

#include "platform/ScreenFit.h"
#include "platform/UserError.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tesselvane {

// A desktop that cannot take the wallpaper: no display, no settings schema, a file it
// cannot read. The message says which.
class DesktopError : public UserError {
public:
    using UserError::UserError;
};

// A desktop that refuses every change until its user or administrator allows it (a layout
// locked by policy): worth saying once a run, not at every change.
class DesktopRefusal : public DesktopError {
public:
    using DesktopError::DesktopError;
};

// Whether the picture handed to a back end was made to fit the primary monitor
// (Option\FitScreen), and by which rule (Option\FitStyle).
struct WallpaperFit {
    bool fitScreen = false;
    FitStyle style = FitStyle::Stretch;
};

// One change of the wallpaper, as a back end is asked to show it.
struct WallpaperRequest {
    QString file;    // the picture file; empty for no picture, only the colour
    QImage picture;  // the file's picture when it is in memory already, to spare reading it
    WallpaperStyle style = WallpaperStyle::Centered;
    WallpaperFit fit;               // how `picture` was fitted to the primary monitor
    QColor background = Qt::black;  // the desktop's colour, around or instead of the picture
    bool persist = false;  // to be kept beyond this session, where the desktop tells the two
    // Each monitor's own picture (Option\MonitorPictures), in monitorPictureOrder, each fitted
    // to its monitor as `fit` says; `file` and `picture` then hold the whole layout composed.
    // Empty: `picture` on every monitor.
    std::vector<QImage> monitorPictures = {};
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
    // Shows what `request` asks for.
    virtual void apply(const WallpaperRequest& request) = 0;
    // Does what can be done before the request's file is complete (it may still be being
    // written), and leaves the rest to show(). By default everything waits for show().
    virtual std::unique_ptr<PreparedWallpaper> prepare(const WallpaperRequest& request);
    // A change is coming once its picture is read: what can be made ready before (a
    // connection, say) is made now, while the reading goes on. Never raises; what fails here
    // fails again, and is reported, in prepare or apply.
    virtual void warm() {}
    // Calls `changed` from the event loop whenever the monitors change, so that the wallpaper
    // can be drawn again for them; by default the desktop redraws it itself.
    virtual void watchLayout(std::function<void()> changed) { (void)changed; }
};

// The back end for this session: TESSELVANE_DESKTOP when set (x11, gnome, cinnamon, mate, kde,
// xfce, lxqt, sway), else chosen from XDG_CURRENT_DESKTOP, SWAYSOCK and DISPLAY. Raises
// DesktopError when none fits.
std::unique_ptr<DesktopBackend> createDesktopBackend();

}  // namespace tesselvane
