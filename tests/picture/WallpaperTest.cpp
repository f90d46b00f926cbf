#include "OrientedPictures.h"
#include "PictureTestSupport.h"
#include "RecordingDesktop.h"
#include "TestFolders.h"
#include "picture/ExtensionPlugins.h"
#include "picture/JpegCodec.h"
#include "picture/PictureError.h"
#include "picture/TDataModule1.h"
#include "picture/Wallpaper.h"
#include "platform/DesktopService.h"
#include "platform/RegistryStore.h"
#include "platform/Screen.h"
#include "platform/Sound.h"
#include "platform/desktop/DesktopComposition.h"
#include "settings/Options.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include <gmock/gmock.h>

#include <sys/resource.h>
#include <csignal>
#include <cstring>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;

namespace {

class WallpaperTest : public ::testing::Test {
protected:
    void SetUp() override {
        MyOption = TMyOption{};
        MyOption.UpdateReg = true;
        store_ = std::make_unique<RegistryStore>(RegistryStore::defaultPath());
        auto backend = std::make_unique<RecordingDesktop>(calls_);
        backend_ = backend.get();
        desktop_ = std::make_unique<DesktopService>(*store_, std::move(backend));
        desktopService = desktop_.get();
        dataModule_ = std::make_unique<TDataModule1>();
        setScreenOverride(ScreenOverride{24, QSize(1024, 768), {}});
        setSoundObserver([this](const QString& file) { events_.append("sound " + file); });
    }
    void TearDown() override {
        setSoundObserver({});
        setScreenOverride(std::nullopt);
        FreePlugIns();
        dataModule_.reset();
        desktopService = nullptr;
    }

    QString bmp(const QString& name, QSize size, QColor colour) {
        QImage image(size, QImage::Format_RGB888);
        image.fill(colour);
        const QString path = scratchFolder() + name;
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }

    QImage wallpaper() { return QImage(WallpaperFile()); }

    std::shared_ptr<QList<RecordingDesktop::Call>> calls_ =
        std::make_shared<QList<RecordingDesktop::Call>>();
    QStringList events_;
    std::unique_ptr<RegistryStore> store_;
    RecordingDesktop* backend_ = nullptr;
    std::unique_ptr<DesktopService> desktop_;
    std::unique_ptr<TDataModule1> dataModule_;
};

TEST_F(WallpaperTest, APictureBecomesTheWallpaperFileAtItsOwnSize) {
    ChangeWallpaper(bmp("a.bmp", QSize(640, 480), QColor(200, 10, 10)));
    ASSERT_EQ(calls_->size(), 1);
    EXPECT_EQ(calls_->at(0).file, WallpaperFile());
    EXPECT_TRUE(calls_->at(0).persist);
    QImageReader reader(WallpaperFile());
    EXPECT_EQ(QString::fromLatin1(reader.format()), "bmp");
    const QImage written = wallpaper();
    EXPECT_EQ(written.size(), QSize(640, 480));
    EXPECT_EQ(written.pixel(5, 5), qRgb(200, 10, 10));
    EXPECT_TRUE(WallpaperFile().endsWith("/tesselvane/$tessel.bmp"));
    // With UpdateReg the desktop value remembers it.
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "Wallpaper")->toText(), WallpaperFile());
}

TEST_F(WallpaperTest, WithoutUpdateRegNothingIsRemembered) {
    MyOption.UpdateReg = false;
    ChangeWallpaper(bmp("a.bmp", QSize(8, 8), Qt::blue));
    EXPECT_FALSE(calls_->at(0).persist);
    EXPECT_FALSE(store_->value("Control Panel\\Desktop", "Wallpaper"));
}

TEST_F(WallpaperTest, NoPictureMeansNoWallpaperAndTheFileIsLeftAlone) {
    MyOption.UseSound = true;
    MyOption.SoundFile = "/sounds/change.wav";
    for (const int position : {0, 1}) {
        MyOption.SoundPos = static_cast<std::uint8_t>(position);
        events_.clear();
        calls_->clear();
        ChangeWallpaper("");
        ChangeWallpaper(scratchFolder() + "missing.jpg");
        ASSERT_EQ(calls_->size(), 2);
        for (const auto& call : *calls_)
            EXPECT_EQ(call.file, "");
        // The sound plays whatever became of the picture.
        EXPECT_EQ(events_.size(), 2);
    }
    EXPECT_FALSE(QFile::exists(WallpaperFile()));
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "Wallpaper")->toText(), "(なし)");
}

TEST_F(WallpaperTest, TheSoundPlaysBeforeOrAfterTheChangeAsSet) {
    MyOption.UseSound = true;
    MyOption.SoundFile = "/sounds/change.wav";
    const QString picture = bmp("a.bmp", QSize(4, 4), Qt::red);
    setSoundObserver([this](const QString&) {
        events_.append(QStringLiteral("sound after %1 changes").arg(calls_->size()));
    });
    MyOption.SoundPos = 0;
    ChangeWallpaper(picture);
    MyOption.SoundPos = 1;
    ChangeWallpaper(picture);
    MyOption.UseSound = false;
    ChangeWallpaper(picture);
    EXPECT_THAT(events_, ElementsAre("sound after 0 changes", "sound after 2 changes"));
}

TEST_F(WallpaperTest, FitScreenStretchesToTheScreen) {
    MyOption.FitScreen = true;
    ChangeWallpaper(bmp("a.bmp", QSize(640, 480), Qt::green));
    EXPECT_EQ(wallpaper().size(), QSize(1024, 768));
    EXPECT_EQ(calls_->at(0).pictureSize, QSize(1024, 768));
}

TEST_F(WallpaperTest, FitStyleKeepsTheShapeOnBarsOfTheDesktopColourOrCoversTheScreen) {
    MyOption.FitScreen = true;
    store_->setValue("Control Panel\\Colors", RegValue::text("Background", "0 255 0"));
    // 2:1, left half red, right half blue, onto the 4:3 screen; a JPEG is scaled while it is
    // decoded, anything else afterwards.
    QImage halves(400, 200, QImage::Format_RGB888);
    halves.fill(Qt::red);
    for (int y = 0; y < 200; ++y)
        for (int x = 200; x < 400; ++x)
            halves.setPixelColor(x, y, Qt::blue);
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <
               40;
    };
    const QColor red(Qt::red), blue(Qt::blue), green(0, 255, 0);
    for (const char* name : {"halves.bmp", "halves.jpg"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(halves.save(scratchFolder() + name, nullptr, 100));

        MyOption.FitStyle = 1;  // 1024 x 512, bars of 128 above and below
        ChangeWallpaper(scratchFolder() + name);
        // The desktop learns it from the options in memory: not yet stored.
        EXPECT_TRUE(calls_->last().fit.fitScreen);
        EXPECT_EQ(calls_->last().fit.style, FitStyle::Inside);
        QImage shown = wallpaper();
        ASSERT_EQ(shown.size(), QSize(1024, 768));
        EXPECT_EQ(shown.pixelColor(512, 127), green);
        EXPECT_EQ(shown.pixelColor(512, 640), green);
        EXPECT_TRUE(near(shown.pixelColor(10, 131), red));
        EXPECT_TRUE(near(shown.pixelColor(1013, 636), blue));

        MyOption.FitStyle = 2;  // 1536 x 768, 256 cut on each side: the halves meet mid-screen
        ChangeWallpaper(scratchFolder() + name);
        shown = wallpaper();
        ASSERT_EQ(shown.size(), QSize(1024, 768));
        EXPECT_TRUE(near(shown.pixelColor(0, 0), red));
        EXPECT_TRUE(near(shown.pixelColor(500, 384), red));
        EXPECT_TRUE(near(shown.pixelColor(524, 384), blue));
        EXPECT_TRUE(near(shown.pixelColor(1023, 767), blue));

        MyOption.FitStyle = 0;  // stretched: no bars, nothing cut
        ChangeWallpaper(scratchFolder() + name);
        shown = wallpaper();
        EXPECT_TRUE(near(shown.pixelColor(10, 10), red));
        EXPECT_TRUE(near(shown.pixelColor(1013, 757), blue));
    }
}

TEST_F(WallpaperTest, AJpegTurnedUprightIsFittedInItsUprightShape) {
    MyOption.FitScreen = true;
    MyOption.FitStyle = 1;
    store_->setValue("Control Panel\\Colors", RegValue::text("Background", "0 255 0"));
    // Stored 800 x 400, red; it says "turn 90 degrees": upright it is 400 x 800, on the 4:3
    // screen 384 x 768 between bars of 320.
    QImage stored(800, 400, QImage::Format_RGB888);
    stored.fill(Qt::red);
    QFile file(scratchFolder() + "turned.jpg");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(withExifMarker(encodeJpeg(stored, 95), exifBlock(6, false)));
    file.close();
    ChangeWallpaper(file.fileName());
    const QImage shown = wallpaper();
    ASSERT_EQ(shown.size(), QSize(1024, 768));
    EXPECT_EQ(shown.pixelColor(318, 384), QColor(0, 255, 0));
    EXPECT_EQ(shown.pixelColor(706, 384), QColor(0, 255, 0));
    EXPECT_GT(shown.pixelColor(330, 10).red(), 230);
    EXPECT_GT(shown.pixelColor(690, 757).red(), 230);
}

TEST_F(WallpaperTest, FitScreenStretchesLargeJpegsWhileDecodingThem) {
    MyOption.FitScreen = true;
    QImage big(4000, 3000, QImage::Format_RGB888);
    big.fill(QColor(30, 60, 90));
    ASSERT_TRUE(big.save(scratchFolder() + "big.jpg", "JPG"));
    ChangeWallpaper(scratchFolder() + "big.jpg");
    EXPECT_EQ(wallpaper().size(), QSize(1024, 768));
    QImage flat(1024, 768, QImage::Format_RGB888);
    flat.fill(QColor(30, 60, 90));
    EXPECT_LE(compareImages(wallpaper(), flat).largest, 3);  // JPEG's loss only
    EXPECT_TRUE(Susie1->Bitmap().isEmpty());                 // handed over, not kept twice
    // Without FitScreen the picture keeps its size, as far as the screen shows it.
    MyOption.FitScreen = false;
    ChangeWallpaper(scratchFolder() + "big.jpg");
    EXPECT_EQ(wallpaper().size(), QSize(1024, 768));
}

TEST_F(WallpaperTest, OnScreensOf8BitsTheFileIsAPalettePictureOfAtMost236Colours) {
    setScreenOverride(ScreenOverride{8, QSize(1024, 768), {}});
    QImage rainbow(64, 64, QImage::Format_RGB888);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            rainbow.setPixel(x, y, qRgb(x * 4, y * 4, (x + y) * 2));
    }
    rainbow.save(scratchFolder() + "rainbow.bmp", "BMP");
    ChangeWallpaper(scratchFolder() + "rainbow.bmp");
    const QImage written = wallpaper();
    EXPECT_EQ(written.format(), QImage::Format_Indexed8);
    EXPECT_LE(written.colorCount(), 236);
    EXPECT_LE(compareImages(written, rainbow).mean, 10.0);
}

TEST_F(WallpaperTest, ExtensionPluginsProcessThePictureBeforeItIsWritten) {
    const QString folder = scratchFolder() + "bpi/";
    QDir().mkpath(folder);
    QFile::copy(testPluginFolder() + "newdib.bpi", folder + "newdib.bpi");
    QFile::copy(testPluginFolder() + "drawinto.bpi", folder + "drawinto.bpi");
    LoadPlugIns(folder);
    ChangeWallpaper(bmp("a.bmp", QSize(10, 6), QColor(0, 0, 0)));
    const QImage written = wallpaper();
    EXPECT_EQ(written.size(), QSize(12, 6));
    EXPECT_EQ(written.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(written.pixel(1, 0), qRgb(255, 255, 255));
}

TEST_F(WallpaperTest, APluginThatCrashesFailsTheChangeAndLeavesTheOldWallpaper) {
    ChangeWallpaper(bmp("first.bmp", QSize(40, 30), Qt::yellow));
    const QByteArray before = readFile(WallpaperFile());
    const QString folder = scratchFolder() + "bpi/";
    QDir().mkpath(folder);
    QFile::copy(testPluginFolder() + "crashexecute.bpi", folder + "crashexecute.bpi");
    LoadPlugIns(folder);
    try {
        ChangeWallpaper(bmp("second.bmp", QSize(40, 30), Qt::cyan));
        ADD_FAILURE() << "the crash went unreported";
    } catch (const PictureError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("プラグイン crashexecute.bpi が異常終了しました"));
    }
    EXPECT_EQ(readFile(WallpaperFile()), before);
    EXPECT_EQ(calls_->size(), 1);

    // Without it the next change goes through.
    FreePlugIns();
    ChangeWallpaper(bmp("third.bmp", QSize(40, 30), Qt::green));
    EXPECT_EQ(wallpaper().pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(calls_->size(), 2);
}

TEST_F(WallpaperTest, APluginDrawingIntoAJpegStretchedWhileDecodedIsWritten) {
    const QString folder = scratchFolder() + "bpi/";
    QDir().mkpath(folder);
    QFile::copy(testPluginFolder() + "drawinto.bpi", folder + "drawinto.bpi");
    LoadPlugIns(folder);
    MyOption.FitScreen = true;
    QImage big(2000, 1500, QImage::Format_RGB888);
    big.fill(QColor(30, 60, 90));
    ASSERT_TRUE(big.save(scratchFolder() + "big.jpg", "JPG"));
    for (int change = 0; change < 2; ++change) {
        ChangeWallpaper(scratchFolder() + "big.jpg");
        const QImage written = wallpaper();
        ASSERT_EQ(written.size(), QSize(1024, 768));
        EXPECT_EQ(written.pixel(0, 0), qRgb(255, 0, 0));  // drawn in place by the plug-in
        EXPECT_LE(qAbs(qBlue(written.pixel(1, 0)) - 90), 3);
        EXPECT_EQ(calls_->last().pictureSize, QSize(1024, 768));
    }
    // The file replaced in one step each time, and the old one gone with it.
    EXPECT_EQ(QDir(QFileInfo(WallpaperFile()).absolutePath()).entryList(QDir::Files),
              QStringList{QFileInfo(WallpaperFile()).fileName()});
}

TEST_F(WallpaperTest, AFailedWriteRaisesAndLeavesTheOldFileAndWallpaper) {
    ChangeWallpaper(bmp("first.bmp", QSize(400, 300), Qt::yellow));
    const QByteArray before = readFile(WallpaperFile());
    MyOption.UseSound = true;
    MyOption.SoundPos = 1;
    MyOption.SoundFile = "/sounds/after.wav";
    const QString second = bmp("second.bmp", QSize(400, 300), Qt::cyan);

    // A file-size limit makes the write fail, for root as for anyone.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    // The system's reason, not an unknown error.
    try {
        ChangeWallpaper(second);
        ADD_FAILURE() << "no error";
    } catch (const PictureError& e) {
        EXPECT_TRUE(e.message().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << e.message().toStdString();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(readFile(WallpaperFile()), before);
    EXPECT_EQ(calls_->size(), 1);    // the desktop was not touched
    EXPECT_TRUE(events_.isEmpty());  // nor the after-change sound played
    EXPECT_EQ(QDir(QFileInfo(WallpaperFile()).absolutePath()).entryList(QDir::Files).size(),
              1);  // no leftovers
}

TEST_F(WallpaperTest, ADamagedPictureOrOneNoReaderTakesRaisesBeforeAnythingChanges) {
    QFile file(scratchFolder() + "bad.bmp");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM this is not a bitmap");
    file.close();
    QFile::copy(testPluginFolder() + "plain.spi", scratchFolder() + "nobody-reads.xyz");
    writeFile(scratchFolder() + "empty.png", QByteArray());
    QDir().mkpath(scratchFolder() + "folder.jpg");
    for (const char* name : {"bad.bmp", "nobody-reads.xyz", "empty.png", "folder.jpg"}) {
        try {
            ChangeWallpaper(scratchFolder() + name);
            ADD_FAILURE() << name << ": no error";
        } catch (const PictureError& e) {
            EXPECT_TRUE(e.message().contains(scratchFolder() + name)) << e.message().toStdString();
        }
    }
    EXPECT_TRUE(calls_->isEmpty());
    EXPECT_FALSE(QFile::exists(WallpaperFile()));
}

TEST_F(WallpaperTest, APictureLargerThanTheScreenIsWrittenOnlyAsFarAsTheScreenShowsIt) {
    // Every pixel its own colour, 1024 x 768 screen: an odd overflow across, an even one down.
    QImage whole(2001, 1000, QImage::Format_RGB888);
    for (int y = 0; y < whole.height(); ++y) {
        for (int x = 0; x < whole.width(); ++x)
            whole.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256));
    }
    // Read by the program itself, and by a decoder plug-in in the helper.
    for (const char* name : {"big.bmp", "big.png"}) {
        ASSERT_TRUE(whole.save(scratchFolder() + name));
        for (const int tile : {0, 1}) {
            SCOPED_TRACE(testing::Message() << name << " tile " << tile);
            store_->setValue("Control Panel\\Desktop",
                             RegValue::text("TileWallpaper", QString::number(tile)));
            ChangeWallpaper(scratchFolder() + name);
            const QImage written = wallpaper();
            EXPECT_LE(written.width(), 1025);
            EXPECT_EQ(written.height(), 768);
            const auto style = tile ? WallpaperStyle::Tiled : WallpaperStyle::Centered;
            EXPECT_EQ(composeDesktop(written, {1024, 768}, style, Qt::black),
                      composeDesktop(whole, {1024, 768}, style, Qt::black));
        }
    }
    // 35 bytes that make a picture of the largest size read, 16384 x 16384: its file is no
    // larger than the screen's.
    writeFile(scratchFolder() + "canvas.gif",
              QByteArray::fromHex("47494638396100400040800000ff00000000ff2c000000000100010000"
                                  "02024401003b"));
    ChangeWallpaper(scratchFolder() + "canvas.gif");
    EXPECT_EQ(wallpaper().size(), QSize(1024, 768));
}

TEST_F(WallpaperTest, EachMonitorsOwnPictureIsFittedToItAndTheFileHoldsTheLayout) {
    // The primary on the right; the other smaller, on the left.
    setScreenOverride(
        ScreenOverride{24, QSize(1000, 400), {QRect(400, 0, 600, 400), QRect(0, 0, 400, 300)}});
    MyOption.FitScreen = true;
    MyOption.FitStyle = 1;  // whole, on bars of the desktop's colour
    store_->setValue("Control Panel\\Colors", RegValue::text("Background", "0 0 255"));
    changeWallpapers(
        {bmp("red.bmp", QSize(300, 300), Qt::red), bmp("green.bmp", QSize(400, 100), Qt::green)});
    ASSERT_EQ(calls_->size(), 1);
    EXPECT_EQ(calls_->at(0).monitorPictureSizes, (std::vector<QSize>{{600, 400}, {400, 300}}));
    const QImage layout = wallpaper();
    ASSERT_EQ(layout.size(), QSize(1000, 400));
    EXPECT_EQ(layout.pixel(700, 200), qRgb(255, 0, 0));
    EXPECT_EQ(layout.pixel(450, 200), qRgb(0, 0, 255));  // the bars of the square one
    EXPECT_EQ(layout.pixel(200, 150), qRgb(0, 255, 0));
    EXPECT_EQ(layout.pixel(200, 20), qRgb(0, 0, 255));
    EXPECT_EQ(layout.pixel(200, 350), qRgb(0, 0, 255));  // beneath the smaller monitor
    // Only one file: one picture on every monitor, as without the option.
    calls_->clear();
    changeWallpapers({bmp("blue.bmp", QSize(8, 8), Qt::blue)});
    EXPECT_TRUE(calls_->at(0).monitorPictureSizes.empty());
}

TEST_F(WallpaperTest, DesktopErrorsReachTheCaller) {
    backend_->failWith = QStringLiteral("X ディスプレイ :99 に接続できません");
    EXPECT_THROW(ChangeWallpaper(""), DesktopError);
}

TEST_F(WallpaperTest, PreviewsAreReducedOnScreensOf8Bits) {
    setScreenOverride(ScreenOverride{8, QSize(1024, 768), {}});
    TBitmap preview;
    LoadPreviewPicture(preview, bmp("p.bmp", QSize(30, 20), QColor(12, 200, 99)));
    EXPECT_EQ(preview.image.format(), QImage::Format_Indexed8);
    LoadPreviewPicture(preview, scratchFolder() + "missing.bmp");
    EXPECT_TRUE(preview.isEmpty());
}

TEST(FitBitmap, ScalesToTheLargestSizeThatFitsWithTheShapeKept) {
    const std::tuple<QSize, QSize, QSize> cases[] = {
        {QSize(400, 400), QSize(200, 100), QSize(100, 100)},
        {QSize(50, 20), QSize(200, 100), QSize(200, 80)},
        {QSize(3, 1000), QSize(200, 100), QSize(0, 0)},  // 0 x 100: no picture
        {QSize(50, 50), QSize(0, 100), QSize(100, 100)},
        {QSize(50, 50), QSize(0, 0), QSize(0, 0)},
    };
    for (const auto& [picture, box, expected] : cases) {
        QImage image(picture, QImage::Format_RGB888);
        image.fill(Qt::white);
        FitBitmap(image, box);
        EXPECT_EQ(image.size(), expected) << picture.width() << "x" << picture.height();
    }
    QImage empty;
    FitBitmap(empty, QSize(10, 10));
    EXPECT_TRUE(empty.isNull());
}

TEST(FitBitmap, ScalesSmoothly) {
    QImage image(2, 1, QImage::Format_RGB888);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    image.setPixel(1, 0, qRgb(255, 255, 255));
    FitBitmap(image, QSize(8, 4));
    // Nearest-neighbour would give only black and white.
    const int middle = qRed(image.pixel(3, 1));
    EXPECT_GT(middle, 20);
    EXPECT_LT(middle, 235);
}

}  // namespace

#include "picture/BmpWriter.h"

#include <QBuffer>

namespace {

TEST(BmpWriter, WritesPalettePicturesAs8BitsScreenPicturesAs32AndTheRestAs24) {
    QImage indexed(5, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50), qRgb(9, 9, 9)});
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x)
            indexed.setPixel(x, y, static_cast<uint>((x + y) % 3));
    }
    QImage rgb(7, 2, QImage::Format_RGB888);
    rgb.setPixel(0, 0, qRgb(255, 0, 0));
    rgb.setPixel(6, 1, qRgb(0, 0, 255));
    const QImage rgb32 = rgb.convertToFormat(QImage::Format_RGB32);
    const QImage argb = rgb.convertToFormat(QImage::Format_ARGB32);
    for (const QImage& source : {indexed, rgb, rgb32, argb}) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(writeBmp(buffer, source));
        const QByteArray bytes = buffer.data();
        const int bits = static_cast<uchar>(bytes[28]);
        const int expected = source.format() == QImage::Format_Indexed8 ? 8
                             : source.format() == QImage::Format_RGB32  ? 32
                                                                        : 24;
        EXPECT_EQ(bits, expected);
        QImage back;
        ASSERT_TRUE(back.loadFromData(bytes, "BMP"));
        EXPECT_EQ(compareImages(back, source).largest, 0);
        if (bits == 8) {
            EXPECT_EQ(back.colorCount(), 3);
        }
    }
}

TEST(BmpWriter, PicturesLargerThanOneWriteComeOutWhole) {
    // Rows go out in blocks of about a megabyte; these take several, the last one partly full.
    QImage rgb(601, 1999, QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, qRgb(x % 256, y % 256, (x + 3 * y) % 256));
    }
    for (const QImage& source : {rgb, rgb.convertToFormat(QImage::Format_RGB32)}) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(writeBmp(buffer, source));
        QImage back;
        ASSERT_TRUE(back.loadFromData(buffer.data(), "BMP"));
        EXPECT_EQ(compareImages(back, source).largest, 0);
    }
}

}  // namespace
