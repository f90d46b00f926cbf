#include "CalendarPainter.h"

#include <QCoreApplication>
#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tesselvane::bpi {

namespace {

// Below this the day numbers of a CJK font turn to smudges.
constexpr int kSmallestFont = 9;
// The shorter side of the picture divided by these gives the font size; 1080 pixels give
// 13, 18 and 24.
constexpr int kSizeDivisors[] = {80, 60, 45};
// Translucent enough to show the wallpaper through, dark enough to read on a busy one.
constexpr int kPanelAlpha = 160;
constexpr int kMostWeeks = 6;

int scaled(int fontPixels, double factor) {
    return std::max(1, int(std::lround(fontPixels * factor)));
}

CalendarLayout layoutFor(int fontPixels) {
    CalendarLayout layout;
    layout.fontPixels = fontPixels;
    layout.padding = scaled(fontPixels, 0.6);
    layout.cellWidth = scaled(fontPixels, 2.0);
    layout.cellHeight = scaled(fontPixels, 1.5);
    layout.headerHeight = scaled(fontPixels, 1.9);
    layout.margin = fontPixels;
    // Sized for the longest month, so that every month fits.
    layout.weeks = kMostWeeks;
    return layout;
}

// Sunday is column 0; Qt counts Monday 1 to Sunday 7.
int firstColumn(QDate day) {
    return QDate(day.year(), day.month(), 1).dayOfWeek() % 7;
}

QFont calendarFont(int pixels, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("MS PGothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

}  // namespace

QSize CalendarLayout::panel() const {
    return {7 * cellWidth + 2 * padding, 2 * padding + headerHeight + (1 + weeks) * cellHeight};
}

int weeksOfMonth(QDate day) {
    return (firstColumn(day) + day.daysInMonth() + 6) / 7;
}

std::optional<CalendarLayout> layoutCalendar(QSize picture, CalendarSize size) {
    if (picture.width() <= 0 || picture.height() <= 0)
        return std::nullopt;
    const int shorter = std::min(picture.width(), picture.height());
    int font = std::max(kSmallestFont, shorter / kSizeDivisors[int(size)]);
    // Panel and margin together take at most a third of either side.
    for (; font >= kSmallestFont; --font) {
        const CalendarLayout layout = layoutFor(font);
        const QSize panel = layout.panel();
        if (3 * (panel.width() + layout.margin) <= picture.width() &&
            3 * (panel.height() + layout.margin) <= picture.height())
            return layout;
    }
    return std::nullopt;
}

QRect calendarArea(QSize picture, const CalendarLayout& layout, Corner corner) {
    const QSize panel = layout.panel();
    const bool right = corner == Corner::TopRight || corner == Corner::BottomRight;
    const bool bottom = corner == Corner::BottomLeft || corner == Corner::BottomRight;
    const int x = right ? picture.width() - layout.margin - panel.width() : layout.margin;
    const int y = bottom ? picture.height() - layout.margin - panel.height() : layout.margin;
    return {QPoint(x, y), panel};
}

void paintCalendar(QPainter& painter, const CalendarLayout& layout, QDate today, const QColor& text,
                   const QColor& background) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int f = layout.fontPixels;
    const QSize panel = layout.panel();

    QColor panelColor = background;
    panelColor.setAlpha(kPanelAlpha);
    painter.setPen(Qt::NoPen);
    painter.setBrush(panelColor);
    const double radius = f * 0.5;
    painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(panel)), radius, radius);

    const int left = layout.padding;
    const int gridWidth = 7 * layout.cellWidth;
    painter.setPen(text);
    painter.setFont(calendarFont(scaled(f, 1.2), true));
    painter.drawText(QRect(left, layout.padding, gridWidth, layout.headerHeight), Qt::AlignCenter,
                     QCoreApplication::translate("CalendarPainter", "%1年%2月")
                         .arg(today.year())
                         .arg(today.month()));

    const int namesTop = layout.padding + layout.headerHeight;
    painter.setFont(calendarFont(f, false));
    // One letter a day, from Sunday.
    QString names = QCoreApplication::translate("CalendarPainter", "日月火水木金土");
    if (names.size() != 7)
        names = QStringLiteral("日月火水木金土");
    for (int column = 0; column < 7; ++column) {
        painter.drawText(
            QRect(left + column * layout.cellWidth, namesTop, layout.cellWidth, layout.cellHeight),
            Qt::AlignCenter, QString(names.at(column)));
    }
    QColor rule = text;
    rule.setAlpha(128);
    const int ruleHeight = std::max(1, f / 14);
    painter.fillRect(QRect(left, namesTop + layout.cellHeight - ruleHeight, gridWidth, ruleHeight),
                     rule);

    const int first = firstColumn(today);
    const int daysTop = namesTop + layout.cellHeight;
    QColor mark = background;
    mark.setAlpha(255);
    for (int day = 1; day <= today.daysInMonth(); ++day) {
        const int index = first + day - 1;
        const QRect cell(left + index % 7 * layout.cellWidth,
                         daysTop + index / 7 * layout.cellHeight, layout.cellWidth,
                         layout.cellHeight);
        if (day == today.day()) {
            const int inset = scaled(f, 0.1);
            painter.setPen(Qt::NoPen);
            painter.setBrush(text);
            painter.drawRoundedRect(QRectF(cell.adjusted(inset, inset, -inset, -inset)), f * 0.25,
                                    f * 0.25);
            painter.setPen(mark);
            painter.setFont(calendarFont(f, true));
            painter.drawText(cell, Qt::AlignCenter, QString::number(day));
            painter.setFont(calendarFont(f, false));
            painter.setPen(text);
        } else {
            painter.drawText(cell, Qt::AlignCenter, QString::number(day));
        }
    }
}

bool drawCalendar(const PackedDib& dib, const CalendarSettings& settings, QDate today) {
    if (!dib.valid() || !today.isValid())
        return false;
    std::optional<CalendarLayout> layout = layoutCalendar(dib.size(), settings.size);
    if (!layout)
        return false;
    // No empty lines: the panel is as tall as this month needs.
    layout->weeks = weeksOfMonth(today);
    const QRect area = calendarArea(dib.size(), *layout, settings.corner);
    // Only the panel's pixels travel through a QImage: QImage cannot hold bottom-up rows.
    QImage image = dib.copyArea(area);
    if (image.isNull())
        return false;
    {
        QPainter painter(&image);
        paintCalendar(painter, *layout, today, settings.text, settings.background);
    }
    dib.pasteArea(image, area.topLeft());
    return true;
}

}  // namespace tesselvane::bpi
