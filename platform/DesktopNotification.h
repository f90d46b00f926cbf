#pragma once

#include <QString>

namespace tesselvane {

// Shows `text` under `title` as a notification of the desktop (org.freedesktop.Notifications
// on the session bus), an error's, that stays until the user dismisses it. False when the
// session has no notification service.
bool notifyDesktop(const QString& title, const QString& text);

}  // namespace tesselvane
