#include "StoreFixture.h"
#include "platform/Collation.h"
#include "settings/Groups.h"
#include "settings/PictureListing.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <gmock/gmock.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;
using Result = GroupNameCheck::Result;

namespace {

void touch(const QString& path) {
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

void link(const QString& target, const QString& path) {
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()),
              0);
}

class GroupsTest : public StoreTest {
protected:
    QStringList load(const QString& group) {
        QStringList list{"stale entry"};
        LoadPictureList(*ini_, list, group);
        return list;
    }
};

TEST_F(GroupsTest, GroupNamesAreRewrittenInListOrder) {
    SaveGroupNames(*ini_, {"海", "Mountains", "cities"});
    EXPECT_THAT(readGroupNames(*ini_), ElementsAre("海", "Mountains", "cities"));
    QStringList idents;
    ini_->ReadSection("GroupName", idents);
    EXPECT_THAT(idents, ElementsAre("Group0", "Group1", "Group2"));

    SaveGroup(*ini_, "Mountains", GroupKind::FileList, "", {"/m.jpg"});
    SaveGroup(*ini_, "cities", GroupKind::FileList, "", {"/c.jpg"});
    QStringList names = readGroupNames(*ini_);
    removeGroup(*ini_, names, 1);
    EXPECT_THAT(names, ElementsAre("海", "cities"));
    EXPECT_THAT(readGroupNames(*ini_), ElementsAre("海", "cities"));
    ini_->ReadSection("GroupName", idents);
    EXPECT_THAT(idents, ElementsAre("Group0", "Group1"));
    EXPECT_FALSE(ini_->sectionExists("Files\\Mountains"));
    EXPECT_THAT(load("cities"), ElementsAre("/c.jpg"));
}

TEST_F(GroupsTest, RemovingAGroupLeavesWhatElseNamesIt) {
    SaveGroupNames(*ini_, {"a"});
    ini_->WriteString("Time\\Monday", "GroupName", "a");
    QStringList names{"a"};
    removeGroup(*ini_, names, 0);
    EXPECT_EQ(ini_->ReadString("Time\\Monday", "GroupName", ""), "a");
    EXPECT_THAT(readGroupNames(*ini_), IsEmpty());
}

TEST_F(GroupsTest, GroupNamesAreReadInStoredOrderNotByNumber) {
    put("GroupName", "Group1", "second");
    put("GroupName", "Group0", "first");
    EXPECT_THAT(readGroupNames(*ini_), ElementsAre("second", "first"));
}

TEST_F(GroupsTest, NewNamesAreTrimmedAndComparedAsTheStoreComparesKeys) {
    const QStringList existing{"Sea", "Ａｂｃ"};
    GroupNameCheck c = checkNewGroupName(" \t\x01Lake\r\n ", existing);
    EXPECT_EQ(c.result, Result::Accepted);
    EXPECT_EQ(c.name, "Lake");
    EXPECT_EQ(checkNewGroupName("  \t ", existing).result, Result::Empty);
    // Full-width blanks are not trimmed.
    EXPECT_EQ(checkNewGroupName("\u3000", existing).result, Result::Accepted);

    c = checkNewGroupName("sEA", existing);
    EXPECT_EQ(c.result, Result::Duplicate);
    EXPECT_EQ(c.message, "二重登録です");
    EXPECT_EQ(checkNewGroupName("Séa", existing).result, Result::Accepted);
    // Letters beyond a-z fold too, as in the store: these would share one contents key.
    EXPECT_EQ(checkNewGroupName("ａｂｃ", existing).result, Result::Duplicate);
    EXPECT_EQ(checkNewGroupName("ÄPFEL", {"äpfel"}).result, Result::Duplicate);
    EXPECT_EQ(checkNewGroupName("Ωmega", {"ωMEGA"}).result, Result::Duplicate);
}

TEST_F(GroupsTest, NamesThatTheCheckTellsApartGetKeysOfTheirOwn) {
    const QStringList names{"Äpfel", "Ａ", "海"};
    for (const QString& typed : {QString("Apfel"), QString("A"), QString("海海")}) {
        ASSERT_EQ(checkNewGroupName(typed, names).result, Result::Accepted) << typed.toStdString();
        SaveGroup(*ini_, typed, GroupKind::Folder, "/" + typed, {});
    }
    for (const QString& name : names)
        SaveGroup(*ini_, name, GroupKind::Folder, "/" + name, {});
    for (const QString& name : names + QStringList{"Apfel", "A", "海海"})
        EXPECT_EQ(ini_->ReadString("Files\\" + name, "Folder", ""), "/" + name);
}

TEST_F(GroupsTest, NamesWithABackslashOrTooManyBytesAreRefused) {
    const GroupNameCheck c = checkNewGroupName("a\\b", {});
    EXPECT_EQ(c.result, Result::HasBackslash);
    EXPECT_FALSE(c.message.isEmpty());
    // Inside the name, any control character: a line break, a tab, DEL, a C1 code, the
    // Unicode line separator.
    for (const QString& typed : {QString("a\nb"), QString("a\tb"), QString("a\x7f"),
                                 QString("a") + QChar(0x85) + "b", QString("a") + QChar(0x2028)}) {
        const GroupNameCheck control = checkNewGroupName(typed, {});
        EXPECT_EQ(control.result, Result::HasControl) << typed.toStdString();
        EXPECT_FALSE(control.message.isEmpty());
    }

    EXPECT_EQ(checkNewGroupName(QString(30, u'x'), {}).result, Result::Accepted);
    EXPECT_EQ(checkNewGroupName(QString(31, u'x'), {}).result, Result::TooLong);
    EXPECT_EQ(checkNewGroupName(QString(15, u'海'), {}).result, Result::Accepted);
    EXPECT_EQ(checkNewGroupName(QString(16, u'海'), {}).result, Result::TooLong);
    EXPECT_EQ(groupNameBytes(QString(30, QChar(0xFF71))), 30);  // half-width katakana
    EXPECT_EQ(groupNameBytes("ｱ海a①"), 6);                      // NEC special: two bytes
    EXPECT_EQ(groupNameBytes("Ä"), 1);                          // not in the code page: "?"
}

TEST_F(GroupsTest, GroupsWithoutContentsGiveEmptyLists) {
    EXPECT_THAT(load(""), IsEmpty());
    EXPECT_THAT(load("never set"), IsEmpty());
    put("Files\\folder without folder", "Type", "1");
    EXPECT_THAT(load("folder without folder"), IsEmpty());
    put("Files\\empty folder", "Type", "1");
    put("Files\\empty folder", "Folder", "");
    EXPECT_THAT(load("empty folder"), IsEmpty());
    SaveGroup(*ini_, "gone", GroupKind::Folder, scratchFolder() + "missing", {});
    EXPECT_THAT(load("gone"), IsEmpty());
}

TEST_F(GroupsTest, FileListsComeBackInStoredOrderWithDuplicatesAndMissingFiles) {
    const QStringList files{"/p/z.jpg", "/p/a.jpg", "/p/z.jpg", "/nowhere/x.bmp"};
    SaveGroup(*ini_, "List", GroupKind::FileList, "", files);
    EXPECT_EQ(load("list"), files);
    EXPECT_EQ(ini_->ReadString("Files\\List", "Type", ""), "0");
    EXPECT_EQ(ini_->ReadString("Files\\List", "File0003", ""), "/nowhere/x.bmp");

    // Rewriting with fewer files leaves none of the old ones behind.
    SaveGroup(*ini_, "List", GroupKind::FileList, "", {"/only.png"});
    EXPECT_THAT(load("List"), ElementsAre("/only.png"));
    QStringList idents;
    ini_->ReadSection("Files\\List", idents);
    EXPECT_THAT(idents, ElementsAre("Type", "File0000"));
}

TEST_F(GroupsTest, TheTypeValueDecidesTheKind) {
    touch(scratchFolder() + "pics/a.jpg");
    // Absent type: a list of files.
    put("Files\\NoType", "File0000", "/x.jpg");
    EXPECT_THAT(load("NoType"), ElementsAre("/x.jpg"));
    // Any text but "0" is a folder.
    put("Files\\Two", "Type", "2");
    put("Files\\Two", "Folder", scratchFolder() + "pics");
    EXPECT_THAT(load("Two"), ElementsAre(scratchFolder() + "pics/a.jpg"));
    // Only a value named exactly "Type" is skipped.
    put("Files\\Odd", "TYPE", "0");
    put("Files\\Odd", "File0000", "/y.jpg");
    EXPECT_THAT(load("Odd"), ElementsAre("0", "/y.jpg"));
}

TEST_F(GroupsTest, TenThousandAndOneFilesKeepTheirOrder) {
    QStringList files;
    for (int i = 0; i <= 10000; ++i)
        files.append(QStringLiteral("/pictures/%1.jpg").arg(i));
    SaveGroup(*ini_, "Big", GroupKind::FileList, "", files);
    EXPECT_EQ(ini_->ReadString("Files\\Big", "File10000", ""), "/pictures/10000.jpg");
    EXPECT_EQ(load("Big"), files);
}

TEST_F(GroupsTest, AFolderGroupListsEveryFileOfTheTreeSortedByFullPath) {
    const QString p = scratchFolder() + "P";
    touch(p + "/b.jpg");
    touch(p + "/A.bmp");
    touch(p + "/sub/a2.png");
    touch(p + "/sub/.hidden");
    touch(p + "/notes.txt");
    touch(p + "/B/c.jpg");
    SaveGroup(*ini_, "Folder", GroupKind::Folder, p, {});
    EXPECT_EQ(ini_->ReadString("Files\\Folder", "Type", ""), "1");
    EXPECT_EQ(ini_->ReadString("Files\\Folder", "Folder", ""), p);
    // "." sorts before "/", so b.jpg comes before the folder B.
    EXPECT_THAT(load("Folder"),
                ElementsAre(p + "/A.bmp", p + "/b.jpg", p + "/B/c.jpg", p + "/notes.txt",
                            p + "/sub/.hidden", p + "/sub/a2.png"));
}

TEST_F(GroupsTest, AFolderStoredWithATrailingSlashGivesDoubledSlashes) {
    const QString p = scratchFolder() + "T/";
    touch(p + "x.jpg");
    SaveGroup(*ini_, "T", GroupKind::Folder, p, {});
    EXPECT_THAT(load("T"), ElementsAre(p + "/x.jpg"));
}

TEST_F(GroupsTest, ScanFolderAppendsDepthFirstAndSurvivesLinkLoops) {
    const QString p = scratchFolder() + "L";
    touch(p + "/top.jpg");
    touch(p + "/sub/inner.jpg");
    touch(scratchFolder() + "other/elsewhere.jpg");
    link("..", p + "/sub/up");                      // back to p: a loop
    link(".", p + "/sub/self");                     // itself: a loop
    link(scratchFolder() + "other", p + "/other");  // outside the tree: followed
    link(p + "/missing", p + "/broken");            // no target: listed as a file

    QStringList list{"kept"};
    ScanFolder(p, list);
    EXPECT_EQ(list.first(), "kept");
    EXPECT_THAT(list.mid(1), UnorderedElementsAre(p + "/top.jpg", p + "/sub/inner.jpg",
                                                  p + "/other/elsewhere.jpg", p + "/broken"));
    // Depth first: a folder's files come right after the folder is met.
    const qsizetype inner = list.indexOf(p + "/sub/inner.jpg");
    const qsizetype elsewhere = list.indexOf(p + "/other/elsewhere.jpg");
    EXPECT_GE(inner, 1);
    EXPECT_GE(elsewhere, 1);
}

TEST_F(GroupsTest, AFolderReachedTwiceIsReadOnceAndWhatIsNoFileIsLeftOut) {
    const QString p = scratchFolder() + "D";
    touch(p + "/real/x.jpg");
    link("real", p + "/alias");
    // A diamond twenty folders deep would be read 2^20 times, were each path to it read.
    QString level = p + "/deep";
    for (int depth = 0; depth < 20; ++depth) {
        QDir().mkpath(level + "/a");
        link("a", level + "/b");
        level += "/a";
    }
    touch(level + "/bottom.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(p + "/pipe.jpg").constData(), 0600), 0);
    link("/dev/zero", p + "/zero.bmp");
    QStringList list;
    ScanFolder(p, list);
    ASSERT_EQ(list.size(), 2) << list.join(' ').toStdString();
    EXPECT_TRUE(list.contains(p + "/real/x.jpg") || list.contains(p + "/alias/x.jpg"));
    EXPECT_TRUE(list.last().endsWith("/bottom.jpg") || list.first().endsWith("/bottom.jpg"));
}

TEST_F(GroupsTest, FolderSortFollowsTheUsersLocale) {
    QLocale::setDefault(QLocale("de_DE"));
    const QString p = scratchFolder() + "S";
    for (const char* name : {"zebra.jpg", "Äpfel.jpg", "apfel2.jpg"})
        touch(p + "/" + QString::fromUtf8(name));
    SaveGroup(*ini_, "S", GroupKind::Folder, p, {});
    EXPECT_THAT(load("S"), ElementsAre(p + "/Äpfel.jpg", p + "/apfel2.jpg", p + "/zebra.jpg"));
    QLocale::setDefault(QLocale::c());
}

TEST_F(GroupsTest, APathNamedGroupDoesNotClashWithTheLastFolderValue) {
    ini_->WriteString("Files", "Path", "/last/folder");
    SaveGroup(*ini_, "Path", GroupKind::FileList, "", {"/p.jpg"});
    EXPECT_EQ(ini_->ReadString("Files", "Path", ""), "/last/folder");
    EXPECT_THAT(load("Path"), ElementsAre("/p.jpg"));
}

}  // namespace

TEST_F(GroupsTest, AFolderGroupHoldsEveryScannedFileInTheOrderOfTheFullPaths) {
    for (const char* locale : {"C", "en_US", "ja_JP"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        const QString p = scratchFolder() + "O";
        for (const char* name : {"b.jpg", "A.bmp", "sub/a2.png", "Sub/A1.png", "a b/x", "a-b/x",
                                 "_.jpg", "10.jpg", "9.jpg", "Äpfel.jpg", "日本/写真.jpg"}) {
            touch(p + "/" + QString::fromUtf8(name));
        }
        SaveGroup(*ini_, "O", GroupKind::Folder, p, {});
        const QStringList loaded = load("O");
        QStringList scanned;
        ScanFolder(p, scanned);
        EXPECT_THAT(loaded, UnorderedElementsAreArray(scanned)) << locale;
        for (qsizetype i = 1; i < loaded.size(); ++i)
            EXPECT_LE(compareIgnoringCase(loaded[i - 1], loaded[i]), 0) << locale << " " << i;

        // One picture taken from the listing is the one at its place in the whole list.
        const PictureListing listing = PictureListing::load(*ini_, "O");
        ASSERT_EQ(listing.size(), loaded.size()) << locale;
        for (qsizetype i = 0; i < loaded.size(); ++i)
            EXPECT_EQ(listing.at(i), loaded[i]) << locale << " " << i;
    }
    QLocale::setDefault(QLocale::c());

    SaveGroup(*ini_, "F", GroupKind::FileList, {}, {"/z", "/a", "/z"});
    PictureListing files = PictureListing::load(*ini_, "F");
    EXPECT_EQ(files.at(0), "/z");  // a file list keeps its own order
    EXPECT_THAT(files.takeList(), ElementsAre("/z", "/a", "/z"));
    EXPECT_EQ(PictureListing::load(*ini_, "").size(), 0);
}
