// The settings dialogs under test need a QApplication, which the shared test main does not make.

#include "TestFolders.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // Also when CTest lists the tests, which it does without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    tesselvane::test::installFreshFoldersForEveryTest();
    return RUN_ALL_TESTS();
}
