#pragma once

#include "platform/DesktopBackend.h"

#include <QStringList>

namespace tesselvane {

// LXQt: its desktop, pcmanfm-qt, takes the wallpaper on its command line and hands it to the
// running desktop. It has no switch for the desktop colour and its colour-only mode does not
// take from the command line, so no picture is a tiled picture of the colour; around a
// centred picture the desktop's own colour stays. It keeps a picture by its name: each change
// names a fresh link to the file.
class LxqtDesktop : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("lxqt"); }
    void apply(const WallpaperRequest& request) override;

    // pcmanfm-qt's arguments that show `file`.
    static QStringList arguments(const QString& file, WallpaperStyle style);
};

}  // namespace tesselvane
