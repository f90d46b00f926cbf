#pragma once

#include <QColor>
#include <QDate>

namespace tesselvane::bpi {

// In the order of the dialog's list, which is also their stored number.
enum class Corner { TopLeft = 0, TopRight = 1, BottomLeft = 2, BottomRight = 3 };
enum class CalendarSize { Small = 0, Medium = 1, Large = 2 };

struct CalendarSettings {
    // Off until the user turns it on: it ships in the program folder, where the host runs
    // every extension plug-in it finds.
    bool enabled = false;
    // Legible on most wallpapers, bright or dark, and out of the way of desktop icons.
    Corner corner = Corner::BottomRight;
    QColor text = QColor(255, 255, 255);
    QColor background = QColor(0, 0, 0);
    CalendarSize size = CalendarSize::Medium;

    static CalendarSettings read(const char* hostKey);
    bool write(const char* hostKey) const;
};

// Today, or the day TESSELVANE_CALENDAR_DATE names as YYYY-MM-DD (for tests and screenshots).
QDate calendarToday();

}  // namespace tesselvane::bpi
