// Test helper: wallpaper_probe [--plugins] FILE...  makes each file the wallpaper in turn, as
// the program does, with the options of the store of $XDG_CONFIG_HOME and the desktop of the
// session (TESSELVANE_DESKTOP, DISPLAY, ...); the extension plug-ins of the program folder
// only with --plugins. Errors go to standard error with exit status 1.

#include "picture/ExtensionPlugins.h"
#include "picture/PictureError.h"
#include "picture/TDataModule1.h"
#include "picture/Wallpaper.h"
#include "platform/DesktopService.h"
#include "platform/RegistryStore.h"
#include "settings/Options.h"
#include "settings/RegIni.h"
#include "settings/SettingsError.h"

#include <QGuiApplication>
#include <QTextStream>

using namespace tesselvane;

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    try {
        RegistryStore store(RegistryStore::defaultPath());
        RegIni ini(store);
        LoadOptions(ini);
        TDataModule1 dataModule;
        Susie1->setPluginPath(MyOption.PluginPath);
        Susie1->InJpeg = MyOption.UseJpeg;
        QStringList files = QCoreApplication::arguments().mid(1);
        if (files.removeAll(QStringLiteral("--plugins")) > 0)
            LoadPlugIns();
        DesktopService desktop(store);
        desktopService = &desktop;
        for (const QString& file : files)
            ChangeWallpaper(file);
        FreePlugIns();
        desktopService = nullptr;
    } catch (const DesktopError& e) {
        err << e.message() << Qt::endl;
        return 1;
    } catch (const PictureError& e) {
        err << e.message() << Qt::endl;
        return 1;
    } catch (const SettingsError& e) {
        err << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
