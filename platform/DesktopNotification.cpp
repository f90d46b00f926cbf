#include "platform/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace tesselvane {

namespace {

// Long enough for a busy notification service, short for a change that waits on it.
constexpr int kTimeoutMs = 3000;

}  // namespace

bool notifyDesktop(const QString& title, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // An error's urgency is "critical" (2): it stays until it is dismissed.
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))}};
    call << QStringLiteral("Tesselvane") << uint(0) << QStringLiteral("tesselvane") << title << text
         << QStringList() << hints << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace tesselvane
