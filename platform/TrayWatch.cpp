#include "platform/TrayWatch.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QTimer>

namespace tesselvane {

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
    auto* watcher = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"), bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, receiver);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, receiver,
                     [changed] { changed(true); });
}

}  // namespace tesselvane
