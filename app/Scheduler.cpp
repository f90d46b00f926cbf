#include "app/Scheduler.h"

#include "platform/FileSearch.h"

#include <algorithm>

namespace tesselvane {

namespace {

// Sunday = 1 ... Saturday = 7.
int sundayFirst(QDate day) {
    return day.dayOfWeek() % 7 + 1;
}

}  // namespace

int nextListIndex(int count, int current, bool random, bool back, const RandomDraw& draw) {
    if (count <= 0)
        return current;
    const int last = count - 1;
    if (random) {
        const int r = draw(count > 1 ? count - 1 : 1);
        if (r != current)
            return r;
        return current + 1 > last ? 0 : current + 1;
    }
    if (!back)
        return current < last && current >= -1 ? current + 1 : 0;
    return current > 0 && current <= last ? current - 1 : last;
}

std::vector<int> otherMonitorIndices(int count, int primary, int others, bool random,
                                     const std::vector<int>& before, const RandomDraw& draw) {
    std::vector<int> chosen;
    if (count <= 0)
        return chosen;
    for (int k = 0; k < others; ++k) {
        const int following = (primary + 1 + k) % count;
        if (!random) {
            chosen.push_back(following);
            continue;
        }
        const int last = k < int(before.size()) ? before[size_t(k)] : -1;
        const auto taken = [&](int i, bool withLast) {
            return i == primary || std::find(chosen.begin(), chosen.end(), i) != chosen.end() ||
                   (withLast && i == last);
        };
        int picked = following;
        for (const bool withLast : {true, false}) {
            std::vector<int> free;
            for (int i = 0; i < count; ++i) {
                if (!taken(i, withLast))
                    free.push_back(i);
            }
            if (!free.empty()) {
                picked = free[size_t(draw(int(free.size())))];
                break;
            }
        }
        chosen.push_back(picked);
    }
    return chosen;
}

int weekOfYear(QDate today) {
    const QDate newYear(today.year(), 1, 1);
    int week = static_cast<int>(newYear.daysTo(today)) / 7 + 1;
    if (sundayFirst(today) < sundayFirst(newYear))
        ++week;
    return week > 52 ? 52 : week;
}

QString dateNumber(ScheduleMode mode, QDate today) {
    const auto pad = [](int n, int digits) {
        return QStringLiteral("%1").arg(n, digits, 10, QLatin1Char('0'));
    };
    switch (mode) {
        case ScheduleMode::Day:
            return pad(today.month(), 2) + pad(today.day(), 2);
        case ScheduleMode::Weekday:
            return pad(sundayFirst(today), 3);
        case ScheduleMode::Week:
            return pad(weekOfYear(today), 3);
        case ScheduleMode::Month:
            return pad(today.month(), 3);
        case ScheduleMode::AtStart:
        case ScheduleMode::Interval:
            break;
    }
    return QString();
}

QString datePicturePath(const QString& folderText, ScheduleMode mode, QDate today) {
    QString folder = folderText;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    const QStringList found =
        findFiles(folder, QStringLiteral("*") + dateNumber(mode, today) + QStringLiteral(".*"));
    return found.isEmpty() ? QString() : folder + found.first();
}

int timerIntervalMs(int scale, int current) {
    switch (scale) {
        case 0:
            return 3600000;
        case 1:
            return 60000;
        case 2:
            return 1000;
        default:
            return current;
    }
}

}  // namespace tesselvane
