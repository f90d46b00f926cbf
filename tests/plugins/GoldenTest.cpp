// Every golden picture decoded by its plug-in as the host would, compared pixel for pixel with
// its reference; then cut short and damaged, which must never crash, leak or hand out a
// wrong picture.

#include "PluginHarness.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <random>

namespace tesselvane::test {
namespace {

struct Golden {
    const char* plugin;
    const char* file;  // in the golden folder; its reference is NAME.ref.png beside it
    int bits;          // of the DIB the plug-in must hand out
    Tolerance tolerance = {};
};

// Lossy WebP at quality 90 of smooth ramps: libwebp 1.2 comes within 8 per channel and 1.4 on
// average; the margin allows for other encoder versions. A swapped channel or a wrong row is
// off by 100 or more. Alpha is coded losslessly.
constexpr Tolerance kLossyWebp{12, 2.5, 0, true};
// WebP encoders may change the colour of fully transparent pixels, which no one sees.
constexpr Tolerance kHiddenColourDropped{0, 0, 0, false};
// libtiff hands out colours multiplied by alpha; dividing again loses up to 255 / (2 * alpha),
// which is 2 for the smallest alpha (64) of that picture. Where alpha is 0 no colour is left.
constexpr Tolerance kTiffAlpha{2, 1.0, 0, false};

const Golden kGoldens[] = {
    {"png.spi", "png/rgb8.png", 24},
    {"png.spi", "png/rgba8.png", 32},
    {"png.spi", "png/palette.png", 24},
    {"png.spi", "png/palette-trns.png", 32},
    {"png.spi", "png/grey.png", 24},
    {"png.spi", "png/grey-alpha.png", 32},
    {"png.spi", "png/rgb16.png", 24},
    {"png.spi", "png/interlaced.png", 24},
    {"gif.spi", "gif/plain.gif", 8},
    {"gif.spi", "gif/interlaced.gif", 8},
    {"gif.spi", "gif/animated.gif", 8},
    {"gif.spi", "gif/offset.gif", 8},
    {"gif.spi", "gif/clipped.gif", 8},
    {"webp.spi", "webp/lossless.webp", 24},
    {"webp.spi", "webp/lossless-alpha.webp", 32, kHiddenColourDropped},
    {"webp.spi", "webp/lossy.webp", 24, kLossyWebp},
    {"webp.spi", "webp/lossy-alpha.webp", 32, kLossyWebp},
    {"tiff.spi", "tiff/rgb.tif", 24},
    {"tiff.spi", "tiff/rgb-lzw.tif", 24},
    {"tiff.spi", "tiff/rgb-tiled.tif", 24},
    {"tiff.spi", "tiff/rgba.tif", 32, kTiffAlpha},
    {"tiff.spi", "tiff/multipage.tif", 24},
    {"tiff.spi", "tiff/grey.tif", 24},
    {"tiff.spi", "tiff/palette.tif", 24},
};

void PrintTo(const Golden& golden, std::ostream* out) {
    *out << golden.file;
}

class GoldenTest : public ::testing::TestWithParam<Golden> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        ASSERT_EQ(plugin().loadError, "");
        expected_ = QImage(referencePath());
        ASSERT_FALSE(expected_.isNull()) << referencePath().toStdString();
    }

    const Plugin& plugin() const { return Plugin::get(QString::fromUtf8(GetParam().plugin)); }
    QString path() const { return goldenPath(QString::fromUtf8(GetParam().file)); }
    QString referencePath() const {
        const QString file = path();
        return file.left(file.lastIndexOf('.')) + QStringLiteral(".ref.png");
    }
    QString temporary(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }

    void expectReference(const Decoded& decoded) const {
        ASSERT_EQ(decoded.infoResult, SPI_SUCCESS);
        EXPECT_EQ(decoded.info.width, expected_.width());
        EXPECT_EQ(decoded.info.height, expected_.height());
        EXPECT_EQ(decoded.info.left, 0);
        EXPECT_EQ(decoded.info.top, 0);
        EXPECT_GT(decoded.info.colorDepth, 0);
        ASSERT_EQ(decoded.pictureResult, SPI_SUCCESS);
        EXPECT_EQ(decoded.bits, GetParam().bits);
        EXPECT_EQ(compareImages(decoded.image, expected_, GetParam().tolerance), "");
    }

    QImage expected_;

private:
    QTemporaryDir folder_;
};

TEST_P(GoldenTest, DecodesLikeTheReference) {
    EXPECT_NE(plugin().supports(path()), 0);
    expectReference(decode(plugin(), path()));
}

TEST_P(GoldenTest, DecodesBehindA128ByteHeader) {
    const QString copy = temporary("with-header");
    writeBytes(copy, withJunkHeader(readBytes(path())));
    EXPECT_EQ(plugin().supports(copy, 0), 0) << "the header looks like no picture";
    EXPECT_NE(plugin().supports(copy, 128), 0);
    expectReference(decode(plugin(), copy, 128));
}

// Every shorter copy either fails or still holds the whole first picture (a GIF may end
// early after its first frame); a picture with made-up pixels is a fault.
TEST_P(GoldenTest, CutShortFailsOrGivesTheWholePicture) {
    const QByteArray bytes = readBytes(path());
    const QString cut = temporary("cut");
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE(::testing::Message() << "cut to " << length << " of " << bytes.size());
        writeBytes(cut, bytes.left(length));
        const Decoded decoded = decode(plugin(), cut);
        if (decoded.pictureResult == SPI_SUCCESS) {
            EXPECT_EQ(compareImages(decoded.image, expected_, GetParam().tolerance), "");
        }
        if (HasFailure())
            return;  // one length is enough to see what went wrong
    }
    writeBytes(cut, bytes.left(bytes.size() / 2));
    EXPECT_NE(decode(plugin(), cut).pictureResult, SPI_SUCCESS) << "half a file decoded";
}

// Damage behind the signature, so that the decoder gets to read it. Whatever comes out must
// be consistent blocks or an error; ASan builds show any overread or leak.
TEST_P(GoldenTest, SurvivesDamagedCopies) {
    const QByteArray bytes = readBytes(path());
    const qsizetype keep = std::min<qsizetype>(16, bytes.size());
    ASSERT_GT(bytes.size(), keep);
    std::mt19937 random(12345);
    std::uniform_int_distribution<qsizetype> position(keep, bytes.size() - 1);
    std::uniform_int_distribution<int> value(0, 255);
    const QString damaged = temporary("damaged");
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        QByteArray copy = bytes;
        for (int i = 0; i <= round % 8; ++i)
            copy[position(random)] = static_cast<char>(value(random));
        writeBytes(damaged, copy);
        const Decoded decoded = decode(plugin(), damaged);
        if (decoded.pictureResult == SPI_SUCCESS) {
            EXPECT_FALSE(decoded.image.isNull());
        }
        if (HasFailure())
            return;
    }
}

std::string nameOf(const ::testing::TestParamInfo<Golden>& info) {
    std::string name;
    for (const char* c = info.param.file; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)))
            name += *c;
        if (*c == '.')
            break;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Pictures, GoldenTest, ::testing::ValuesIn(kGoldens), nameOf);

}  // namespace
}  // namespace tesselvane::test
