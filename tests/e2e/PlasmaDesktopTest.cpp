// The wallpaper on a real KDE Plasma desktop: kwin and plasmashell on a private X server and
// session bus, read back from the screen the shell draws.

#include "HeadlessSway.h"  // Helper
#include "RealDesktop.h"
#include "RunProcess.h"
#include "WaitUntil.h"
#include "XvfbServer.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// What the shell's script prints, or the shell's refusal; empty when it does not answer.
QString shellScript(const QString& busAddress, const QString& script) {
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, "plasma-ask");
    QDBusMessage call = QDBusMessage::createMethodCall("org.kde.plasmashell", "/PlasmaShell",
                                                       "org.kde.PlasmaShell", "evaluateScript");
    call << script;
    const QDBusMessage answer = bus.call(call, QDBus::Block, 10000);
    QDBusConnection::disconnectFromBus("plasma-ask");
    if (answer.type() == QDBusMessage::ErrorMessage &&
        answer.errorName() == "org.freedesktop.DBus.Error.Failed")
        return answer.errorMessage();
    return answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()
               ? answer.arguments().at(0).toString().trimmed()
               : QString();
}

// Shell words that start Plasma's activity manager and return once it is on the bus: started
// by the shell itself on demand, it may come too late under load, and the shell then gives
// up loading its desktops for good ("kactivitymanagerd is not running").
const QString kStartActivities =
    "dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
    "org.freedesktop.DBus.StartServiceByName string:org.kde.ActivityManager uint32:0 >/dev/null";

// Starts `session` as a Plasma session: a bus of its own, then `desktop` (shell words, run with
// the bus's address set and "$1" as `argument`). The whole session, its services and the
// workers they start (some in sessions of their own) live in a process namespace of their own,
// which ends with it. The bus's address, once the shell's answer to a script that counts its
// desktops is `ready`; empty when it does not come up, the session's output on stderr.
QString startPlasmaSession(Helper& session, const QProcessEnvironment& env, const QString& desktop,
                           const QString& argument, const QString& ready) {
    const QString addressFile = scratchFolder() + "plasma-bus";
    QFile::remove(addressFile);
    session.process.setProcessEnvironment(env);
    const QString log = scratchFolder() + "plasma-session.log";
    session.process.setProcessChannelMode(QProcess::MergedChannels);
    session.process.setStandardOutputFile(log);
    const QString script =
        "dbus-daemon --session --fork --print-address=3 3>\"$0.partial\" && "
        "mv \"$0.partial\" \"$0\" && "
        "export DBUS_SESSION_BUS_ADDRESS=$(cat \"$0\") && " +
        desktop;
    session.process.start("unshare", {"--pid", "--fork", "--kill-child", "--", "sh", "-c", script,
                                      addressFile, argument});
    QString address;
    QString desktops;
    const bool up =
        session.process.waitForStarted(10000) && waitUntil([&] {
            QFile file(addressFile);
            address = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                                     : QString();
            return !address.isEmpty();
        }) &&
        waitUntil(
            [&] { return (desktops = shellScript(address, "print(desktops().length)")) == ready; },
            120000);
    if (!up) {
        QFile output(log);
        if (output.open(QIODevice::ReadOnly))
            std::fprintf(stderr, "%s\n", output.readAll().right(4000).constData());
        // Which side stopped: no shell on the bus, or a shell with other desktops.
        std::fprintf(stderr, "the shell's last answer for its desktops: \"%s\"\n",
                     qPrintable(desktops));
    }
    return up ? address : QString();
}

// Ends a session startPlasmaSession started (its namespace goes with it).
void endPlasmaSession(Helper& session) {
    session.process.kill();
    session.process.waitForFinished(10000);
}

TEST(PlasmaDesktop, PlasmashellShowsThePictureCentredTiledUnderTheSameNameAndLocked) {
    for (const char* program : {"plasmashell", "kwin_x11"}) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            GTEST_SKIP() << program << " is not installed (plasma-workspace, kwin-x11)";
    }
    XvfbServer server(800, 600);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server.display());
    env.insert("XDG_CURRENT_DESKTOP", "KDE");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("TESSELVANE_DESKTOP");
    Helper session;
    const QString x11 = "{ kwin_x11 & " + kStartActivities + "; plasmashell; }";
    const QString address = startPlasmaSession(session, env, x11, {}, "1");
    ASSERT_FALSE(address.isEmpty());
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);

    QImage picture(halves());
    const QString file = scratchFolder() + "halves.bmp";
    oneGroupOf(file);
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);
    const QRgb yellow = qRgb(255, 255, 0);
    // (The panel covers the bottom 44 rows.)
    const struct {
        const char* name;
        const char* tile;
        bool repainted;  // the file's picture changed under the same name
        bool locked;     // the widgets locked, as the desktop's menu does
        std::vector<Expected> expected;
    } cases[] = {
        {"centred", "0", false, false, {{{260, 300}, red}, {{540, 300}, blue}, {{790, 10}, green}}},
        {"tiled", "1", false, false, {{{10, 10}, red}, {{160, 10}, blue}, {{310, 10}, red}}},
        {"same name", "1", true, false, {{{10, 10}, yellow}, {{160, 10}, blue}}},
        {"locked", "0", false, true, {{{260, 300}, yellow}, {{790, 10}, green}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.locked) {
            ASSERT_EQ(shellScript(address, "lockCorona(true); print(locked)"), "true");
        }
        if (c.repainted) {
            picture.fill(Qt::blue);
            QPainter(&picture).fillRect(0, 0, 150, 150, Qt::yellow);
            ASSERT_TRUE(picture.save(file));
        }
        setStored("Control Panel\\Desktop", "TileWallpaper", c.tile);
        const ProcessResult r = runBuiltProgram("tesselvane", {"-C"}, {}, 60000, env);
        ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
        if (!waitUntil([&] { return shows(screenOf(server.display()), c.expected, false); })) {
            EXPECT_TRUE(shows(screenOf(server.display()), c.expected, true));
        }
    }

    // Locked by the administrator (KDE's kiosk), the shell refuses every script: a message.
    endPlasmaSession(session);
    QFile kiosk(qEnvironmentVariable("XDG_CONFIG_HOME") + "/kdeglobals");
    ASSERT_TRUE(kiosk.open(QIODevice::Append));
    kiosk.write("\n[KDE Action Restrictions][$i]\nplasma/plasmashell/unlockedDesktop=false\n");
    kiosk.close();
    Helper kioskSession;
    const QString kioskAddress =
        startPlasmaSession(kioskSession, env, x11, {}, "Widgets are locked");
    ASSERT_FALSE(kioskAddress.isEmpty());
    env.insert("DBUS_SESSION_BUS_ADDRESS", kioskAddress);
    // (The program itself would say it in a box, and wait.)
    const ProcessResult r = runBuiltProgram("wallpaper_probe", {file}, {}, 60000, env);
    EXPECT_EQ(r.exitCode, 1) << r.errText().toStdString();
    EXPECT_TRUE(r.errText().contains("ロックされている")) << r.errText().toStdString();
    endPlasmaSession(kioskSession);
}

// What kwin_wayland shows on all its outputs, through its screenshot interface (open to
// every caller when kwin runs with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS); null when it
// cannot.
QImage kwinScreenshot(const QString& busAddress) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, "kwin-shot");
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.kde.KWin", "/org/kde/KWin/ScreenShot2",
                                       "org.kde.KWin.ScreenShot2", "CaptureWorkspace");
    call << QVariantMap{} << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
    ::close(ends[1]);
    const QDBusMessage answer = bus.call(call, QDBus::Block, 10000);
    QDBusConnection::disconnectFromBus("kwin-shot");
    QByteArray data;
    if (answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()) {
        char buffer[65536];
        pollfd entry{ends[0], POLLIN, 0};
        while (::poll(&entry, 1, 10000) > 0) {
            const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            data.append(buffer, n);
        }
    }
    ::close(ends[0]);
    if (data.isEmpty())
        return {};
    const QVariantMap shot = qdbus_cast<QVariantMap>(answer.arguments().at(0));
    const int width = shot.value("width").toInt(), height = shot.value("height").toInt();
    const int stride = shot.value("stride").toInt();
    if (width <= 0 || height <= 0 || qsizetype(stride) * height > data.size())
        return {};
    return QImage(reinterpret_cast<const uchar*>(data.constData()), width, height, stride,
                  QImage::Format(shot.value("format").toInt()))
        .copy();
}

// Plasma on Wayland, where kwin can give it two outputs: one of them turned upright, so that
// the two differ in shape and a picture fitted to the primary one must be fitted anew.
TEST(PlasmaDesktop, OnWaylandEachScreenShowsThePictureFittedToItself) {
    for (const char* program : {"plasmashell", "kwin_wayland", "kscreen-doctor"}) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            GTEST_SKIP() << program << " is not installed (kwin-wayland, libkf5screen-bin)";
    }
    if (!QFileInfo::exists("/usr/lib/x86_64-linux-gnu/qt5/plugins/platforms/"
                           "libqwayland-generic.so"))
        GTEST_SKIP() << "the shell's Wayland platform is not installed (qtwayland5)";
    // The package gives kwin_wayland a file capability that a container may not grant; a copy
    // has none.
    const QString kwin = scratchFolder() + "kwin_wayland";
    QDir().mkpath(scratchFolder());
    ASSERT_TRUE(QFile::copy(QStandardPaths::findExecutable("kwin_wayland"), kwin));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("TESSELVANE_DESKTOP");
    env.insert("WAYLAND_DISPLAY", "wayland-kde");
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.insert("XDG_CURRENT_DESKTOP", "KDE");
    env.insert("KWIN_SCREENSHOT_NO_PERMISSION_CHECKS", "1");
    // The output is turned before the shell starts: a shell that follows a turn later keeps
    // its desktop's old size.
    Helper session;
    const QString address =
        startPlasmaSession(session, env,
                           "exec \"$1\" --virtual --output-count 2 --width 800 --height 600 "
                           "--socket \"$WAYLAND_DISPLAY\" --exit-with-session "
                           "'sh -c \"kscreen-doctor output.Virtual-1.rotation.right; " +
                               kStartActivities + "; exec plasmashell\"'",
                           kwin, "2");
    ASSERT_FALSE(address.isEmpty());
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    const QString layout =
        "var a = desktops(); var t = [];"
        "for (var i = 0; i < a.length; ++i) { var g = screenGeometry(a[i].screen);"
        "  t.push(g.x + ',' + g.y + ',' + g.width + 'x' + g.height); }"
        "print(t.sort().join(' '))";
    ASSERT_TRUE(
        waitUntil([&] { return shellScript(address, layout) == "0,0,800x600 800,0,600x800"; }));

    oneGroupOf(halves());
    setStored(kProgramKey + "\\Option", "FitScreen", "1");
    setStored("Control Panel\\Desktop", "TileWallpaper", "0");
    const ProcessResult r = runBuiltProgram("tesselvane", {"-C"}, {}, 60000, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    // Stretched over each screen; centred as it is, the upright one would keep the desktop's
    // colour above and below. (The panel covers the bottom of the first.)
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    const std::vector<Expected> expected{
        {{200, 300}, red}, {{600, 300}, blue}, {{950, 20}, red}, {{1250, 780}, blue}};
    if (!waitUntil([&] { return shows(kwinScreenshot(address), expected, false); })) {
        EXPECT_TRUE(shows(kwinScreenshot(address), expected, true));
    }

    // Each screen its own picture, centred on it.
    ownPictureGroupOf({red, blue});
    setStored(kProgramKey + "\\Option", "FitScreen", "0");
    const ProcessResult own = runBuiltProgram("tesselvane", {"-C"}, {}, 60000, env);
    ASSERT_EQ(own.exitCode, 0) << own.errText().toStdString();
    const std::vector<Expected> each{{{400, 300}, red}, {{1100, 400}, blue}};
    if (!waitUntil([&] { return shows(kwinScreenshot(address), each, false); })) {
        EXPECT_TRUE(shows(kwinScreenshot(address), each, true));
    }
    endPlasmaSession(session);
}

}  // namespace
