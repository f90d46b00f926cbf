// The wallpaper on a real GNOME Shell (headless, two virtual monitors), read back from the
// shell's own screenshot: each monitor shows its own placement of the picture on the
// desktop's colour.

#include "HeadlessGnomeShell.h"
#include "RealDesktop.h"
#include "RunProcess.h"

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

TEST(GnomeShellDesktop, EachMonitorShowsThePicturePlacedOnItselfOnTheDesktopColour) {
    // 800x600 at (0, 0), the primary; 640x480 at (800, 0).
    HeadlessGnomeShell shell({"800x600", "640x480"});
    if (!shell.skipReason().isEmpty())
        GTEST_SKIP() << shell.skipReason().toStdString();
    oneGroupOf(halves());
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);

    // (The shell's top bar covers the primary monitor's top 32 rows.)
    const struct {
        const char* name;
        const char* tile;
        const char* fit;
        std::vector<Expected> expected;
    } cases[] = {
        {"centred",
         "0",
         "0",
         {{{260, 300}, red},
          {{540, 300}, blue},
          {{10, 590}, green},
          {{1120 - 140, 240}, red},
          {{1120 + 140, 240}, blue},
          {{1430, 470}, green},
          {{805, 5}, green}}},
        // Tiled from each monitor's own corner: the second one starts with red again.
        {"tiled",
         "1",
         "0",
         {{{10, 590}, red}, {{160, 590}, blue}, {{805, 5}, red}, {{955, 5}, blue}}},
        // Stretched to each monitor: red from its left edge, blue to its right.
        {"fitted",
         "0",
         "1",
         {{{5, 590}, red}, {{795, 590}, blue}, {{805, 475}, red}, {{1435, 5}, blue}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setStored("Control Panel\\Desktop", "TileWallpaper", c.tile);
        setStored(kProgramKey + "\\Option", "FitScreen", c.fit);
        const ProcessResult r =
            runBuiltProgram("tesselvane", {"-C"}, {}, 60000, shell.clientEnvironment());
        ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
        if (!waitUntil([&] { return shows(shell.screenshot(), c.expected, false); })) {
            EXPECT_TRUE(shows(shell.screenshot(), c.expected, true));
        }
    }

    // The dark style has a picture of its own: the same one.
    QProcess gsettings;
    gsettings.setProcessEnvironment(shell.clientEnvironment());
    gsettings.start("gsettings",
                    {"set", "org.gnome.desktop.interface", "color-scheme", "prefer-dark"});
    ASSERT_TRUE(gsettings.waitForFinished(30000));
    ASSERT_EQ(gsettings.exitCode(), 0);
    const std::vector<Expected> fitted{{{5, 590}, red}, {{795, 590}, blue}};
    if (!waitUntil([&] { return shows(shell.screenshot(), fitted, false); })) {
        EXPECT_TRUE(shows(shell.screenshot(), fitted, true));
    }

    // Each monitor its own picture, centred on it.
    ownPictureGroupOf({red, blue});
    setStored(kProgramKey + "\\Option", "FitScreen", "0");
    const ProcessResult r =
        runBuiltProgram("tesselvane", {"-C"}, {}, 60000, shell.clientEnvironment());
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    const std::vector<Expected> own{{{400, 300}, red}, {{1120, 240}, blue}, {{10, 590}, green}};
    if (!waitUntil([&] { return shows(shell.screenshot(), own, false); })) {
        EXPECT_TRUE(shows(shell.screenshot(), own, true));
    }
}

}  // namespace
