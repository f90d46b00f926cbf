#pragma once

#include "settings/Options.h"

#include <QDate>
#include <QString>

#include <functional>
#include <vector>

namespace tesselvane {

// A uniform random integer from 0 to `count` - 1; `count` is at least 1.
using RandomDraw = std::function<int(int count)>;

// The position of the next picture of a list of `count` pictures (count > 0) after position
// `current` (-1 for none yet):
//  - at random (`back` ignored): a draw over count - 1 values; a draw equal to `current`
//    moves on to the next position instead, so no picture comes twice in a row;
//  - forwards: the next position, wrapping to 0; from -1 or past the end: 0;
//  - backwards: the previous position, wrapping to the last; from 0, -1 or past the end of
//    the list (after the list became shorter): the last.
int nextListIndex(int count, int current, bool random, bool back, const RandomDraw& draw);

// The positions of the pictures for the monitors after the primary, whose picture is at
// `primary` of `count`, `others` of them:
//  - in order: the ones after the primary's, wrapping;
//  - at random: distinct draws, none the primary's nor another's of this change nor, where the
//    list allows, the one that monitor showed last (`before[k]`, -1 or absent for none).
// A list shorter than the monitors repeats its pictures.
std::vector<int> otherMonitorIndices(int count, int primary, int others, bool random,
                                     const std::vector<int>& before, const RandomDraw& draw);

// The number a date-numbered picture of a date mode carries for `today`: Day "MMDD", Weekday
// "001" (Sunday) to "007", Week "001" to "052", Month "0MM"; empty for the other modes.
QString dateNumber(ScheduleMode mode, QDate today);

// 1 plus the Sundays after 1 January up to and including `today`, at most 52.
int weekOfYear(QDate today);

// The date-numbered picture for `today` in `folder`: the first name (in the search order of
// FindFiles) matching "*" + number + ".*"; empty when there is none.
QString datePicturePath(const QString& folder, ScheduleMode mode, QDate today);

// Milliseconds per tick for an interval unit: 0 hours, 1 minutes, 2 seconds; any other unit
// keeps `current`.
int timerIntervalMs(int scale, int current);

}  // namespace tesselvane
