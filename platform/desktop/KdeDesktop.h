#pragma once

#include "platform/DesktopBackend.h"

namespace tesselvane {

// Plasma 5 and 6: a script for the shell's evaluateScript that sets the wallpaper of every
// desktop. Plasma keeps a picture by its name, so each change names a fresh link to the file.
class KdeDesktop : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("kde"); }
    void apply(const WallpaperRequest& request) override;

    // The script that shows `imageUrl` (the plain colour when empty) on `background`.
    static QString script(const QString& imageUrl, WallpaperStyle style, const QColor& background);
};

}  // namespace tesselvane
