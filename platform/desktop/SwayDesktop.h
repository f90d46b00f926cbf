#pragma once

#include "platform/DesktopBackend.h"

#include <QByteArray>

namespace tesselvane {

// sway and the compositors that speak its IPC: an `output * bg` command over the socket
// SWAYSOCK names. The compositor hands the file to its background client, which does not
// reload a name it shows already, so each change names a fresh link to the file.
class SwayDesktop : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("sway"); }
    void apply(const WallpaperRequest& request) override;

    // The command that shows `file` (none when empty) on `background`. Raises DesktopError
    // for a path the compositor's command parser would take apart.
    static QByteArray command(const QString& file, WallpaperStyle style, const QColor& background);
    // A RUN_COMMAND message of the IPC carrying `payload`.
    static QByteArray message(const QByteArray& payload);
    // How many bytes of `reply` the message at its start takes, once its header is there
    // (0 before); raises DesktopError when the header is not the IPC's.
    static qsizetype replySize(const QByteArray& reply);
    // Raises DesktopError unless the complete reply says that every command succeeded.
    static void checkReply(const QByteArray& reply);
};

}  // namespace tesselvane
