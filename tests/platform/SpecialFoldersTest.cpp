#include "platform/SpecialFolders.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

TEST(SpecialFolders, PerUserFoldersComeFromTheXdgFoldersWhenTheyExist) {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    const QString home = qEnvironmentVariable("HOME");
    QFile dirs(config + QStringLiteral("/user-dirs.dirs"));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write(
        "XDG_DOCUMENTS_DIR=\"$HOME/書類/\"\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
        "XDG_TEMPLATES_DIR=\"$HOME/テンプレート\"\n");
    dirs.close();
    const std::pair<int, QString> folders[] = {
        {CSIDL_PERSONAL, home + QStringLiteral("/書類")},
        {CSIDL_DESKTOPDIRECTORY, home + QStringLiteral("/デスクトップ")},
        {CSIDL_TEMPLATES, home + QStringLiteral("/テンプレート")},
        {CSIDL_PROGRAMS, data + QStringLiteral("/applications")},
        {CSIDL_STARTMENU, data + QStringLiteral("/applications")},
        {CSIDL_STARTUP, config + QStringLiteral("/autostart")},
        {CSIDL_BITBUCKET, data + QStringLiteral("/Trash/files")},
        {CSIDL_FONTS, data + QStringLiteral("/fonts")},
    };
    for (const auto& [csidl, path] : folders)
        EXPECT_EQ(specialFolderPath(csidl), std::nullopt) << csidl;
    for (const auto& [csidl, path] : folders) {
        QDir().mkpath(path);
        EXPECT_EQ(specialFolderPath(csidl), path) << csidl;
    }
    EXPECT_EQ(specialFolderPath(CSIDL_APPDATA), data);
}

TEST(SpecialFolders, TheDesktopIsTheTopAndShellPlacesHaveNoFolder) {
    EXPECT_EQ(specialFolderPath(CSIDL_DESKTOP), QStringLiteral("/"));
    EXPECT_EQ(specialFolderPath(CSIDL_DRIVES), QStringLiteral("/"));
    for (const int csidl : {CSIDL_CONTROLS, CSIDL_PRINTERS, CSIDL_FAVORITES, CSIDL_RECENT,
                            CSIDL_SENDTO, CSIDL_NETWORK, CSIDL_NETHOOD,
                            CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PRINTHOOD, 0x01, 0x1C, -1}) {
        EXPECT_EQ(specialFolderPath(csidl), std::nullopt) << csidl;
    }
}

}  // namespace
