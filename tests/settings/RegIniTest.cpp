#include "StoreFixture.h"

#include <gmock/gmock.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;

namespace {

class RegIniTest : public StoreTest {};

TEST_F(RegIniTest, OpensTheProgramKeyCreatingIt) {
    EXPECT_TRUE(store->keyExists("SOFTWARE\\Morvanti\\TESSEL"));
    EXPECT_EQ(ini->KeyName(), "\\SOFTWARE\\Morvanti\\TESSEL");
    ini->WriteString("Time\\Sunday", "GroupName", "g");
    EXPECT_EQ(store->value("Software\\Morvanti\\Tessel\\time\\sunday", "groupname")->toText(), "g");
}

TEST_F(RegIniTest, TextGivesTheDefaultOnlyWhenAbsent) {
    EXPECT_EQ(ini->ReadString("Option", "SoundFile", "dflt"), "dflt");
    put("Option", "SoundFile", "");
    EXPECT_EQ(ini->ReadString("Option", "SoundFile", "dflt"), "");
    EXPECT_EQ(ini->ReadString("OPTION", "soundfile", "dflt"), "");
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
        EXPECT_EQ(ini->ReadInteger("Option", "SlideTime", 42), expected)
            << "text: '" << text << "'";
    }
    EXPECT_EQ(ini->ReadInteger("Missing", "SlideTime", 42), 42);
}

TEST_F(RegIniTest, BooleansAreIntegersThatAreNotZero) {
    put("Option", "Random", "2");
    EXPECT_TRUE(ini->ReadBool("Option", "Random", false));
    put("Option", "Random", "0");
    EXPECT_FALSE(ini->ReadBool("Option", "Random", true));
    put("Option", "Random", "yes");
    EXPECT_TRUE(ini->ReadBool("Option", "Random", true));
    EXPECT_FALSE(ini->ReadBool("Option", "Random", false));

    ini->WriteBool("Option", "Random", true);
    ini->WriteInteger("Option", "SlideTime", -5);
    EXPECT_EQ(store->value(ini->SectionPath("Option"), "Random")->toText(), "1");
    EXPECT_EQ(store->value(ini->SectionPath("Option"), "SlideTime")->toText(), "-5");
    EXPECT_EQ(store->value(ini->SectionPath("Option"), "SlideTime")->type, RegType::Sz);
}

TEST_F(RegIniTest, AValueOfAnotherTypeRaisesTheDataTypeErrorInsteadOfANumber) {
    putRaw("Option", RegValue::dword("SlideTime", 5));
    const QString expected = QStringLiteral("'SlideTime' のデータ型が不正です");
    EXPECT_EQ(registryErrorOf([&] { ini->ReadInteger("Option", "SlideTime", 3); }), expected);
    EXPECT_EQ(registryErrorOf([&] { ini->ReadString("Option", "SlideTime", ""); }), expected);
    EXPECT_EQ(registryErrorOf([&] { ini->ReadBool("Option", "SlideTime", true); }), expected);
    EXPECT_EQ(registryErrorOf([&] { ini->ReadSectionValues("Option"); }), expected);

    putRaw("Option", RegValue::text("SoundFile", "%HOME%/a.wav", RegType::ExpandSz));
    EXPECT_EQ(ini->ReadString("Option", "SoundFile", ""), "%HOME%/a.wav");
}

TEST_F(RegIniTest, StoreFailuresRaiseTheFixedTexts) {
    // A section with an empty part is a key the store cannot create.
    EXPECT_EQ(registryErrorOf([&] { ini->WriteString("a\\\\b", "v", "x"); }),
              QStringLiteral("キー a\\\\b の作成に失敗しました"));
    EXPECT_EQ(registryErrorOf([&] { ini->WriteString("Option", QString(20000, u'n'), "x"); }),
              QStringLiteral("'%1' の設定に失敗しました").arg(QString(20000, u'n')));
    EXPECT_EQ(registryErrorOf([&] { ini->ReadString("a\\\\b", "v", ""); }),
              QStringLiteral("'v' の取得に失敗しました"));
    EXPECT_FALSE(store->keyExists(ini->SectionPath("Option")));
}

TEST_F(RegIniTest, ReadSectionReplacesNamesOnlyWhenTheSectionExists) {
    QStringList names{"untouched"};
    ini->ReadSection("GroupName", names);
    EXPECT_THAT(names, ElementsAre("untouched"));
    put("GroupName", "Group1", "b");
    put("GroupName", "Group0", "a");
    ini->ReadSection("GroupName", names);
    EXPECT_THAT(names, ElementsAre("Group1", "Group0"));
}

TEST_F(RegIniTest, ErasingAndDeletingWhatIsMissingIsNoError) {
    EXPECT_NO_THROW(ini->EraseSection("Files\\nothing"));
    EXPECT_NO_THROW(ini->DeleteKey("Files\\nothing", "Type"));
    put("Time", "OptionSub", "3");
    ini->DeleteKey("Time", "optionsub");
    EXPECT_FALSE(ini->ValueExists("Time", "OptionSub"));
    put("Time\\Sunday", "Index", "3");
    ini->EraseSection("Time");
    EXPECT_FALSE(ini->SectionExists("Time\\Sunday"));
    EXPECT_TRUE(ini->SectionExists(""));
}

TEST_F(RegIniTest, ABatchStoresAllOrNothing) {
    try {
        RegIni::Batch batch(*ini, "Option");
        ini->WriteString("Option", "A", "1");
        ini->WriteString("a\\\\b", "B", "2");  // fails
        batch.Commit();
    } catch (const SettingsError&) {
    }
    EXPECT_FALSE(ini->ValueExists("Option", "A"));
}

}  // namespace
