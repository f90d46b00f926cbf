#pragma once

#include <functional>

class QObject;

namespace tesselvane {

// Calls `changed` (in `receiver`'s thread, after the event that caused it) whenever a
// notification area appears on or leaves the screen: an X11 tray manager (its selection), or
// a StatusNotifier host's watcher on the session bus (KDE Plasma's tray, GNOME's
// AppIndicator extension), also when one restarts; `newWatcher` says it was the latter, with
// which an icon must register anew.
void watchNotificationArea(QObject* receiver, std::function<void(bool newWatcher)> changed);

// Whether Qt may be asked about the notification area now. Off X11 its only tray is a
// StatusNotifier one, and Qt decides once per process, at its first icon, whether there is
// a host: asked before one is there, it would never show an icon, even after one comes.
bool notificationAreaCanBeAsked();

}  // namespace tesselvane
