#include "app/EarlyStart.h"

#include "app/Scheduler.h"
#include "platform/RegistryStore.h"
#include "platform/Screen.h"
#include "settings/Options.h"
#include "settings/RegIni.h"

#include <QDate>

namespace tesselvane {

std::unique_ptr<JpegPrefetch> prefetchStartPicture() {
    if (MyOption.Time.Option < 2 || !MyOption.UseJpeg)
        return nullptr;
    const QString path =
        datePicturePath(MyOption.Time.Path, MyOption.Time.Option, QDate::currentDate());
    if (!path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
        return nullptr;
    QSize stretchTo;
    if (MyOption.FitScreen) {
        const auto screen = screenSizeBeforeGui();
        if (!screen)
            return nullptr;
        stretchTo = *screen;
    }
    return std::make_unique<JpegPrefetch>(path, stretchTo);
}

EarlyStart startEarly() {
    EarlyStart early;
    try {
        RegistryStore store(RegistryStore::defaultPath());
        RegIni ini(store);
        early.instance = std::make_unique<SingleInstance>();
        if (!early.instance->isFirst())
            return early;
        LoadOptions(ini);
        early.prefetch = prefetchStartPicture();
    } catch (...) {
        early.prefetch.reset();
    }
    return early;
}

}  // namespace tesselvane
