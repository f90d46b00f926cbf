#include "TestFolders.h"
#include "platform/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tesselvane;

namespace {

TEST(ProgramPaths, PerUserFoldersFollowTheXdgVariables) {
    ::setenv("XDG_CONFIG_HOME", "/x/config", 1);
    ::setenv("XDG_DATA_HOME", "/x/data/", 1);
    EXPECT_EQ(configFolder(), "/x/config/tesselvane/");
    EXPECT_EQ(dataFolder(), "/x/data/tesselvane/");

    // Unset or relative: the defaults under HOME, as the XDG rules say.
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("XDG_DATA_HOME", "relative", 1);
    const QString home = QDir::homePath();
    EXPECT_EQ(configFolder(), home + "/.config/tesselvane/");
    EXPECT_EQ(dataFolder(), home + "/.local/share/tesselvane/");
}

TEST(ProgramPaths, WindowsFolderIsCreated) {
    const QString folder = windowsFolder();
    EXPECT_TRUE(folder.endsWith("/tesselvane/system/"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST(ProgramPaths, ProgramFolderIsTheExecutablesFolder) {
    // Whatever the working directory is.
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath() + "/");
    QDir::setCurrent(before);
}

}  // namespace
