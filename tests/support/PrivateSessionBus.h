#pragma once

#include <QProcess>
#include <QString>

namespace tesselvane::test {

// A D-Bus session bus of one test's own, in the test's environment. Stopped, with what it
// started, when the object goes.
class PrivateSessionBus {
public:
    enum class Services {
        Installed,  // the services the system installs (Xfconf, say) start on demand
        Bare,       // nothing starts on demand: a session without those services
    };

    explicit PrivateSessionBus(Services services = Services::Installed);
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // For DBUS_SESSION_BUS_ADDRESS; empty when the bus did not start.
    const QString& address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

}  // namespace tesselvane::test
