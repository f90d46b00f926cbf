// The calendar extension plug-in: draws this month into a corner of the wallpaper.

#include "CalendarDialog.h"
#include "CalendarPainter.h"
#include "CalendarSettings.h"
#include "PlugInEntryPoints.h"

#include <QGuiApplication>

namespace {

using namespace tesselvane::bpi;

// After the colour filter, so that the calendar keeps the colours the user chose.
constexpr PlugInDescription kDescription{QT_TRANSLATE_NOOP("PlugInNames", "カレンダー"), 100, 20};

int32_t drawOnto(const CalendarSettings& settings, const PackedDib& picture, void** dib) {
    // Text needs the font database, which only a QGuiApplication provides.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
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

}  // namespace

TESSELVANE_BPI_PLUGIN(kDescription, CalendarSettings, CalendarDialog, drawOnto)
