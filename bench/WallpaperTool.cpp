// wallpaper_tool FILE: ChangeWallpaper(FILE) with the options of the store of
// $XDG_CONFIG_HOME on the session's desktop, as the program does it; prints the milliseconds
// of ChangeWallpaper itself (up to the desktop having the picture) on standard error.

#include "picture/TDataModule1.h"
#include "picture/Wallpaper.h"
#include "platform/DesktopService.h"
#include "platform/RegistryStore.h"
#include "settings/Options.h"
#include "settings/RegIni.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

using namespace tesselvane;

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    RegistryStore store(RegistryStore::defaultPath());
    RegIni ini(store);
    LoadOptions(ini);
    TDataModule1 dataModule;
    Susie1->setPluginPath(MyOption.PluginPath);
    DesktopService desktop(store);
    desktopService = &desktop;
    QElapsedTimer timer;
    timer.start();
    ChangeWallpaper(QString::fromLocal8Bit(argv[1]));
    std::fprintf(stderr, "ChangeWallpaper %lld ms\n", static_cast<long long>(timer.elapsed()));
    return 0;
}
