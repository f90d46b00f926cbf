// The wallpaper on a real Xfce desktop: xfdesktop with its settings service, on a private X
// server, read back from the screen it draws.

#include "HeadlessSway.h"  // Helper
#include "PrivateSessionBus.h"
#include "RealDesktop.h"
#include "RunProcess.h"
#include "WaitUntil.h"
#include "XvfbServer.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

TEST(XfceDesktop, XfdesktopShowsThePictureCentredOrTiledOnTheDesktopColour) {
    if (QStandardPaths::findExecutable("xfdesktop").isEmpty())
        GTEST_SKIP() << "xfdesktop is not installed (xfdesktop4)";
    XvfbServer server(800, 600);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    PrivateSessionBus bus;  // xfconfd starts on demand
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server.display());
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    env.insert("XDG_CURRENT_DESKTOP", "XFCE");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("TESSELVANE_DESKTOP");
    Helper desktop;
    desktop.process.setProcessEnvironment(env);
    desktop.process.setStandardOutputFile(QProcess::nullDevice());
    desktop.process.setStandardErrorFile(QProcess::nullDevice());
    // No window manager runs here, and none is needed to draw the desktop.
    desktop.process.start("xfdesktop", {"--disable-wm-check"});
    ASSERT_TRUE(desktop.process.waitForStarted(10000));
    // Changes go to xfdesktop once it has read its settings, shown by its window.
    ASSERT_TRUE(waitUntil([&] {
        QProcess xdotool;
        xdotool.setProcessEnvironment(env);
        xdotool.start("xdotool", {"search", "--name", "^Desktop$"});
        return xdotool.waitForFinished(10000) && !xdotool.readAllStandardOutput().isEmpty();
    }));
    oneGroupOf(halves());
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);

    // (xfdesktop's icons sit at the left edge.)
    const struct {
        const char* name;
        const char* tile;
        std::vector<Expected> expected;
    } cases[] = {
        {"centred", "0", {{{260, 300}, red}, {{540, 300}, blue}, {{790, 590}, green}}},
        {"tiled", "1", {{{310, 590}, red}, {{460, 590}, blue}, {{610, 10}, red}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setStored("Control Panel\\Desktop", "TileWallpaper", c.tile);
        const ProcessResult r = runBuiltProgram("tesselvane", {"-C"}, {}, 60000, env);
        ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
        if (!waitUntil([&] { return shows(screenOf(server.display()), c.expected, false); })) {
            EXPECT_TRUE(shows(screenOf(server.display()), c.expected, true));
        }
    }
}

}  // namespace
