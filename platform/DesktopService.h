#pragma once

#include "platform/DesktopBackend.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tesselvane {

class RegistryStore;

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
    void setWallpaper(const QString& name, bool updateIniFile, const QImage& picture = QImage());
    // The same in two steps: the work that need not wait for the file, then, once it is
    // written, show(). Dropped without show(), nothing changes.
    // With `monitorPictures`, each monitor's own (see WallpaperRequest), `picture` is them all
    // composed.
    std::unique_ptr<PreparedWallpaper> prepareWallpaper(const QString& name, bool updateIniFile,
                                                        const QImage& picture = QImage(),
                                                        std::vector<QImage> monitorPictures = {});

    DesktopBackend& backend();
    // The desktop's colour, Background in "Control Panel\Colors".
    QColor background() const;
    // How a picture is placed: TileWallpaper in "Control Panel\Desktop", centred by default.
    WallpaperStyle placement() const;
    // How the pictures to come were fitted to the screen; the back end fits them again to
    // monitors of other sizes. The options may change in memory long before they are stored,
    // so the one who fits says so, rather than the store.
    void setFit(const WallpaperFit& fit) { fit_ = fit; }
    // See DesktopBackend::warm; never raises.
    void warm();
    // Shows the last wallpaper shown again, as the settings say now (for a new monitor
    // layout); nothing when none was shown. Never raises. When it gave each monitor its own
    // picture, `redrawOwnPictures` (when set) chooses and shows them for the new layout.
    void redisplay();
    void setRedrawOwnPictures(std::function<void()> redraw) { redrawOwn_ = std::move(redraw); }

private:
    RegistryStore& store_;
    std::unique_ptr<DesktopBackend> backend_;
    WallpaperFit fit_;
    QString shown_;  // the last name shown
    bool shownOwnPictures_ = false;
    std::function<void()> redrawOwn_;
    bool watching_ = false;
};

// The program's desktop service; set by whoever creates it (the program, a test).
extern DesktopService* desktopService;

}  // namespace tesselvane
