#pragma once

#include "UserError.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <memory>

namespace tesselvane {

class RegistryStore;

// A desktop that cannot take the wallpaper: no display, no settings schema, a file it
// cannot read. The message says which.
class DesktopError : public UserError {
public:
    using UserError::UserError;
};

enum class WallpaperStyle { Centered, Tiled };

// A wallpaper made ready to show; dropping it without Show() leaves the desktop as it was.
class PreparedWallpaper {
public:
    virtual ~PreparedWallpaper() = default;
    virtual void Show() = 0;
};

// One way of putting a picture on the desktop (the X root window, GNOME's settings, ...).
class DesktopBackend {
public:
    virtual ~DesktopBackend() = default;
    virtual QString Name() const = 0;
    // Shows `file` as the wallpaper, or no picture when `file` is empty, on `background`.
    // `picture` may hold the file's picture already, to spare reading it again. `persist`
    // asks that the desktop keep it beyond this session where it can tell the difference.
    virtual void Apply(const QString& file, const QImage& picture, WallpaperStyle style,
                       const QColor& background, bool persist) = 0;
    // Does what can be done before `file` is complete (it may still be being written), and
    // leaves the rest to Show(). By default everything waits for Show().
    virtual std::unique_ptr<PreparedWallpaper> Prepare(const QString& file, const QImage& picture,
                                                       WallpaperStyle style,
                                                       const QColor& background, bool persist);
    // A change is coming once its picture is read: what can be made ready before (a
    // connection, say) is made now, while the reading goes on. Never raises; what fails here
    // fails again, and is reported, in Prepare or Apply.
    virtual void Warm() {}
};

// The back end for this session: TESSELVANE_DESKTOP when set (x11, gnome, cinnamon, mate),
// else chosen from XDG_CURRENT_DESKTOP, DISPLAY and WAYLAND_DISPLAY. Raises DesktopError
// when none fits.
std::unique_ptr<DesktopBackend> CreateDesktopBackend();

// What SystemParametersInfo(SPI_SETDESKWALLPAPER) did on Windows: shows a file as the
// wallpaper, tiled or centred as TileWallpaper in "Control Panel\Desktop" of the per-user
// store says, on the colour of Background in "Control Panel\Colors".
class DesktopService {
public:
    static inline const QString kNone = QStringLiteral("(なし)");

    // `backend` may be null: it is then created from the session at the first change.
    DesktopService(RegistryStore& store, std::unique_ptr<DesktopBackend> backend = nullptr);
    ~DesktopService();

    // `name` is a picture file, or "(なし)" (or empty) for no picture. With `updateIniFile`
    // the name is also stored as Wallpaper in "Control Panel\Desktop".
    void SetWallpaper(const QString& name, bool updateIniFile, const QImage& picture = QImage());
    // The same in two steps: the work that need not wait for the file, then, once it is
    // written, Show(). Dropped without Show(), nothing changes.
    std::unique_ptr<PreparedWallpaper> PrepareWallpaper(const QString& name, bool updateIniFile,
                                                        const QImage& picture = QImage());

    DesktopBackend& Backend();
    // See DesktopBackend::Warm; never raises.
    void Warm();

private:
    RegistryStore& store_;
    std::unique_ptr<DesktopBackend> backend_;
};

// The program's desktop service; set by whoever creates it (the program, a test).
extern DesktopService* Desktop;

}  // namespace tesselvane
