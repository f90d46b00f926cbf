// The main of every test binary: every test gets its own fresh per-user folders.

#include "TestFolders.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    tesselvane::test::installFreshFoldersForEveryTest();
    const int status = RUN_ALL_TESTS();
    // Qt spreads the work on large pictures over its own threads: those end here, before the
    // leak checker looks, rather than while the process exits under it.
    QThreadPool::globalInstance()->waitForDone();
    return status;
}
