#pragma once

#include "platform/DesktopBackend.h"

#include <QHash>
#include <QList>
#include <QObject>
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

    // A picture fitted to each monitor is drawn again for a new layout.
    void watchLayout(std::function<void()> changed) override;

    // The values to set: for every backdrop among `existing` (the channel's property names
    // under /backdrop), and for each of `monitors` without one there on its first workspace.
    // A monitor that `monitorFiles` names shows its own file.
    static QList<XfconfValue> backdropValues(const QStringList& existing,
                                             const QStringList& monitors, const QString& file,
                                             WallpaperStyle style, const QColor& background,
                                             const QHash<QString, QString>& monitorFiles = {});

private:
    std::unique_ptr<QObject> monitorWatch_;
};

}  // namespace tesselvane
