#include "platform/desktop/SessionBus.h"

#include "platform/DesktopBackend.h"
#include "platform/InterfaceLanguage.h"

#include <QDBusConnection>
#include <QDBusError>

namespace tesselvane {

namespace {

constexpr int kTimeoutMs = 10000;

}  // namespace

QDBusMessage callSessionService(const QDBusMessage& call, const QString& service) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        throw DesktopError(interfaceText("SessionBus", "D-Bus のセッションバスに接続できません"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QDBusError::ErrorType error = QDBusError(reply).type();
        if (error == QDBusError::ServiceUnknown || error == QDBusError::UnknownObject ||
            error == QDBusError::UnknownInterface || error == QDBusError::Disconnected ||
            // a service the bus knows but cannot start
            reply.errorName().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."))) {
            throw DesktopError(interfaceText("SessionBus", "%1 (%2) がセッションバスにありません")
                                   .arg(service, call.service()));
        }
        if (error == QDBusError::NoReply || error == QDBusError::Timeout ||
            error == QDBusError::TimedOut) {
            throw DesktopError(
                interfaceText("SessionBus", "%1 (%2) が答えません").arg(service, call.service()));
        }
    }
    return reply;
}

}  // namespace tesselvane
