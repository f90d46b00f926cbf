#include "platform/ScreenFit.h"
#include "platform/desktop/DesktopComposition.h"

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

TEST(ScreenFitTest, TheRectangleOfEachStyle) {
    const QSize wide(1920, 1080);
    const QSize tall(1080, 1920);
    // A 4:3 landscape photo on a wide screen, and on a portrait one.
    EXPECT_EQ(fittedRect({4000, 3000}, wide, FitStyle::Stretch), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(fittedRect({4000, 3000}, wide, FitStyle::Inside), QRect(240, 0, 1440, 1080));
    EXPECT_EQ(fittedRect({4000, 3000}, wide, FitStyle::Cover), QRect(0, -180, 1920, 1440));
    EXPECT_EQ(fittedRect({4000, 3000}, tall, FitStyle::Inside), QRect(0, 555, 1080, 810));
    EXPECT_EQ(fittedRect({4000, 3000}, tall, FitStyle::Cover), QRect(-740, 0, 2560, 1920));
    // A portrait photo on a wide screen.
    EXPECT_EQ(fittedRect({3000, 4000}, wide, FitStyle::Inside), QRect(555, 0, 810, 1080));
    EXPECT_EQ(fittedRect({3000, 4000}, wide, FitStyle::Cover), QRect(0, -740, 1920, 2560));
    // The same shape fills the screen exactly, larger or smaller.
    for (const FitStyle style : {FitStyle::Inside, FitStyle::Cover}) {
        EXPECT_EQ(fittedRect({3840, 2160}, wide, style), QRect(0, 0, 1920, 1080));
        EXPECT_EQ(fittedRect({640, 360}, wide, style), QRect(0, 0, 1920, 1080));
    }
    // One pixel off: a bar or an overflow of one pixel, never a gap on the deciding side.
    EXPECT_EQ(fittedRect({1921, 1080}, wide, FitStyle::Inside), QRect(0, 0, 1920, 1079));
    EXPECT_EQ(fittedRect({1921, 1080}, wide, FitStyle::Cover), QRect(0, 0, 1921, 1080));
    EXPECT_EQ(fittedRect({1919, 1080}, wide, FitStyle::Cover), QRect(0, 0, 1920, 1081));
    // A sliver keeps a side of one pixel.
    EXPECT_EQ(fittedRect({10000, 1}, wide, FitStyle::Inside), QRect(0, 539, 1920, 1));
    EXPECT_TRUE(fittedRect({0, 10}, wide, FitStyle::Inside).isEmpty());
    EXPECT_TRUE(fittedRect({10, 10}, {0, 0}, FitStyle::Cover).isEmpty());
}

TEST(ScreenFitTest, AStoredStyleOutsideTheChoicesIsStretch) {
    EXPECT_EQ(fitStyleFromStored(0), FitStyle::Stretch);
    EXPECT_EQ(fitStyleFromStored(1), FitStyle::Inside);
    EXPECT_EQ(fitStyleFromStored(2), FitStyle::Cover);
    for (const int odd : {-1, 3, 255, 1 << 30})
        EXPECT_EQ(fitStyleFromStored(odd), FitStyle::Stretch) << odd;
}

TEST(ScreenFitTest, TheFittedPictureHasBarsOfTheBackgroundOrIsCutEqually) {
    // Left half red, right half blue, 40 x 20, onto a 40 x 40 screen.
    QImage picture(40, 20, QImage::Format_RGB888);
    picture.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            picture.setPixelColor(x, y, Qt::blue);
    const QColor green(0, 255, 0);

    const QImage inside = fitToScreen(picture, {40, 40}, FitStyle::Inside, green);
    ASSERT_EQ(inside.size(), QSize(40, 40));
    EXPECT_EQ(inside.pixelColor(20, 5), green);   // bar above
    EXPECT_EQ(inside.pixelColor(20, 35), green);  // bar below
    EXPECT_EQ(inside.pixelColor(5, 20), QColor(Qt::red));
    EXPECT_EQ(inside.pixelColor(35, 20), QColor(Qt::blue));

    const QImage cover = fitToScreen(picture, {40, 40}, FitStyle::Cover, green);
    ASSERT_EQ(cover.size(), QSize(40, 40));
    // 80 x 40, cut by 20 on each side: the halves meet in the middle.
    EXPECT_EQ(cover.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(cover.pixelColor(37, 37), QColor(Qt::blue));
    EXPECT_EQ(cover.pixelColor(18, 20), QColor(Qt::red));
    EXPECT_EQ(cover.pixelColor(22, 20), QColor(Qt::blue));

    const QImage stretched = fitToScreen(picture, {40, 40}, FitStyle::Stretch, green);
    EXPECT_EQ(stretched.size(), QSize(40, 40));
    EXPECT_EQ(stretched.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_TRUE(fitToScreen(QImage(), {40, 40}, FitStyle::Inside, green).isNull());
}

}  // namespace

// Every pixel its own colour, so that a part taken one pixel off shows.
QImage numbered(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256));
    }
    return picture;
}

TEST(ScreenFitTest, EachMonitorShowsTheSameOfTheDrawnPartAsOfTheWholePicture) {
    // Odd and even overflows, monitors of both parities smaller than the largest, a picture
    // larger in one direction only.
    const std::vector<QRect> monitors = {{0, 0, 40, 30}, {40, 0, 27, 19}, {67, 0, 33, 8}};
    const QSize desktop(100, 30);
    for (const QSize size : {QSize(101, 61), QSize(100, 60), QSize(45, 33), QSize(20, 90)}) {
        const QImage whole = numbered(size);
        for (const WallpaperStyle style : {WallpaperStyle::Centered, WallpaperStyle::Tiled}) {
            const QRect part = drawnPart(size, {40, 30}, style);
            SCOPED_TRACE(testing::Message()
                         << size.width() << "x" << size.height() << " " << int(style));
            EXPECT_LE(part.width(), std::min(size.width(), 41));
            EXPECT_LE(part.height(), std::min(size.height(), 31));
            const QImage drawn = whole.copy(part);
            const auto onEach = [&](const QImage& picture) {
                return composeDesktop(std::vector<QImage>(monitors.size(), picture), monitors,
                                      desktop, style, Qt::black);
            };
            EXPECT_EQ(onEach(drawn), onEach(whole));
        }
    }
    EXPECT_EQ(drawnPart({5000, 3000}, QSize(), WallpaperStyle::Centered), QRect(0, 0, 5000, 3000));
}
