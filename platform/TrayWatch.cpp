#include "platform/TrayWatch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>

namespace tesselvane {

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
// The watcher is a neighbour on the session bus; a hung one must not freeze the program.
constexpr int kAskMs = 1000;

}  // namespace

void watchNotificationArea(QObject* receiver, std::function<void(bool newWatcher)> changed) {
    // Qt's X11 platform follows the tray manager for its own tray icons and tells of each
    // change by a signal of its native interface. That class's header is private to Qt, but
    // it is a QObject, and the signal is reached by name. A queued single shot: the signal
    // comes once per screen, and Qt's own icon moves into the new area on the same signal.
    auto* settle = new QTimer(receiver);
    settle->setSingleShot(true);
    settle->setInterval(0);
    QObject::connect(settle, &QTimer::timeout, receiver, [changed] { changed(false); });
    auto* native = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
    if (native && native->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") >= 0)
        QObject::connect(native, SIGNAL(systemTrayWindowChanged(QScreen*)), settle, SLOT(start()));

    // Qt registers its StatusNotifier icon with the watcher it finds once, not with one that
    // comes later or anew.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto* watcher =
        new QDBusServiceWatcher(kWatcher, bus, QDBusServiceWatcher::WatchForOwnerChange, receiver);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, receiver,
                     [changed] { changed(true); });
    // A watcher's host (the tray itself) may register a moment after the watcher's name.
    bus.connect(QString(), kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"),
                settle, SLOT(start()));
}

bool notificationAreaCanBeAsked() {
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kWatcher))
        return false;
    QDBusMessage ask = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    ask << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage answer = bus.call(ask, QDBus::Block, kAskMs);
    return answer.type() == QDBusMessage::ReplyMessage && answer.arguments().size() == 1 &&
           answer.arguments().at(0).value<QDBusVariant>().variant().toBool();
}

}  // namespace tesselvane
