#include "settings/WeekdayKeys.h"

namespace tesselvane {

QString weekdayKey(int day) {
    static const char* const kNames[kWeekdays] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
    return QStringLiteral("Time\\") +
           QLatin1String(kNames[((day % kWeekdays) + kWeekdays) % kWeekdays]);
}

QString weekdayKey(QDate date) {
    return weekdayKey(date.dayOfWeek() % kWeekdays);
}

}  // namespace tesselvane
