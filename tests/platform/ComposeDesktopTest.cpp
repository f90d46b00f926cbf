#include "platform/desktop/X11Desktop.h"

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

QImage quadrants(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y,
                           x < w / 2 ? (y < h / 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255))
                                     : (y < h / 2 ? qRgb(0, 255, 0) : qRgb(255, 255, 0)));
        }
    }
    return image;
}

TEST(ComposeDesktop, CentresOnTheDesktopColour) {
    const QImage c =
        composeDesktop(quadrants(4, 2), QSize(10, 6), WallpaperStyle::Centered, QColor(1, 2, 3));
    EXPECT_EQ(c.pixel(2, 1), qRgb(1, 2, 3));
    EXPECT_EQ(c.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(c.pixel(6, 3), qRgb(255, 255, 0));
    EXPECT_EQ(c.pixel(7, 3), qRgb(1, 2, 3));
}

TEST(ComposeDesktop, APictureLargerThanTheScreenLosesEqualPartsOnBothSides) {
    const QImage c =
        composeDesktop(quadrants(20, 20), QSize(10, 10), WallpaperStyle::Centered, Qt::black);
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
        composeDesktop(quadrants(4, 2), QSize(10, 5), WallpaperStyle::Tiled, Qt::black);
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
