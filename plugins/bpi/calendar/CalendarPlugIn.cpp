// The calendar extension plug-in: draws this month into a corner of the wallpaper.

#include "CalendarDialog.h"
#include "CalendarPainter.h"
#include "CalendarSettings.h"
#include "PackedDib.h"
#include "PlugInInfo.h"
#include "SettingsDialog.h"

#include "tesselvane_bpi.h"

#include <QGuiApplication>

namespace {

using namespace tesselvane::bpi;

// After the colour filter, so that the calendar keeps the colours the user chose.
constexpr PlugInDescription kDescription{"カレンダー", 100, 20};

}  // namespace

extern "C" int32_t GetPlugInInfo(int32_t infono, char* buf) {
    return answerPlugInInfo(kDescription, infono, buf);
}

extern "C" int32_t SettingPlugIn(uintptr_t window, const char* key, void*) {
    if (!canShowDialog())
        return -1;
    CalendarDialog dialog(CalendarSettings::read(key), hostWindow(window));
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    return dialog.settings().write(key) ? 0 : -1;
}

extern "C" int32_t ExecutePlugIn(uintptr_t, const char* key, void** dib) {
    if (dib == nullptr)
        return -1;
    const CalendarSettings settings = CalendarSettings::read(key);
    if (!settings.enabled)
        return 0;
    // Text needs the font database, which only a QGuiApplication provides.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return -1;
    const PackedDib picture = PackedDib::inspect(*dib);
    if (!picture.valid())
        return -1;
    if (!layoutCalendar(picture.size(), settings.size))
        return 0;
    if (picture.bits() != 8)
        return drawCalendar(picture, settings, calendarToday()) ? 0 : -1;

    // A colour table has no room for the panel's blends: hand back a 24-bit copy instead.
    void* wide = expandTo24Bits(picture);
    if (wide == nullptr)
        return -1;
    drawCalendar(PackedDib::inspect(wide), settings, calendarToday());
    *dib = wide;
    return 0;
}
