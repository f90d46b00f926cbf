#include "TestFolders.h"
#include "app/ProgramStart.h"
#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gmock/gmock.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::HasSubstr;

namespace {

TEST(ProgramStart, TheStoreAtStartSaysWhatIsWrongWithIt) {
    const QString path = RegistryStore::defaultPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const auto messageAtStart = [&path] {
        try {
            RegistryStore store(path);
        } catch (const StoreError& e) {
            return storeAtStartMessage(e).toStdString();
        }
        return std::string("(opened)");
    };
    writeFile(path, QByteArray(8192, 'G'));
    EXPECT_THAT(messageAtStart(), HasSubstr("壊れているか"));
    QFile::remove(path);
    RegistryStore(path).createKey("k");
    ASSERT_EQ(QProcess::execute("sqlite3", {path, "PRAGMA user_version = 99"}), 0);
    EXPECT_THAT(messageAtStart(), HasSubstr("新しい版"));
    // What root cannot be refused here, or a disk made full for it, is said as well.
    EXPECT_THAT(storeAtStartMessage(StoreError(StoreError::Kind::ReadOnly, "")).toStdString(),
                HasSubstr("書き込めません"));
    EXPECT_THAT(storeAtStartMessage(StoreError(StoreError::Kind::Full, "")).toStdString(),
                HasSubstr("ディスクがいっぱい"));
}

}  // namespace
