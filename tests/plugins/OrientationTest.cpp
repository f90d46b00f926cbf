// The TIFF and WebP plug-ins hand out pictures turned upright as the file's orientation says
// (TIFF's own tag, WebP's EXIF chunk), pixel for pixel as ImageMagick's -auto-orient turns
// them, with the size they report to match.

#include "OrientedPictures.h"
#include "PluginHarness.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace tesselvane::test {
namespace {

class Orientation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        source_ = temporary("source.ppm");
        ASSERT_TRUE(asymmetricPicture(6, 4).save(source_, "PPM"));
    }

    QString temporary(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }

    // Runs ImageMagick's convert; false (and a failure) when it fails.
    static bool convert(const QStringList& arguments) {
        QProcess process;
        process.start(QStandardPaths::findExecutable(QStringLiteral("convert")), arguments);
        const bool ran = process.waitForFinished(60000) && process.exitCode() == 0;
        EXPECT_TRUE(ran) << process.readAllStandardError().toStdString();
        return ran;
    }

    // The plug-in's picture of `path` against `expected`, size reported and pixels.
    static void expectDecodes(const char* plugin, const QString& path, const QImage& expected,
                              const std::string& what) {
        ASSERT_FALSE(expected.isNull()) << what;
        const Decoded decoded = decode(Plugin::get(QString::fromLatin1(plugin)), path);
        ASSERT_EQ(decoded.infoResult, SPI_SUCCESS) << what;
        EXPECT_EQ(decoded.info.width, expected.width()) << what;
        EXPECT_EQ(decoded.info.height, expected.height()) << what;
        ASSERT_EQ(decoded.pictureResult, SPI_SUCCESS) << what;
        EXPECT_EQ(compareImages(decoded.image, expected, Tolerance{}), "") << what;
    }

    // A lossless WebP of the source picture, as an extended file with `exif` as its EXIF chunk.
    QByteArray webpWithExif(const QByteArray& exif) const {
        const QString simple = temporary("simple.webp");
        if (!convert({source_, QStringLiteral("-define"), QStringLiteral("webp:lossless=true"),
                      simple})) {
            return {};
        }
        const QByteArray bytes = readBytes(simple);
        EXPECT_EQ(bytes.mid(12, 4), QByteArray("VP8L"));
        const auto little = [](uint32_t v, int n) {
            QByteArray out;
            for (int i = 0; i < n; ++i)
                out.append(static_cast<char>(v >> (8 * i) & 0xFF));
            return out;
        };
        const QImage picture(source_);
        QByteArray body("WEBP");
        body += QByteArray("VP8X") + little(10, 4) + little(0x08, 4);  // flags: EXIF
        body += little(static_cast<uint32_t>(picture.width() - 1), 3);
        body += little(static_cast<uint32_t>(picture.height() - 1), 3);
        body += bytes.mid(12);  // the VP8L chunk
        body += QByteArray("EXIF") + little(static_cast<uint32_t>(exif.size()), 4) + exif;
        if (exif.size() % 2)
            body += '\0';
        return QByteArray("RIFF") + little(static_cast<uint32_t>(body.size()), 4) + body;
    }

    QString source_;

private:
    QTemporaryDir folder_;
};

TEST_F(Orientation, TiffComesOutAsImageMagickTurnsIt) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string what = "orientation " + std::to_string(orientation);
        const QString tiff = temporary("oriented.tif");
        ASSERT_TRUE(convert({source_, QStringLiteral("-orient"),
                             QString::fromLatin1(kOrientationNames[orientation]), tiff}));
        const QImage expected = imageMagickUpright(tiff);
        // The file must carry the orientation, or this proves nothing.
        EXPECT_EQ(expected,
                  imageMagickUpright(source_, orientation).convertToFormat(expected.format()))
            << what;
        expectDecodes("tiff.spi", tiff, expected, what);
    }
}

TEST_F(Orientation, WebpComesOutAsItsExifChunkSays) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string what = "orientation " + std::to_string(orientation);
        const QString webp = temporary("oriented.webp");
        writeBytes(webp,
                   webpWithExif(exifBlock(static_cast<uint32_t>(orientation), orientation > 4)));
        expectDecodes("webp.spi", webp, imageMagickUpright(source_, orientation), what);
    }
    // A damaged EXIF chunk, or one with the JPEG marker's "Exif" in front, as some write it.
    QByteArray pastTheEnd = exifBlock(6, false);
    pastTheEnd[5] = '\x10';
    const QString webp = temporary("odd.webp");
    writeBytes(webp, webpWithExif(pastTheEnd));
    expectDecodes("webp.spi", webp, QImage(source_), "directory past the end");
    writeBytes(webp, webpWithExif(QByteArray("Exif\0\0", 6) + exifBlock(8, true)));
    expectDecodes("webp.spi", webp, imageMagickUpright(source_, 8), "with an Exif prefix");
}

}  // namespace
}  // namespace tesselvane::test
