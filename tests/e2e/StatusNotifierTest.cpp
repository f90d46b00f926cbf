// The icon on a real StatusNotifier host: the tray of swaybar, on a headless sway. The host
// comes after the program, goes, and comes back as a new watcher: the icon follows each time.

#include "HeadlessSway.h"
#include "RunProcess.h"
#include "platform/RegistryStore.h"

#include <QLibraryInfo>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

void setValue(const QString& key, const QString& name, const QString& value) {
    RegistryStore store(RegistryStore::defaultPath());
    store.setValue(key, RegValue::text(name, value));
}

// One question to the compositor's bus, as its own clients ask it; empty when unanswered.
QString askBus(const HeadlessSway& sway, const QStringList& call) {
    QProcess send;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", sway.busAddress());
    send.setProcessEnvironment(env);
    QStringList command =
        sway.inSession("dbus-send", QStringList{"--session", "--print-reply"} + call);
    send.start(command.takeFirst(), command);
    if (!send.waitForFinished(10000) || send.exitCode() != 0)
        return {};
    return QString::fromUtf8(send.readAllStandardOutput());
}

QString watcherOwner(const HeadlessSway& sway) {
    static const QRegularExpression kName(R"re(string "([^"]+)")re");
    return kName
        .match(askBus(
            sway, {"--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                   "org.freedesktop.DBus.GetNameOwner", "string:org.kde.StatusNotifierWatcher"}))
        .captured(1);
}

bool iconRegistered(const HeadlessSway& sway) {
    return askBus(sway,
                  {"--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                   "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierWatcher",
                   "string:RegisteredStatusNotifierItems"})
        .contains("/StatusNotifierItem");
}

TEST(StatusNotifierHostOfSwaybar, TheIconFollowsATrayThatComesLateGoesAndComesBackAnew) {
    HeadlessSway sway(HeadlessSway::Bus::Private);
    if (!sway.skipReason().isEmpty())
        GTEST_SKIP() << sway.skipReason().toStdString();
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           "/platforms/libqwayland-generic.so"))
        GTEST_SKIP() << "Qt's Wayland platform is not installed (qt6-wayland)";
    QImage picture(40, 30, QImage::Format_RGB888);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(scratchFolder() + "red.bmp"));
    setValue("SOFTWARE\\Morvanti\\TESSEL\\GroupName", "Group0", "g");
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Files\\g", "File0000", scratchFolder() + "red.bmp");
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Task", "Default", "0");
    // Every hour, and no change at start: resident, and nothing else happens.
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Time", "Option", "1");
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Time", "Scale", "2");
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Time", "Value", "3600");

    Helper program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.insert("WAYLAND_DISPLAY", sway.waylandDisplay());
    env.insert("SWAYSOCK", sway.socket());
    env.insert("DBUS_SESSION_BUS_ADDRESS", sway.busAddress());
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.insert("TESSELVANE_DESKTOP", "sway");
    program.process.setProcessEnvironment(env);
    program.process.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList command = sway.inSession(builtProgramFolder() + "tesselvane", {});
    program.process.start(command.takeFirst(), command);
    ASSERT_TRUE(program.process.waitForStarted(10000));

    // No tray yet: sway cannot iconify, so the resident toolbar stays in sight.
    EXPECT_TRUE(waitUntil([&] { return sway.windowTitles().contains("Tesselvane"); }));
    EXPECT_FALSE(iconRegistered(sway));

    // The bar starts: the icon goes into its tray and the toolbar out of sight.
    ASSERT_TRUE(sway.showBar(true));
    EXPECT_TRUE(waitUntil(
        [&] { return iconRegistered(sway) && !sway.windowTitles().contains("Tesselvane"); }));
    const QString firstHost = watcherOwner(sway);
    ASSERT_FALSE(firstHost.isEmpty());
    // On the screen: something drawn at the bar's right end, where the tray is.
    const QImage shot = sway.screenshot();
    ASSERT_FALSE(shot.isNull());
    QSet<QRgb> colours;
    for (int x = shot.width() - 24; x < shot.width(); ++x)
        for (int y = 0; y < 20; ++y)
            colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 3);

    // sway restarts its bar: a new watcher, which knows nothing of the icon until told again.
    ASSERT_TRUE(sway.showBar(true));
    EXPECT_TRUE(waitUntil([&] {
        const QString host = watcherOwner(sway);
        return !host.isEmpty() && host != firstHost && iconRegistered(sway);
    }));

    // The bar goes: the toolbar comes back in sight.
    ASSERT_TRUE(sway.showBar(false));
    EXPECT_TRUE(waitUntil([&] { return sway.windowTitles().contains("Tesselvane"); }));
    EXPECT_EQ(program.process.state(), QProcess::Running);
}

}  // namespace
