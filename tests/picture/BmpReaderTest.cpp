#include "PictureTestSupport.h"
#include "picture/BmpReader.h"
#include "picture/PictureError.h"

#include <QDir>

#include <cstring>

#include <gmock/gmock.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

class BmpGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(BmpGolden, DecodesEveryPixelExactly) {
    const QString base = goldenFolder() + "bmp/" + GetParam();
    const QImage image = readBmpFile(base + ".bmp");
    const QImage reference(base + ".ref.png");
    ASSERT_FALSE(reference.isNull());
    const ImageDifference d = compareImages(image, reference);
    EXPECT_FALSE(d.sizeDiffers);
    // Qt widens 5- and 6-bit channels by shifting alone: 31 becomes 248, not 255.
    const bool sixteenBits = QString::fromLatin1(GetParam()).startsWith("rgb5");
    EXPECT_LE(d.largest, sixteenBits ? 7 : 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, BmpGolden,
                         ::testing::Values("pal1", "pal4", "pal8", "pal8-used100", "rle4", "rle8",
                                           "rgb555", "rgb565-bitfields", "rgb24", "rgb24-topdown",
                                           "rgb32", "rgb32-bitfields", "os2-rgb24", "os2-pal8"),
                         [](const auto& info) {
                             QString name = QString::fromLatin1(info.param);
                             return name.remove(u'-').toStdString();
                         });

TEST(BmpReader, PalettePicturesStayPalettePicturesWithAColourForEveryIndex) {
    const QImage image = readBmpFile(goldenFolder() + "bmp/pal4.bmp");
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.colorCount(), 256);
    EXPECT_EQ(readBmpFile(goldenFolder() + "bmp/rgb24.bmp").format(), QImage::Format_RGB888);
}

TEST(BmpReader, DamagedFilesRaiseAnErrorNamingTheFile) {
    const QByteArray good = readFile(goldenFolder() + "bmp/rgb24.bmp");
    const QByteArray cases[] = {
        QByteArray(), QByteArray("BM"),
        good.left(20),                   // header cut short
        QByteArray("XX") + good.mid(2),  // no signature
    };
    for (const QByteArray& data : cases) {
        try {
            readBmp(data, "/pictures/broken.bmp");
            ADD_FAILURE() << "read " << data.size() << " damaged bytes";
        } catch (const PictureError& e) {
            EXPECT_THAT(e.message().toStdString(), ::testing::HasSubstr("/pictures/broken.bmp"));
        }
    }
    EXPECT_THROW(readBmpFile(QDir::tempPath() + "/no-such-dir/missing.bmp"), PictureError);
}

TEST(BmpReader, RefusesPicturesOverThePixelLimitBeforeAllocating) {
    QByteArray data = readFile(goldenFolder() + "bmp/rgb24.bmp");
    // 20000 x 20000 is 400 million pixels, over 2^28.
    const qint32 side = 20000;
    std::memcpy(data.data() + 18, &side, 4);
    std::memcpy(data.data() + 22, &side, 4);
    try {
        readBmp(data, "huge.bmp");
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_THAT(e.message().toStdString(), ::testing::HasSubstr("大きすぎます"));
    }
}

}  // namespace
