#include "TestFolders.h"
#include "platform/Collation.h"
#include "platform/FolderReader.h"

#include <QFile>
#include <QLocale>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(Collation, FollowsTheUsersLocale) {
    // In a real locale accented letters sort beside their base letter, not after z.
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    QStringList words{"zebra", "Äpfel", "apfel2", "Birne"};
    sortIgnoringCase(words);
    EXPECT_THAT(words, ElementsAre("Äpfel", "apfel2", "Birne", "zebra"));
    QLocale::setDefault(QLocale::c());
}

}  // namespace

namespace {

// Names chosen where a quick comparison could go wrong: case, digits, punctuation on either
// side of the letters, '/' against the characters around it, letters outside ASCII that fold
// to ASCII ones, surrogate pairs, half- and full-width forms, and bytes that are no UTF-8.
const char* const kTrickyNames[] = {
    "a.jpg",
    "A.JPG",
    "a.JPG",
    "B.jpg",
    "b",
    "_x",
    "[y]",
    "`z",
    "^w",
    "~t",
    "{u}",
    "a b",
    "a-b",
    "a.b",
    "a0",
    "a10",
    "a9",
    "A9",
    "Ä.jpg",
    "ä.jpg",
    "ae.jpg",
    "k.jpg",
    "K.jpg",
    "\xE2\x84\xAA.jpg",  // KELVIN SIGN, folds to k
    "\xC5\xBF",
    "s",
    "S",  // LONG S, folds to s
    "\xCF\x82",
    "\xCF\x83",
    "\xCE\xA3",  // final sigma, sigma, capital sigma
    "\xF0\x90\x90\x80",
    "\xF0\x90\x90\xA8",  // DESERET capital and small long I
    "\xEF\xBC\xA1",
    "\xEF\xBD\x81",              // FULLWIDTH A, a
    "\xEE\x80\x80",              // a private use character above the surrogates
    "\xEF\xBD\xB6\xEF\xBE\x80",  // half-width katakana
    "\xE6\x97\xA5\xE6\x9C\xAC.jpg",
    "\xE5\x86\x99\xE7\x9C\x9F",
    "\xFF.jpg",
    "\xC3.jpg",
    "\xC3(",
    "z",
    "Z.jpg",
    "0",
    "-",
    ".hidden",
    "a\tb",
};

QString makeTrickyTree() {
    const QByteArray root = QFile::encodeName(test::scratchFolder() + "tricky");
    for (const char* folder : {"", "/a", "/A b", "/a-", "/a.b", "/\xC3\x84", "/\xFF"}) {
        const QByteArray dir = root + folder;
        ::mkdir(dir.constData(), 0755);
        for (const char* name : kTrickyNames) {
            const QByteArray path = dir + "/" + name;
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
    return QFile::decodeName(root);
}

}  // namespace

TEST_P(CollationTest, OrderingATreeGivesTheOrderOfTheFullPathTexts) {
    const QString root = makeTrickyTree();
    const FileTree files = collectFiles(root);
    ASSERT_GT(files.size(), 250);
    const QString prefix = root + "/";
    QStringList ordered;
    for (const std::uint32_t i : orderIgnoringCase(files))
        ordered.append(files.withPrefix(prefix, i));

    for (qsizetype i = 1; i < ordered.size(); ++i) {
        EXPECT_LE(compareIgnoringCase(ordered[i - 1], ordered[i]), 0)
            << ordered[i - 1].toStdString() << " before " << ordered[i].toStdString();
    }
    // Texts comparing equal may stand in either order; as a whole, the same order as sorting
    // the texts.
    QStringList sorted = ordered;
    sortIgnoringCase(sorted, prefix.size());
    ASSERT_EQ(sorted.size(), ordered.size());
    for (qsizetype i = 0; i < sorted.size(); ++i)
        EXPECT_EQ(compareIgnoringCase(sorted[i], ordered[i]), 0) << i;
}

TEST_P(CollationTest, TheNthOfATreeIsTheNthOfItsOrder) {
    const FileTree files = collectFiles(makeTrickyTree());
    const std::vector<std::uint32_t> order = orderIgnoringCase(files);
    for (qsizetype n = 0; n < files.size(); ++n)
        EXPECT_EQ(nthIgnoringCase(files, n), order[static_cast<size_t>(n)]) << n;
}

TEST_P(CollationTest, OrderingATreeDoesNotDependOnTheScanOrder) {
    const QString root = makeTrickyTree();
    const FileTree files = collectFiles(root);
    FileTree reversed;
    for (qsizetype i = files.size() - 1; i >= 0; --i)
        reversed.add(files.at(i));
    QStringList one;
    QStringList two;
    for (const std::uint32_t i : orderIgnoringCase(files))
        one.append(files.decoded(i));
    for (const std::uint32_t i : orderIgnoringCase(reversed))
        two.append(reversed.decoded(i));
    EXPECT_EQ(one, two);
}

INSTANTIATE_TEST_SUITE_P(Locales, CollationTest, ::testing::Values("C", "en_US", "ja_JP"));
