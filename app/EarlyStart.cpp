#include "app/EarlyStart.h"
#include "platform/InterfaceLanguage.h"

#include "app/Scheduler.h"
#include "picture/JpegCodec.h"
#include "platform/FileSearch.h"
#include "platform/ProgramPaths.h"
#include "platform/RegistryStore.h"
#include "platform/RunningCopyCall.h"
#include "platform/Screen.h"
#include "settings/Groups.h"
#include "settings/Options.h"
#include "settings/PictureListPrefetch.h"
#include "settings/PictureListing.h"
#include "settings/RegIni.h"

#include <QDate>

#include <cstdio>

namespace tesselvane {

namespace {

// The JPEG at `path` read ahead as the wallpaper will want it; nullptr when it is no JPEG the
// program reads itself.
std::unique_ptr<JpegPrefetch> prefetchWallpaper(const QString& path) {
    if (!MyOption.UseJpeg || !path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
        return nullptr;
    QSize stretchTo;
    if (MyOption.FitScreen) {
        const auto screen = primaryMonitorSize();
        if (!screen)
            return nullptr;
        stretchTo = jpegFitTarget(path, *screen, fitStyleFromStored(MyOption.FitStyle));
    }
    return std::make_unique<JpegPrefetch>(path, stretchTo);
}

// The picture a change once at start shows in mode 0, when it is plain to see from here: the
// next of a file-list group in order. A folder's list is made on a thread, a random draw and
// a weekday's group are the window's.
QString changeOncePicture(const RegIni& ini) {
    if (scheduleMode(MyOption.Time) != ScheduleMode::AtStart || MyOption.Random ||
        MyOption.Time.SetWeekday)
        return {};
    const QStringList names = readGroupNames(ini);
    const int chosen = ini.ReadInteger(QStringLiteral("Task"), QStringLiteral("Default"), -1);
    if (chosen < 0 || chosen >= names.size() ||
        ini.ReadString(groupContentsSection(names.at(chosen)), QStringLiteral("Type"),
                       QStringLiteral("0")) != QLatin1String("0"))
        return {};
    const PictureListing listing = PictureListing::load(ini, names.at(chosen));
    const auto count = static_cast<int>(listing.size());
    if (count == 0)
        return {};
    int index = ini.ReadInteger(QStringLiteral("Task"), QStringLiteral("Index"), -1);
    if (index > count - 1)
        index = 0;
    return listing.at(nextListIndex(count, index, false, false, RandomDraw()));
}

}  // namespace

std::unique_ptr<JpegPrefetch> prefetchStartPicture() {
    if (!changesByDate(MyOption.Time))
        return nullptr;
    return prefetchWallpaper(
        datePicturePath(MyOption.Time.Path, scheduleMode(MyOption.Time), QDate::currentDate()));
}

int turnAwaySecondCopy(bool changeOnce) {
    // Changing once beside a running copy changes nothing, without a word.
    if (changeOnce)
        return 0;
    // Started again by a user who lost sight of the running copy (no notification area, or
    // its toolbar somewhere behind): that copy comes forward.
    if (!askRunningCopyForward(std::chrono::seconds(3)))
        std::fprintf(stderr, "tesselvane: %s\n",
                     qPrintable(interfaceText(
                         "EarlyStart", "動いている Tesselvane に呼びかけましたが届きません")));
    return 0;
}

namespace {

// The group the main window will load its list from as it is made, when that is plain to see
// from here; a weekday's group is left to the window.
std::unique_ptr<PictureListPrefetch> prefetchStartGroup(const RegIni& ini, bool changeOnce) {
    if (MyOption.Time.SetWeekday && !changesByDate(MyOption.Time))
        return nullptr;
    const QStringList names = readGroupNames(ini);
    const int chosen = ini.ReadInteger(QStringLiteral("Task"), QStringLiteral("Default"), -1);
    if (chosen < 0 || chosen >= names.size())
        return nullptr;
    // Changing once at start and ending takes one picture of the list: the rest is never made.
    const bool onePicture = changeOnce && scheduleMode(MyOption.Time) == ScheduleMode::AtStart;
    return std::make_unique<PictureListPrefetch>(names.at(chosen), !onePicture);
}

}  // namespace

EarlyStart startEarly(bool changeOnce) {
    EarlyStart early;
    try {
        RegistryStore store(RegistryStore::defaultPath());
        RegIni ini(store);
        early.instance = std::make_unique<SingleInstance>();
        if (!early.instance->isFirst())
            return early;
        early.listening = listenForRunningCopyCalls();
        // Every wallpaper passes through the extension plug-ins: their helper, which takes
        // about as long to load as the program, starts now.
        if (!findFiles(programFolder(), QStringLiteral("*.bpi")).isEmpty())
            early.pluginHelper = PluginHost::spawn();
        LoadOptions(ini);
        early.prefetch = prefetchStartPicture();
        if (!early.prefetch && changeOnce)
            early.prefetch = prefetchWallpaper(changeOncePicture(ini));
        early.pictureList = prefetchStartGroup(ini, changeOnce);
    } catch (...) {
        early.prefetch.reset();
        early.pictureList.reset();
    }
    return early;
}

}  // namespace tesselvane
