// What the host relies on from every plug-in, the SDK example included: its texts, telling its
// own files from all others by content alone, errors instead of pictures for files it cannot
// read, and stopping when asked to.

#include "PluginHarness.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace tesselvane::test {
namespace {

struct PluginCase {
    const char* file;
    const char* patterns;
    const char* sample;  // a picture it reads, in the golden folder; nullptr for PPM
    int magicLength;     // bytes that identify its format
};

const PluginCase kPlugins[] = {
    {"png.spi", "*.png", "png/rgb8.png", 8},
    {"gif.spi", "*.gif", "gif/plain.gif", 6},
    {"webp.spi", "*.webp", "webp/lossless.webp", 16},
    {"tiff.spi", "*.tif;*.tiff", "tiff/rgb.tif", 4},
    {"ppm.spi", "*.ppm", nullptr, 3},
};

QByteArray ppmSample() {
    QByteArray pixels;
    for (int i = 0; i < 5 * 4; ++i)
        pixels += QByteArray::fromRawData("\x10\x80\xf0", 3);
    return QByteArray("P6\n5 4\n255\n") + pixels;
}

class ContractTest : public ::testing::TestWithParam<PluginCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        ASSERT_EQ(plugin().loadError, "");
        ppm_ = folder_.filePath(QStringLiteral("sample.ppm"));
        writeBytes(ppm_, ppmSample());
    }

    const Plugin& plugin() const { return Plugin::get(QString::fromUtf8(GetParam().file)); }
    QString sample() const {
        return GetParam().sample != nullptr ? goldenPath(QString::fromUtf8(GetParam().sample))
                                            : ppm_;
    }
    QString temporary(const QString& name) const { return folder_.filePath(name); }

    // A picture of every format but this plug-in's, and a few files of no picture format.
    std::vector<QString> foreignFiles() const {
        std::vector<QString> files;
        const QString own = QString::fromUtf8(GetParam().file).section('.', 0, 0);
        for (const char* format : {"png", "gif", "webp", "tiff"}) {
            const QDir dir(goldenPath(QString::fromUtf8(format)));
            for (const QString& name : dir.entryList(QDir::Files)) {
                const bool reference = name.endsWith(QStringLiteral(".ref.png"));
                if (format == own && !reference)
                    continue;
                if (own == QStringLiteral("png") && reference)
                    continue;
                files.push_back(dir.filePath(name));
            }
        }
        if (own != QStringLiteral("ppm"))
            files.push_back(ppm_);
        const QString text = temporary(QStringLiteral("notes.txt"));
        writeBytes(text, "Not a picture at all, only some words.\n");
        files.push_back(text);
        return files;
    }

    QString ppm_;

private:
    QTemporaryDir folder_;
};

TEST_P(ContractTest, AnswersTheInfoNumbers) {
    const QString version = plugin().text(0);
    EXPECT_EQ(version, QStringLiteral("00IN"));
    EXPECT_FALSE(plugin().text(1).isEmpty());
    EXPECT_EQ(plugin().text(2), QString::fromUtf8(GetParam().patterns));
    // The host offers 32 bytes for a description; it must fit whole.
    const QString description = plugin().text(3, 32);
    EXPECT_FALSE(description.isEmpty());
    EXPECT_EQ(plugin().text(3, 255), description);
    for (const int missing : {4, 5, 6, 7, 100, -1}) {
        EXPECT_EQ(plugin().text(missing), QString()) << "number " << missing;
    }
    // Texts are cut to fit smaller buffers, always zero-terminated.
    EXPECT_EQ(plugin().text(0, 3), QStringLiteral("00"));
    EXPECT_EQ(plugin().text(2, 1), QString());
    EXPECT_EQ(plugin().text(2, 0), QString());
}

TEST_P(ContractTest, KnowsItsFilesByContentNotByName) {
    const QString misnamed = temporary(QStringLiteral("picture.txt"));
    writeBytes(misnamed, readBytes(sample()));
    EXPECT_NE(plugin().supports(misnamed), 0);
    EXPECT_EQ(decode(plugin(), misnamed).pictureResult, SPI_SUCCESS);
}

TEST_P(ContractTest, RefusesOtherFormatsAndShortFiles) {
    for (const QString& file : foreignFiles()) {
        SCOPED_TRACE(file.toStdString());
        EXPECT_EQ(plugin().supports(file), 0);
        const Decoded decoded = decode(plugin(), file);
        EXPECT_NE(decoded.infoResult, SPI_SUCCESS);
        EXPECT_NE(decoded.pictureResult, SPI_SUCCESS);
    }
    // Too short to hold the signature, whether empty or cut inside it.
    const QByteArray bytes = readBytes(sample());
    const QString shortFile = temporary(QStringLiteral("short"));
    for (int length = 0; length < GetParam().magicLength; ++length) {
        SCOPED_TRACE(::testing::Message() << length << " bytes");
        writeBytes(shortFile, bytes.left(length));
        EXPECT_EQ(plugin().supports(shortFile), 0);
        EXPECT_NE(decode(plugin(), shortFile).pictureResult, SPI_SUCCESS);
    }
}

TEST_P(ContractTest, FailsForMissingFilesBadOffsetsAndOtherSources) {
    const QByteArray name = QFile::encodeName(sample());
    const qsizetype size = readBytes(sample()).size();
    SpiPictureInfo info{};
    void* infoBlock = nullptr;
    void* pixelBlock = nullptr;
    auto picture = [&](const char* path, intptr_t offset, uint32_t flag) {
        const int32_t result =
            plugin().getPicture(path, offset, flag, &infoBlock, &pixelBlock, nullptr, 0);
        EXPECT_EQ(infoBlock, nullptr);
        EXPECT_EQ(pixelBlock, nullptr);
        return result;
    };
    const QByteArray missing = QFile::encodeName(temporary(QStringLiteral("missing.pic")));
    EXPECT_NE(plugin().getPictureInfo(missing.constData(), 0, 0, &info), SPI_SUCCESS);
    EXPECT_NE(picture(missing.constData(), 0, 0), SPI_SUCCESS);
    const QByteArray folder = QFile::encodeName(temporary(QString()));
    EXPECT_NE(plugin().getPictureInfo(folder.constData(), 0, 0, &info), SPI_SUCCESS);
    EXPECT_NE(picture(folder.constData(), 0, 0), SPI_SUCCESS);
    for (const intptr_t offset :
         {intptr_t{-1}, intptr_t{128}, intptr_t{size}, intptr_t{size + 1}}) {
        SCOPED_TRACE(::testing::Message() << "offset " << offset);
        EXPECT_NE(plugin().getPictureInfo(name.constData(), offset, 0, &info), SPI_SUCCESS);
        EXPECT_NE(picture(name.constData(), offset, 0), SPI_SUCCESS);
    }
    // Any flag but 0 asks for a source other than a named file.
    EXPECT_NE(plugin().getPictureInfo(name.constData(), 0, 1, &info), SPI_SUCCESS);
    EXPECT_NE(picture(name.constData(), 0, 1), SPI_SUCCESS);
}

struct ProgressLog {
    int calls = 0;
    bool sane = true;
};

int32_t keepGoing(int32_t num, int32_t denom, intptr_t data) {
    auto* log = reinterpret_cast<ProgressLog*>(data);
    ++log->calls;
    if (denom <= 0 || num < 0 || num > denom)
        log->sane = false;
    return 0;
}

int32_t stopNow(int32_t, int32_t, intptr_t data) {
    ++reinterpret_cast<ProgressLog*>(data)->calls;
    return 1;
}

TEST_P(ContractTest, ReportsProgressAndStopsWhenAsked) {
    ProgressLog going;
    EXPECT_EQ(
        decode(plugin(), sample(), 0, keepGoing, reinterpret_cast<intptr_t>(&going)).pictureResult,
        SPI_SUCCESS);
    EXPECT_GE(going.calls, 1);
    EXPECT_TRUE(going.sane) << "progress beyond 0..denom";

    ProgressLog stopping;
    EXPECT_EQ(
        decode(plugin(), sample(), 0, stopNow, reinterpret_cast<intptr_t>(&stopping)).pictureResult,
        SPI_ABORTED);
    EXPECT_EQ(stopping.calls, 1) << "went on after being told to stop";
}

std::string nameOf(const ::testing::TestParamInfo<PluginCase>& info) {
    return QString::fromUtf8(info.param.file).section('.', 0, 0).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Plugins, ContractTest, ::testing::ValuesIn(kPlugins), nameOf);

}  // namespace
}  // namespace tesselvane::test
