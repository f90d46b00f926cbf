#include "EarlyStart.h"

#include "Options.h"
#include "RegIni.h"
#include "RegistryStore.h"
#include "Scheduler.h"
#include "Screen.h"

#include <QDate>

namespace tesselvane {

std::unique_ptr<JpegPrefetch> PrefetchStartPicture() {
    if (MyOption.Time.Option < 2 || !MyOption.UseJpeg)
        return nullptr;
    const QString path =
        DatePicturePath(MyOption.Time.Path, MyOption.Time.Option, QDate::currentDate());
    if (!path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
        return nullptr;
    QSize stretchTo;
    if (MyOption.FitScreen) {
        const auto screen = ScreenSizeBeforeGui();
        if (!screen)
            return nullptr;
        stretchTo = *screen;
    }
    return std::make_unique<JpegPrefetch>(path, stretchTo);
}

EarlyStart StartEarly() {
    EarlyStart early;
    try {
        RegistryStore store(RegistryStore::defaultPath());
        RegIni ini(store);
        early.instance = std::make_unique<SingleInstance>();
        if (!early.instance->IsFirst())
            return early;
        LoadOptions(ini);
        early.prefetch = PrefetchStartPicture();
    } catch (...) {
        early.prefetch.reset();
    }
    return early;
}

}  // namespace tesselvane
