#include "PrivateSessionBus.h"

#include "TestFolders.h"

#include <QDir>
#include <QFile>

namespace tesselvane::test {

namespace {

// The session bus's own configuration without its service folders, which take the system's
// folder whatever XDG_DATA_DIRS says.
const char kBareSession[] = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

}  // namespace

PrivateSessionBus::PrivateSessionBus(Services services) {
    QStringList arguments{QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                          QStringLiteral("--print-address=1")};
    if (services == Services::Bare) {
        QDir().mkpath(scratchFolder());
        const QString config = scratchFolder() + QStringLiteral("bare-session-bus.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(kBareSession) < 0)
            return;
        arguments << QStringLiteral("--config-file=") + config;
    } else {
        arguments << QStringLiteral("--session");
    }
    daemon_.setStandardErrorFile(QProcess::nullDevice());
    daemon_.start(QStringLiteral("dbus-daemon"), arguments);
    if (!daemon_.waitForStarted(10000))
        return;
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(20000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus() {
    // The services it started leave when their bus goes.
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) {
        daemon_.kill();
        daemon_.waitForFinished();
    }
}

}  // namespace tesselvane::test
