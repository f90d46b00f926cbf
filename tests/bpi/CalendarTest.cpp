// The calendar: where it lands, how big, in which colours, and which day it marks.

#include "BpiHarness.h"

#include <QColor>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace tesselvane::test {
namespace {

const char* const kCornerNames[] = {"top left", "top right", "bottom left", "bottom right"};

class CalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::clearSettings();
        host::switchOn(kCalendarKey);
        ASSERT_EQ(calendar().loadError, "");
        // A month of six weeks, the tallest calendar there is.
        ::setenv("TESSELVANE_CALENDAR_DATE", "2026-08-15", 1);
    }
    void TearDown() override { ::unsetenv("TESSELVANE_CALENDAR_DATE"); }

    static const Extension& calendar() { return Extension::get(kCalendarFile); }
    static void set(const char* name, const std::string& value) {
        host::setSetting(kCalendarKey, name, value);
    }

    // The picture as the host sees it after the plug-in ran.
    static QImage drawn(const QImage& picture, int bits = 24) {
        Dib dib = Dib::fromImage(picture, bits);
        dib.execute(calendar());
        EXPECT_FALSE(dib.replacedByLastRun());
        return dib.toImage();
    }
    static QImage drawnOn(const QImage& picture, const char* date) {
        ::setenv("TESSELVANE_CALENDAR_DATE", date, 1);
        return drawn(picture);
    }
};

// Counts the colours of the changed pixels.
std::map<QRgb, int> changedColours(const QImage& before, const QImage& after) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            if (before.pixel(x, y) != after.pixel(x, y))
                ++counts[after.pixel(x, y)];
        }
    }
    return counts;
}

QRgb mostCommon(const std::map<QRgb, int>& counts) {
    QRgb best = 0;
    int bestCount = -1;
    for (const auto& [color, count] : counts) {
        if (count > bestCount)
            best = color, bestCount = count;
    }
    return best;
}

TEST_F(CalendarTest, StaysInsideTheChosenCornerOfEveryPicture) {
    // The largest calendar on a square picture is the one that has to shrink to fit.
    for (const QSize size :
         {QSize(1920, 1080), QSize(1080, 1920), QSize(640, 480), QSize(1000, 1000)}) {
        const QImage picture = gradientImage(size.width(), size.height());
        for (int corner = 0; corner < 4; ++corner) {
            SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()) + ", " +
                         kCornerNames[corner]);
            set("Corner", std::to_string(corner));
            set("Size", "2");
            const QRect area = changedArea(picture, drawn(picture));
            ASSERT_FALSE(area.isEmpty()) << "nothing was drawn";
            const int w = size.width(), h = size.height();
            const bool right = corner % 2 == 1, bottom = corner >= 2;
            // Within a third of the picture, off its edges.
            if (right)
                EXPECT_TRUE(area.left() >= w - w / 3 && area.right() < w - 1) << area.x();
            else
                EXPECT_TRUE(area.left() > 0 && area.right() < w / 3) << area.x();
            if (bottom)
                EXPECT_TRUE(area.top() >= h - h / 3 && area.bottom() < h - 1) << area.y();
            else
                EXPECT_TRUE(area.top() > 0 && area.bottom() < h / 3) << area.y();
        }
    }
}

TEST_F(CalendarTest, DefaultsToTheBottomRightAndIgnoresUnreadableSettings) {
    const QImage picture = gradientImage(1920, 1080);
    const QImage defaults = drawn(picture);
    const QRect area = changedArea(picture, defaults);
    EXPECT_GE(area.left(), 1920 * 2 / 3);
    EXPECT_GE(area.top(), 1080 * 2 / 3);

    const std::map<std::string, std::string> unreadable[] = {
        {{"Corner", "4"}, {"Size", "-1"}, {"TextColor", "white"}, {"BackgroundColor", "#12345"}},
        {{"Corner", "1 2"},
         {"Size", "3"},
         {"TextColor", "#+12345"},
         {"BackgroundColor", "# 12345"}},
        {{"Corner", ""}, {"Size", "x"}, {"TextColor", "#00ff00ff"}, {"BackgroundColor", ""}},
    };
    for (const auto& values : unreadable) {
        host::clearSettings();
        host::switchOn(kCalendarKey);
        for (const auto& [name, value] : values)
            set(name.c_str(), value);
        EXPECT_TRUE(drawn(picture) == defaults) << values.at("TextColor");
    }
}

TEST_F(CalendarTest, GrowsWithItsSizeAndStaysLegible) {
    const QImage picture = gradientImage(1920, 1080);
    QSize previous;
    for (const char* size : {"0", "1", "2"}) {
        SCOPED_TRACE(size);
        set("Size", size);
        const QSize area = changedArea(picture, drawn(picture)).size();
        // Seven rows of numbers, a header and a line of weekdays: at least 10 pixels a line.
        EXPECT_GE(area.height(), 10 * 10);
        EXPECT_LE(area.height(), 1080 / 3);
        EXPECT_LE(area.width(), 1920 / 3);
        if (previous.isValid()) {
            EXPECT_TRUE(area.width() > previous.width() && area.height() > previous.height());
        }
        previous = area;
    }
}

TEST_F(CalendarTest, DrawsNothingOnPicturesTooSmallForIt) {
    for (const QSize size :
         {QSize(1, 1), QSize(64, 48), QSize(320, 240), QSize(1920, 60), QSize(60, 1920)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        Dib dib = Dib::fromImage(gradientImage(size.width(), size.height()));
        const std::vector<uint8_t> before = dib.bytes();
        dib.execute(calendar());
        EXPECT_FALSE(dib.replacedByLastRun());
        EXPECT_TRUE(dib.bytes() == before);
    }
}

TEST_F(CalendarTest, UsesTheColoursOfTheSettings) {
    const QImage picture = uniformImage(1280, 720);
    {
        SCOPED_TRACE("defaults");
        const std::map<QRgb, int> colours = changedColours(picture, drawn(picture));
        EXPECT_GT(colours.count(qRgb(255, 255, 255)) ? colours.at(qRgb(255, 255, 255)) : 0, 100)
            << "no white text";
        const QColor panel = QColor::fromRgb(mostCommon(colours));
        EXPECT_TRUE(panel.red() < 128 && panel.red() > 0)
            << "not a translucent dark panel: " << panel.name().toStdString();
    }
    {
        SCOPED_TRACE("green on blue");
        set("TextColor", "#00ff00");
        set("BackgroundColor", "#0000FF");
        const std::map<QRgb, int> colours = changedColours(picture, drawn(picture));
        EXPECT_GT(colours.count(qRgb(0, 255, 0)) ? colours.at(qRgb(0, 255, 0)) : 0, 100)
            << "no green text";
        EXPECT_EQ(colours.count(qRgb(255, 255, 255)), 0u) << "white is not in these colours";
        // Blue, with some of the grey picture showing through.
        const QColor panel = QColor::fromRgb(mostCommon(colours));
        EXPECT_TRUE(panel.blue() > 128 && panel.blue() < 255 && panel.red() < 128 &&
                    panel.red() > 0 && panel.red() == panel.green())
            << panel.name().toStdString();
    }
}

TEST_F(CalendarTest, MarksTodayInAWeekStartingOnSunday) {
    // February 2026 begins on a Sunday and ends on a Saturday: four full weeks.
    const QImage picture = uniformImage(1920, 1080);
    const QImage sunday = drawnOn(picture, "2026-02-01");
    const QRect panel = changedArea(picture, sunday);
    ASSERT_FALSE(panel.isEmpty());

    // Marking the Saturday instead changes one line from the left of the panel to its right.
    const QRect week = changedArea(sunday, drawnOn(picture, "2026-02-07"));
    ASSERT_FALSE(week.isEmpty());
    EXPECT_LT(week.left() - panel.left(), panel.width() / 7) << "Sunday is not first";
    EXPECT_LT(panel.right() - week.right(), panel.width() / 7) << "Saturday is not last";
    EXPECT_LT(week.height(), panel.height() / 6) << "the two days are not on one line";

    // Marking the next Sunday changes two cells, one above the other.
    const QRect column = changedArea(sunday, drawnOn(picture, "2026-02-08"));
    ASSERT_FALSE(column.isEmpty());
    EXPECT_LT(column.width(), panel.width() / 6);
    EXPECT_LT(column.left() - panel.left(), panel.width() / 7);
    EXPECT_GT(column.height(), week.height());
    EXPECT_LT(column.height(), 3 * week.height());

    // Same day, same picture.
    EXPECT_TRUE(drawnOn(picture, "2026-02-01") == sunday);
}

TEST_F(CalendarTest, ShowsTheMonthOfTheDay) {
    const QImage picture = uniformImage(1920, 1080);
    set("Corner", "1");
    // Both begin on a Sunday and take five weeks, so only the header and the 31st differ.
    const QImage march = drawnOn(picture, "2026-03-01");
    const QImage november = drawnOn(picture, "2026-11-01");
    const QRect panel = changedArea(picture, march);
    EXPECT_EQ(changedArea(picture, november), panel);
    const QRect differs = changedArea(march, november);
    ASSERT_FALSE(differs.isEmpty()) << "the month is not shown";
    EXPECT_LT(differs.top() - panel.top(), panel.height() / 5) << "the header did not change";
    EXPECT_GT(differs.bottom(), panel.bottom() - panel.height() / 5) << "the 31st is still there";

    // As many lines as the month has weeks: February 2026 four, August six.
    const QRect february = changedArea(picture, drawnOn(picture, "2026-02-01"));
    const QRect august = changedArea(picture, drawnOn(picture, "2026-08-01"));
    EXPECT_EQ(february.width(), panel.width());
    EXPECT_EQ(august.width(), panel.width());
    const int line = august.height() - panel.height();
    EXPECT_GT(line, 0);
    EXPECT_EQ(panel.height() - february.height(), line);

    // Without a date of its own it takes today, and a malformed one counts as none.
    ::unsetenv("TESSELVANE_CALENDAR_DATE");
    const QImage today = drawn(picture);
    EXPECT_FALSE(changedArea(picture, today).isEmpty());
    ::setenv("TESSELVANE_CALENDAR_DATE", "2026-13-45", 1);
    EXPECT_TRUE(drawn(picture) == today);
}

TEST_F(CalendarTest, ThirtyTwoBitPicturesKeepAlphaOutsideThePanel) {
    QImage picture = gradientImage(1024, 768);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            picture.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), 255 - x % 200));
        }
    }
    const QImage after = drawn(picture, 32);
    const QRect area = changedArea(picture, after);
    ASSERT_FALSE(area.isEmpty());
    EXPECT_GE(area.left(), 1024 * 2 / 3);
    EXPECT_GE(area.top(), 768 * 2 / 3);
}

TEST_F(CalendarTest, EightBitPicturesComeBackAsTrueColour) {
    const std::vector<QRgb> table = {qRgb(200, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 200)};
    auto index = [](int x, int y) { return uint8_t((x / 7 + y / 5) % 3); };
    Dib dib = Dib::indexed(801, 600, table, index);
    dib.execute(calendar());
    ASSERT_TRUE(dib.replacedByLastRun()) << "a colour table has no room for the panel";
    const SpiBitmapInfoHeader header = dib.header();
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biWidth, 801);
    EXPECT_EQ(header.biHeight, 600);
    const QImage after = dib.toImage();
    ASSERT_FALSE(after.isNull());

    QImage before(801, 600, QImage::Format_ARGB32);
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 801; ++x)
            before.setPixel(x, y, table[index(x, y)]);
    }
    const QRect area = changedArea(before, after);
    ASSERT_FALSE(area.isEmpty());
    EXPECT_GE(area.left(), 801 - 801 / 3);
    EXPECT_GE(area.top(), 600 - 600 / 3);

    // Too small for the calendar: the host keeps its own block.
    Dib small = Dib::indexed(64, 48, table, index);
    small.execute(calendar());
    EXPECT_FALSE(small.replacedByLastRun());
}

}  // namespace
}  // namespace tesselvane::test
