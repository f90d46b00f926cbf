#include "PictureTestSupport.h"
#include "picture/BmpReader.h"
#include "picture/PictureError.h"

#include <QDir>
#include <QtEndian>

#include <cstring>

#include <gmock/gmock.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

const std::string kCutShort = "途中で切れています";

template <class T>
void appendLE(QByteArray& out, T v) {
    char bytes[sizeof(T)];
    qToLittleEndian<T>(v, bytes);
    out.append(bytes, sizeof(T));
}

// A BMP file: a 40-byte header and what later versions add to it (`headerTail`), `table`
// (colour quads or masks), then `pixels`.
QByteArray bmpFile(qint32 width, qint32 height, quint16 bits, quint32 compression,
                   const QByteArray& table, const QByteArray& pixels, quint32 colours = 0,
                   const QByteArray& headerTail = {}) {
    const quint32 headerSize = 40 + quint32(headerTail.size());
    const quint32 offset = 14 + headerSize + quint32(table.size());
    QByteArray file("BM");
    appendLE<quint32>(file, offset + quint32(pixels.size()));
    appendLE<quint32>(file, 0);
    appendLE<quint32>(file, offset);
    for (const qint32 field : {qint32(headerSize), width, height})
        appendLE<qint32>(file, field);
    appendLE<quint16>(file, 1);
    appendLE<quint16>(file, bits);
    for (const quint32 field : {compression, quint32(pixels.size()), 2835u, 2835u, colours, 0u})
        appendLE<quint32>(file, field);
    return file + headerTail + table + pixels;
}

const QRgb kColours[] = {qRgb(10, 20, 30), qRgb(255, 255, 255), qRgb(200, 0, 0)};

QByteArray threeColours() {
    QByteArray table;
    for (const QRgb c : kColours) {
        const char quad[] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
        table.append(quad, 4);
    }
    return table;
}

// The colour-table indices of a picture, top row first.
std::vector<std::vector<int>> indices(const QImage& image) {
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < image.width(); ++x)
            rows.back().push_back(image.pixelIndex(x, y));
    }
    return rows;
}

std::string errorOf(const QByteArray& data) {
    try {
        readBmp(data, "/pictures/damaged.bmp");
    } catch (const PictureError& e) {
        EXPECT_THAT(e.message().toStdString(), ::testing::HasSubstr("/pictures/damaged.bmp"));
        return e.message().toStdString();
    }
    return "read without an error";
}

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

    // A part of it, uncompressed rows read alone, is the same part of the whole.
    QRect asked;
    const QImage part = readBmpFile(base + ".bmp", [&asked](QSize size) {
        asked = QRect(size.width() / 4, size.height() / 3, size.width() / 2, size.height() / 2);
        return asked;
    });
    ASSERT_FALSE(asked.isEmpty());
    const ImageDifference p = compareImages(part, reference.copy(asked));
    EXPECT_FALSE(p.sizeDiffers);
    EXPECT_LE(p.largest, sixteenBits ? 7 : 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, BmpGolden,
                         ::testing::Values("pal1", "pal4", "pal8", "pal8-used100", "rle4", "rle8",
                                           "rgb555", "rgb565-bitfields", "rgb24", "rgb24-topdown",
                                           "rgb32", "rgb32-bitfields", "os2-rgb24", "os2-pal8"),
                         [](const auto& test) {
                             QString name = QString::fromLatin1(test.param);
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

TEST(BmpReader, LaterHeaderVersionsHoldTheirMasksAndTheirTableFollowsThem) {
    // Version 5, 32 bits with bit fields: the masks are fields of the header, not after it.
    QByteArray v5;
    for (const quint32 mask : {0x0000FF00u, 0x00FF0000u, 0xFF000000u, 0x000000FFu})
        appendLE<quint32>(v5, mask);
    v5.append(124 - 56, '\0');
    QByteArray pixels;
    appendLE<quint32>(pixels, 0x10203040);
    appendLE<quint32>(pixels, 0xFFFFFF00);
    const QImage wide = readBmp(bmpFile(2, 1, 32, 3, {}, pixels, 0, v5), "v5.bmp");
    EXPECT_EQ(wide.pixel(0, 0) & 0xFFFFFF, qRgb(0x30, 0x20, 0x10) & 0xFFFFFF);
    EXPECT_EQ(wide.pixel(1, 0) & 0xFFFFFF, 0xFFFFFFu);

    // OS/2 2.x: a 64-byte header, then the colour table.
    const QImage os2 = readBmp(bmpFile(3, 1, 8, 0, threeColours(),
                                       QByteArray("\x02\x01\x00\x00", 4), 3, QByteArray(24, '\0')),
                               "os2v2.bmp");
    EXPECT_EQ(os2.pixel(0, 0), kColours[2]);
    EXPECT_EQ(os2.pixel(1, 0), kColours[1]);
    EXPECT_EQ(os2.pixel(2, 0), kColours[0]);
}

TEST(BmpReader, ThirtyTwoBitPicturesAreOpaqueWhateverTheirFourthBytes) {
    QByteArray pixels;
    for (const quint32 pixel : {0x00102030u, 0x80405060u, 0xFF708090u})
        appendLE<quint32>(pixels, pixel);
    const QImage image = readBmp(bmpFile(3, 1, 32, 0, {}, pixels), "argb.bmp");
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(qAlpha(image.pixel(x, 0)), 255) << x;
    EXPECT_EQ(image.pixel(1, 0), qRgb(0x40, 0x50, 0x60));
}

TEST(BmpReader, UncompressedPixelsCutShortAreRefusedWhereverTheFileEnds) {
    for (const char* variant :
         {"pal1", "pal4", "pal8", "pal8-used100", "rgb555", "rgb565-bitfields", "rgb24",
          "rgb24-topdown", "rgb32", "rgb32-bitfields", "os2-rgb24", "os2-pal8"}) {
        const QByteArray whole = readFile(goldenFolder() + "bmp/" + variant + ".bmp");
        ASSERT_NO_THROW(readBmp(whole, variant));
        // Inside the headers, the colour table, the masks or the rows, to the last byte.
        for (qsizetype size = 18; size < whole.size(); ++size) {
            EXPECT_THAT(errorOf(whole.left(size)), ::testing::HasSubstr(kCutShort))
                << variant << " cut to " << size << " bytes";
        }
    }
}

TEST(BmpReader, AnRleStreamPaintsExactlyWhatItSaysAndLeavesTheRestColourZero) {
    // 4 x 3, bottom row first: a run of 1s, a delta to the last pixel of the middle row, a
    // 2 there, the end of that line, three indices as they are (padded), the end.
    const QByteArray rle8(
        "\x02\x01"
        "\x00\x02\x01\x01"
        "\x01\x02"
        "\x00\x00"
        "\x00\x03\x01\x02\x01\x00"
        "\x00\x01",
        18);
    const std::vector<std::vector<int>> expected = {{1, 2, 1, 0}, {0, 0, 0, 2}, {1, 1, 0, 0}};
    const QImage image8 = readBmp(bmpFile(4, 3, 8, 1, threeColours(), rle8, 3), "rle8.bmp");
    EXPECT_EQ(indices(image8), expected);
    EXPECT_EQ(image8.pixel(0, 1), kColours[0]);
    EXPECT_EQ(image8.pixel(3, 1), kColours[2]);

    // The same in four bits: runs alternate the two indices of their byte.
    const QByteArray rle4(
        "\x02\x11"
        "\x00\x02\x01\x01"
        "\x01\x20"
        "\x00\x00"
        "\x00\x03\x12\x10"
        "\x00\x01",
        16);
    EXPECT_EQ(indices(readBmp(bmpFile(4, 3, 4, 2, threeColours(), rle4, 3), "rle4.bmp")), expected);

    // The end mark may come early, or be left out after the last pixel.
    const QByteArray early("\x02\x01\x00\x01", 4);
    EXPECT_EQ(indices(readBmp(bmpFile(4, 3, 8, 1, threeColours(), early, 3), "early.bmp")),
              (std::vector<std::vector<int>>{{0, 0, 0, 0}, {0, 0, 0, 0}, {1, 1, 0, 0}}));
    const QByteArray noEnd("\x04\x01\x00\x00\x04\x02\x00\x00\x04\x01", 10);
    EXPECT_EQ(indices(readBmp(bmpFile(4, 3, 8, 1, threeColours(), noEnd, 3), "noend.bmp")),
              (std::vector<std::vector<int>>{{1, 1, 1, 1}, {2, 2, 2, 2}, {1, 1, 1, 1}}));
}

TEST(BmpReader, AnRleStreamThatRunsOutBeforeItsEndIsRefused) {
    const QByteArray cases[] = {
        QByteArray("\x02\x01\x00\x00", 4),      // two rows never reached
        QByteArray("\x02\x01\x00", 3),          // a command cut in two
        QByteArray("\x02\x01\x00\x02\x01", 5),  // a delta without its rows
        QByteArray("\x00\x03\x01\x02", 4),      // three indices as they are, two given
        QByteArray("\x04\x01\x00\x00\x04\x02\x00\x00\x03\x01", 10),  // one pixel short
    };
    for (const QByteArray& stream : cases) {
        EXPECT_THAT(errorOf(bmpFile(4, 3, 8, 1, threeColours(), stream, 3)),
                    ::testing::HasSubstr(kCutShort))
            << stream.toHex().toStdString();
    }
    EXPECT_THAT(errorOf(bmpFile(4, 3, 4, 2, threeColours(), QByteArray("\x00\x05\x12\x12", 4), 3)),
                ::testing::HasSubstr(kCutShort));
}

TEST(BmpReader, AFileFarShorterThanItsPictureIsRefused) {
    // 20000 x 13000 is within the pixel limit; the file holds 100 bytes of it.
    const QByteArray pixels(100, '\x7f');
    EXPECT_THAT(errorOf(bmpFile(20000, 13000, 24, 0, {}, pixels)), ::testing::HasSubstr(kCutShort));
    EXPECT_THAT(errorOf(bmpFile(20000, -13000, 1, 0, threeColours().left(8), pixels)),
                ::testing::HasSubstr(kCutShort));
    // A run-length stream paints at most 255 pixels with two bytes: this one, 2 MB at least.
    QByteArray runs;
    for (int i = 0; i < 50; ++i)
        runs.append("\xff\x01", 2);
    EXPECT_THAT(errorOf(bmpFile(20000, 13000, 8, 1, threeColours(), runs, 3)),
                ::testing::HasSubstr(kCutShort));
    EXPECT_THAT(errorOf(bmpFile(20000, 13000, 4, 2, threeColours(), runs, 3)),
                ::testing::HasSubstr(kCutShort));
}

TEST(BmpReader, APixelOffsetPastTheEndIsRefusedWithoutAWordOnTheConsole) {
    static int messages = 0;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString&) { ++messages; });
    QByteArray data = readFile(goldenFolder() + "bmp/rgb24.bmp");
    for (const quint32 offset : {quint32(data.size()), quint32(data.size()) + 1, 0xFFFFFFF0u}) {
        qToLittleEndian<quint32>(offset, data.data() + 10);
        EXPECT_THAT(errorOf(data), ::testing::HasSubstr(kCutShort)) << offset;
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(messages, 0);

    // An offset of 0, as some writers leave it: the pixels follow the headers.
    qToLittleEndian<quint32>(0, data.data() + 10);
    const QImage image = readBmp(data, "zero-offset.bmp");
    EXPECT_EQ(compareImages(image, QImage(goldenFolder() + "bmp/rgb24.ref.png")).largest, 0);
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
