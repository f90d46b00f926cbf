#pragma once

#include "platform/DesktopBackend.h"

#include <QObject>
#include <QRect>

#include <vector>

namespace tesselvane {

// Plasma 5 and 6: a script for the shell's evaluateScript that sets the wallpaper of every
// desktop (one per screen). Plasma keeps a picture by its name, so each change names a fresh
// link to the file.
class KdeDesktop : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("kde"); }
    void apply(const WallpaperRequest& request) override;
    // A picture fitted to each screen is drawn again for a new layout.
    void watchLayout(std::function<void()> changed) override;

    // A picture of its own for the desktop of the screen at `screen`.
    struct ScreenImage {
        QRect screen;
        QString imageUrl;
    };
    // The script that shows `imageUrl` (the plain colour when empty) on `background`, or on a
    // screen that `screens` names, its own picture.
    static QString script(const QString& imageUrl, WallpaperStyle style, const QColor& background,
                          const std::vector<ScreenImage>& screens = {});

private:
    std::unique_ptr<QObject> monitorWatch_;
};

}  // namespace tesselvane
