// Each monitor its own picture of the group, on a private X server of two monitors (later
// three), read back from the root window.

#include "ProgramHarness.h"
#include "RealDesktop.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255);

class MonitorPicturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<XvfbServer>(480, 120, 24);
        ASSERT_TRUE(server_->isRunning()) << server_->error().toStdString();
        // The primary on the right, so that the order is the program's, not the layout's.
        setMonitor("*M0", "160/40x120/30+160+0", "screen");
        setMonitor("M1", "160/40x120/30+0+0", "none");
        group("g", {solid("red.bmp", QColor(kRed)), solid("green.bmp", QColor(kGreen)),
                    solid("blue.bmp", QColor(kBlue))});
        set("Task", "Default", "0");
        set("Option", "MonitorPictures", "1");
    }
    void setMonitor(const QString& name, const QString& geometry, const QString& output) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", server_->display());
        QProcess xrandr;
        xrandr.setProcessEnvironment(env);
        xrandr.start("xrandr", {"--setmonitor", name, geometry, output});
        ASSERT_TRUE(xrandr.waitForFinished(10000) && xrandr.exitCode() == 0)
            << xrandr.readAllStandardError().toStdString();
    }
    ProcessResult command(const QStringList& arguments) {
        QProcessEnvironment env;
        env.insert("DISPLAY", server_->display());
        env.insert("TESSELVANE_DESKTOP", "x11");
        return runBuiltProgram("tesselvane", arguments, {}, 60000, env);
    }
    // The colour in the middle of each monitor, from the left.
    bool monitorsShow(const std::vector<QRgb>& colours) {
        const auto shot = [&](bool report) {
            const QImage root = screenOf(server_->display());
            std::vector<Expected> expected;
            for (size_t i = 0; i < colours.size(); ++i)
                expected.push_back({QPoint(80 + 160 * int(i), 60), colours[i]});
            return shows(root, expected, report);
        };
        return waitUntil([&] { return shot(false); }) || shot(true);
    }
    std::unique_ptr<XvfbServer> server_;
};

TEST_F(MonitorPicturesTest, EachChangeMovesEveryMonitorOnAndBack) {
    // From no picture yet: the primary (right) the first, the other the second.
    ASSERT_EQ(command({"-C"}).exitCode, 0);
    EXPECT_TRUE(monitorsShow({kGreen, kRed}));
    // The whole layout is the file a desktop given one file would show.
    EXPECT_EQ(QImage(wallpaperFile()).size(), QSize(320, 120));
    ASSERT_EQ(command({"-C"}).exitCode, 0);
    EXPECT_TRUE(monitorsShow({kBlue, kGreen}));

    Tesselvane program(*server_, {});  // resident: changes once at start
    EXPECT_TRUE(monitorsShow({kRed, kBlue}));
    ASSERT_EQ(command({"--previous"}).exitCode, 0);
    EXPECT_TRUE(monitorsShow({kBlue, kGreen}));
    ASSERT_EQ(command({"--next"}).exitCode, 0);
    EXPECT_TRUE(monitorsShow({kRed, kBlue}));

    // A monitor plugged in gets its own picture at the redraw that follows. (Xvfb tells no
    // one of a monitor set by hand, as a server does of a monitor plugged in: the redraw is
    // asked for.)
    setMonitor("M2", "160/40x120/30+320+0", "none");
    ASSERT_EQ(command({"--redisplay"}).exitCode, 0);
    EXPECT_TRUE(monitorsShow({kRed, kBlue, kGreen}));
    program.terminate();
}

TEST_F(MonitorPicturesTest, AtRandomTheMonitorsShowDifferentPictures) {
    set("Option", "Random", "1");
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(command({"-C"}).exitCode, 0);
        const QImage root = screenOf(server_->display());
        ASSERT_FALSE(root.isNull());
        EXPECT_NE(root.pixel(80, 60), root.pixel(240, 60)) << round;
    }
    // With the option off, one picture on both, as before.
    set("Option", "MonitorPictures", "0");
    ASSERT_EQ(command({"-C"}).exitCode, 0);
    const QImage root = screenOf(server_->display());
    EXPECT_EQ(root.pixel(80, 60), root.pixel(240, 60));
}

}  // namespace
