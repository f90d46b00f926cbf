#pragma once

#include "platform/DesktopBackend.h"

#include <QByteArray>
#include <QObject>
#include <QRect>

#include <vector>

namespace tesselvane {

// sway and the compositors that speak its IPC: an `output * bg` command over the socket
// SWAYSOCK names. The compositor hands the file to its background client, which does not
// reload a name it shows already, so each change names a fresh link to the file.
class SwayDesktop : public DesktopBackend {
public:
    enum MessageType : quint32 { RunCommand = 0, GetOutputs = 3 };
    struct Output {
        QString name;
        QRect rect;
        bool operator==(const Output&) const = default;
    };

    QString name() const override { return QStringLiteral("sway"); }
    void apply(const WallpaperRequest& request) override;
    // A picture fitted to each output is drawn again for a new layout.
    void watchLayout(std::function<void()> changed) override;

    // The command that shows `file` (none when empty) on `background` on `output` (every
    // output for "*"). Raises DesktopError for a path the compositor's command parser would
    // take apart.
    static QByteArray command(const QString& file, WallpaperStyle style, const QColor& background,
                              const QString& output = QStringLiteral("*"));
    // A message of the IPC of `type` carrying `payload`.
    static QByteArray message(const QByteArray& payload, MessageType type = RunCommand);
    // How many bytes of `reply` the message at its start takes, once its header is there
    // (0 before); raises DesktopError when the header is not the IPC's reply to `type`.
    static qsizetype replySize(const QByteArray& reply, MessageType type = RunCommand);
    // Raises DesktopError unless the complete reply says that every command succeeded.
    static void checkReply(const QByteArray& reply);
    // The active outputs a complete GET_OUTPUTS reply lists, the focused one first; empty when
    // one has a name a command could not carry. Raises DesktopError when it is not a reply.
    static std::vector<Output> outputs(const QByteArray& reply);

private:
    std::unique_ptr<QObject> monitorWatch_;
};

}  // namespace tesselvane
