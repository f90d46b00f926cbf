#pragma once

#include <QDBusMessage>
#include <QString>

namespace tesselvane {

// Sends `call` on the session bus and waits for its answer. A bus or a service that is not
// there raises DesktopError naming `service`, the user's name for what is missing; an error
// the service answers comes back as the reply, for the caller to judge.
QDBusMessage callSessionService(const QDBusMessage& call, const QString& service);

}  // namespace tesselvane
