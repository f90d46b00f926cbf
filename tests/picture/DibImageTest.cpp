#include "PictureTestSupport.h"
#include "picture/DibImage.h"

#include <QtEndian>

#include <gmock/gmock.h>

#include <vector>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// A header block with `colours` colour-table entries (entry i is (i, 2i, 3i)).
std::vector<unsigned char> header(int width, int height, int bits, std::uint32_t clrUsed,
                                  int colours, std::uint32_t sizeImage = 0,
                                  std::uint32_t compression = kBiRgb) {
    std::vector<unsigned char> info(40 + 4 * static_cast<size_t>(colours));
    auto put32 = [&](size_t at, std::uint32_t v) { qToLittleEndian(v, info.data() + at); };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    qToLittleEndian<std::uint16_t>(1, info.data() + 12);
    qToLittleEndian<std::uint16_t>(static_cast<std::uint16_t>(bits), info.data() + 14);
    put32(16, compression);
    put32(20, sizeImage);
    put32(32, clrUsed);
    for (int i = 0; i < colours; ++i) {
        info[40 + 4 * i] = static_cast<unsigned char>(3 * i);
        info[40 + 4 * i + 1] = static_cast<unsigned char>(2 * i);
        info[40 + 4 * i + 2] = static_cast<unsigned char>(i);
    }
    return info;
}

TEST(MakePalette, CountsColoursAsTheHeaderSays) {
    auto h8 = header(2, 2, 8, 0, 256);
    auto p = MakePalette(*readDibHeader(h8.data(), h8.size()), h8.data(), h8.size());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->size(), 256);
    EXPECT_EQ(p->at(5), qRgb(5, 10, 15));

    auto h300 = header(2, 2, 8, 300, 300);
    EXPECT_FALSE(MakePalette(*readDibHeader(h300.data(), h300.size()), h300.data(), h300.size()));
    auto h24 = header(2, 2, 24, 0, 0);
    EXPECT_FALSE(MakePalette(*readDibHeader(h24.data(), h24.size()), h24.data(), h24.size()));
    auto h16 = header(2, 2, 16, 0, 0);
    EXPECT_FALSE(MakePalette(*readDibHeader(h16.data(), h16.size()), h16.data(), h16.size()));
    auto h32 = header(2, 2, 32, 0, 0);
    EXPECT_FALSE(MakePalette(*readDibHeader(h32.data(), h32.size()), h32.data(), h32.size()));
    // A 24-bit picture may still name a palette of its own.
    auto h24used = header(2, 2, 24, 16, 16);
    EXPECT_EQ(
        MakePalette(*readDibHeader(h24used.data(), h24used.size()), h24used.data(), h24used.size())
            ->size(),
        16);
    auto h4 = header(2, 2, 4, 0, 16);
    EXPECT_EQ(MakePalette(*readDibHeader(h4.data(), h4.size()), h4.data(), h4.size())->size(), 16);
    // Entries the block does not hold are black, never read from beyond it.
    auto shortTable = header(2, 2, 8, 0, 3);
    p = MakePalette(*readDibHeader(shortTable.data(), shortTable.size()), shortTable.data(),
                    shortTable.size());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->at(2), qRgb(2, 4, 6));
    EXPECT_EQ(p->at(3), qRgb(0, 0, 0));
}

TEST(DibToImage, ReadsBottomUpAndTopDownRows) {
    auto info = header(2, 2, 24, 0, 0);
    // Bottom row first: blue-green-red triples, rows padded to 8 bytes.
    const unsigned char pixels[16] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
    QImage image = dibToImage(info.data(), info.size(), pixels, sizeof pixels);
    ASSERT_EQ(image.format(), QImage::Format_RGB888);
    EXPECT_EQ(image.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));

    info = header(2, -2, 24, 0, 0);
    image = dibToImage(info.data(), info.size(), pixels, sizeof pixels);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
}

TEST(DibToImage, ComputesAZeroImageSizeAndReadsNoMoreThanTheBlockHolds) {
    auto info = header(3, 4, 8, 0, 256);      // rows of 4 bytes
    std::vector<unsigned char> pixels(8, 7);  // only two of the four rows
    QImage image = dibToImage(info.data(), info.size(), pixels.data(), pixels.size());
    ASSERT_EQ(image.size(), QSize(3, 4));
    EXPECT_EQ(image.pixelIndex(0, 3), 7);  // bottom rows came from the block
    EXPECT_EQ(image.pixelIndex(0, 2), 7);
    EXPECT_EQ(image.pixelIndex(0, 1), 0);  // the rest stays black
    EXPECT_EQ(image.pixelIndex(0, 0), 0);

    // A header that claims a larger image than the block: still only the block.
    info = header(3, 4, 8, 0, 256, 1u << 30);
    image = dibToImage(info.data(), info.size(), pixels.data(), pixels.size());
    EXPECT_EQ(image.pixelIndex(0, 1), 0);
    // One that claims less: only that much is copied.
    info = header(3, 4, 8, 0, 256, 4);
    std::vector<unsigned char> full(16, 9);
    image = dibToImage(info.data(), info.size(), full.data(), full.size());
    EXPECT_EQ(image.pixelIndex(0, 3), 9);
    EXPECT_EQ(image.pixelIndex(0, 2), 0);
}

TEST(DibToImage, RefusesUnusableHeaders) {
    std::vector<unsigned char> pixels(64);
    const std::vector<unsigned char> bad[] = {
        header(0, 4, 24, 0, 0),
        header(-3, 4, 24, 0, 0),
        header(4, 0, 24, 0, 0),
        header(20000, 20000, 24, 0, 0),  // over 2^28 pixels
        header(0x7fffffff, 0x7fffffff, 32, 0, 0),
        header(4, 4, 7, 0, 0),          // no such bit count
        header(4, 4, 8, 0, 256, 0, 1),  // RLE8 is not for plug-ins
        header(4, 4, 24, 0, 0, 0, kBiBitfields),
    };
    for (const auto& info : bad)
        EXPECT_TRUE(dibToImage(info.data(), info.size(), pixels.data(), pixels.size()).isNull());
    auto info = header(4, 4, 24, 0, 0);
    EXPECT_TRUE(dibToImage(info.data(), 39, pixels.data(), pixels.size()).isNull());
    EXPECT_TRUE(dibToImage(info.data(), info.size(), nullptr, 0).isNull());
}

TEST(DibToImage, ThirtyTwoBitsWithAndWithoutAlphaAndBitFields) {
    auto info = header(1, 1, 32, 0, 0);
    const unsigned char opaque[4] = {10, 20, 30, 0};
    QImage image = dibToImage(info.data(), info.size(), opaque, 4);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(0, 0), qRgb(30, 20, 10));
    const unsigned char translucent[4] = {10, 20, 30, 128};
    image = dibToImage(info.data(), info.size(), translucent, 4);
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 128);

    // 16 bits, 5-6-5 bit fields: the masks follow the header.
    info = header(1, 1, 16, 0, 3, 0, kBiBitfields);
    qToLittleEndian<std::uint32_t>(0xF800, info.data() + 40);
    qToLittleEndian<std::uint32_t>(0x07E0, info.data() + 44);
    qToLittleEndian<std::uint32_t>(0x001F, info.data() + 48);
    const unsigned char green[4] = {0xE0, 0x07, 0, 0};
    EXPECT_EQ(dibToImage(info.data(), info.size(), green, 4).pixel(0, 0), qRgb(0, 255, 0));
    // Masks missing from the block: no picture rather than a guess.
    EXPECT_TRUE(dibToImage(info.data(), 44, green, 4).isNull());
}

TEST(DibToImage, PaletteIndexesBeyondTheTableAreBlack) {
    auto info = header(2, 1, 8, 2, 2);
    const unsigned char pixels[4] = {1, 200, 0, 0};
    const QImage image = dibToImage(info.data(), info.size(), pixels, 4);
    EXPECT_EQ(image.colorCount(), 256);
    EXPECT_EQ(image.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
}

TEST(PackedDib, RoundTripsEveryPictureFormatThroughTwentyFourBitRows) {
    // Odd width: every row carries padding, which must be zero.
    QImage source(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x)
            source.setPixel(x, y, qRgb(x * 30, y * 50, (x * y * 13) % 256));
    }
    const std::size_t stride = 24;  // 7 * 3 rounded up to 4
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_ARGB32}) {
        const QImage in = source.convertToFormat(format);
        void* dib = imageToPackedDib(in);
        ASSERT_NE(dib, nullptr);
        const auto* bytes = static_cast<const unsigned char*>(dib);
        EXPECT_EQ(qFromLittleEndian<std::uint16_t>(bytes + 14), 24);
        EXPECT_EQ(qFromLittleEndian<std::int32_t>(bytes + 8), 5);  // bottom-up
        // The bottom row comes first, blue first.
        EXPECT_EQ(bytes[40], 0);
        EXPECT_EQ(bytes[41], 4 * 50);
        EXPECT_EQ(bytes[42], 0);
        for (std::size_t row = 0; row < 5; ++row) {
            for (std::size_t pad = 21; pad < stride; ++pad)
                EXPECT_EQ(bytes[40 + row * stride + pad], 0);
        }
        const std::size_t size = 40 + stride * 5;
        const QImage asStored = packedDibToImage(dib, size);
        const QImage wide = packedDibToImage(dib, size, DibWidth::Rgb32);
        std::free(dib);
        EXPECT_EQ(asStored.format(), QImage::Format_RGB888);
        EXPECT_EQ(wide.format(), QImage::Format_RGB32);
        EXPECT_EQ(compareImages(asStored, source).largest, 0) << format;
        EXPECT_EQ(compareImages(wide, source).largest, 0) << format;
        EXPECT_EQ(qAlpha(wide.pixel(3, 3)), 255);
    }
}

TEST(PackedDib, ScreenSizedPicturesComeBackWhole) {
    // Large enough to be converted in two halves on two threads.
    QImage source(1503, 1001, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(source.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            row[x] = qRgb(x % 251, y % 241, (x ^ y) % 256);
    }
    void* dib = imageToPackedDib(source);
    ASSERT_NE(dib, nullptr);
    const std::size_t size = 40 + dibStride(1503, 24) * 1001;
    EXPECT_EQ(compareImages(packedDibToImage(dib, size, DibWidth::Rgb32), source).largest, 0);
    EXPECT_EQ(compareImages(packedDibToImage(dib, size), source).largest, 0);
    std::free(dib);

    // A 32-bit picture whose only alpha is in its last row: found whichever half reads it.
    const std::size_t stride = 1503 * 4;
    std::vector<unsigned char> block(40 + stride * 1001, 0);
    qToLittleEndian<std::uint32_t>(40, block.data());
    qToLittleEndian<std::int32_t>(1503, block.data() + 4);
    qToLittleEndian<std::int32_t>(1001, block.data() + 8);
    qToLittleEndian<std::uint16_t>(1, block.data() + 12);
    qToLittleEndian<std::uint16_t>(32, block.data() + 14);
    for (const std::size_t row : {std::size_t{0}, std::size_t{1000}}) {
        std::fill(block.begin() + 40, block.end(), 0);
        block[40 + row * stride + 3] = 0x80;
        EXPECT_EQ(packedDibToImage(block.data(), block.size()).format(), QImage::Format_ARGB32)
            << row;
    }
    std::fill(block.begin() + 40, block.end(), 0);
    EXPECT_EQ(packedDibToImage(block.data(), block.size()).format(), QImage::Format_RGB32);
}

TEST(PackedDib, AnUnsharedPictureLendsItsMemoryASharedOneIsLeftAlone) {
    QImage source(9, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 9; ++x)
            source.setPixel(x, y, qRgb(x * 20, y * 60, 7));
    }
    void* dib = imageToPackedDib(source);
    const std::size_t size = 40 + dibStride(9, 24) * 4;

    QImage lender(9, 4, QImage::Format_RGB32);
    lender.fill(Qt::black);
    const uchar* memory = lender.constBits();
    const QImage result = packedDibToImage(dib, size, DibWidth::Rgb32, &lender);
    EXPECT_EQ(result.constBits(), memory);
    EXPECT_TRUE(lender.isNull());
    EXPECT_EQ(compareImages(result, source).largest, 0);

    QImage shared(9, 4, QImage::Format_RGB32);
    shared.fill(Qt::black);
    const QImage other = shared;
    const QImage fresh = packedDibToImage(dib, size, DibWidth::Rgb32, &shared);
    EXPECT_EQ(compareImages(fresh, source).largest, 0);
    EXPECT_EQ(other.pixel(3, 3), qRgb(0, 0, 0));  // the holder of the copy sees no change
    EXPECT_FALSE(shared.isNull());

    QImage otherSize(8, 4, QImage::Format_RGB32);
    EXPECT_EQ(
        compareImages(packedDibToImage(dib, size, DibWidth::Rgb32, &otherSize), source).largest, 0);
    std::free(dib);
}

}  // namespace
