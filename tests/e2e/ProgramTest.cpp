// The built programs as a user runs them.

#include "RegIni.h"
#include "RegistryStore.h"
#include "RunProcess.h"
#include "TestFolders.h"
#include "XvfbServer.h"

#include <QDir>
#include <QProcess>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::HasSubstr;

namespace {

QString storeFile() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/tesselvane/registry.db";
}

TEST(Program, FirstRunSaysWhereTheStoreIsAndSavesEveryOption) {
    const ProcessResult r = runBuiltProgram("tesselvane", {});
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_EQ(r.outText(), "Settings store: " + storeFile() + "\n");

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(storeFile()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    RegistryStore store(storeFile());
    RegIni ini(store);
    EXPECT_EQ(ini.ReadString("Option", "PluginPath", ""), builtProgramFolder());
    EXPECT_EQ(ini.ReadString("Time", "Path", ""), builtProgramFolder());
    EXPECT_EQ(ini.ReadString("Option", "SlideTime", ""), "3");
    EXPECT_FALSE(ini.ValueExists("Time", "OptionSub"));
}

TEST(Program, ALegacyScheduleIsConvertedAndKept) {
    runBuiltProgram("tesselvane-reg", {"add", "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\Time", "/v",
                                       "OptionSub", "/d", "3", "/f"});
    ASSERT_EQ(runBuiltProgram("tesselvane", {}).exitCode, 0);
    const ProcessResult r =
        runBuiltProgram("tesselvane-reg", {"query", "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\Time"});
    EXPECT_THAT(r.outText().toStdString(), HasSubstr("    Option    REG_SZ    4\n"));
    EXPECT_THAT(r.outText().toStdString(), ::testing::Not(HasSubstr("OptionSub")));
}

TEST(Program, AValueOfAnotherTypeIsReportedAndNothingIsOverwritten) {
    ASSERT_EQ(
        runBuiltProgram("tesselvane-reg", {"add", "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\Option", "/v",
                                           "SlideTime", "/t", "REG_DWORD", "/d", "7", "/f"})
            .exitCode,
        0);
    const ProcessResult r = runBuiltProgram("tesselvane", {});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.errText().toStdString(), HasSubstr("'SlideTime' のデータ型が不正です"));
    const ProcessResult q =
        runBuiltProgram("tesselvane-reg", {"query", "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\Option"});
    EXPECT_EQ(q.outText(),
              "\nHKEY_CURRENT_USER\\SOFTWARE\\Morvanti\\TESSEL\\Option\n"
              "    SlideTime    REG_DWORD    0x7\n\n");
}

TEST(Program, RegToolReportsMissingKeysOnStandardError) {
    const ProcessResult r = runBuiltProgram("tesselvane-reg", {"query", "HKCU\\Nothing\\Here"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.errText(),
              "ERROR: The system was unable to find the specified registry key or value.\n");
}

TEST(Program, RegToolImportsAndExportsFiles) {
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

    const QString display = first.display();
    first.stop();
    EXPECT_NE(rootWindowDump(display).first, 0);
}

}  // namespace
