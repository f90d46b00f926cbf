#pragma once

#include <functional>

class QObject;

namespace tesselvane {

// Calls `changed` (in `receiver`'s thread, after the event that caused it) whenever a
// notification area appears on or leaves the screen, where the platform says so: X11 does,
// through the tray manager's selection. Elsewhere nothing is ever called.
void watchNotificationArea(QObject* receiver, std::function<void()> changed);

}  // namespace tesselvane
