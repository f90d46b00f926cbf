// The wallpaper on the desktops that take it over a bus or a socket: Xfce's own settings
// service, LXQt's desktop and sway, run here in private; a session without Plasma's shell.

#include "HeadlessSway.h"
#include "PrivateSessionBus.h"
#include "RunProcess.h"
#include "TestFolders.h"
#include "WaitUntil.h"
#include "XvfbServer.h"
#include "platform/RegistryStore.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::HasSubstr;

namespace {

QString wallpaperFile() {
    return QFileInfo(qEnvironmentVariable("XDG_DATA_HOME") + "/tesselvane/$tessel.bmp")
        .absoluteFilePath();
}

void setValue(const QString& key, const QString& name, const QString& value) {
    RegistryStore store(RegistryStore::defaultPath());
    store.setValue(key, RegValue::text(name, value));
}

QString solid(const QString& name, QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    const QString path = scratchFolder() + name;
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}

ProcessResult probe(const QStringList& files, const QProcessEnvironment& env) {
    return runBuiltProgram("wallpaper_probe", files, {}, 60000, env);
}

bool near(QRgb a, QRgb b, int tolerance = 8) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QProcessEnvironment onBus(const PrivateSessionBus& bus, const QString& desktop) {
    QProcessEnvironment env;
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    env.insert("TESSELVANE_DESKTOP", desktop);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// --- Plasma ---

// The real shell is proven in the desktop tests; here, the session without one.
TEST(KdeDesktopWithoutAShell, IsAClearError) {
    PrivateSessionBus bus(PrivateSessionBus::Services::Bare);
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    const QString picture = solid("q.bmp", QSize(8, 8), qRgb(255, 0, 0));
    const ProcessResult r = probe({picture}, onBus(bus, "kde"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_THAT(r.errText().toStdString(),
                HasSubstr("Plasma のシェル (org.kde.plasmashell) がセッションバスにありません"));
}

// --- Xfce, with its own settings service ---

bool xfconfInstalled() {
    for (const char* folder : {"/usr/lib/x86_64-linux-gnu/xfce4/xfconf", "/usr/lib/xfce4/xfconf"}) {
        if (QFileInfo::exists(QString::fromLatin1(folder) + "/xfconfd"))
            return true;
    }
    return false;
}

class Xfconf {
public:
    explicit Xfconf(const PrivateSessionBus& bus)
        : bus_(QDBusConnection::connectToBus(bus.address(), "xfconf-test")) {}
    ~Xfconf() { QDBusConnection::disconnectFromBus("xfconf-test"); }

    QVariantMap all() {
        QDBusMessage call = method("GetAllProperties");
        call << QString("xfce4-desktop") << QString("/backdrop");
        const QDBusMessage reply = bus_.call(call);
        QVariantMap values;
        if (reply.type() != QDBusMessage::ReplyMessage)
            return values;
        const QDBusArgument map = reply.arguments().at(0).value<QDBusArgument>();
        map.beginMap();
        while (!map.atEnd()) {
            QString name;
            QDBusVariant value;
            map.beginMapEntry();
            map >> name >> value;
            map.endMapEntry();
            QVariant plain = value.variant();
            if (plain.userType() == qMetaTypeId<QDBusArgument>()) {  // an array of variants
                const QDBusArgument array = plain.value<QDBusArgument>();
                QVariantList items;
                array.beginArray();
                while (!array.atEnd()) {
                    QDBusVariant item;
                    array >> item;
                    items << item.variant();
                }
                array.endArray();
                plain = items;
            }
            values.insert(name, plain);
        }
        map.endMap();
        return values;
    }

    bool set(const QString& property, const QVariant& value) {
        QDBusMessage call = method("SetProperty");
        call << QString("xfce4-desktop") << property << QVariant::fromValue(QDBusVariant(value));
        return bus_.call(call).type() == QDBusMessage::ReplyMessage;
    }

private:
    static QDBusMessage method(const char* name) {
        return QDBusMessage::createMethodCall("org.xfce.Xfconf", "/org/xfce/Xfconf",
                                              "org.xfce.Xfconf", name);
    }
    QDBusConnection bus_;
};

TEST(XfceDesktopWithXfconfd, AFirstChangeMakesTheMonitorsBackdropLaterOnesFollowEveryBackdrop) {
    if (!xfconfInstalled())
        GTEST_SKIP() << "xfconfd is not installed (libxfconf-0-3 and xfconf)";
    XvfbServer server(320, 240);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    QProcessEnvironment env = onBus(bus, "xfce");
    env.insert("DISPLAY", server.display());
    env.insert("QT_QPA_PLATFORM", "xcb");
    setValue("Control Panel\\Colors", "Background", "0 0 255");

    const QString picture = solid("q.bmp", QSize(8, 8), qRgb(255, 0, 0));
    setValue("Control Panel\\Desktop", "TileWallpaper", "1");
    ProcessResult r = probe({picture}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    Xfconf xfconf(bus);
    // Xvfb's one output is named "screen".
    const QString screen = "/backdrop/screen0/monitorscreen/workspace0/";
    QVariantMap values = xfconf.all();
    EXPECT_EQ(values.size(), 4) << QStringList(values.keys()).join(' ').toStdString();
    const QString first = values.value(screen + "last-image").toString();
    EXPECT_EQ(QFileInfo(first).symLinkTarget(), wallpaperFile());
    EXPECT_EQ(values.value(screen + "image-style").toInt(), 2);
    EXPECT_EQ(values.value(screen + "color-style").toInt(), 0);
    EXPECT_EQ(values.value(screen + "rgba1").toList(), QVariantList({0.0, 0.0, 1.0, 1.0}));

    // The desktop has made its own backdrops since: those are the ones to change.
    const QString other = "/backdrop/screen0/monitorHDMI-1/workspace3/";
    ASSERT_TRUE(xfconf.set(other + "last-image", "/old.png"));
    setValue("Control Panel\\Desktop", "TileWallpaper", "0");
    r = probe({picture}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    values = xfconf.all();
    for (const QString& prefix : {screen, other}) {
        const QString image = values.value(prefix + "last-image").toString();
        EXPECT_NE(image, first);  // xfdesktop reloads a picture only under a new name
        EXPECT_EQ(QFileInfo(image).symLinkTarget(), wallpaperFile()) << prefix.toStdString();
        EXPECT_EQ(values.value(prefix + "image-style").toInt(), 1);
    }

    r = probe({""}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    values = xfconf.all();
    EXPECT_EQ(values.value(screen + "image-style").toInt(), 0);
    EXPECT_EQ(values.value(other + "image-style").toInt(), 0);
    EXPECT_EQ(values.value(other + "rgba1").toList(), QVariantList({0.0, 0.0, 1.0, 1.0}));
}

TEST(XfceDesktopWithXfconfd, AMissingBusOrServiceIsAClearError) {
    PrivateSessionBus bus(PrivateSessionBus::Services::Bare);
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    QProcessEnvironment env = onBus(bus, "xfce");
    const QString picture = solid("q.bmp", QSize(4, 4), qRgb(1, 2, 3));
    ProcessResult r = probe({picture}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_THAT(r.errText().toStdString(),
                HasSubstr("Xfconf (org.xfce.Xfconf) がセッションバスにありません"));

    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + scratchFolder() + "no-bus");
    r = probe({picture}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_THAT(r.errText().toStdString(), HasSubstr("D-Bus のセッションバスに接続できません"));
}

// --- LXQt, with its desktop ---

// What the X server shows at (x, y): the desktop window over the root.
QRgb shownAt(const QString& display, int x, int y);

TEST(LxqtDesktopWithPcmanfmQt, TheDesktopShowsThePictureCentredTiledOrTheColour) {
    if (QStandardPaths::findExecutable("pcmanfm-qt").isEmpty())
        GTEST_SKIP() << "pcmanfm-qt is not installed";
    XvfbServer server(320, 240);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    Helper desktop;
    QProcessEnvironment desktopEnv = QProcessEnvironment::systemEnvironment();
    desktopEnv.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    desktopEnv.insert("DISPLAY", server.display());
    desktopEnv.insert("QT_QPA_PLATFORM", "xcb");
    desktop.process.setProcessEnvironment(desktopEnv);
    desktop.process.setStandardOutputFile(QProcess::nullDevice());
    desktop.process.setStandardErrorFile(QProcess::nullDevice());
    desktop.process.start("pcmanfm-qt", {"--desktop"});
    QDBusConnection watcher = QDBusConnection::connectToBus(bus.address(), "lxqt-test");
    const bool up = waitUntil(
        [&] { return watcher.interface()->isServiceRegistered("org.pcmanfm.PCManFM").value(); });
    QDBusConnection::disconnectFromBus("lxqt-test");
    ASSERT_TRUE(up) << "pcmanfm-qt --desktop did not start";

    QProcessEnvironment env = onBus(bus, "lxqt");
    env.insert("DISPLAY", server.display());
    setValue("Control Panel\\Colors", "Background", "0 0 255");
    const QString picture = solid("q.bmp", QSize(40, 30), qRgb(255, 0, 0));
    const QString display = server.display();
    const auto shows = [&](QRgb centre, QRgb corner) {
        return waitUntil([&] {
            return near(shownAt(display, 160, 120), centre) && near(shownAt(display, 2, 2), corner);
        });
    };

    setValue("Control Panel\\Desktop", "TileWallpaper", "1");
    ProcessResult r = probe({picture}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(shows(qRgb(255, 0, 0), qRgb(255, 0, 0)));
    setValue("Control Panel\\Desktop", "TileWallpaper", "0");
    r = probe({picture}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    // Around a centred picture, the desktop's own colour (black unless set in LXQt).
    EXPECT_TRUE(shows(qRgb(255, 0, 0), qRgb(0, 0, 0)));
    r = probe({""}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(shows(qRgb(0, 0, 255), qRgb(0, 0, 255)));

    const QString noPrograms = scratchFolder() + "no-programs";
    QDir().mkpath(noPrograms);
    env.insert("PATH", noPrograms);
    r = probe({picture}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_THAT(r.errText().toStdString(),
                HasSubstr("LXQt のデスクトップ pcmanfm-qt がありません"));
}

// --- sway, headless ---

TEST(SwayDesktopWithHeadlessSway, TheCompositorShowsThePictureCentredTiledOrTheColour) {
    HeadlessSway sway;
    if (!sway.skipReason().isEmpty())
        GTEST_SKIP() << sway.skipReason().toStdString();
    QProcessEnvironment env;
    env.insert("SWAYSOCK", sway.socket());
    env.insert("TESSELVANE_DESKTOP", "sway");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    setValue("Control Panel\\Colors", "Background", "0 0 255");
    const QString picture = solid("q.bmp", QSize(40, 30), qRgb(255, 0, 0));
    const auto shows = [&](QRgb centre, QRgb corner) {
        return waitUntil([&] {
            const QImage shot = sway.screenshot();
            return shot.width() == 320 && shot.height() == 240 &&
                   near(shot.pixel(160, 120), centre) && near(shot.pixel(2, 2), corner);
        });
    };

    setValue("Control Panel\\Desktop", "TileWallpaper", "0");
    ProcessResult r = probe({picture}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(shows(qRgb(255, 0, 0), qRgb(0, 0, 255)));
    setValue("Control Panel\\Desktop", "TileWallpaper", "1");
    r = probe({picture}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(shows(qRgb(255, 0, 0), qRgb(255, 0, 0)));
    r = probe({""}, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(shows(qRgb(0, 0, 255), qRgb(0, 0, 255)));

    env.insert("SWAYSOCK", testRoot() + "no-such.sock");
    r = probe({picture}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_THAT(r.errText().toStdString(), HasSubstr("に接続できません"));
    env.insert("SWAYSOCK", "");
    r = probe({picture}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.errText().toStdString(),
                HasSubstr("sway の IPC ソケット (SWAYSOCK) がありません"));
}

// The program itself as a Wayland client of sway: no X server at all, and no notification
// area (no bar runs), so the resident toolbar stays in sight, and a second start reaches it.
TEST(SwayDesktopWithHeadlessSway, TheProgramRunsAsAWaylandClientAndStaysWithinReach) {
    HeadlessSway sway;
    if (!sway.skipReason().isEmpty())
        GTEST_SKIP() << sway.skipReason().toStdString();
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           "/platforms/libqwayland-generic.so"))
        GTEST_SKIP() << "Qt's Wayland platform is not installed (qt6-wayland)";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.insert("WAYLAND_DISPLAY", sway.waylandDisplay());
    env.insert("SWAYSOCK", sway.socket());
    env.insert("XDG_CURRENT_DESKTOP", "sway");
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.remove("TESSELVANE_DESKTOP");
    const QString picture = solid("q.bmp", QSize(40, 30), qRgb(255, 0, 0));
    setValue("SOFTWARE\\Morvanti\\TESSEL\\GroupName", "Group0", "g");
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Files\\g", "File0000", picture);
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Task", "Default", "0");
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Option", "FitScreen", "1");

    // Stretched to the output's size, which the program learnt from the compositor.
    ProcessResult r = runBuiltProgram("tesselvane", {"-C"}, {}, 60000, env);
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_TRUE(waitUntil([&] {
        const QImage shot = sway.screenshot();
        return shot.width() == 320 && near(shot.pixel(2, 2), qRgb(255, 0, 0)) &&
               near(shot.pixel(317, 237), qRgb(255, 0, 0));
    }));

    Helper program;
    program.process.setProcessEnvironment(env);
    program.process.setProcessChannelMode(QProcess::ForwardedChannels);
    program.process.start(builtProgramFolder() + "tesselvane", QStringList());
    ASSERT_TRUE(program.process.waitForStarted(10000));
    EXPECT_TRUE(waitUntil([&] { return sway.windowTitles().contains("Tesselvane"); }));
    r = runBuiltProgram("tesselvane", {}, {}, 20000, env);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.errText(), "");  // it reached the running copy
    EXPECT_EQ(program.process.state(), QProcess::Running);
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
}

}  // namespace

// Last: Xlib's macros (None, Bool, ...) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

QRgb shownAt(const QString& display, int x, int y) {
    Display* connection = XOpenDisplay(display.toLocal8Bit().constData());
    if (!connection)
        return 0;
    XImage* image =
        XGetImage(connection, DefaultRootWindow(connection), x, y, 1, 1, AllPlanes, ZPixmap);
    XColor colour{};
    if (image) {
        colour.pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
    }
    XQueryColor(connection, DefaultColormap(connection, DefaultScreen(connection)), &colour);
    XCloseDisplay(connection);
    return qRgb(colour.red >> 8, colour.green >> 8, colour.blue >> 8);
}

}  // namespace
