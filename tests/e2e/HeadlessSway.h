#pragma once

// A headless sway of the test's own, for the tests that meet the real compositor: its screen
// through grim, its windows through swaymsg, and on request a session bus and a bar whose
// tray is a real StatusNotifier host.

#include "TestFolders.h"
#include "WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <csignal>
#include <optional>

#include <unistd.h>

namespace tesselvane::test {

// A started helper process, ended when the test ends.
struct Helper {
    QProcess process;
    ~Helper() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished();
            }
        }
    }
};

class HeadlessSway {
public:
    enum class Bus { None, Private };

    // `outputs` are the sizes of outputs side by side from the left; the first `present` of
    // them are there from the start, the others come with addOutput().
    explicit HeadlessSway(Bus bus = Bus::None, const QStringList& outputs = {"320x240"},
                          int present = 1)
        : outputs_(outputs) {
        for (const char* program :
             {"sway", "swaybg", "grim", "unshare", "nsenter", "dbus-daemon"}) {
            if (QStandardPaths::findExecutable(program).isEmpty()) {
                skip_ = QStringLiteral("%1 is not installed").arg(program);
                return;
            }
        }
        runtime_ = qEnvironmentVariable("XDG_RUNTIME_DIR");
        socket_ = testRoot() + "sway-ipc.sock";
        config_ = scratchFolder() + "sway-config";
        QDir().mkpath(scratchFolder());
        if (!writeConfig(false)) {
            skip_ = "cannot write the compositor's configuration";
            return;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("SWAYSOCK", socket_);
        env.insert("WLR_BACKENDS", "headless");
        env.insert("WLR_HEADLESS_OUTPUTS", QString::number(present));
        env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        env.insert("WLR_RENDERER", "pixman");
        sway_.process.setProcessEnvironment(env);
        sway_.process.setProcessChannelMode(QProcess::MergedChannels);
        // The bus is started inside the compositor's user namespace, where its clients (the
        // bar, and the program through nsenter) have the user it expects.
        QStringList command{"sway", "-c", config_};
        if (bus == Bus::Private) {
            busFile_ = scratchFolder() + "sway-bus";
            command = QStringList{"sh", "-c",
                                  "dbus-daemon --session --fork --print-address=3 --print-pid=4 "
                                  "3>\"$0.address\" 4>\"$0.pid\" && "
                                  "DBUS_SESSION_BUS_ADDRESS=$(cat \"$0.address\") exec \"$@\"",
                                  busFile_} +
                      command;
        }
        // sway will not run as root; as user 1000 of a namespace of its own it does, and
        // root still reaches its sockets.
        if (::geteuid() == 0)
            command =
                QStringList{"unshare", "--user", "--map-user=1000", "--map-group=1000"} + command;
        sway_.process.start(command.takeFirst(), command);
        const bool up = sway_.process.waitForStarted(10000) && waitUntil([&] {
                            return QFileInfo::exists(socket_) && !waylandDisplay().isEmpty();
                        });
        if (!up) {
            sway_.process.waitForFinished(1000);
            skip_ = "headless sway does not start here: " +
                    QString::fromLocal8Bit(sway_.process.readAll().right(2000));
        }
    }

    ~HeadlessSway() {
        const QByteArray busPid = readAll(busFile_ + ".pid").trimmed();
        if (!busPid.isEmpty() && busPid.toInt() > 0)
            ::kill(busPid.toInt(), SIGTERM);
    }

    const QString& skipReason() const { return skip_; }
    const QString& socket() const { return socket_; }
    QString busAddress() const {
        return QString::fromUtf8(readAll(busFile_ + ".address")).trimmed();
    }

    // The next output of those the constructor named plugged in.
    bool addOutput() { return swaymsg({"create_output"}).has_value(); }

    // A bar with a tray at the top, or none; sway restarts its bars on every reload.
    bool showBar(bool shown) { return writeConfig(shown) && swaymsg({"reload"}).has_value(); }

    // `program` as a client of the compositor's bus: inside its user namespace when run as root.
    QStringList inSession(const QString& program, const QStringList& arguments) const {
        if (::geteuid() != 0)
            return QStringList{program} + arguments;
        return QStringList{"nsenter",
                           "--user",
                           "--preserve-credentials",
                           "--target",
                           QString::number(sway_.process.processId()),
                           "--",
                           program} +
               arguments;
    }

    // What the compositor shows, through its screen capture; null when it cannot.
    QImage screenshot() const {
        QProcess grim;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WAYLAND_DISPLAY", waylandDisplay());
        env.insert("XDG_RUNTIME_DIR", runtime_);
        grim.setProcessEnvironment(env);
        grim.start("grim", {"-t", "ppm", "-"});
        if (!grim.waitForFinished(20000) || grim.exitCode() != 0)
            return {};
        return QImage::fromData(grim.readAllStandardOutput(), "PPM");
    }

    // The titles of the windows the compositor manages.
    QStringList windowTitles() const {
        QStringList titles;
        static const QRegularExpression kName(R"re("name": "([^"]*)")re");
        const QString tree = QString::fromUtf8(swaymsg({"-t", "get_tree"}).value_or(""));
        for (const auto& match : kName.globalMatch(tree))
            titles.append(match.captured(1));
        return titles;
    }

    QString waylandDisplay() const {
        const QStringList sockets = QDir(runtime_).entryList({"wayland-*"}, QDir::System);
        for (const QString& name : sockets) {
            if (!name.endsWith(".lock"))
                return name;
        }
        return {};
    }

private:
    bool writeConfig(bool bar) const {
        QFile file(config_);
        // Windows go to a workspace no output shows, leaving the desktop in sight.
        QByteArray text =
            "xwayland disable\nfor_window [title=\".*\"] move container to "
            "workspace aside\n";
        int x = 0;
        for (int i = 0; i < outputs_.size(); ++i) {
            text += QStringLiteral("output HEADLESS-%1 resolution %2 position %3 0\n")
                        .arg(i + 1)
                        .arg(outputs_[i])
                        .arg(x)
                        .toUtf8();
            x += outputs_[i].section(u'x', 0, 0).toInt();
        }
        if (bar)
            text += "bar {\n  position top\n  tray_output *\n}\n";
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    }

    std::optional<QByteArray> swaymsg(const QStringList& arguments) const {
        QProcess swaymsg;
        swaymsg.start("swaymsg", QStringList{"-s", socket_} + arguments);
        if (!swaymsg.waitForFinished(10000) || swaymsg.exitCode() != 0)
            return std::nullopt;
        return swaymsg.readAllStandardOutput();
    }

    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return path.isEmpty() || !file.open(QIODevice::ReadOnly) ? QByteArray() : file.readAll();
    }

    QStringList outputs_;
    QString skip_;
    QString runtime_;
    QString socket_;
    QString config_;
    QString busFile_;
    Helper sway_;
};

}  // namespace tesselvane::test
