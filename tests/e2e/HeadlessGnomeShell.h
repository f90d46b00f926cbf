#pragma once

// A headless GNOME Shell of the test's own, as a Wayland compositor with virtual monitors: a
// private system bus (the shell asks it for logind and gives up without one), a session bus
// that starts GNOME's services (dconf) on demand, and the shell's own screenshot.

#include "HeadlessSway.h"  // Helper
#include "PrivateSessionBus.h"
#include "TestFolders.h"
#include "WaitUntil.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

#include <csignal>

namespace tesselvane::test {

class HeadlessGnomeShell {
public:
    // Each monitor "WIDTHxHEIGHT", placed left to right by the shell.
    explicit HeadlessGnomeShell(const QStringList& monitors) {
        if (QStandardPaths::findExecutable("gnome-shell").isEmpty()) {
            skip_ = "gnome-shell is not installed";
            return;
        }
        if (!startSystemBus() || session_.address().isEmpty()) {
            skip_ = "no private D-Bus here";
            return;
        }
        // The test's own: dconf's service, started by the session bus, flags its changes there
        // for the shell to read.
        runtime_ = qEnvironmentVariable("XDG_RUNTIME_DIR");
        // The shell may hang at its start (a child it forks deadlocks in GLib's type lock
        // under load): one that does not come up is started afresh.
        for (int attempt = 0; attempt < 3 && !up_; ++attempt)
            up_ = start(monitors);
        if (!up_)
            skip_ = "gnome-shell did not come up: " + shellOutput_.right(2000);
    }
    ~HeadlessGnomeShell() { stopShell(); }

    const QString& skipReason() const { return skip_; }

    // For the program as the shell's Wayland client.
    QProcessEnvironment clientEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.insert("WAYLAND_DISPLAY", "wayland-0");
        env.insert("XDG_RUNTIME_DIR", runtime_);
        env.insert("DBUS_SESSION_BUS_ADDRESS", session_.address());
        env.insert("XDG_CURRENT_DESKTOP", "GNOME");
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.remove("TESSELVANE_DESKTOP");
        env.remove("GSETTINGS_BACKEND");
        return env;
    }

    // The whole layout as the shell draws it, out of its overview; null when it does not
    // answer.
    QImage screenshot() {
        if (!screenshotBus_) {
            // The shell lets only a few programs take its picture, GNOME's screenshot tool
            // among them: the test takes that tool's name.
            screenshotBus_ = std::make_unique<QDBusConnection>(
                QDBusConnection::connectToBus(session_.address(), "gnome-screenshot-taker"));
            if (!screenshotBus_->isConnected() ||
                !screenshotBus_->interface()->registerService("org.gnome.Screenshot").isValid())
                return {};
        }
        if (!leaveOverview(*screenshotBus_))
            return {};
        const QString file = scratchFolder() + "gnome-shot.png";
        QFile::remove(file);
        QDBusMessage call = QDBusMessage::createMethodCall(
            "org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
            "org.gnome.Shell.Screenshot", "Screenshot");
        call << false << false << file;
        const QDBusMessage answer = screenshotBus_->call(call, QDBus::Block, 30000);
        return answer.type() == QDBusMessage::ReplyMessage ? QImage(file) : QImage();
    }

private:
    bool startSystemBus() {
        QDir().mkpath(scratchFolder());
        const QString config = scratchFolder() + "system-bus.conf";
        QFile file(config);
        const QByteArray text =
            "<!DOCTYPE busconfig PUBLIC "
            "\"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
            "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>system</type>"
            "<listen>unix:path=" +
            testRoot().toUtf8() +
            "system-bus</listen><auth>EXTERNAL</auth>"
            "<policy context=\"default\">"
            "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
            "</policy></busconfig>\n";
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return false;
        file.close();
        systemBus_.process.start("dbus-daemon",
                                 {"--config-file=" + config, "--nofork", "--print-address=1"});
        return systemBus_.process.waitForStarted(10000) &&
               waitUntil([&] { return systemBus_.process.canReadLine(); });
    }

    bool start(const QStringList& monitors) {
        for (const QString& name : QDir(runtime_).entryList({"wayland-*"}, QDir::System))
            QFile::remove(runtime_ + u'/' + name);
        shell_ = std::make_unique<Helper>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("XDG_RUNTIME_DIR", runtime_);
        env.insert("DBUS_SESSION_BUS_ADDRESS", session_.address());
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + testRoot() + "system-bus");
        env.remove("GSETTINGS_BACKEND");
        shell_->process.setProcessEnvironment(env);
        shell_->process.setProcessChannelMode(QProcess::MergedChannels);
        QStringList arguments{"--headless", "--wayland", "--no-x11"};
        for (const QString& monitor : monitors)
            arguments << "--virtual-monitor" << monitor;
        shell_->process.start("gnome-shell", arguments);
        if (!shell_->process.waitForStarted(10000))
            return false;
        // Up once it answers on its main loop, and has drawn its desktop: the hang comes as
        // the start ends.
        QDBusConnection bus = QDBusConnection::connectToBus(session_.address(), "gnome-shell-ask");
        const bool answered = waitUntil([&] { return leaveOverview(bus); }, 60000);
        QDBusConnection::disconnectFromBus("gnome-shell-ask");
        const bool drawn = answered && waitUntil([&] { return !screenshot().isNull(); }, 60000);
        shellOutput_ = QString::fromLocal8Bit(shell_->process.readAll());
        if (!drawn)
            stopShell();
        return drawn;
    }

    // The shell with the children it forked: a child hung in its fork still holds the
    // shell's place on the bus.
    void stopShell() {
        if (screenshotBus_)
            QDBusConnection::disconnectFromBus("gnome-screenshot-taker");
        screenshotBus_.reset();
        if (!shell_)
            return;
        const QString pid = QString::number(shell_->process.processId());
        QStringList children;
        for (const QString& task :
             QDir("/proc/" + pid + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile file("/proc/" + pid + "/task/" + task + "/children");
            if (file.open(QIODevice::ReadOnly))
                children += QString::fromLatin1(file.readAll()).split(u' ', Qt::SkipEmptyParts);
        }
        shell_.reset();
        for (const QString& child : children)
            ::kill(child.toInt(), SIGKILL);
    }

    // The shell starts in its overview, and opens it once more as its start ends: the
    // desktop shows once it has left it.
    static bool leaveOverview(const QDBusConnection& bus) {
        QDBusMessage set = QDBusMessage::createMethodCall("org.gnome.Shell", "/org/gnome/Shell",
                                                          "org.freedesktop.DBus.Properties", "Set");
        set << QString("org.gnome.Shell") << QString("OverviewActive")
            << QVariant::fromValue(QDBusVariant(false));
        return bus.call(set, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

    QString skip_;
    QString runtime_;
    QString shellOutput_;
    bool up_ = false;
    Helper systemBus_;
    PrivateSessionBus session_;
    std::unique_ptr<Helper> shell_;
    std::unique_ptr<QDBusConnection> screenshotBus_;
};

}  // namespace tesselvane::test
