#pragma once

#include <QDate>
#include <QString>

namespace tesselvane {

// The keys of the weekday groups, under which each day keeps its group's name and picture:
// "Time\Sunday" ... "Time\Saturday".
inline constexpr int kWeekdays = 7;
// `day` 0 for Sunday to 6 for Saturday.
QString weekdayKey(int day);
QString weekdayKey(QDate date);

}  // namespace tesselvane
