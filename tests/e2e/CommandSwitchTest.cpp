// The command switches of a second start, given to a resident program on a private X server:
// the icon's menu from a shell or a key binding. And the starts that must end at once.

#include "ProgramHarness.h"
#include "WaitUntil.h"

#include <QDateTime>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::HasSubstr;

namespace {

class CommandSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<XvfbServer>(320, 240, 24);
        ASSERT_TRUE(server_->isRunning()) << server_->error().toStdString();
    }
    // tesselvane with `arguments` beside the running copy, as a shell runs it.
    ProcessResult command(const QStringList& arguments) {
        QProcessEnvironment env;
        env.insert("DISPLAY", server_->display());
        return runBuiltProgram("tesselvane", arguments, {}, 60000, env);
    }
    static QString desktopWallpaper() {
        RegistryStore store(storeFile());
        const auto value =
            store.value(QStringLiteral("Control Panel\\Desktop"), QStringLiteral("Wallpaper"));
        return value ? value->toText() : QString();
    }
    // The running copy's status, as key and value.
    QMap<QString, QString> status() {
        const ProcessResult r = command({"--status"});
        EXPECT_EQ(r.exitCode, 0) << r.errText().toStdString();
        QMap<QString, QString> values;
        for (const QString& line : r.outText().split(u'\n', Qt::SkipEmptyParts))
            values.insert(line.section(QStringLiteral(": "), 0, 0),
                          line.section(QStringLiteral(": "), 1));
        return values;
    }
    std::unique_ptr<XvfbServer> server_;
};

TEST_F(CommandSwitchTest, TheMenusCommandsFromTheCommandLine) {
    const QString red = solid("red.bmp", QColor(255, 0, 0));
    const QString green = solid("green.bmp", QColor(0, 255, 0));
    group("g", {red, green, solid("blue.bmp", QColor(0, 0, 255))});
    set("Task", "Default", "0");
    set("Time", "Option", "1");
    set("Time", "Scale", "2");  // seconds
    set("Time", "Value", "2");
    set("Time", "TimeBoot", "1");
    Tesselvane program(*server_, {});
    ASSERT_TRUE(waitUntil([] { return wallpaperColour() == qRgb(255, 0, 0); }));

    // Paused, the interval passes several times over and nothing changes.
    ProcessResult r = command({"--pause"});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    QMap<QString, QString> now = status();
    EXPECT_EQ(now.value("paused"), "yes");
    EXPECT_EQ(now.value("next"), "");
    const QRgb paused = wallpaperColour();
    const QDateTime until = QDateTime::currentDateTime().addSecs(5);
    waitUntil([&] { return QDateTime::currentDateTime() > until; });
    EXPECT_EQ(wallpaperColour(), paused);

    // A step on by hand, and back again.
    EXPECT_EQ(command({"--next"}).exitCode, 0);
    const QRgb after = wallpaperColour();
    EXPECT_NE(after, paused);
    EXPECT_EQ(command({"--previous"}).exitCode, 0);
    EXPECT_EQ(wallpaperColour(), paused);
    now = status();
    EXPECT_EQ(now.value("group"), "g");
    EXPECT_EQ(now.value("mode"), "1");
    EXPECT_TRUE(now.value("picture") == red || now.value("picture") == green)
        << now.value("picture").toStdString();

    // Going again, with the next change ahead of it.
    EXPECT_EQ(command({"--resume"}).exitCode, 0);
    now = status();
    EXPECT_EQ(now.value("paused"), "no");
    const QDateTime next = QDateTime::fromString(now.value("next"), Qt::ISODate);
    EXPECT_TRUE(next.isValid()) << now.value("next").toStdString();

    // Cleared, then shown again.
    EXPECT_EQ(command({"--clear"}).exitCode, 0);
    EXPECT_EQ(desktopWallpaper(), "(なし)");
    EXPECT_EQ(command({"--redisplay"}).exitCode, 0);
    EXPECT_NE(desktopWallpaper(), "(なし)");

    // A window that opens answers once it shows; the toolbar comes back.
    EXPECT_EQ(command({"--jump"}).exitCode, 0);
    EXPECT_EQ(command({"--show"}).exitCode, 0);
    program.terminate();
}

TEST_F(CommandSwitchTest, WhatTheMenuGreysOutIsRefusedAndSaid) {
    solid("dates/day0702.bmp", QColor(255, 0, 0));
    set("Time", "Option", "2");  // by day: no next, no previous, no pause
    set("Time", "Path", scratchFolder() + "dates");
    Tesselvane program(*server_, {});
    ASSERT_TRUE(waitUntil([] { return wallpaperColour() == qRgb(255, 0, 0); }));
    for (const char* refused : {"--next", "--previous", "--pause", "--resume", "--slide"}) {
        const ProcessResult r = command({refused});
        EXPECT_EQ(r.exitCode, 1) << refused;
        EXPECT_FALSE(r.err.isEmpty()) << refused;
    }
    program.terminate();
}

TEST_F(CommandSwitchTest, WithoutARunningCopyNothingStartsAndTheStatusSaysSo) {
    group("g", {solid("red.bmp", QColor(255, 0, 0))});
    set("Task", "Default", "0");
    const ProcessResult r = command({"--next"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_FALSE(QFile::exists(wallpaperFile()));
}

TEST_F(CommandSwitchTest, StartsThatEndAtOnce) {
    ProcessResult r = command({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* line : {"--next", "--previous", "--pause", "--resume", "--redisplay",
                             "--clear", "--jump", "--slide", "--show", "--status", "--version"})
        EXPECT_THAT(r.outText().toStdString(), HasSubstr(line));
    r = command({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.outText().toStdString(), HasSubstr("Tesselvane 1."));
    r = command({"--frobnicate"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.errText().toStdString(), HasSubstr("--frobnicate"));

    // Changing once with no group to change from: said, status 1, no window waiting.
    group("g", {solid("red.bmp", QColor(255, 0, 0))});
    r = command({"-C"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());

    // A screen that is not there.
    QProcessEnvironment env;
    env.insert("DISPLAY", ":98");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("WAYLAND_DISPLAY");
    r = runBuiltProgram("tesselvane", {}, {}, 60000, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_THAT(r.errText().toStdString(), HasSubstr("DISPLAY=:98"));
}

// The language follows the locale for messages: English under any locale but Japanese, C and
// POSIX, and TESSELVANE_LANG overrides it; the usage, a message of the first steps and one of
// the program itself show it.
TEST_F(CommandSwitchTest, TheLanguageFollowsTheLocaleOrTesselvaneLang) {
    group("g", {solid("red.bmp", QColor(255, 0, 0))});  // none chosen: -C cannot change
    const struct {
        const char* lcAll;
        const char* override;
        const char* usage;
        const char* noGroup;
    } cases[] = {
        {"en_US.UTF-8", "", "Usage: tesselvane", "no group is chosen"},
        {"de_DE.UTF-8", "", "Usage: tesselvane", "no group is chosen"},
        {"ja_JP.UTF-8", "", "使い方: tesselvane", "グループが選ばれていない"},
        {"C.UTF-8", "", "使い方: tesselvane", "グループが選ばれていない"},
        {"en_US.UTF-8", "ja", "使い方: tesselvane", "グループが選ばれていない"},
        {"C.UTF-8", "en", "Usage: tesselvane", "no group is chosen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lcAll) + " " + c.override);
        QProcessEnvironment env;
        env.insert("DISPLAY", server_->display());
        env.insert("LC_ALL", c.lcAll);
        env.insert("TESSELVANE_LANG", c.override);
        ProcessResult r = runBuiltProgram("tesselvane", {"--help"}, {}, 60000, env);
        EXPECT_THAT(r.outText().toStdString(), HasSubstr(c.usage));
        r = runBuiltProgram("tesselvane", {"-C"}, {}, 60000, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.errText().toStdString(), HasSubstr(c.noGroup));
    }
}

TEST_F(CommandSwitchTest, TimedChangesThatFailWaitForNobody) {
    // A damaged picture between two good ones, a change a second, no notification area and
    // no notification service: one box at most, and the changes go on past it.
    const QString damaged = scratchFolder() + "damaged.bmp";
    writeFile(damaged, "BM not a picture");
    group("g",
          {solid("red.bmp", QColor(255, 0, 0)), damaged, solid("green.bmp", QColor(0, 255, 0))});
    set("Task", "Default", "0");
    set("Time", "Option", "1");
    set("Time", "Scale", "2");
    set("Time", "Value", "1");
    Tesselvane program(*server_, {});
    int turns = 0;
    QRgb last = 0;
    // Red, green, red, green: each round passes the damaged picture, its box left unanswered.
    EXPECT_TRUE(waitUntil([&] {
        const QRgb colour = wallpaperColour();
        if (colour != last && (colour == qRgb(255, 0, 0) || colour == qRgb(0, 255, 0)))
            ++turns;
        last = colour;
        return turns >= 5;
    }));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server_->display());
    QProcess xdotool;
    xdotool.setProcessEnvironment(env);
    xdotool.start("xdotool", {"search", "--onlyvisible", "--name", "^Tesselvane$"});
    xdotool.waitForFinished(30000);
    // The toolbar (no window manager here to iconify it) and one box.
    EXPECT_LE(xdotool.readAllStandardOutput().count('\n'), 2);
    EXPECT_TRUE(program.running());
    program.terminate();
    EXPECT_THAT(program.errors().toStdString(), HasSubstr(damaged.toStdString()));
}

}  // namespace
