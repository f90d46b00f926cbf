#pragma once

#include "platform/DesktopBackend.h"

#include <QObject>

namespace tesselvane {

// GNOME and the desktops built on its settings: the picture's URI (or path) and its
// placement go into GSettings, which the desktop watches. Desktops do not reload a file
// whose name did not change, and the program's wallpaper file keeps its name, so each change
// points the desktop at a fresh link to the file and removes the link before it.
class GnomeDesktop : public DesktopBackend {
public:
    enum class Variant {
        Gnome,     // org.gnome.desktop.background (also Budgie, Unity, Pantheon)
        Cinnamon,  // org.cinnamon.desktop.background
        Mate,      // org.mate.background
    };

    explicit GnomeDesktop(Variant variant) : variant_(variant) {}
    QString name() const override;
    void apply(const WallpaperRequest& request) override;
    // GNOME's own picture is spanned over the layout the program composed for it.
    void watchLayout(std::function<void()> changed) override;

private:
    Variant variant_;
    std::unique_ptr<QObject> monitorWatch_;
};

}  // namespace tesselvane
