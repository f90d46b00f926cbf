#include "TestFolders.h"
#include "app/Scheduler.h"

#include <QDir>
#include <QFile>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;

namespace {

std::vector<int> walk(int count, int start, bool back, int steps) {
    std::vector<int> seen;
    int i = start;
    for (int s = 0; s < steps; ++s)
        seen.push_back(i = nextListIndex(count, i, false, back, nullptr));
    return seen;
}

TEST(NextListIndex, SequentialOrderWrapsBothWays) {
    EXPECT_THAT(walk(3, -1, false, 5), ElementsAre(0, 1, 2, 0, 1));
    EXPECT_THAT(walk(3, 0, true, 4), ElementsAre(2, 1, 0, 2));
    EXPECT_THAT(walk(3, -1, true, 1), ElementsAre(2));
    EXPECT_THAT(walk(1, 0, false, 2), ElementsAre(0, 0));
}

TEST(NextListIndex, AnIndexPastTheEndOfAShorterListComesBackIntoRange) {
    // After a group change the index may point past the new list.
    EXPECT_EQ(nextListIndex(3, 7, false, false, nullptr), 0);
    EXPECT_EQ(nextListIndex(3, 7, false, true, nullptr), 2);  // back starts from the last
    EXPECT_EQ(nextListIndex(3, 3, false, true, nullptr), 2);
    EXPECT_EQ(nextListIndex(3, -9, false, false, nullptr), 0);
}

class Draws {
public:
    explicit Draws(std::deque<int> values) : values_(std::move(values)) {}
    RandomDraw source() {
        return [this](int count) {
            counts.push_back(count);
            const int v = values_.front();
            values_.pop_front();
            return v;
        };
    }
    std::vector<int> counts;

private:
    std::deque<int> values_;
};

TEST(NextListIndex, RandomDrawsOverOneFewerThanTheListAndNeverRepeats) {
    Draws draws({1, 3, 0, 2});
    const RandomDraw draw = draws.source();
    EXPECT_EQ(nextListIndex(5, 0, true, false, draw), 1);  // differs: taken
    EXPECT_EQ(nextListIndex(5, 3, true, false, draw), 4);  // equal: the next one
    EXPECT_EQ(nextListIndex(5, 4, true, true, draw), 0);   // back is ignored
    EXPECT_EQ(nextListIndex(3, 2, true, false, draw), 0);  // equal to the last: wraps to 0
    EXPECT_THAT(draws.counts, ElementsAre(4, 4, 4, 2));
}

TEST(OtherMonitorIndices, InOrderTheFollowingOnesAtRandomDistinctAndNotTheSameAsLastTime) {
    EXPECT_THAT(otherMonitorIndices(3, 1, 2, false, {}, nullptr), ElementsAre(2, 0));
    EXPECT_THAT(otherMonitorIndices(2, 0, 3, false, {}, nullptr), ElementsAre(1, 0, 1));
    // Five pictures, the primary on 2; the second monitor showed 0, the third 4. The draws
    // pick among what is free: {1, 3, 4} for the second, then {0, 1} for the third.
    Draws draws({1, 0});
    EXPECT_THAT(otherMonitorIndices(5, 2, 2, true, {0, 4}, draws.source()), ElementsAre(3, 0));
    EXPECT_THAT(draws.counts, ElementsAre(3, 2));
    // Two pictures on three monitors: the one shown last is allowed again, then they repeat.
    Draws few({0});
    EXPECT_THAT(otherMonitorIndices(2, 0, 2, true, {1, 1}, few.source()), ElementsAre(1, 0));
}

TEST(NextListIndex, RandomOverOneOrTwoPictures) {
    Draws draws({0, 0, 0, 0, 0});
    const RandomDraw draw = draws.source();
    EXPECT_EQ(nextListIndex(1, -1, true, false, draw), 0);
    EXPECT_EQ(nextListIndex(1, 0, true, false, draw), 0);
    // Two pictures: the draw is always 0, so the order alternates.
    int i = -1;
    std::vector<int> seen;
    for (int s = 0; s < 3; ++s)
        seen.push_back(i = nextListIndex(2, i, true, false, draw));
    EXPECT_THAT(seen, ElementsAre(0, 1, 0));
}

TEST(DateNumber, EveryModeWithLeadingZeros) {
    const QDate july4(2026, 7, 4);  // a Saturday
    EXPECT_EQ(dateNumber(ScheduleMode::Day, july4), "0704");
    EXPECT_EQ(dateNumber(ScheduleMode::Weekday, july4), "007");
    EXPECT_EQ(dateNumber(ScheduleMode::Weekday, QDate(2026, 7, 5)), "001");  // Sunday
    EXPECT_EQ(dateNumber(ScheduleMode::Month, QDate(2026, 5, 20)), "005");
    EXPECT_EQ(dateNumber(ScheduleMode::Month, QDate(2026, 12, 1)), "012");
    EXPECT_EQ(dateNumber(ScheduleMode::Week, QDate(2026, 1, 1)), "001");
}

TEST(WeekOfYear, EachSundayStartsANewWeekAndTheLastDaysStayIn52) {
    EXPECT_EQ(weekOfYear(QDate(2026, 1, 1)), 1);
    // 2026 begins on a Thursday: Sunday 4 January is in week 2, Saturday 3 January in week 1.
    EXPECT_EQ(weekOfYear(QDate(2026, 1, 3)), 1);
    EXPECT_EQ(weekOfYear(QDate(2026, 1, 4)), 2);
    EXPECT_EQ(weekOfYear(QDate(2026, 1, 11)), 3);
    // A year starting on Sunday: the 1st and the 7th are week 1, the 8th week 2.
    EXPECT_EQ(weekOfYear(QDate(2023, 1, 7)), 1);
    EXPECT_EQ(weekOfYear(QDate(2023, 1, 8)), 2);
    for (int year = 2020; year <= 2040; ++year) {
        EXPECT_LE(weekOfYear(QDate(year, 12, 31)), 52) << year;
        // The same as counting the Sundays.
        for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1)) {
            int sundays = 0;
            for (QDate s(year, 1, 2); s <= d; s = s.addDays(1))
                sundays += s.dayOfWeek() == 7;
            ASSERT_EQ(weekOfYear(d), std::min(52, 1 + sundays))
                << d.toString(Qt::ISODate).toStdString();
        }
    }
}

TEST(DatePicturePath, FindsTheDatesFileInTheFolder) {
    const QString folder = scratchFolder() + "dates";
    QDir().mkpath(folder);
    for (const char* name :
         {"b0704.bmp", "a0704.jpg", "x0705", "m005.png", "notes.txt", "day001.jpg", "a0704x.jpg"}) {
        QFile f(folder + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Stored without a trailing separator: the pattern still lies inside the folder.
    EXPECT_EQ(datePicturePath(folder, ScheduleMode::Day, QDate(2026, 7, 4)), folder + "/a0704.jpg");
    EXPECT_EQ(datePicturePath(folder + "/", ScheduleMode::Day, QDate(2026, 7, 4)),
              folder + "/a0704.jpg");
    // A name without an extension matches ".*" too.
    EXPECT_EQ(datePicturePath(folder, ScheduleMode::Day, QDate(2026, 7, 5)), folder + "/x0705");
    EXPECT_EQ(datePicturePath(folder, ScheduleMode::Day, QDate(2026, 7, 6)), "");
    EXPECT_EQ(datePicturePath(folder, ScheduleMode::Month, QDate(2026, 5, 1)),
              folder + "/m005.png");
    EXPECT_EQ(datePicturePath(folder, ScheduleMode::Weekday, QDate(2026, 7, 5)),
              folder + "/day001.jpg");
    EXPECT_EQ(datePicturePath(folder + "/missing", ScheduleMode::Day, QDate(2026, 7, 4)), "");
}

TEST(Scheduler, Intervals) {
    EXPECT_EQ(timerIntervalMs(0, 1000), 3600000);
    EXPECT_EQ(timerIntervalMs(1, 1000), 60000);
    EXPECT_EQ(timerIntervalMs(2, 5), 1000);
    EXPECT_EQ(timerIntervalMs(7, 1234), 1234);
}

}  // namespace
