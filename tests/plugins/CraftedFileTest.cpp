// Files made to probe one plug-in each: headers that claim pictures too big to hold, colour
// indices past the colour table, kinds of a format that are not read. Each refusal has a
// well-formed twin that must decode, so that a broken file builder cannot pass for a refusal.

#include "PluginHarness.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tesselvane::test {
namespace {

class CraftedFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    Decoded decodeBytes(const char* plugin, const QByteArray& bytes) {
        const Plugin& loaded = Plugin::get(QString::fromUtf8(plugin));
        EXPECT_EQ(loaded.loadError, "");
        const QString path = folder_.filePath(QStringLiteral("crafted"));
        writeBytes(path, bytes);
        return decode(loaded, path);
    }

    int32_t supports(const char* plugin, const QByteArray& bytes) {
        const QString path = folder_.filePath(QStringLiteral("crafted"));
        writeBytes(path, bytes);
        return Plugin::get(QString::fromUtf8(plugin)).supports(path);
    }

    void expectRefused(const char* plugin, const QByteArray& bytes) {
        const Decoded decoded = decodeBytes(plugin, bytes);
        EXPECT_NE(decoded.infoResult, SPI_SUCCESS);
        EXPECT_NE(decoded.pictureResult, SPI_SUCCESS);
    }

private:
    QTemporaryDir folder_;
};

// Grey rows of a PNG, each behind its filter byte.
QByteArray greyRows(uint32_t width, uint32_t height) {
    QByteArray raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.append('\0');
        for (uint32_t x = 0; x < width; ++x)
            raw.append(static_cast<char>(x * 100 + y * 20));
    }
    return raw;
}

TEST_F(CraftedFileTest, PngOverTheSizeLimitIsRefused) {
    const Decoded fits = decodeBytes("png.spi", pngFile(3, 2, 8, 0, greyRows(3, 2)));
    ASSERT_EQ(fits.pictureResult, SPI_SUCCESS);
    EXPECT_EQ(fits.image.size(), QSize(3, 2));
    EXPECT_EQ(fits.image.pixel(2, 1), qRgb(220, 220, 220));
    // One row more than 2^28 pixels, then far more; the rows are missing too, but the size
    // alone must stop it before any allocation.
    expectRefused("png.spi", pngFile(16384, 16385, 8, 0, greyRows(1, 1)));
    expectRefused("png.spi", pngFile(65536, 65536, 8, 6, greyRows(1, 1)));
}

TEST_F(CraftedFileTest, GifIndicesPastTheColourTableBecomeTheFirstColour) {
    // Two colours (black, white), but the codes are 8 bits wide and the background index is
    // beyond the table as well.
    const Decoded decoded =
        decodeBytes("gif.spi", gifFile(5, 2, 1, 9, 0, 0, 4, 2, {0, 1, 200, 255, 1, 0, 2, 1}));
    ASSERT_EQ(decoded.pictureResult, SPI_SUCCESS);
    EXPECT_EQ(decoded.colorsUsed, 2u);
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb expected[2][5] = {{black, white, black, black, black},
                                 {white, black, black, white, black}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(decoded.image.pixel(x, y), expected[y][x]) << x << "," << y;
    }
}

TEST_F(CraftedFileTest, GifWithoutScreenSizeTakesTheFrames) {
    const Decoded decoded =
        decodeBytes("gif.spi", gifFile(0, 0, 1, 0, 1, 1, 3, 2, {1, 0, 1, 0, 1, 0}));
    ASSERT_EQ(decoded.pictureResult, SPI_SUCCESS);
    EXPECT_EQ(decoded.image.size(), QSize(4, 3));
    EXPECT_EQ(decoded.image.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(decoded.image.pixel(2, 2), qRgb(255, 255, 255));
}

TEST_F(CraftedFileTest, GifWithoutColoursOrOverTheSizeLimitIsRefused) {
    ASSERT_EQ(decodeBytes("gif.spi", gifFile(4, 4, 2, 0, 0, 0, 1, 1, {3})).pictureResult,
              SPI_SUCCESS);
    EXPECT_NE(decodeBytes("gif.spi", gifFile(4, 4, 0, 0, 0, 0, 1, 1, {3})).pictureResult,
              SPI_SUCCESS);
    expectRefused("gif.spi", gifFile(65535, 65535, 2, 0, 0, 0, 1, 1, {3}));
    // A frame of 4 billion pixels on a small screen.
    EXPECT_NE(decodeBytes("gif.spi", gifFile(4, 4, 2, 0, 0, 0, 65535, 65535, {3})).pictureResult,
              SPI_SUCCESS);
}

// The lossless golden picture in an extended (VP8X) container.
QByteArray extendedWebp(uint8_t flags, uint32_t canvasWidth, uint32_t canvasHeight) {
    const QByteArray simple = readBytes(goldenPath(QStringLiteral("webp/lossless.webp")));
    const QByteArray imageChunk = simple.mid(12);
    QByteArray vp8x("VP8X\x0a\0\0\0", 8);
    vp8x.append(static_cast<char>(flags));
    vp8x.append(3, '\0');
    for (const uint32_t size : {canvasWidth - 1, canvasHeight - 1}) {
        for (int shift = 0; shift < 24; shift += 8)
            vp8x.append(static_cast<char>((size >> shift) & 0xff));
    }
    QByteArray body = QByteArray("WEBP") + vp8x + imageChunk;
    QByteArray riff("RIFF");
    for (int shift = 0; shift < 32; shift += 8) {
        riff.append(static_cast<char>((static_cast<uint32_t>(body.size()) >> shift) & 0xff));
    }
    return riff + body;
}

TEST_F(CraftedFileTest, WebpAnimationsAndHugeCanvasesAreRefused) {
    const QImage reference(goldenPath(QStringLiteral("webp/lossless.ref.png")));
    EXPECT_NE(supports("webp.spi", extendedWebp(0, 21, 15)), 0);
    const Decoded extended = decodeBytes("webp.spi", extendedWebp(0, 21, 15));
    ASSERT_EQ(extended.pictureResult, SPI_SUCCESS);
    EXPECT_EQ(compareImages(extended.image, reference, {}), "");

    constexpr uint8_t kAnimation = 0x02;
    EXPECT_EQ(supports("webp.spi", extendedWebp(kAnimation, 21, 15)), 0);
    expectRefused("webp.spi", extendedWebp(kAnimation, 21, 15));
    expectRefused("webp.spi", extendedWebp(0, 16385, 16385));
}

TEST_F(CraftedFileTest, TiffOverTheSizeLimitIsRefused) {
    const Decoded fits =
        decodeBytes("tiff.spi", tiffFile(3, 2, QByteArray("\x00\x40\x80\xc0\xe0\xff", 6)));
    ASSERT_EQ(fits.pictureResult, SPI_SUCCESS);
    EXPECT_EQ(fits.bits, 24);
    EXPECT_EQ(fits.image.pixel(1, 0), qRgb(0x40, 0x40, 0x40));
    EXPECT_EQ(fits.image.pixel(2, 1), qRgb(0xff, 0xff, 0xff));
    expectRefused("tiff.spi", tiffFile(16384, 16385, QByteArray(16, '\0')));
    expectRefused("tiff.spi", tiffFile(65536, 65536, QByteArray(16, '\0')));
}

TEST_F(CraftedFileTest, PpmExampleReadsHeadersWithComments) {
    const Decoded decoded =
        decodeBytes("ppm.spi", QByteArray("P6\n# made by hand\n3 2 # size\n255\n") +
                                   QByteArray("\xff\x00\x00\x00\xff\x00\x00\x00\xff"
                                              "\x10\x20\x30\x40\x50\x60\x70\x80\x90",
                                              18));
    ASSERT_EQ(decoded.pictureResult, SPI_SUCCESS);
    EXPECT_EQ(decoded.bits, 24);
    EXPECT_EQ(decoded.info.width, 3);
    EXPECT_EQ(decoded.info.height, 2);
    EXPECT_EQ(decoded.image.pixel(0, 0), qRgb(0xff, 0, 0));
    EXPECT_EQ(decoded.image.pixel(2, 0), qRgb(0, 0, 0xff));
    EXPECT_EQ(decoded.image.pixel(1, 1), qRgb(0x40, 0x50, 0x60));
}

TEST_F(CraftedFileTest, PpmExampleScalesSmallMaxvals) {
    const Decoded decoded = decodeBytes(
        "ppm.spi", QByteArray("P6 2 1 15\n") + QByteArray("\x00\x0f\x07\x0f\x0f\x0f", 6));
    ASSERT_EQ(decoded.pictureResult, SPI_SUCCESS);
    EXPECT_EQ(decoded.image.pixel(0, 0), qRgb(0, 255, 119));
    EXPECT_EQ(decoded.image.pixel(1, 0), qRgb(255, 255, 255));
}

TEST_F(CraftedFileTest, PpmExampleRefusesBadHeadersAndShortData) {
    const QByteArray pixels(12, '\x7f');
    ASSERT_EQ(decodeBytes("ppm.spi", QByteArray("P6\n2 2\n255\n") + pixels).pictureResult,
              SPI_SUCCESS);
    for (const char* header :
         {"P6\n0 2\n255\n", "P6\n2 0\n255\n", "P6\n2 2\n0\n", "P6\n2 2\n65535\n",
          "P6\n2 2\n65536\n", "P6\n99999999999 2\n255\n", "P6\n16384 16385\n255\n",
          "P6\n-2 2\n255\n", "P6\n2 2\n255", "P62 2\n255\n", "P6\n2 x\n255\n", "P3\n2 2\n255\n"}) {
        SCOPED_TRACE(header);
        expectRefused("ppm.spi", QByteArray(header) + pixels);
    }
    EXPECT_NE(decodeBytes("ppm.spi", QByteArray("P6\n2 2\n255\n") + pixels.left(11)).pictureResult,
              SPI_SUCCESS);
}

}  // namespace
}  // namespace tesselvane::test
