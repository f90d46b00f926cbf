// The main of the GUI test binaries: a QApplication (on the offscreen platform the tests
// set), and fresh per-user folders for every test.

#include "TestFolders.h"

#include <QApplication>
#include <QThreadPool>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    // Also when the build lists the tests, which it does without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tesselvane::test::installFreshFoldersForEveryTest();
    const int status = RUN_ALL_TESTS();
    // Qt spreads the work on large pictures over its own threads: those end here, before the
    // leak checker looks, rather than while the process exits under it.
    QThreadPool::globalInstance()->waitForDone();
    return status;
}
