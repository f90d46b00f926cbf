#pragma once

// The calendar panel: where it goes on a picture, how big it is, and drawing it.

#include "CalendarSettings.h"
#include "PackedDib.h"

#include <QDate>
#include <QRect>
#include <QSize>

#include <optional>

class QPainter;

namespace tesselvane::bpi {

// All in pixels, derived from the font size.
struct CalendarLayout {
    int fontPixels = 0;
    int padding = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    int headerHeight = 0;
    int margin = 0;  // between the panel and the picture's edges
    int weeks = 6;   // lines of days

    QSize panel() const;
};

// The layout for a picture of `picture` pixels, for a month of six weeks; nullopt when the
// calendar would not be legible in the third of the picture it may take.
std::optional<CalendarLayout> layoutCalendar(QSize picture, CalendarSize size);

// How many lines the days of the month of `day` take, weeks starting on Sunday.
int weeksOfMonth(QDate day);

// Where the panel goes, top-down.
QRect calendarArea(QSize picture, const CalendarLayout& layout, Corner corner);

// Draws the panel for the month of `today` with its top left at the painter's origin.
void paintCalendar(QPainter& painter, const CalendarLayout& layout, QDate today, const QColor& text,
                   const QColor& background);

// Draws the calendar into a 24- or 32-bit picture in place; false when it drew nothing.
bool drawCalendar(const PackedDib& dib, const CalendarSettings& settings, QDate today);

}  // namespace tesselvane::bpi
