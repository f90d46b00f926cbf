#include "StoreFixture.h"

#include <gmock/gmock.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;

namespace {

class RegIniTest : public StoreTest {};

TEST_F(RegIniTest, OpensTheProgramKeyCreatingIt) {
    EXPECT_TRUE(store_->keyExists("SOFTWARE\\Morvanti\\TESSEL"));
    EXPECT_EQ(ini_->keyName(), "\\SOFTWARE\\Morvanti\\TESSEL");
    ini_->WriteString("Time\\Sunday", "GroupName", "g");
    EXPECT_EQ(store_->value("Software\\Morvanti\\Tessel\\time\\sunday", "groupname")->toText(),
              "g");
}

TEST_F(RegIniTest, TextGivesTheDefaultOnlyWhenAbsent) {
    EXPECT_EQ(ini_->ReadString("Option", "SoundFile", "dflt"), "dflt");
    put("Option", "SoundFile", "");
    EXPECT_EQ(ini_->ReadString("Option", "SoundFile", "dflt"), "");
    EXPECT_EQ(ini_->ReadString("OPTION", "soundfile", "dflt"), "");
}

TEST_F(RegIniTest, IntegersFallBackToTheDefaultForAnythingButAnInteger) {
    const std::pair<const char*, int> cases[] = {
        {"128", 128},
        {"-1", -1},
        {"+7", 7},
        {"  12", 12},
        {"", 42},
        {"abc", 42},
        {"12abc", 42},
        {"12 ", 42},
        {"1.5", 42},
        {"-", 42},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", 42},
        {"99999999999999999999", 42},
    };
    for (const auto& [text, expected] : cases) {
        put("Option", "SlideTime", QString::fromLatin1(text));
        EXPECT_EQ(ini_->ReadInteger("Option", "SlideTime", 42), expected)
            << "text: '" << text << "'";
    }
    EXPECT_EQ(ini_->ReadInteger("Missing", "SlideTime", 42), 42);
}

TEST_F(RegIniTest, BooleansAreIntegersThatAreNotZero) {
    put("Option", "Random", "2");
    EXPECT_TRUE(ini_->ReadBool("Option", "Random", false));
    put("Option", "Random", "0");
    EXPECT_FALSE(ini_->ReadBool("Option", "Random", true));
    put("Option", "Random", "yes");
    EXPECT_TRUE(ini_->ReadBool("Option", "Random", true));
    EXPECT_FALSE(ini_->ReadBool("Option", "Random", false));

    ini_->WriteBool("Option", "Random", true);
    ini_->WriteInteger("Option", "SlideTime", -5);
    EXPECT_EQ(store_->value(ini_->sectionPath("Option"), "Random")->toText(), "1");
    EXPECT_EQ(store_->value(ini_->sectionPath("Option"), "SlideTime")->toText(), "-5");
    EXPECT_EQ(store_->value(ini_->sectionPath("Option"), "SlideTime")->type, RegType::Sz);
}

TEST_F(RegIniTest, AValueOfAnotherTypeRaisesTheDataTypeErrorInsteadOfANumber) {
    putRaw("Option", RegValue::dword("SlideTime", 5));
    const QString expected = QStringLiteral("'SlideTime' のデータ型が不正です");
    EXPECT_EQ(registryErrorOf([&] { ini_->ReadInteger("Option", "SlideTime", 3); }), expected);
    EXPECT_EQ(registryErrorOf([&] { ini_->ReadString("Option", "SlideTime", ""); }), expected);
    EXPECT_EQ(registryErrorOf([&] { ini_->ReadBool("Option", "SlideTime", true); }), expected);
    EXPECT_EQ(registryErrorOf([&] { ini_->readSectionValues("Option"); }), expected);

    putRaw("Option", RegValue::text("SoundFile", "%HOME%/a.wav", RegType::ExpandSz));
    EXPECT_EQ(ini_->ReadString("Option", "SoundFile", ""), "%HOME%/a.wav");
}

TEST_F(RegIniTest, StoreFailuresRaiseTheFixedTexts) {
    // A section with an empty part is a key the store cannot create.
    EXPECT_EQ(registryErrorOf([&] { ini_->WriteString("a\\\\b", "v", "x"); }),
              QStringLiteral("キー a\\\\b の作成に失敗しました"));
    EXPECT_EQ(registryErrorOf([&] { ini_->WriteString("Option", QString(20000, u'n'), "x"); }),
              QStringLiteral("'%1' の設定に失敗しました").arg(QString(20000, u'n')));
    EXPECT_EQ(registryErrorOf([&] { ini_->ReadString("a\\\\b", "v", ""); }),
              QStringLiteral("'v' の取得に失敗しました"));
    EXPECT_FALSE(store_->keyExists(ini_->sectionPath("Option")));
}

TEST_F(RegIniTest, ReadSectionReplacesNamesOnlyWhenTheSectionExists) {
    QStringList names{"untouched"};
    ini_->ReadSection("GroupName", names);
    EXPECT_THAT(names, ElementsAre("untouched"));
    put("GroupName", "Group1", "b");
    put("GroupName", "Group0", "a");
    ini_->ReadSection("GroupName", names);
    EXPECT_THAT(names, ElementsAre("Group1", "Group0"));
}

TEST_F(RegIniTest, ErasingAndDeletingWhatIsMissingIsNoError) {
    EXPECT_NO_THROW(ini_->EraseSection("Files\\nothing"));
    EXPECT_NO_THROW(ini_->DeleteKey("Files\\nothing", "Type"));
    put("Time", "OptionSub", "3");
    ini_->DeleteKey("Time", "optionsub");
    EXPECT_FALSE(ini_->valueExists("Time", "OptionSub"));
    put("Time\\Sunday", "Index", "3");
    ini_->EraseSection("Time");
    EXPECT_FALSE(ini_->sectionExists("Time\\Sunday"));
    EXPECT_TRUE(ini_->sectionExists(""));
}

TEST_F(RegIniTest, ABatchStoresAllOrNothing) {
    try {
        RegIni::Batch batch(*ini_, "Option");
        ini_->WriteString("Option", "A", "1");
        ini_->WriteString("a\\\\b", "B", "2");  // fails
        batch.commit();
    } catch (const SettingsError&) {
    }
    EXPECT_FALSE(ini_->valueExists("Option", "A"));
}

}  // namespace
