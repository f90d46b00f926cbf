#pragma once

#include "platform/DesktopBackend.h"

#include <QList>
#include <QStringList>
#include <QVariant>

namespace tesselvane {

struct XfconfValue {
    QString property;
    QVariant value;
    friend bool operator==(const XfconfValue&, const XfconfValue&) = default;
};

// Xfce: the desktop's backdrop properties in Xfconf (channel xfce4-desktop), which xfdesktop
// watches. Each monitor and workspace has its own; a fresh link per change makes xfdesktop
// read the picture again.
class XfceDesktop : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("xfce"); }
    void apply(const WallpaperRequest& request) override;

    // The values to set: for every backdrop among `existing` (the channel's property names
    // under /backdrop), else for each of `monitors` on the first workspace.
    static QList<XfconfValue> backdropValues(const QStringList& existing,
                                             const QStringList& monitors, const QString& file,
                                             WallpaperStyle style, const QColor& background);
};

}  // namespace tesselvane
