#include "platform/Collation.h"

#include <QLocale>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tesselvane;
using ::testing::ElementsAre;

namespace {

class CollationTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QString::fromLatin1(GetParam()))); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_P(CollationTest, SortsFullPathsIgnoringCase) {
    QStringList paths{"/P/b.jpg", "/P/sub/a2.png", "/P/A.bmp", "/P/C.gif"};
    sortIgnoringCase(paths);
    EXPECT_THAT(paths, ElementsAre("/P/A.bmp", "/P/b.jpg", "/P/C.gif", "/P/sub/a2.png"));
    EXPECT_EQ(compareIgnoringCase("ABC", "abc"), 0);
    EXPECT_LT(compareIgnoringCase("abc", "ABD"), 0);
}

TEST_P(CollationTest, EqualTextsGetAStableOrderWhateverTheInput) {
    QStringList one{"a.JPG", "A.jpg", "a.jpg"};
    QStringList two{"a.jpg", "a.JPG", "A.jpg"};
    sortIgnoringCase(one);
    sortIgnoringCase(two);
    EXPECT_EQ(one, two);
}

TEST_P(CollationTest, SkippingASharedFolderPrefixGivesTheSameOrder) {
    const QString root = "/home/ユーザー/Pictures/";
    QStringList paths;
    for (const char* name :
         {"b.jpg", "Äpfel.png", "a b/x.jpg", "a/x.jpg", "a-b.jpg", "A.JPG", "ä.jpg", "Zeta/.hidden",
          "z", "日本/写真.jpg", "_under.jpg", "10.jpg", "9.jpg"}) {
        paths.append(root + QString::fromUtf8(name));
    }
    QStringList whole = paths;
    QStringList skipped = paths;
    sortIgnoringCase(whole);
    sortIgnoringCase(skipped, root.size());
    EXPECT_EQ(whole, skipped);
}

INSTANTIATE_TEST_SUITE_P(Locales, CollationTest, ::testing::Values("C", "en_US", "ja_JP"));

TEST(Collation, FollowsTheUsersLocale) {
    // In a real locale accented letters sort beside their base letter, not after z.
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    QStringList words{"zebra", "Äpfel", "apfel2", "Birne"};
    sortIgnoringCase(words);
    EXPECT_THAT(words, ElementsAre("Äpfel", "apfel2", "Birne", "zebra"));
    QLocale::setDefault(QLocale::c());
}

}  // namespace
