#include "StoreFixture.h"
#include "settings/Options.h"
#include "settings/WeekdayKeys.h"

#include <gmock/gmock.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;

namespace {

const QString kProgramFolder = QStringLiteral("/opt/tesselvane/lib/");

class OptionsTest : public StoreTest {
protected:
    TMyOption load() {
        TMyOption options;
        options.SlideTime = -999;  // loading must set every field
        options.Time.Value = -999;
        LoadOptions(*ini_, options, kProgramFolder);
        return options;
    }
    QString stored(const QString& section, const QString& ident) {
        return ini_->ReadString(section, ident, QStringLiteral("<absent>"));
    }
};

TEST_F(OptionsTest, FirstRunTakesEveryDefaultAndSavesThemSpelledOut) {
    const TMyOption o = load();
    EXPECT_TRUE(o.UpdateReg);
    EXPECT_FALSE(o.Random);
    EXPECT_FALSE(o.FitScreen);
    EXPECT_EQ(o.FitStyle, 0);
    EXPECT_FALSE(o.MonitorPictures);
    EXPECT_EQ(o.SlideMode, 0);
    EXPECT_EQ(o.SlideTime, 3);
    EXPECT_EQ(o.PluginPath, kProgramFolder);
    EXPECT_TRUE(o.UseJpeg);
    EXPECT_FALSE(o.UseSound);
    EXPECT_EQ(o.SoundFile, "");
    EXPECT_EQ(o.SoundPos, 0);
    EXPECT_EQ(o.Time.Option, 0);
    EXPECT_EQ(o.Time.OptionSub, 999);
    EXPECT_EQ(o.Time.Path, kProgramFolder);
    EXPECT_EQ(o.Time.Scale, 0);
    EXPECT_EQ(o.Time.Value, 0);
    EXPECT_FALSE(o.Time.TimeBoot);
    EXPECT_FALSE(o.Time.SetWeekday);

    SaveOptions(*ini_, o);
    QStringList names;
    ini_->ReadSection("Option", names);
    EXPECT_THAT(names, ElementsAre("UpdateReg", "Random", "FitScreen", "FitStyle",
                                   "MonitorPictures", "SlideMode", "SlideTime", "PluginPath",
                                   "UseJpeg", "UseSound", "SoundFile", "SoundPos"));
    ini_->ReadSection("Time", names);
    EXPECT_THAT(names, ElementsAre("Option", "Path", "Scale", "Value", "TimeBoot", "SetWeekday"));
    EXPECT_EQ(stored("Option", "PluginPath"), kProgramFolder);
    EXPECT_EQ(stored("Time", "Path"), kProgramFolder);
    EXPECT_EQ(stored("Option", "UpdateReg"), "1");
    EXPECT_EQ(stored("Option", "SoundFile"), "");
}

TEST_F(OptionsTest, AFitStyleOutsideItsChoicesReadsAsStretch) {
    for (const auto& [stored, read] :
         {std::pair{"1", 1}, {"2", 2}, {"3", 0}, {"-1", 0}, {"x", 0}, {"99999999999", 0}}) {
        put("Option", "FitStyle", stored);
        EXPECT_EQ(load().FitStyle, read) << stored;
    }
}

TEST_F(OptionsTest, EmptyPluginFolderBecomesTheProgramFolderButAnEmptyTargetFolderStays) {
    put("Option", "PluginPath", "");
    put("Time", "Path", "");
    const TMyOption o = load();
    EXPECT_EQ(o.PluginPath, kProgramFolder);
    EXPECT_EQ(o.Time.Path, "");
}

TEST_F(OptionsTest, ReadingRulesOfTheStoredTexts) {
    put("Option", "SlideMode", "257");  // low 8 bits
    put("Option", "SoundPos", "-255");
    put("Option", "Random", "2");
    put("Option", "SlideTime", "three");
    put("Option", "UseJpeg", "");
    put("Time", "Value", "-4");
    const TMyOption o = load();
    EXPECT_EQ(o.SlideMode, 1);
    EXPECT_EQ(o.SoundPos, 1);
    EXPECT_TRUE(o.Random);
    EXPECT_EQ(o.SlideTime, 3);
    EXPECT_TRUE(o.UseJpeg);
    EXPECT_EQ(o.Time.Value, -4);
}

TEST_F(OptionsTest, SaveAndLoadGiveBackEveryField) {
    TMyOption o;
    o.UpdateReg = false;
    o.Random = true;
    o.FitScreen = true;
    o.SlideMode = 1;
    o.SlideTime = 17;
    o.PluginPath = "/plugins/";
    o.UseJpeg = false;
    o.UseSound = true;
    o.SoundFile = "/sounds/デスクトップ.wav";
    o.SoundPos = 1;
    o.Time = TOptTime{3, 999, "/pictures/日付", 2, 45, true, true};
    SaveOptions(*ini_, o);
    const TMyOption back = load();
    EXPECT_EQ(back.UpdateReg, o.UpdateReg);
    EXPECT_EQ(back.Random, o.Random);
    EXPECT_EQ(back.FitScreen, o.FitScreen);
    EXPECT_EQ(back.SlideMode, o.SlideMode);
    EXPECT_EQ(back.SlideTime, o.SlideTime);
    EXPECT_EQ(back.PluginPath, o.PluginPath);
    EXPECT_EQ(back.UseJpeg, o.UseJpeg);
    EXPECT_EQ(back.UseSound, o.UseSound);
    EXPECT_EQ(back.SoundFile, o.SoundFile);
    EXPECT_EQ(back.SoundPos, o.SoundPos);
    EXPECT_EQ(back.Time.Option, 3);
    EXPECT_EQ(back.Time.Path, o.Time.Path);
    EXPECT_EQ(back.Time.Scale, 2);
    EXPECT_EQ(back.Time.Value, 45);
    EXPECT_TRUE(back.Time.TimeBoot);
    EXPECT_TRUE(back.Time.SetWeekday);
}

TEST_F(OptionsTest, SavingNeverWritesTheLegacySubMode) {
    TMyOption o;
    o.Time.OptionSub = 3;
    SaveOptions(*ini_, o);
    EXPECT_EQ(stored("Time", "OptionSub"), "<absent>");
}

struct LegacyCase {
    const char* option;  // nullptr: absent
    const char* optionSub;
    int expectedMode;
};

class LegacyConversion : public OptionsTest, public ::testing::WithParamInterface<LegacyCase> {};

TEST_P(LegacyConversion, ConvertsTheModeDeletesTheSubModeAndWritesTheMode) {
    const LegacyCase& c = GetParam();
    if (c.option)
        put("Time", "Option", QString::fromLatin1(c.option));
    put("Time", "OptionSub", QString::fromLatin1(c.optionSub));
    const TMyOption o = load();
    EXPECT_EQ(o.Time.Option, c.expectedMode);
    EXPECT_EQ(o.Time.OptionSub, QString::fromLatin1(c.optionSub).toInt());
    EXPECT_EQ(stored("Time", "OptionSub"), "<absent>");
    EXPECT_EQ(stored("Time", "Option"), QString::number(c.expectedMode));
}

INSTANTIATE_TEST_SUITE_P(Modes, LegacyConversion,
                         ::testing::Values(LegacyCase{"0", "0", 0}, LegacyCase{"0", "1", 2},
                                           LegacyCase{"0", "2", 3}, LegacyCase{"0", "3", 4},
                                           LegacyCase{"0", "4", 5}, LegacyCase{"0", "7", 1},
                                           LegacyCase{"0", "-1", 1}, LegacyCase{nullptr, "1", 2},
                                           LegacyCase{"1", "2", 1}, LegacyCase{"5", "0", 5}));

TEST_F(OptionsTest, SubMode999IsTreatedAsAbsentAndLeftInPlace) {
    put("Time", "Option", "0");
    put("Time", "OptionSub", "999");
    const TMyOption o = load();
    EXPECT_EQ(o.Time.Option, 0);
    EXPECT_EQ(stored("Time", "OptionSub"), "999");
}

TEST_F(OptionsTest, AHandEnteredNumberOfAnotherTypeStopsTheLoadWithTheTypeError) {
    putRaw("Option", RegValue::dword("SlideTime", 9));
    EXPECT_EQ(registryErrorOf([&] { load(); }), QStringLiteral("'SlideTime' のデータ型が不正です"));
}

TEST(WeekdayKeys, OneKeyPerDayFromSunday) {
    EXPECT_EQ(weekdayKey(0), "Time\\Sunday");
    EXPECT_EQ(weekdayKey(6), "Time\\Saturday");
    EXPECT_EQ(weekdayKey(QDate(2026, 7, 5)), "Time\\Sunday");
    EXPECT_EQ(weekdayKey(QDate(2026, 7, 4)), "Time\\Saturday");
}

}  // namespace
