#include "PictureTestSupport.h"
#include "TestFolders.h"
#include "picture/ExtensionPlugins.h"
#include "picture/PictureError.h"
#include "picture/PlugInSettings.h"
#include "picture/PluginHost.h"
#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <functional>

#include <gmock/gmock.h>

#include <cstdlib>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ExtensionPluginsTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = scratchFolder() + "bpi.log";
        ::setenv("TESSELVANE_TEST_BPI_LOG", QFile::encodeName(log_).constData(), 1);
        // The helper takes this test's environment (its log file) when started.
        PluginHost::shared().stop();
    }
    void TearDown() override {
        FreePlugIns();
        ::unsetenv("TESSELVANE_TEST_BPI_LOG");
        QLocale::setDefault(QLocale::c());
    }

    QString folderWith(std::initializer_list<const char*> plugins) {
        const QString folder = scratchFolder() + "bpi/";
        QDir().mkpath(folder);
        for (const char* plugin : plugins) {
            EXPECT_TRUE(QFile::copy(testPluginFolder() + plugin + ".bpi", folder + plugin + ".bpi"))
                << plugin;
        }
        return folder;
    }

    QStringList names() const {
        QStringList result;
        for (const TTesselPlugin& p : PlugIns)
            result.append(p.Name);
        return result;
    }

    QStringList calls() { return takeLogLines(log_); }

    QString log_;
};

TEST_F(ExtensionPluginsTest, NoPluginsNoTableAndNoHelper) {
    startLoadingPlugIns(folderWith({}));
    QImage picture(4, 3, QImage::Format_RGB888);
    picture.fill(Qt::green);
    EXPECT_EQ(executePlugIns(picture, 0), picture);
    EXPECT_EQ(PlugInCount, 0);
    EXPECT_THAT(PlugIns, IsEmpty());
    EXPECT_FALSE(PluginHost::shared().isRunning());
}

TEST_F(ExtensionPluginsTest, OrderNumbersSortAsRightAlignedText) {
    LoadPlugIns(folderWith({"order12", "order5", "order30", "order100", "order20"}));
    ASSERT_EQ(PlugInCount, 5);
    // Compared as text: " 5" < "100" < "12" < "20" < "30", so 100 runs before 12 and 20.
    EXPECT_THAT(names(), ElementsAre("order5 Ver12.34", "order100 Ver1.05", "order12 Ver1.05",
                                     "order20 Ver1.05", "order30 Ver0.05"));
    EXPECT_EQ(PlugIns[0].Order, 5);
}

TEST_F(ExtensionPluginsTest, VersionsUseTheUsersDecimalSeparator) {
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    LoadPlugIns(folderWith({"order5"}));
    EXPECT_THAT(names(), ElementsAre("order5 Ver12,34"));
}

TEST_F(ExtensionPluginsTest, OnlyPluginsOfTypeBWithNumbersForVersionAndOrderAreLoaded) {
    const QString folder =
        folderWith({"lowercase", "badversion", "badorder", "nosetting", "noexecute"});
    QFile::copy(testPluginFolder() + "plain.spi", folder + "decoder.bpi");  // no GetPlugInInfo
    LoadPlugIns(folder);
    EXPECT_THAT(names(), ElementsAre("nosetting Ver1.05", "noexecute Ver1.05"));
    // Plug-ins missing an entry point are listed; the missing call is never made.
    EXPECT_FALSE(PlugIns[0].SettingPlugIn);
    EXPECT_TRUE(PlugIns[0].ExecutePlugIn);
    EXPECT_FALSE(PlugIns[1].ExecutePlugIn);
    QImage picture(2, 2, QImage::Format_RGB888);
    picture.fill(Qt::white);
    executePlugIns(picture, 0);
    openPlugInSettings(0, 0, picture);
    EXPECT_THAT(calls(), ElementsAre("nosetting:Execute 2x2 255,255,255"));
}

TEST_F(ExtensionPluginsTest, EachPluginGetsThePictureTheOneBeforeReturned) {
    LoadPlugIns(folderWith({"drawinto", "newdib"}));
    ASSERT_THAT(names(), ElementsAre("newdib Ver1.05", "drawinto Ver1.05"));
    QImage picture(5, 4, QImage::Format_RGB888);
    picture.fill(QColor(10, 20, 30));
    const QImage result = executePlugIns(picture, 0);
    // The first made a new, wider, inverted picture; the second saw it and drew into it.
    EXPECT_THAT(calls(),
                ElementsAre("newdib:Execute 5x4 10,20,30", "drawinto:Execute 7x4 245,235,225"));
    ASSERT_EQ(result.size(), QSize(7, 4));
    EXPECT_EQ(result.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(result.pixel(1, 0), qRgb(245, 235, 225));
    EXPECT_EQ(result.pixel(6, 3), qRgb(0, 0, 0));
    // The picture handed in is left as it was.
    EXPECT_EQ(picture.pixel(0, 0), qRgb(10, 20, 30));
}

TEST_F(ExtensionPluginsTest, APictureLeftAloneIsPassedOnAsItIsAndTheNextChangeStartsAfresh) {
    startLoadingPlugIns(folderWith({"order5", "order12"}));
    QImage green(3, 2, QImage::Format_RGB32);
    green.fill(Qt::green);
    const QImage same = executePlugIns(green, 0);
    // Nobody changed it: the picture itself comes back, not a copy.
    EXPECT_EQ(same.constBits(), green.constBits());
    QImage blue(3, 2, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    EXPECT_EQ(executePlugIns(blue, 0).pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_THAT(calls(), ElementsAre("order5:Execute 3x2 0,255,0", "order12:Execute 3x2 0,255,0",
                                     "order5:Execute 3x2 0,0,255", "order12:Execute 3x2 0,0,255"));

    // One that draws between two that do not: the last sees the drawing, and it is kept.
    FreePlugIns();
    QFile::copy(testPluginFolder() + "drawlate.bpi", scratchFolder() + "bpi/drawlate.bpi");
    LoadPlugIns(scratchFolder() + "bpi/");
    const QImage drawn = executePlugIns(blue, 0);
    EXPECT_THAT(calls(), ElementsAre("order5:Execute 3x2 0,0,255", "drawlate:Execute 3x2 0,0,255",
                                     "order12:Execute 3x2 255,0,0"));
    EXPECT_EQ(drawn.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(drawn.pixel(1, 0), qRgb(0, 0, 255));
}

TEST_F(ExtensionPluginsTest, SettingsGetThePictureAndTheirOwnCornerOfTheStore) {
    RegistryStore store(RegistryStore::defaultPath());
    LoadPlugIns(folderWith({"order5"}));
    QImage picture(3, 2, QImage::Format_RGB888);
    picture.fill(QColor(1, 2, 3));
    openPlugInSettings(0, 0, picture);
    openPlugInSettings(0, 0, QImage());
    openPlugInSettings(7, 0, picture);  // no such plug-in: nothing
    EXPECT_THAT(calls(),
                ElementsAre("order5:Setting \\SOFTWARE\\Morvanti\\TESSEL\\PlugIn 3x2 1,2,3",
                            "order5:Setting \\SOFTWARE\\Morvanti\\TESSEL\\PlugIn no picture"));
    EXPECT_EQ(store.value("SOFTWARE\\Morvanti\\TESSEL\\PlugIn\\order5", "Opened")->toText(), "yes");
}

}  // namespace

namespace {

TEST(PluginSettingsFunctions, ReachOnlyThePluginKey) {
    RegistryStore store(RegistryStore::defaultPath());
    const auto writeSetting = [&](const char* key, const char* name, const char* value) {
        return writePlugInSetting(&store, key, name, value);
    };
    RegistryStore* reading = &store;
    const auto readSetting = [&](const char* key, const char* name, char* buf,
                                 std::int32_t length) {
        return readPlugInSetting(reading, key, name, buf, length);
    };
    EXPECT_EQ(writeSetting("\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn\\Cal", "Corner", "3"), 0);
    EXPECT_EQ(writeSetting("\\software\\morvanti\\tessel\\plugin", "Top", "1"), 0);
    char buf[8];
    EXPECT_EQ(readSetting("\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn\\Cal", "Corner", buf, sizeof buf),
              1);
    EXPECT_STREQ(buf, "3");
    EXPECT_EQ(readSetting("\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn\\Cal", "Missing", buf, sizeof buf),
              -1);
    // Not the program's own settings, nor anything else.
    EXPECT_EQ(writeSetting("\\SOFTWARE\\Morvanti\\TESSEL\\Option", "Random", "1"), -1);
    EXPECT_EQ(writeSetting("\\SOFTWARE\\Morvanti\\TESSEL\\PlugInX", "a", "1"), -1);
    EXPECT_EQ(readSetting("\\SOFTWARE\\Morvanti\\TESSEL", "x", buf, sizeof buf), -1);
    EXPECT_FALSE(store.keyExists("SOFTWARE\\Morvanti\\TESSEL\\Option"));
    // A value longer than the buffer is cut, its length still told.
    writeSetting("\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn", "Long", "0123456789");
    EXPECT_EQ(readSetting("\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn", "Long", buf, sizeof buf), 10);
    EXPECT_STREQ(buf, "0123456");
    reading = nullptr;
    EXPECT_EQ(readSetting("\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn", "Long", buf, sizeof buf), -1);
}

}  // namespace

namespace {

class ExtensionPluginFaultTest : public ExtensionPluginsTest {
protected:
    void TearDown() override {
        PluginHost::setTimeLimitForTesting(kPluginTimeLimit);
        ExtensionPluginsTest::TearDown();
    }

    static QString errorOf(const std::function<void()>& call) {
        try {
            call();
        } catch (const PictureError& e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    }

    static QImage grey() {
        QImage picture(4, 3, QImage::Format_RGB888);
        picture.fill(QColor(50, 50, 50));
        return picture;
    }

    // The same plug-ins without the faulty one work on the next picture.
    void expectTheNextChangeWorks() {
        const QString folder = scratchFolder() + "next/";
        QDir().mkpath(folder);
        QFile::copy(testPluginFolder() + "drawinto.bpi", folder + "drawinto.bpi");
        LoadPlugIns(folder);
        const QImage result = executePlugIns(grey(), 0);
        EXPECT_EQ(result.pixel(0, 0), qRgb(255, 0, 0));
    }
};

TEST_F(ExtensionPluginFaultTest, ACrashOrAPictureThatDoesNotFitItsBlockIsAnErrorNamingThePlugin) {
    LoadPlugIns(folderWith({"crashexecute"}));
    EXPECT_EQ(errorOf([] { executePlugIns(grey(), 0); }),
              QStringLiteral("プラグイン crashexecute.bpi が異常終了しました"));
    expectTheNextChangeWorks();

    QFile::remove(scratchFolder() + "bpi/crashexecute.bpi");
    LoadPlugIns(folderWith({"shortdib"}));
    const QString error = errorOf([] { executePlugIns(grey(), 0); });
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("拡張プラグイン shortdib.bpi の返した画像が不正です")))
        << error.toStdString();
    expectTheNextChangeWorks();
}

TEST_F(ExtensionPluginFaultTest, APictureInAHugeBlockCrossesAtTheSizeItsHeaderNeeds) {
    LoadPlugIns(folderWith({"hugeblock", "blocksize"}));
    const QImage result = executePlugIns(grey(), 0);
    // The next plug-in was given a copy of the picture, not of the 1 GiB around it.
    EXPECT_THAT(calls(), ElementsAre("hugeblock:Execute 4x3 50,50,50",
                                     "blocksize:Execute 1x1 255,0,0 in a small block"));
    ASSERT_EQ(result.size(), QSize(1, 1));
    EXPECT_EQ(result.pixel(0, 0), qRgb(255, 0, 0));
}

TEST_F(ExtensionPluginFaultTest, APluginThatNeverReturnsIsEndedAfterTheTimeLimit) {
    PluginHost::setTimeLimitForTesting(std::chrono::milliseconds(1000));
    LoadPlugIns(folderWith({"hangexecute"}));
    const QString error = errorOf([] { executePlugIns(grey(), 0); });
    EXPECT_TRUE(error.contains(QStringLiteral("応答しない"))) << error.toStdString();
    expectTheNextChangeWorks();
}

TEST_F(ExtensionPluginFaultTest, ACrashInTheSettingsIsReportedAndTheProgramGoesOn) {
    LoadPlugIns(folderWith({"crashsetting"}));
    EXPECT_EQ(errorOf([] { openPlugInSettings(0, 0, grey()); }),
              QStringLiteral("プラグイン crashsetting.bpi が異常終了しました"));
    EXPECT_THAT(calls(), ElementsAre("crashsetting:Setting \\SOFTWARE\\Morvanti\\TESSEL\\PlugIn "
                                     "4x3 50,50,50"));
    expectTheNextChangeWorks();
}

}  // namespace
