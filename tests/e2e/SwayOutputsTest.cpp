// A real sway with outputs of different shapes: a picture fitted to the screen is fitted to
// each output, also to one plugged in while the program runs.

#include "HeadlessSway.h"
#include "RealDesktop.h"
#include "RunProcess.h"
#include "WaitUntil.h"

#include <QLibraryInfo>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// Why the program cannot run as a Wayland client of `sway` here; empty when it can.
QString whyNot(const HeadlessSway& sway) {
    if (!sway.skipReason().isEmpty())
        return sway.skipReason();
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           "/platforms/libqwayland-generic.so"))
        return QStringLiteral("Qt's Wayland platform is not installed (qt6-wayland)");
    return {};
}

// The program's environment as a Wayland client of `sway`.
QProcessEnvironment clientOf(const HeadlessSway& sway) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("TESSELVANE_DESKTOP");
    env.insert("WAYLAND_DISPLAY", sway.waylandDisplay());
    env.insert("SWAYSOCK", sway.socket());
    env.insert("XDG_CURRENT_DESKTOP", "sway");
    env.insert("QT_QPA_PLATFORM", "wayland");
    return env;
}

TEST(SwayOutputs, EachOutputShowsThePictureFittedToItselfAlsoOnePluggedInLater) {
    // Landscape at 0, portrait at 320, and later a larger one at 560, which shows the desktop
    // colour around the picture unless the picture is fitted to it anew.
    HeadlessSway sway(HeadlessSway::Bus::None, {"320x240", "240x320", "400x300"}, 2);
    if (const QString skip = whyNot(sway); !skip.isEmpty())
        GTEST_SKIP() << skip.toStdString();
    const QProcessEnvironment env = clientOf(sway);
    oneGroupOf(halves());
    setStored(kProgramKey + "\\Option", "FitScreen", "1");
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    // The red and blue halves stretched over each output.
    const std::vector<Expected> two{
        {{70, 120}, red}, {{250, 120}, blue}, {{370, 300}, red}, {{510, 10}, blue}};
    std::vector<Expected> three = two;
    three.insert(three.end(), {{{565, 5}, red}, {{955, 295}, blue}});

    Helper program;
    program.process.setProcessEnvironment(env);
    program.process.setProcessChannelMode(QProcess::ForwardedChannels);
    program.process.start(builtProgramFolder() + "tesselvane", QStringList());
    ASSERT_TRUE(program.process.waitForStarted(10000));
    if (!waitUntil([&] { return shows(sway.screenshot(), two, false); })) {
        EXPECT_TRUE(shows(sway.screenshot(), two, true));
    }
    ASSERT_TRUE(sway.addOutput());
    if (!waitUntil([&] { return shows(sway.screenshot(), three, false); })) {
        EXPECT_TRUE(shows(sway.screenshot(), three, true));
    }
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

TEST(SwayOutputs, EachOutputShowsItsOwnPictureOfTheGroup) {
    HeadlessSway sway(HeadlessSway::Bus::None, {"320x240", "240x320"}, 2);
    if (const QString skip = whyNot(sway); !skip.isEmpty())
        GTEST_SKIP() << skip.toStdString();
    const QProcessEnvironment env = clientOf(sway);
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);
    ownPictureGroupOf({red, blue, green});
    // The focused output is the primary: the first picture there, the second on the other.
    for (const auto& shown : {std::vector<Expected>{{{160, 120}, red}, {{440, 160}, blue}},
                              std::vector<Expected>{{{160, 120}, blue}, {{440, 160}, green}}}) {
        const ProcessResult r = runBuiltProgram("tesselvane", {"-C"}, {}, 60000, env);
        ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
        if (!waitUntil([&] { return shows(sway.screenshot(), shown, false); })) {
            EXPECT_TRUE(shows(sway.screenshot(), shown, true));
        }
    }
}

}  // namespace
