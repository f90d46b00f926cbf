// The built-in JPEG reader turns pictures upright as their EXIF orientation says, in every
// output it has, the way ImageMagick's -auto-orient does; damaged EXIF leaves them as stored.

#include "OrientedPictures.h"
#include "PictureTestSupport.h"
#include "TestFolders.h"
#include "picture/DibImage.h"
#include "picture/DibTwin.h"
#include "picture/JpegCodec.h"
#include "picture/JpegDecoder.h"
#include "picture/JpegPrefetch.h"

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// Blocks of 16 pixels, a whole MCU each: at quality 100 they come back within a few levels
// of their colour, while a wrong turn puts a block 60 or more off somewhere.
constexpr int kBlock = 16;
constexpr int kLargestDifference = 12;

QByteArray storedJpeg() {
    static const QByteArray kJpeg = encodeJpeg(asymmetricPicture(3, 2, kBlock), 100);
    return kJpeg;
}

QString writeJpeg(const QString& name, const QByteArray& exif) {
    const QString path = scratchFolder() + name;
    writeFile(path, withExifMarker(storedJpeg(), exif));
    return path;
}

void expectClose(const QImage& actual, const QImage& expected, const std::string& what) {
    ASSERT_FALSE(expected.isNull()) << what;
    const ImageDifference d = compareImages(actual, expected);
    EXPECT_FALSE(d.sizeDiffers) << what << ": " << actual.width() << "x" << actual.height();
    EXPECT_LE(d.largest, kLargestDifference) << what;
}

TEST(ExifOrientation, EveryOrientationComesOutAsImageMagickTurnsIt) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const bool bigEndian = orientation % 2 == 0;
        const QString path =
            writeJpeg(QStringLiteral("o%1.jpg").arg(orientation),
                      exifBlock(static_cast<std::uint32_t>(orientation), bigEndian));
        const std::string what = "orientation " + std::to_string(orientation);
        const QImage expected = imageMagickUpright(path);
        ASSERT_EQ(expected.size(), orientation >= 5 ? QSize(32, 48) : QSize(48, 32)) << what;

        expectClose(decodeJpegFile(path, JpegOutput::Rgb24), expected, what);
        expectClose(decodeJpeg(readFile(path), "o.jpg", JpegOutput::Rgb24), expected, what);
        // As the screen's 32-bit pixels, turned the same way.
        const QImage wide = decodeJpegFile(path, JpegOutput::Rgb32);
        EXPECT_EQ(wide.format(), QImage::Format_RGB32) << what;
        expectClose(wide, expected, what);
        // A palette for an 8-bit screen: the dither may move a flat block a little more.
        const QImage palette = decodeJpegFile(path, JpegOutput::Quantized236);
        EXPECT_EQ(palette.format(), QImage::Format_Indexed8) << what;
        const ImageDifference d = compareImages(palette, expected);
        EXPECT_FALSE(d.sizeDiffers) << what;
        EXPECT_LE(d.mean, 4.0) << what;
        EXPECT_EQ(jpegFileSize(path), expected.size()) << what;

        // Stretched while decoding: to the size asked for, as shown.
        const QSize half = expected.size() / 2;
        const QImage stretched = decodeJpegFile(path, JpegOutput::Rgb24, half);
        ASSERT_EQ(stretched.size(), half) << what;
        EXPECT_LE(compareImages(stretched, expected.scaled(half, Qt::IgnoreAspectRatio,
                                                           Qt::SmoothTransformation))
                      .mean,
                  6.0)
            << what;
        // Whatever DIB twin comes with it is that of the picture as shown.
        if (void* twin = takeDibTwin(stretched)) {
            void* converted = imageToPackedDib(stretched);
            EXPECT_EQ(std::memcmp(twin, converted,
                                  40 + dibStride(static_cast<std::uint64_t>(half.width()), 24) *
                                           static_cast<std::size_t>(half.height())),
                      0)
                << what;
            std::free(converted);
            std::free(twin);
        }

        // Read ahead at start, as the program does.
        prefetchJpeg(path, half);
        const std::optional<QImage> prefetched = takePrefetchedJpeg(path, half);
        ASSERT_TRUE(prefetched.has_value()) << what;
        EXPECT_EQ(prefetched->size(), half) << what;
    }
}

TEST(ExifOrientation, ACmykPictureIsTurnedToo) {
    // The golden CMYK picture with a quarter turn: its size swaps, its corners move round.
    const QByteArray cmyk = readFile(goldenFolder() + "jpeg/cmyk.jpg");
    const QImage stored = decodeJpeg(cmyk, "cmyk.jpg", JpegOutput::Rgb24);
    const QString path = scratchFolder() + "cmyk6.jpg";
    writeFile(path, withExifMarker(cmyk, exifBlock(6, false)));
    const QImage turned = decodeJpegFile(path, JpegOutput::Rgb24);
    const ImageDifference d = compareImages(turned, stored.transformed(QTransform().rotate(90)));
    EXPECT_FALSE(d.sizeDiffers);
    EXPECT_EQ(d.largest, 0);
    EXPECT_EQ(decodeJpegFile(path, JpegOutput::Quantized236).size(), turned.size());
}

TEST(ExifOrientation, DamagedOrOddExifLeavesThePictureAsStored) {
    const QImage stored = decodeJpeg(storedJpeg(), "stored.jpg", JpegOutput::Rgb24);
    const QByteArray good = exifBlock(6, false);
    auto withOrientation = [](std::uint32_t value) { return exifBlock(value, true); };
    QByteArray hugeCount = good;
    hugeCount[8] = '\xFF', hugeCount[9] = '\xFF';
    QByteArray offsetPastEnd = good;
    offsetPastEnd[4] = '\x00', offsetPastEnd[5] = '\x10';
    QByteArray wrongType = good;
    wrongType[8 + 2 + 12 + 2] = 4;  // a LONG
    QByteArray hugeValueCount = good;
    hugeValueCount[8 + 2 + 12 + 7] = '\x40';
    QByteArray notTiff = good;
    notTiff[2] = 43;
    const struct {
        const char* what;
        QByteArray exif;
    } cases[] = {
        {"truncated directory", good.left(8 + 2 + 12 + 6)},
        {"entry count larger than the block", hugeCount},
        {"directory past the end", offsetPastEnd},
        {"orientation 0", withOrientation(0)},
        {"orientation 9", withOrientation(9)},
        {"orientation 65535", withOrientation(0xFFFF)},
        {"orientation as a LONG", wrongType},
        {"orientation with a huge count", hugeValueCount},
        {"no TIFF header", notTiff},
        {"empty block", QByteArray()},
        {"header only", good.left(7)},
    };
    for (const auto& c : cases) {
        const QString path = writeJpeg(QStringLiteral("odd.jpg"), c.exif);
        EXPECT_EQ(decodeJpegFile(path, JpegOutput::Rgb24), stored) << c.what;
        EXPECT_EQ(jpegFileSize(path), stored.size()) << c.what;
    }
    // An APP1 marker that is not EXIF (XMP) is none of the reader's business either.
    const QString xmp = scratchFolder() + "xmp.jpg";
    QByteArray xmpJpeg = withExifMarker(storedJpeg(), good);
    std::memcpy(xmpJpeg.data() + 6, "Exix", 4);
    writeFile(xmp, xmpJpeg);
    EXPECT_EQ(decodeJpegFile(xmp, JpegOutput::Rgb24), stored);
}

}  // namespace
