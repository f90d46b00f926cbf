#include "TestFolders.h"
#include "platform/FolderReader.h"

#include <QDir>
#include <QFile>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <map>

using namespace tesselvane;

namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

std::map<QString, FolderEntry> read(const QString& folder) {
    std::map<QString, FolderEntry> entries;
    FolderReader reader(folder);
    FolderEntry entry;
    while (reader.next(entry))
        entries[entry.name] = entry;
    return entries;
}

TEST(FolderReader, ListsEveryEntryAndTellsFoldersByFollowingLinks) {
    const QString root = test::scratchFolder() + "tree";
    QDir().mkpath(root + "/sub");
    touch(root + "/.hidden");
    touch(root + "/file.jpg");
    ASSERT_EQ(::symlink("sub", QFile::encodeName(root + "/link-to-sub").constData()), 0);
    ASSERT_EQ(::symlink("file.jpg", QFile::encodeName(root + "/link-to-file").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(root + "/broken").constData()), 0);

    const auto entries = read(root);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_FALSE(entries.at(".hidden").isFolder);
    EXPECT_FALSE(entries.at("file.jpg").isFolder);
    EXPECT_TRUE(entries.at("sub").isFolder);
    EXPECT_TRUE(entries.at("link-to-sub").isFolder);
    EXPECT_EQ(entries.at("link-to-sub").identity, entries.at("sub").identity);
    EXPECT_FALSE(entries.at("link-to-file").isFolder);
    EXPECT_FALSE(entries.at("broken").isFolder);

    FolderReader sub(root + "/sub");
    EXPECT_EQ(sub.identity(), entries.at("sub").identity);
}

TEST(FolderReader, AMissingFolderOrAFileIsNotOpen) {
    EXPECT_FALSE(FolderReader(test::scratchFolder() + "missing").isOpen());
    touch(test::scratchFolder() + "plain");
    FolderReader file(test::scratchFolder() + "plain");
    EXPECT_FALSE(file.isOpen());
    FolderEntry entry;
    EXPECT_FALSE(file.next(entry));
}

}  // namespace
