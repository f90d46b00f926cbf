#include "PictureTestSupport.h"
#include "TestFolders.h"
#include "picture/ColorReduction.h"
#include "picture/DibImage.h"
#include "picture/DibTwin.h"
#include "picture/JpegCodec.h"
#include "picture/JpegDecoder.h"
#include "picture/JpegPrefetch.h"
#include "picture/PictureError.h"

#include <QFile>
#include <QSet>

#include <cstring>
#include <utility>

#include <gmock/gmock.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// JPEG is lossy: the test picture at quality 95 stays within these of its source (the largest
// differences are at its sharp blue steps, which chroma subsampling blurs).
constexpr int kLargestDifference = 40;
constexpr double kMeanDifference = 3.0;

class JpegGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(JpegGolden, DecodesCloseToTheSource) {
    const QString base = goldenFolder() + "jpeg/" + GetParam();
    const QImage image = decodeJpegFile(base + ".jpg", JpegOutput::Rgb24);
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    const ImageDifference d = compareImages(image, QImage(base + ".ref.png"));
    EXPECT_FALSE(d.sizeDiffers);
    EXPECT_LE(d.largest, kLargestDifference);
    EXPECT_LE(d.mean, kMeanDifference);
    // Decoded as the screen's 32-bit pixels: the very same colours.
    const QImage wide = decodeJpegFile(base + ".jpg", JpegOutput::Rgb32);
    EXPECT_EQ(wide.convertToFormat(QImage::Format_RGB888), image);
}

INSTANTIATE_TEST_SUITE_P(Variants, JpegGolden,
                         ::testing::Values("baseline", "progressive", "restart444", "grey",
                                           "cmyk"));

int distinctColours(const QImage& image) {
    QSet<int> used;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            used.insert(image.pixelIndex(x, y));
    }
    return static_cast<int>(used.size());
}

TEST(JpegCodec, QuantisedOutputHasAtMost236ColoursAndLooksTheSame) {
    for (const char* name : {"baseline", "grey", "cmyk"}) {
        const QString base = goldenFolder() + "jpeg/" + name;
        const QImage image = decodeJpegFile(base + ".jpg", JpegOutput::Quantized236);
        EXPECT_EQ(image.format(), QImage::Format_Indexed8) << name;
        EXPECT_LE(image.colorCount(), 236) << name;
        const ImageDifference d = compareImages(image, QImage(base + ".ref.png"));
        EXPECT_LE(d.mean, 8.0) << name;  // dithering trades exactness for the look
    }
}

TEST(ColorReduction, GivesAPalettePictureOfAtMost236Colours) {
    // 4096 distinct colours in.
    QImage source(64, 64, QImage::Format_RGB888);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            source.setPixel(x, y, qRgb(x * 4, y * 4, (x ^ y) * 4));
    }
    const QImage reduced = reduceColors(source);
    ASSERT_EQ(reduced.format(), QImage::Format_Indexed8);
    EXPECT_LE(reduced.colorCount(), 236);
    EXPECT_LE(distinctColours(reduced), 236);
    EXPECT_LE(compareImages(reduced, source).mean, 12.0);
    // Any format in.
    EXPECT_EQ(reduceColors(source.convertToFormat(QImage::Format_ARGB32)).format(),
              QImage::Format_Indexed8);
    EXPECT_EQ(reduceColors(source.convertToFormat(QImage::Format_Indexed8)).format(),
              QImage::Format_Indexed8);
}

TEST(JpegCodec, StretchesToAGivenSizeWhileDecoding) {
    const QString file = goldenFolder() + "jpeg/baseline.jpg";
    const QImage full = decodeJpegFile(file, JpegOutput::Rgb24);
    for (const QSize size : {QSize(32, 24), QSize(40, 40), QSize(130, 70), QSize(7, 5)}) {
        const QImage stretched = decodeJpegFile(file, JpegOutput::Rgb24, size);
        ASSERT_EQ(stretched.size(), size);
        EXPECT_EQ(stretched.format(), QImage::Format_RGB32);
        const QImage reference = full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(compareImages(stretched, reference).mean, 6.0)
            << size.width() << "x" << size.height();
        EXPECT_EQ(qAlpha(stretched.pixel(0, 0)), 255);
    }
}

TEST(JpegCodec, TheStoredSizeIsReadFromTheHeaderAlone) {
    const QString golden = goldenFolder() + "jpeg/baseline.jpg";
    const QImage full = decodeJpegFile(golden, JpegOutput::Rgb24);
    EXPECT_EQ(jpegFileSize(golden), full.size());
    // The scan data cut off: the header still tells.
    const QByteArray good = readFile(golden);
    const QString file = scratchFolder() + "sized.jpg";
    for (const auto& [data, size] :
         {std::pair{good.left(good.size() / 2), full.size()},
          std::pair{QByteArray("not a jpeg at all"), QSize()}, std::pair{QByteArray(), QSize()}}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(data);
        out.close();
        EXPECT_EQ(jpegFileSize(file), size);
    }
    EXPECT_EQ(jpegFileSize(scratchFolder() + "missing.jpg"), QSize());
}

TEST(JpegCodec, APictureFittedKeepingItsShapeIsDecodedAtTheSizeItIsDrawn) {
    QImage wide(4000, 2000, QImage::Format_RGB888);
    wide.fill(QColor(10, 200, 90));
    const QString file = scratchFolder() + "wide.jpg";
    ASSERT_TRUE(wide.save(file, "JPG"));
    const QSize screen(1024, 768);
    EXPECT_EQ(jpegFitTarget(file, screen, FitStyle::Stretch), screen);
    EXPECT_EQ(jpegFitTarget(file, screen, FitStyle::Inside), QSize(1024, 512));
    EXPECT_EQ(jpegFitTarget(file, screen, FitStyle::Cover), QSize(1536, 768));
    // Decoded at 1/2 (2000 x 1000, the smallest scale at least that large), then resampled.
    EXPECT_EQ(decodeJpegFile(file, JpegOutput::Rgb24, QSize(1024, 512)).size(), QSize(1024, 512));
    EXPECT_TRUE(jpegFitTarget(scratchFolder() + "missing.jpg", screen, FitStyle::Inside).isEmpty());
}

TEST(JpegCodec, EncodesBaselineAtTheGivenQuality) {
    QImage source(40, 30, QImage::Format_RGB888);
    source.fill(QColor(10, 200, 90));
    const QByteArray jpeg = encodeJpeg(source, 100);
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8"));
    EXPECT_TRUE(jpeg.contains("\xFF\xC0"));   // baseline frame
    EXPECT_FALSE(jpeg.contains("\xFF\xC2"));  // not progressive
    EXPECT_LE(compareImages(decodeJpeg(jpeg, "x", JpegOutput::Rgb24), source).largest, 2);
}

TEST(JpegCodec, DamagedOrTruncatedFilesRaiseAnErrorNamingTheFile) {
    const QByteArray good = readFile(goldenFolder() + "jpeg/baseline.jpg");
    QByteArray corrupt = good;
    for (qsizetype i = corrupt.size() / 2; i < corrupt.size() - 2; i += 7)
        corrupt[i] = '\xFF';
    const QByteArray cases[] = {QByteArray(), QByteArray("not a jpeg at all"), good.left(200),
                                good.left(good.size() / 2), corrupt};
    const QString file = scratchFolder() + "broken.jpg";
    for (const QByteArray& data : cases) {
        for (const JpegOutput output : {JpegOutput::Rgb24, JpegOutput::Quantized236}) {
            try {
                decodeJpeg(data, "/pictures/broken.jpg", output);
                ADD_FAILURE() << "decoded " << data.size() << " damaged bytes";
            } catch (const PictureError& e) {
                EXPECT_THAT(e.message().toStdString(),
                            ::testing::HasSubstr("/pictures/broken.jpg"));
            }
        }
        // The same from a file, read in blocks of its own.
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(data);
        out.close();
        for (const QSize size : {QSize(), QSize(20, 10)}) {
            try {
                decodeJpegFile(file, JpegOutput::Rgb24, size);
                ADD_FAILURE() << "decoded " << data.size() << " damaged bytes from a file";
            } catch (const PictureError& e) {
                EXPECT_THAT(e.message().toStdString(), ::testing::HasSubstr("broken.jpg"));
            }
        }
    }
}

TEST(JpegCodec, AFileLargerThanOneReadDecodesAsFromMemory) {
    // Noise compresses badly: a file of several read blocks.
    QImage noise(1500, 1000, QImage::Format_RGB888);
    std::uint32_t seed = 12345;
    for (int y = 0; y < noise.height(); ++y) {
        uchar* row = noise.scanLine(y);
        for (int x = 0; x < noise.width() * 3; ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = static_cast<uchar>(seed >> 24);
        }
    }
    const QByteArray jpeg = encodeJpeg(noise, 95);
    ASSERT_GT(jpeg.size(), 3 * 256 * 1024);
    const QString file = scratchFolder() + "noise.jpg";
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(jpeg);
    out.close();
    for (const QSize size : {QSize(), QSize(640, 480)}) {
        const QImage fromFile = decodeJpegFile(file, JpegOutput::Rgb24, size);
        const QImage fromMemory = decodeJpeg(jpeg, "noise.jpg", JpegOutput::Rgb24, size);
        EXPECT_EQ(compareImages(fromFile, fromMemory).largest, 0) << size.width();
    }
}

TEST(JpegCodec, RefusesPicturesOverThePixelLimitBeforeDecoding) {
    QByteArray data = readFile(goldenFolder() + "jpeg/baseline.jpg");
    // The frame header: FF C0, length, precision, height, width.
    const qsizetype sof = data.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    data[sof + 5] = '\x7F';  // height 32512 + ...
    data[sof + 7] = '\x7F';  // width 32512 + ...: over 2^28 pixels
    // Also when it would come out small: a reduced scale still goes through every block.
    for (const QSize size : {QSize(), QSize(640, 480)}) {
        try {
            decodeJpeg(data, "huge.jpg", JpegOutput::Rgb24, size);
            FAIL() << size.width();
        } catch (const PictureError& e) {
            EXPECT_THAT(e.message().toStdString(), ::testing::HasSubstr("大きすぎます"));
        }
    }
}

// Smooth gradients with a grid, so that a row out of place or a column shifted shows.
QImage gradientPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool line = x % 97 < 3 || y % 89 < 3;
            image.setPixel(
                x, y,
                line ? qRgb(0, 0, 0) : qRgb(x * 255 / width, y * 255 / height, (x + y) % 256));
        }
    }
    return image;
}

TEST(JpegCodec, StretchesLargePicturesRowForRowLikeAPlainScale) {
    // More rows than the resampler keeps in flight, shrunk and grown, odd sizes.
    const QByteArray jpeg = encodeJpeg(gradientPicture(1203, 857), 95);
    const QImage full = decodeJpeg(jpeg, "g.jpg", JpegOutput::Rgb24);
    for (const QSize size :
         {QSize(301, 211), QSize(640, 480), QSize(1920, 1080), QSize(1203, 3), QSize(20, 600)}) {
        const QImage stretched = decodeJpeg(jpeg, "g.jpg", JpegOutput::Rgb24, size);
        ASSERT_EQ(stretched.size(), size);
        const QImage reference = full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const ImageDifference d = compareImages(stretched, reference);
        EXPECT_LE(d.mean, 6.0) << size.width() << "x" << size.height();
    }
}

TEST(JpegCodec, AStretchedPictureComesWithItsDibTwinWhileUnchanged) {
    const QByteArray jpeg = encodeJpeg(gradientPicture(1203, 857), 95);
    for (const QSize size : {QSize(301, 211), QSize(1920, 1080), QSize(7, 600)}) {
        QImage stretched = decodeJpeg(jpeg, "g.jpg", JpegOutput::Rgb24, size);
        void* twin = takeDibTwin(stretched);
        ASSERT_NE(twin, nullptr) << size.width();
        void* converted = imageToPackedDib(stretched);
        const std::size_t bytes =
            40 + dibStride(static_cast<std::uint64_t>(size.width()), 24) * size.height();
        EXPECT_EQ(std::memcmp(twin, converted, bytes), 0) << size.width();  // padding too
        std::free(converted);
        std::free(twin);
        EXPECT_EQ(takeDibTwin(stretched), nullptr);  // taken once
    }
    // A picture changed after decoding, or another picture, does not get it.
    QImage stretched = decodeJpeg(jpeg, "g.jpg", JpegOutput::Rgb24, QSize(40, 30));
    const QImage copy = stretched;
    EXPECT_EQ(takeDibTwin(QImage(40, 30, QImage::Format_RGB32)), nullptr);
    stretched = decodeJpeg(jpeg, "g.jpg", JpegOutput::Rgb24, QSize(40, 30));
    stretched.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(takeDibTwin(stretched), nullptr);
    // Pictures decoded at their own size have none.
    const QImage full = decodeJpeg(jpeg, "g.jpg", JpegOutput::Rgb24);
    EXPECT_EQ(takeDibTwin(full), nullptr);
}

TEST(JpegPrefetch, HandsOverThePictureAskedForAndOnlyThat) {
    const QString file = scratchFolder() + "prefetch.jpg";
    writeFile(file, encodeJpeg(gradientPicture(400, 300), 90));
    const QImage direct = decodeJpegFile(file, JpegOutput::Rgb24, QSize(200, 100));

    prefetchJpeg(file, QSize(200, 100));
    const std::optional<QImage> taken = takePrefetchedJpeg(file, QSize(200, 100));
    ASSERT_TRUE(taken);
    EXPECT_EQ(compareImages(*taken, direct).largest, 0);
    EXPECT_FALSE(takePrefetchedJpeg(file, QSize(200, 100)));  // once only

    // Another size or another file: not handed over, and dropped.
    prefetchJpeg(file, QSize(200, 100));
    EXPECT_FALSE(takePrefetchedJpeg(file, QSize(201, 100)));
    EXPECT_FALSE(takePrefetchedJpeg(file, QSize(200, 100)));
    prefetchJpeg(file, QSize());
    EXPECT_FALSE(takePrefetchedJpeg(scratchFolder() + "other.jpg", QSize()));
}

TEST(JpegPrefetch, ReadingErrorsReachTheOneWhoTakesThePicture) {
    const QString file = scratchFolder() + "broken-prefetch.jpg";
    writeFile(file, QByteArray("not a jpeg"));
    prefetchJpeg(file, QSize());
    EXPECT_THROW(takePrefetchedJpeg(file, QSize()), PictureError);
    // A later one still works.
    writeFile(file, encodeJpeg(gradientPicture(20, 20), 90));
    prefetchJpeg(file, QSize());
    EXPECT_TRUE(takePrefetchedJpeg(file, QSize()));
}

}  // namespace
