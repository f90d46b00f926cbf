// The main of every test binary: every test gets its own fresh per-user folders.

#include "TestFolders.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    tesselvane::test::installFreshFoldersForEveryTest();
    return RUN_ALL_TESTS();
}
