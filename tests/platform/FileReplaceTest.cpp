#include "TestFolders.h"
#include "platform/FileReplace.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

TEST(ReplaceFile, TakesTheOldFilesPlaceAndLeavesTheOldFileUnderItsOwnName) {
    const QString folder = scratchFolder();
    write(folder + "target", "old");
    write(folder + "new", "new");
    QString error;
    EXPECT_EQ(replaceFile(folder + "new", folder + "target", &error), FileReplaced::Exchanged);
    EXPECT_EQ(read(folder + "target"), "new");
    EXPECT_EQ(read(folder + "new"), "old");

    // Nothing to replace yet: a plain rename.
    write(folder + "second", "second");
    EXPECT_EQ(replaceFile(folder + "second", folder + "fresh", &error), FileReplaced::Renamed);
    EXPECT_EQ(read(folder + "fresh"), "second");
    EXPECT_FALSE(QFile::exists(folder + "second"));
    EXPECT_TRUE(error.isEmpty());
}

TEST(ReplaceFile, AFailureSaysWhyAndChangesNothing) {
    const QString folder = scratchFolder();
    write(folder + "target", "old");
    QString error;
    EXPECT_EQ(replaceFile(folder + "missing", folder + "target", &error), FileReplaced::Failed);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(read(folder + "target"), "old");
    // Into a folder that does not exist.
    write(folder + "new", "new");
    error.clear();
    EXPECT_EQ(replaceFile(folder + "new", folder + "no/such/target", &error), FileReplaced::Failed);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(read(folder + "new"), "new");
}

}  // namespace
