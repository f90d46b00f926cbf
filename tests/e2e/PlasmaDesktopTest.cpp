// The wallpaper on a real KDE Plasma desktop: kwin and plasmashell on a private X server and
// session bus, read back from the screen the shell draws.

#include "HeadlessSway.h"  // Helper
#include "RealDesktop.h"
#include "RunProcess.h"
#include "WaitUntil.h"
#include "XvfbServer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// What the shell's script prints; empty when it does not answer.
QString shellScript(const QString& busAddress, const QString& script) {
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, "plasma-ask");
    QDBusMessage call = QDBusMessage::createMethodCall("org.kde.plasmashell", "/PlasmaShell",
                                                       "org.kde.PlasmaShell", "evaluateScript");
    call << script;
    const QDBusMessage answer = bus.call(call, QDBus::Block, 10000);
    QDBusConnection::disconnectFromBus("plasma-ask");
    return answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()
               ? answer.arguments().at(0).toString().trimmed()
               : QString();
}

TEST(PlasmaDesktop, PlasmashellShowsThePictureCentredTiledUnderTheSameNameAndLocked) {
    for (const char* program : {"plasmashell", "kwin_x11"}) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            GTEST_SKIP() << program << " is not installed (plasma-workspace, kwin-x11)";
    }
    XvfbServer server(800, 600);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    // The whole session (its bus, kwin, the shell and every service and worker they start,
    // some in sessions of their own) in a process namespace of its own, which ends with it.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server.display());
    env.insert("XDG_CURRENT_DESKTOP", "KDE");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("TESSELVANE_DESKTOP");
    const QString addressFile = scratchFolder() + "plasma-bus";
    Helper session;
    session.process.setProcessEnvironment(env);
    session.process.setStandardOutputFile(QProcess::nullDevice());
    session.process.setStandardErrorFile(QProcess::nullDevice());
    const QString sessionScript =
        "dbus-daemon --session --fork --print-address=3 3>\"$0.partial\" && "
        "mv \"$0.partial\" \"$0\" && "
        "export DBUS_SESSION_BUS_ADDRESS=$(cat \"$0\") && "
        "{ kwin_x11 & plasmashell; }";
    session.process.start("unshare", {"--pid", "--fork", "--kill-child", "--", "sh", "-c",
                                      sessionScript, addressFile});
    ASSERT_TRUE(session.process.waitForStarted(10000));
    QString address;
    ASSERT_TRUE(waitUntil([&] {
        QFile file(addressFile);
        address = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                                 : QString();
        return !address.isEmpty();
    }));
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    // Loaded once its script engine sees a desktop.
    ASSERT_TRUE(waitUntil(
        [&] { return shellScript(address, "print(desktops().length)").toInt() > 0; }, 120000));

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
}

}  // namespace
