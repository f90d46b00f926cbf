// The built programs as a user runs them: tesselvane on a private X server, its date modes
// at a fixed date (libfaketime), and tesselvane-reg.

#include "ProgramHarness.h"
#include "WaitUntil.h"
#include "platform/RegistryStore.h"
#include "settings/RegIni.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <csignal>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::HasSubstr;

namespace {

// The root window's picture on `display`, read back from the X server; null when it cannot.
QImage rootPicture(const QString& display);

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<XvfbServer>(320, 240, 24);
        ASSERT_TRUE(server_->isRunning()) << server_->error().toStdString();
    }
    std::unique_ptr<XvfbServer> server_;
};

TEST_F(ProgramTest, ChangeOnceInEachDateModeAndEnd) {
    const QString folder = scratchFolder() + "dates/";
    solid("dates/day0702.bmp", QColor(255, 0, 0));
    solid("dates/weekday005.bmp", QColor(0, 255, 0));  // 2 July 2026 is a Thursday
    solid("dates/week027.bmp", QColor(0, 0, 255));     // its week of the year
    solid("dates/month007.bmp", QColor(255, 255, 0));
    set("Time", "Path", folder);
    const std::pair<int, QRgb> modes[] = {
        {2, qRgb(255, 0, 0)}, {3, qRgb(0, 255, 0)}, {4, qRgb(0, 0, 255)}, {5, qRgb(255, 255, 0)}};
    for (const auto& [mode, colour] : modes) {
        set("Time", "Option", QString::number(mode));
        Tesselvane program(*server_, {mode % 2 ? "-C" : "-c"});
        ASSERT_TRUE(program.finishesWithin(30000)) << "mode " << mode;
        EXPECT_EQ(program.exitCode(), 0) << program.errors().toStdString();
        EXPECT_EQ(wallpaperColour(), colour) << "mode " << mode;
        EXPECT_EQ(stored("Time", "Option"), QString::number(mode));
        EXPECT_EQ(stored("Time", "Count"), "0");
        EXPECT_EQ(stored("Task", "Index"), "-1");
        EXPECT_EQ(stored("Option", "PluginPath"), builtProgramFolder());
    }
    // A day without its picture: no wallpaper, and the file of the last change stays.
    set("Time", "Option", "2");
    Tesselvane program(*server_, {"-C"}, "2026-07-03 10:00:00");
    ASSERT_TRUE(program.finishesWithin(30000));
    RegistryStore store(storeFile());
    EXPECT_EQ(store.value("Control Panel\\Desktop", "Wallpaper")->toText(), "(なし)");
    EXPECT_EQ(wallpaperColour(), qRgb(255, 255, 0));
}

TEST_F(ProgramTest, ExtensionPluginsFindTheirSettingsInTheProgram) {
    // The shipped colour filter, switched on in its corner of the store, on a JPEG date file
    // that is read ahead and stretched to the screen while the program starts.
    byDay("p0702.jpg", QSize(640, 480), QColor(220, 20, 20));
    set("Option", "FitScreen", "1");
    set("PlugIn\\ColorFilter", "Enabled", "1");
    set("PlugIn\\ColorFilter", "Mode", "0");
    Tesselvane program(*server_, {"-C"});
    ASSERT_TRUE(program.finishesWithin(30000));
    EXPECT_EQ(program.exitCode(), 0) << program.errors().toStdString();
    const QImage written(wallpaperFile());
    ASSERT_EQ(written.size(), QSize(320, 240));
    const QRgb pixel = written.pixel(160, 120);
    EXPECT_EQ(qRed(pixel), qGreen(pixel));
    EXPECT_EQ(qGreen(pixel), qBlue(pixel));
    EXPECT_LT(qRed(pixel), 150);

    set("PlugIn\\ColorFilter", "Enabled", "0");
    Tesselvane again(*server_, {"-C"});
    ASSERT_TRUE(again.finishesWithin(30000));
    EXPECT_GT(qRed(QImage(wallpaperFile()).pixel(160, 120)), 200);
}

TEST_F(ProgramTest, WhatKeepsTheProgramFromStartingIsSaidAndItEnds) {
    const auto run = [](const QString& program, const QProcessEnvironment& env) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, {});
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);  // not SIGABRT
        EXPECT_EQ(process.exitCode(), 1);
        return QString::fromUtf8(process.readAllStandardError()).toStdString();
    };
    // No screen of any kind.
    QProcessEnvironment noScreen = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noScreen.remove(name);
    EXPECT_THAT(run(builtProgramFolder() + "tesselvane", noScreen), HasSubstr("画面がありません"));

    // The executable without the module beside it.
    const QString folder = scratchFolder() + "alone/";
    QDir().mkpath(folder);
    ASSERT_TRUE(QFile::copy(builtProgramFolder() + "tesselvane", folder + "tesselvane"));
    QProcessEnvironment screen = QProcessEnvironment::systemEnvironment();
    screen.insert("DISPLAY", server_->display());
    EXPECT_THAT(run(folder + "tesselvane", screen), HasSubstr("tesselvane-main.so"));
}

TEST_F(ProgramTest, ChangeOnceInModeZeroTakesTheNextPictureAndSavesItsPlace) {
    group("g", {solid("1.bmp", QColor(255, 0, 0)), solid("2.bmp", QColor(0, 255, 0)),
                solid("3.bmp", QColor(0, 0, 255))});
    set("Task", "Default", "0");
    set("Task", "Index", "0");
    Tesselvane program(*server_, {"-C"});
    ASSERT_TRUE(program.finishesWithin(30000));
    EXPECT_EQ(wallpaperColour(), qRgb(0, 255, 0));
    EXPECT_EQ(stored("Task", "Index"), "1");
    EXPECT_EQ(stored("Task", "Default"), "0");
}

TEST_F(ProgramTest, ALegacyScheduleIsConvertedAndKept) {
    solid("dates/x027.bmp", QColor(9, 9, 9));
    set("Time", "Path", scratchFolder() + "dates");
    set("Time", "OptionSub", "3");  // by week, in the older form
    Tesselvane program(*server_, {"-C"});
    ASSERT_TRUE(program.finishesWithin(30000));
    EXPECT_EQ(stored("Time", "Option"), "4");
    EXPECT_EQ(stored("Time", "OptionSub"), "<absent>");
    EXPECT_EQ(wallpaperColour(), qRgb(9, 9, 9));
}

TEST_F(ProgramTest, ASecondCopyIsTurnedAwayAndChangesNothing) {
    group("g", {solid("1.bmp", QColor(255, 0, 0)), solid("2.bmp", QColor(0, 255, 0))});
    set("Task", "Default", "0");
    Tesselvane first(*server_, {});
    // The first copy goes resident after its change at start.
    ASSERT_TRUE(waitUntil([] { return wallpaperColour() == qRgb(255, 0, 0); }));
    const QByteArray storeBefore = [] {
        QFile f(storeFile());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    Tesselvane second(*server_, {"-C"});
    ASSERT_TRUE(second.finishesWithin(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(wallpaperColour(), qRgb(255, 0, 0));
    EXPECT_TRUE(first.running());
    QFile f(storeFile());
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), storeBefore);
    first.terminate();
    EXPECT_EQ(stored("Task", "Index"), "0");  // the first copy saved at its end
}

TEST_F(ProgramTest, ChangeOnceMeansNothingInIntervalModeAndTheCountOutlivesARestart) {
    group("g", {solid("1.bmp", QColor(255, 0, 0)), solid("2.bmp", QColor(0, 255, 0))});
    set("Task", "Default", "0");
    set("Time", "Option", "1");
    set("Time", "Scale", "2");     // seconds
    set("Time", "Value", "60");    // a change a minute: none but the first during this test
    set("Time", "TimeBoot", "1");  // the change at start shows when the program is up
    QElapsedTimer running;
    running.start();
    Tesselvane program(*server_, {"-C"});
    ASSERT_TRUE(waitUntil([] { return QFile::exists(wallpaperFile()); }));
    EXPECT_FALSE(program.finishesWithin(2500));  // "-C" is ignored: still running
    program.terminate();
    // Saved at the end: a tick a second, never more than the seconds it ran.
    EXPECT_NE(stored("Time", "Count"), "<absent>");
    EXPECT_LE(stored("Time", "Count").toInt(), running.elapsed() / 1000 + 1);

    // The count goes on from the stored one: two ticks short of the interval, not fifty-two.
    set("Time", "TimeBoot", "0");
    QFile::remove(wallpaperFile());
    set("Time", "Count", "50");
    set("Time", "Value", "52");
    running.restart();
    Tesselvane again(*server_, {});
    // Two ticks of a second each, not fifty-two: well within half a minute, however slow the
    // start.
    EXPECT_TRUE(waitUntil([] { return QFile::exists(wallpaperFile()); }, 30000));
    EXPECT_GE(running.elapsed(), 1000);
    again.terminate();
}

TEST_F(ProgramTest, ADecoderThatCrashesCostsOnePictureAndTheProgramGoesOnChanging) {
    // A picture only the crashing plug-in takes, between two it never sees.
    const QString plugins = scratchFolder() + "plugins/";
    QDir().mkpath(plugins);
    ASSERT_TRUE(QFile::copy(builtProgramFolder() + "test-plugins/crashpicture.spi",
                            plugins + "crashpicture.spi"));
    const QString crashing = scratchFolder() + "crash.tcp";
    QFile file(crashing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("TCPC") + QByteArray(5, '\x04'));
    file.close();
    group("g",
          {solid("red.bmp", QColor(255, 0, 0)), crashing, solid("green.bmp", QColor(0, 255, 0))});
    set("Option", "PluginPath", plugins);
    set("Task", "Default", "0");
    set("Time", "Option", "1");
    set("Time", "Scale", "2");  // seconds
    set("Time", "Value", "1");
    Tesselvane program(*server_, {});

    // Red and then green is red, the crash, green: the program lived through it. Each crash
    // is said in a box that waits for its "OK" (the only window the resident program shows).
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server_->display());
    bool sawRed = false, sawGreenAfterRed = false;
    waitUntil([&] {
        const QRgb colour = wallpaperColour();
        sawRed = sawRed || colour == qRgb(255, 0, 0);
        QProcess xdotool;
        xdotool.setProcessEnvironment(env);
        xdotool.start("xdotool", {"search", "--onlyvisible", "--name", "^Tesselvane$", "key",
                                  "--window", "%@", "Return"});
        xdotool.waitForFinished(5000);
        sawGreenAfterRed = sawRed && colour == qRgb(0, 255, 0);
        return sawGreenAfterRed || !program.running();
    });
    EXPECT_TRUE(sawGreenAfterRed) << program.errors().toStdString();
    EXPECT_TRUE(program.running());
    program.terminate();
}

TEST_F(ProgramTest, APluginThatCrashesWhenScannedIsSkippedAndOneThatHangsCannotHoldTheEnd) {
    const QString plugins = scratchFolder() + "plugins/";
    QDir().mkpath(plugins);
    for (const char* name : {"crashinfo", "hangpicture", "plain"}) {
        ASSERT_TRUE(QFile::copy(builtProgramFolder() + "test-plugins/" + name + ".spi",
                                plugins + name + ".spi"));
    }
    const auto testPicture = [](const QString& name, const QByteArray& magic) {
        const QString path = scratchFolder() + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(magic + QByteArray("\x00\xff\x00\x04\x04", 5));
        return path;
    };
    set("Option", "PluginPath", plugins);
    set("Task", "Default", "0");
    set("Time", "Option", "0");

    // The scan meets the crashing one first; the picture is read by another all the same.
    group("plain", {testPicture("p.tpl", "TPLN")});
    Tesselvane once(*server_, {"-C"});
    ASSERT_TRUE(once.finishesWithin(30000));
    EXPECT_EQ(once.exitCode(), 0) << once.errors().toStdString();
    EXPECT_EQ(wallpaperColour(), qRgb(0, 255, 0));

    // A plug-in stuck in a picture: asked to end, the program ends all the same, long before
    // the plug-in's time limit of a minute.
    group("stuck", {testPicture("s.thp", "THPC")});
    set("Task", "Default", "1");
    const QString calls = scratchFolder() + "calls.log";
    qputenv("TESSELVANE_TEST_SPI_LOG", QFile::encodeName(calls));
    Tesselvane stuck(*server_, {"-C"});
    qunsetenv("TESSELVANE_TEST_SPI_LOG");
    ASSERT_TRUE(waitUntil([&] { return readFile(calls).contains("hangpicture:GetPicture"); }));
    ASSERT_TRUE(stuck.running());
    stuck.terminate();
    EXPECT_FALSE(stuck.running());
}

TEST_F(ProgramTest, AValueOfAnotherTypeIsReportedAndNothingIsOverwritten) {
    ASSERT_EQ(runBuiltProgram("tesselvane-reg", {"add", "HKCU\\" + kKey + "\\Option", "/v",
                                                 "SlideTime", "/t", "REG_DWORD", "/d", "7", "/f"})
                  .exitCode,
              0);
    Tesselvane program(*server_, {"-C"});
    // The error box waits for its "OK"; press it until the program has ended (a slow start,
    // as under the sanitizers, may not have shown it at the first try).
    ASSERT_FALSE(program.finishesWithin(1500));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server_->display());
    bool ended = false;
    for (int attempt = 0; attempt < 60 && !ended; ++attempt) {
        QProcess xdotool;
        xdotool.setProcessEnvironment(env);
        xdotool.start("xdotool",
                      {"search", "--name", "^Tesselvane$", "key", "--window", "%1", "Return"});
        xdotool.waitForFinished(5000);
        ended = program.finishesWithin(1000);
    }
    ASSERT_TRUE(ended);
    EXPECT_EQ(program.exitCode(), 1);
    const ProcessResult q =
        runBuiltProgram("tesselvane-reg", {"query", "HKCU\\" + kKey + "\\Option"});
    EXPECT_EQ(q.outText(),
              "\nHKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL\\Option\n"
              "    SlideTime    REG_DWORD    0x7\n\n");
}

TEST(RegTool, ReportsMissingKeysOnStandardError) {
    const ProcessResult r = runBuiltProgram("tesselvane-reg", {"query", "HKCU\\Nothing\\Here"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.errText(),
              "ERROR: The system was unable to find the specified registry key or value.\n");
}

TEST(RegTool, ImportsAndExportsFiles) {
    const QString file = scratchFolder() + "in.reg";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "Windows Registry Editor Version "
        "5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL\\GroupName]\n"
        "\"Group0\"=\"海\"\n");
    f.close();
    ASSERT_EQ(runBuiltProgram("tesselvane-reg", {"import", file}).exitCode, 0);
    const QString out = scratchFolder() + "out.reg";
    ASSERT_EQ(
        runBuiltProgram("tesselvane-reg", {"export", "HKCU\\SOFTWARE\\Morvanti", out}).exitCode, 0);
    QFile e(out);
    ASSERT_TRUE(e.open(QIODevice::ReadOnly));
    EXPECT_THAT(e.readAll().toStdString(),
                HasSubstr("[HKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL\\GroupName]\r\n"
                          "\"Group0\"=\"海\"\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(storeFile()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(Xvfb, APrivateServerStartsOnAFreeDisplayAndStops) {
    XvfbServer first(640, 480, 24);
    XvfbServer second(320, 200, 8);
    ASSERT_TRUE(first.isRunning()) << first.error().toStdString();
    ASSERT_TRUE(second.isRunning()) << second.error().toStdString();
    EXPECT_NE(first.display(), second.display());

    auto rootWindowDump = [](const QString& display) {
        QProcess xwd;
        xwd.start("xwd", {"-root", "-silent", "-display", display});
        xwd.waitForFinished(20000);
        return std::make_pair(xwd.exitCode(), xwd.readAllStandardOutput().size());
    };
    const auto [status, bytes] = rootWindowDump(first.display());
    EXPECT_EQ(status, 0);
    EXPECT_GT(bytes, 640 * 480);

    // Whether the display answers afterwards proves nothing: a test running beside this one
    // may start its own server on the number just freed.
    const pid_t server = first.pid();
    first.stop();
    EXPECT_EQ(::kill(server, 0), -1);  // gone, and reaped
}

}  // namespace

namespace {

TEST_F(ProgramTest, AnInstalledCopyFindsItsPluginsAndManual) {
    const QString prefix = scratchFolder() + "prefix";
    QProcess install;
    install.start("cmake", {"--install", QStringLiteral(TESSELVANE_BUILD_DIR), "--prefix", prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    const QString programFolder = prefix + "/" TESSELVANE_PROGRAM_DIR "/";
    // Every picture the manuals show is installed beside them.
    const QString docFolder = prefix + "/" TESSELVANE_DOC_DIR "/";
    for (const char* manual : {"TESSEL.html", "TESSEL.en.html"}) {
        QFile html(docFolder + manual);
        ASSERT_TRUE(html.open(QIODevice::ReadOnly)) << manual;
        const QString text = QString::fromUtf8(html.readAll());
        const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
        int images = 0;
        for (const auto& match : image.globalMatch(text)) {
            ++images;
            EXPECT_TRUE(QFile::exists(docFolder + match.captured(1)))
                << match.captured(1).toStdString();
        }
        EXPECT_GE(images, 5) << manual;
    }
    EXPECT_TRUE(QFile::exists(programFolder + "tesselvane-sound.so"));  // loaded on a sound
    EXPECT_TRUE(QFile::exists(programFolder + "tesselvane-main.so"));   // loaded at every start
    EXPECT_TRUE(
        QFile::exists(prefix + "/share/applications/io.github.tesselvane.Tesselvane.desktop"));

    // A PNG date file: only the installed png.spi can read it.
    byDay("p0702.png", QSize(8, 8), QColor(12, 34, 56));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server_->display());
    env.insert("TESSELVANE_DESKTOP", "x11");
    env.insert("LD_PRELOAD", QStringLiteral(TESSELVANE_LIBFAKETIME));
    env.insert("FAKETIME", "@2026-07-02 10:00:00");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(prefix + "/bin/tesselvane", {"-C"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(stored("Option", "PluginPath"), programFolder);
    EXPECT_EQ(wallpaperColour(), qRgb(12, 34, 56));

    // A plug-in author's kit: each example builds from the installed guide with pkg-config.
    const QString examples = prefix + "/" TESSELVANE_DOC_DIR "/sdk/example/";
    for (const char* example : {"ppm.c", "frame.c"}) {
        ASSERT_TRUE(QFile::copy(examples + example, scratchFolder() + example)) << example;
        QProcess cc;
        QProcessEnvironment ccEnv = QProcessEnvironment::systemEnvironment();
        ccEnv.insert("PKG_CONFIG_PATH", prefix + "/share/pkgconfig");
        cc.setProcessEnvironment(ccEnv);
        cc.setProcessChannelMode(QProcess::MergedChannels);
        const QString build =
            "cc -shared -fPIC -Wall -Werror $(pkg-config --cflags "
            "tesselvane-sdk) -o \"$1.so\" \"$1\"";
        cc.start("sh", {"-c", build, "sh", scratchFolder() + example});
        ASSERT_TRUE(cc.waitForFinished(60000));
        EXPECT_EQ(cc.exitCode(), 0) << example << ": " << cc.readAll().toStdString();
    }
}

// The Debian package, installed into a root of its own (its dependencies are this machine's),
// run from there, and removed: nothing of it is left.
TEST_F(ProgramTest, TheDebianPackageInstallsRunsAndRemovesWithoutATrace) {
    const QString root = scratchFolder() + "root";
    const QString packages = scratchFolder() + "packages";
    ASSERT_TRUE(QDir().mkpath(root + "/var/lib/dpkg/info") &&
                QDir().mkpath(root + "/var/lib/dpkg/updates") && QDir().mkpath(packages));
    QFile status(root + "/var/lib/dpkg/status");
    ASSERT_TRUE(status.open(QIODevice::WriteOnly));
    status.close();
    const auto run = [](const QString& program, const QStringList& arguments,
                        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        const bool ended = process.waitForFinished(300000);
        return std::make_pair(ended && process.exitCode() == 0, process.readAll().toStdString());
    };
    const QString config = TESSELVANE_BUILD_DIR "/CPackConfig.cmake";
    auto [packed, packLog] =
        run(TESSELVANE_CPACK, {"-G", "DEB", "-B", packages, "--config", config});
    ASSERT_TRUE(packed) << packLog;
    const QStringList debs = QDir(packages).entryList({"tesselvane_*_amd64.deb"});
    ASSERT_EQ(debs.size(), 1) << packLog;
    const QString deb = packages + "/" + debs[0];
    // Its maintainer scripts only call ldconfig: run on this machine, not in the bare root.
    const QStringList dpkg{"--root=" + root, "--log=/dev/null", "--force-script-chrootless",
                           "--force-depends", "--force-not-root"};
    auto [installed, installLog] = run("dpkg", dpkg + QStringList{"--install", deb});
    ASSERT_TRUE(installed) << installLog;

    byDay("p0702.png", QSize(8, 8), QColor(12, 34, 56));  // read by the packaged png.spi
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", server_->display());
    env.insert("TESSELVANE_DESKTOP", "x11");
    env.insert("LD_PRELOAD", QStringLiteral(TESSELVANE_LIBFAKETIME));
    env.insert("FAKETIME", "@2026-07-02 10:00:00");
    auto [changed, changeLog] = run(root + "/usr/bin/tesselvane", {"-C"}, env);
    EXPECT_TRUE(changed) << changeLog;
    EXPECT_EQ(wallpaperColour(), qRgb(12, 34, 56));
    EXPECT_TRUE(QFile::exists(root + "/usr/share/doc/tesselvane/TESSEL.html"));
    EXPECT_TRUE(QFile::exists(root + "/usr/share/icons/hicolor/48x48/apps/tesselvane.png"));

    auto [removed, removeLog] = run("dpkg", dpkg + QStringList{"--purge", "tesselvane"});
    ASSERT_TRUE(removed) << removeLog;
    QStringList left;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next().mid(root.size());
        if (!path.startsWith("/var/lib/dpkg") && !QFileInfo(it.filePath()).isDir())
            left << path;
    }
    EXPECT_EQ(left, QStringList());
    EXPECT_FALSE(QFileInfo::exists(root + "/usr/lib/tesselvane"));
}

// A photo of another shape, fitted keeping it, as the X server shows it: on a 4:3 screen a
// 2:1 picture whole on bars of the desktop colour, or covering it with the sides cut.
TEST_F(ProgramTest, AFittedPictureKeepsItsShapeOnTheScreen) {
    QImage halves(64, 32, QImage::Format_RGB888);
    halves.fill(Qt::red);
    for (int y = 0; y < 32; ++y)
        for (int x = 32; x < 64; ++x)
            halves.setPixelColor(x, y, Qt::blue);
    ASSERT_TRUE(halves.save(scratchFolder() + "halves.bmp", "BMP"));
    RegistryStore(storeFile())
        .setValue("Control Panel\\Colors", RegValue::text("Background", "0 255 0"));
    set("Time", "Path", scratchFolder());
    set("Time", "Option", "2");
    set("Option", "FitScreen", "1");
    QFile::rename(scratchFolder() + "halves.bmp", scratchFolder() + "day0702.bmp");

    set("Option", "FitStyle", "1");  // 320 x 160, bars of 40 above and below
    Tesselvane inside(*server_, {"-C"});
    ASSERT_TRUE(inside.finishesWithin(30000));
    ASSERT_EQ(inside.exitCode(), 0) << inside.errors().toStdString();
    QImage root = rootPicture(server_->display());
    ASSERT_EQ(root.size(), QSize(320, 240));
    EXPECT_EQ(root.pixel(160, 38), qRgb(0, 255, 0));
    EXPECT_EQ(root.pixel(160, 201), qRgb(0, 255, 0));
    EXPECT_EQ(root.pixel(4, 42), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(315, 197), qRgb(0, 0, 255));

    set("Option", "FitStyle", "2");  // 480 x 240, 80 cut on each side
    Tesselvane cover(*server_, {"-C"});
    ASSERT_TRUE(cover.finishesWithin(30000));
    ASSERT_EQ(cover.exitCode(), 0) << cover.errors().toStdString();
    root = rootPicture(server_->display());
    EXPECT_EQ(root.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(155, 120), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(165, 120), qRgb(0, 0, 255));
    EXPECT_EQ(root.pixel(319, 239), qRgb(0, 0, 255));
}

}  // namespace

// Last: Xlib's macros (None, Bool, ...) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

QImage rootPicture(const QString& display) {
    Display* connection = XOpenDisplay(display.toLocal8Bit().constData());
    if (!connection)
        return {};
    XWindowAttributes attributes{};
    XGetWindowAttributes(connection, DefaultRootWindow(connection), &attributes);
    XImage* image = XGetImage(connection, DefaultRootWindow(connection), 0, 0,
                              static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    QImage picture;
    if (image) {
        picture = QImage(attributes.width, attributes.height, QImage::Format_RGB32);
        for (int y = 0; y < attributes.height; ++y)
            for (int x = 0; x < attributes.width; ++x)
                picture.setPixel(x, y, static_cast<QRgb>(XGetPixel(image, x, y)) | 0xff000000u);
        XDestroyImage(image);
    }
    XCloseDisplay(connection);
    return picture;
}

}  // namespace
