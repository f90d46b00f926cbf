#include "TestPictures.h"
#include "platform/desktop/DesktopComposition.h"
#include "platform/desktop/X11Pixels.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace tesselvane;
using tesselvane::test::quadrants;

namespace {

TEST(ComposeDesktop, CentresOnTheDesktopColour) {
    const QImage c = composeDesktop(quadrants(QSize(4, 2)), QSize(10, 6), WallpaperStyle::Centered,
                                    QColor(1, 2, 3));
    EXPECT_EQ(c.pixel(2, 1), qRgb(1, 2, 3));
    EXPECT_EQ(c.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(c.pixel(6, 3), qRgb(255, 255, 0));
    EXPECT_EQ(c.pixel(7, 3), qRgb(1, 2, 3));
}

TEST(ComposeDesktop, APictureLargerThanTheScreenLosesEqualPartsOnBothSides) {
    const QImage c = composeDesktop(quadrants(QSize(20, 20)), QSize(10, 10),
                                    WallpaperStyle::Centered, Qt::black);
    // The middle 10 x 10 of the picture: its four quadrants meet in the middle of the screen.
    EXPECT_EQ(c.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(c.pixel(9, 0), qRgb(0, 255, 0));
    EXPECT_EQ(c.pixel(0, 9), qRgb(0, 0, 255));
    EXPECT_EQ(c.pixel(9, 9), qRgb(255, 255, 0));
    EXPECT_EQ(c.pixel(4, 4), qRgb(255, 0, 0));
    EXPECT_EQ(c.pixel(5, 5), qRgb(255, 255, 0));
}

TEST(ComposeDesktop, TilesFromTheTopLeftCorner) {
    const QImage c =
        composeDesktop(quadrants(QSize(4, 2)), QSize(10, 5), WallpaperStyle::Tiled, Qt::black);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool left = x % 4 < 2, top = y % 2 < 1;
            const QRgb expected = left ? (top ? qRgb(255, 0, 0) : qRgb(0, 0, 255))
                                       : (top ? qRgb(0, 255, 0) : qRgb(255, 255, 0));
            ASSERT_EQ(c.pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(ComposeDesktop, PalettePicturesAndNoPicture) {
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(9, 8, 7), qRgb(6, 5, 4)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    const QImage c = composeDesktop(indexed, QSize(2, 1), WallpaperStyle::Tiled, Qt::black);
    EXPECT_EQ(c.pixel(0, 0), qRgb(9, 8, 7));
    EXPECT_EQ(c.pixel(1, 0), qRgb(6, 5, 4));
    const QImage empty =
        composeDesktop(QImage(), QSize(3, 3), WallpaperStyle::Centered, QColor(0, 0, 255));
    EXPECT_EQ(empty.pixel(1, 1), qRgb(0, 0, 255));
}

}  // namespace

namespace {

TEST(ComposeDesktop, EachMonitorTilesFromItsOwnCornerOrCentresInItself) {
    const std::vector<QRect> monitors = {QRect(0, 0, 6, 4), QRect(6, 0, 5, 4)};
    const QImage tiled = composeDesktop({quadrants(QSize(4, 2)), quadrants(QSize(4, 2))}, monitors,
                                        QSize(11, 5), WallpaperStyle::Tiled, QColor(1, 2, 3));
    EXPECT_EQ(tiled.pixel(4, 0), qRgb(255, 0, 0));
    EXPECT_EQ(tiled.pixel(5, 0), qRgb(255, 0, 0));
    EXPECT_EQ(tiled.pixel(6, 0), qRgb(255, 0, 0));  // the second monitor starts a tile
    EXPECT_EQ(tiled.pixel(8, 1), qRgb(255, 255, 0));
    EXPECT_EQ(tiled.pixel(3, 4), qRgb(1, 2, 3));  // below every monitor
    const QImage centred =
        composeDesktop({quadrants(QSize(2, 2)), quadrants(QSize(4, 2))}, monitors, QSize(11, 4),
                       WallpaperStyle::Centered, Qt::black);
    EXPECT_EQ(centred.pixel(2, 1), qRgb(255, 0, 0));
    EXPECT_EQ(centred.pixel(3, 2), qRgb(255, 255, 0));
    EXPECT_EQ(centred.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(centred.pixel(5, 1), qRgb(0, 0, 0));
    EXPECT_EQ(centred.pixel(6, 1), qRgb(255, 0, 0));  // 4 in 5: the odd column right of it
    EXPECT_EQ(centred.pixel(9, 2), qRgb(255, 255, 0));
    EXPECT_EQ(centred.pixel(10, 1), qRgb(0, 0, 0));
    EXPECT_EQ(centred.pixel(7, 0), qRgb(0, 0, 0));
}

TEST(PicturesForMonitors, OnlyAFittedPictureIsFittedAgainToMonitorsOfAnotherSize) {
    const QImage picture = quadrants(QSize(40, 20));
    const std::vector<QRect> monitors = {QRect(0, 0, 40, 20), QRect(40, 0, 20, 20),
                                         QRect(60, 0, 40, 20)};
    WallpaperRequest request;
    const auto asIs = picturesForMonitors(request, picture, monitors);
    ASSERT_EQ(asIs.size(), 3u);
    for (const QImage& image : asIs)
        EXPECT_EQ(image.size(), QSize(40, 20));
    request.fit = {true, FitStyle::Inside};
    request.background = QColor(1, 2, 3);
    const auto inside = picturesForMonitors(request, picture, monitors);
    EXPECT_EQ(inside[0].cacheKey(), picture.cacheKey());  // the primary's own, untouched
    EXPECT_EQ(inside[1].size(), QSize(20, 20));
    EXPECT_EQ(inside[1].pixel(10, 2), qRgb(1, 2, 3));  // a bar above the 20 x 10 picture
    EXPECT_EQ(inside[1].pixel(2, 7), qRgb(255, 0, 0));
    EXPECT_EQ(inside[2].size(), QSize(40, 20));
}

TEST(PicturesForMonitors, EachMonitorGetsItsOwnPrimaryFirstThenFromLeftToRightAndTopToBottom) {
    // The primary in the middle; the others listed out of order, one below another.
    const std::vector<QRect> monitors = {QRect(100, 0, 10, 10), QRect(200, 0, 10, 10),
                                         QRect(0, 50, 10, 10), QRect(0, 0, 10, 10)};
    EXPECT_EQ(monitorPictureOrder(monitors), (std::vector<size_t>{0, 3, 2, 1}));
    WallpaperRequest request;
    for (const QRgb colour : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}) {
        QImage own(10, 10, QImage::Format_RGB32);
        own.fill(colour);
        request.monitorPictures.push_back(own);
    }
    const auto shown = picturesForMonitors(request, QImage(), monitors);
    // A monitor beyond the pictures chosen (one plugged in since) shows the primary's.
    const QRgb expected[] = {qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 255, 0)};
    for (size_t i = 0; i < monitors.size(); ++i)
        EXPECT_EQ(shown[i].pixel(5, 5), expected[i]) << i;
}

TEST(Dither, KeepsTheMeanOfEachPatternAndTheExtremes) {
    const ShallowChannels rgb565;
    QImage flat(16, 8, QImage::Format_RGB888);
    for (const int value : {0, 100, 255}) {
        flat.fill(QColor(value, value, value));
        const auto pixels = ditherTo16(flat, flat.rect(), rgb565, QPoint(3, 5));
        ASSERT_EQ(pixels.size(), 16u * 8u);
        double red = 0, green = 0;
        for (const uint16_t p : std::vector<uint16_t>(pixels.begin(), pixels.begin() + 64)) {
            red += (p >> 11) * 255.0 / 31;
            green += ((p >> 5) & 63) * 255.0 / 63;
        }
        EXPECT_NEAR(red / 64, value, 1.0) << value;
        EXPECT_NEAR(green / 64, value, 1.0) << value;
        if (value == 0 || value == 255) {  // no speckles where there is nothing to mix
            EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(),
                                    [&](uint16_t p) { return p == pixels.front(); }));
        }
    }
    // An odd width pads each row; a source past the picture is cut to it.
    EXPECT_EQ(ditherTo16(flat, QRect(0, 0, 5, 2), rgb565, {}).size(), 12u);
    EXPECT_EQ(ditherTo16(flat, QRect(10, 6, 50, 50), rgb565, {}).size(), 12u);
}

}  // namespace
