#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace tesselvane {

// One extension plug-in, run by the plug-in helper process. Either entry point may be
// missing; it is then never called.
struct TTesselPlugin {
    QString Handle;  // the plug-in file
    QString Name;    // "<name> Ver<version with two decimals>"
    std::int32_t Order = 0;
    bool SettingPlugIn = false;
    bool ExecutePlugIn = false;
};

// The loaded extension plug-ins in the order they run.
extern std::vector<TTesselPlugin> PlugIns;
extern std::int32_t PlugInCount;

// The key every plug-in call carries: where plug-ins keep their settings.
inline constexpr const char* kPlugInKey = "\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn";

// Loads every *.bpi of `folder` (the program folder by default) whose type text begins with
// "B", ordered by their order numbers compared as text right-aligned in two places.
void LoadPlugIns(const QString& folder = QString());
// The same in the background: the helper is asked while the picture is read. PlugIns is
// filled by waitForPlugIns(), which every use of the plug-ins below calls first.
void startLoadingPlugIns(const QString& folder = QString());
void waitForPlugIns();
// Unloads them all.
void FreePlugIns();

// Hands `picture` through every plug-in's ExecutePlugIn in table order, each getting the
// result of the one before, and returns the last result. `window` is the X11 window the
// plug-ins may use as a parent, 0 for none. Raises PictureError, naming the plug-in, when
// memory runs short or a plug-in crashes, hangs or hands back something that is no picture. A
// picture passed in unshared (moved in) lends its memory to the result.
QImage executePlugIns(QImage picture, std::uintptr_t window);

// Opens the settings of plug-in `index`, showing it `picture` (or nothing when null); does
// nothing for a plug-in without settings. The program's events go on meanwhile; a crash
// raises PictureError naming the plug-in.
void openPlugInSettings(std::size_t index, std::uintptr_t window, const QImage& picture);

}  // namespace tesselvane
