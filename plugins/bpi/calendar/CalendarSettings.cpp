#include "CalendarSettings.h"

#include "HostSettings.h"

namespace tesselvane::bpi {

namespace {

constexpr char kSubkey[] = "Calendar";
constexpr char kEnabled[] = "Enabled";
constexpr char kCorner[] = "Corner";
constexpr char kTextColor[] = "TextColor";
constexpr char kBackgroundColor[] = "BackgroundColor";
constexpr char kSize[] = "Size";

}  // namespace

CalendarSettings CalendarSettings::read(const char* hostKey) {
    const HostSettings stored(hostKey, kSubkey);
    CalendarSettings result;
    result.enabled = stored.flag(kEnabled, result.enabled);
    result.corner = Corner(stored.integer(kCorner, int(result.corner), 0, 3));
    result.text = stored.color(kTextColor, result.text);
    result.background = stored.color(kBackgroundColor, result.background);
    result.size = CalendarSize(stored.integer(kSize, int(result.size), 0, 2));
    return result;
}

bool CalendarSettings::write(const char* hostKey) const {
    const HostSettings stored(hostKey, kSubkey);
    // All of them, even when one fails: keep as much of the user's choice as possible.
    bool ok = stored.writeFlag(kEnabled, enabled);
    ok = stored.writeInteger(kCorner, int(corner)) && ok;
    ok = stored.writeColor(kTextColor, text) && ok;
    ok = stored.writeColor(kBackgroundColor, background) && ok;
    ok = stored.writeInteger(kSize, int(size)) && ok;
    return ok;
}

QDate calendarToday() {
    const QDate chosen = QDate::fromString(
        QString::fromLocal8Bit(qgetenv("TESSELVANE_CALENDAR_DATE")).trimmed(), Qt::ISODate);
    return chosen.isValid() ? chosen : QDate::currentDate();
}

}  // namespace tesselvane::bpi
