#include "PictureTestSupport.h"
#include "TestFolders.h"
#include "WaitUntil.h"
#include "picture/PictureError.h"
#include "picture/PluginHost.h"
#include "picture/TSusie.h"
#include "platform/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gmock/gmock.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class TSusieTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = scratchFolder() + "calls.log";
        ::setenv("TESSELVANE_TEST_SPI_LOG", QFile::encodeName(log_).constData(), 1);
        // The helper takes this test's environment (its log file) when started.
        PluginHost::shared().stop();
    }
    void TearDown() override { ::unsetenv("TESSELVANE_TEST_SPI_LOG"); }

    // A plug-in folder holding test plug-ins under the given names: {name in folder, plug-in}.
    QString pluginFolder(std::initializer_list<std::pair<const char*, const char*>> plugins) {
        const QString folder = scratchFolder() + QStringLiteral("plugins%1/").arg(folders_++);
        QDir().mkpath(folder);
        for (const auto& [name, plugin] : plugins) {
            EXPECT_TRUE(QFile::copy(testPluginFolder() + plugin + ".spi", folder + name)) << plugin;
        }
        return folder;
    }

    // A picture for the test plug-ins: magic, colour, size, after `junk` bytes.
    QString picture(const QString& name, const QByteArray& magic, QRgb colour, int width = 3,
                    int height = 2, int junk = 0) {
        QByteArray data(junk, 'j');
        data += magic;
        data += char(qRed(colour));
        data += char(qGreen(colour));
        data += char(qBlue(colour));
        data += char(width);
        data += char(height);
        const QString path = scratchFolder() + name;
        writeFile(path, data);
        return path;
    }

    QStringList calls() { return takeLogLines(log_); }

    // A host whose screen has `depth` bits per pixel, counting how often it asks.
    std::unique_ptr<TSusie> host(const QString& folder, int depth = 24) {
        auto susie = std::make_unique<TSusie>(nullptr, [this, depth] {
            ++screenQuestions_;
            return depth;
        });
        susie->setPluginPath(folder);
        return susie;
    }

    QString log_;
    int folders_ = 0;
    int screenQuestions_ = 0;
};

TEST_F(TSusieTest, PluginPathGetsItsSeparatorOnce) {
    const QString folder = pluginFolder({});
    TSusie susie;
    EXPECT_EQ(susie.PluginPath(), "");
    susie.setPluginPath(folder.chopped(1));
    EXPECT_EQ(susie.PluginPath(), folder);
    susie.setPluginPath(folder);
    EXPECT_EQ(susie.PluginPath(), folder);
    susie.setPluginPath("");
    EXPECT_EQ(susie.PluginPath(), "");
}

TEST_F(TSusieTest, WithoutPluginsTheFilterListsBmpAndJpegOnly) {
    const auto susie = host(pluginFolder({}));
    EXPECT_EQ(susie->Filter(), "All Pictures|*.BMP;*.JPG|BMP|*.BMP|JPEG|*.JPG");
    EXPECT_THAT(susie->pluginFiles(), IsEmpty());
}

TEST_F(TSusieTest, TheFilterListsEachPluginsTypesInTableOrder) {
    const QString folder =
        pluginFolder({{"b.spi", "fourth"}, {"A.spi", "plain"}, {"c.spi", "third"}});
    const auto susie = host(folder);
    EXPECT_EQ(susie->Filter(),
              "All Pictures|*.BMP;*.JPG;*.plain;*.fourth;*.third|BMP|*.BMP|JPEG|*.JPG|"
              "plain pictures|*.plain|fourth pictures|*.fourth|third pictures|*.third");
    EXPECT_THAT(susie->pluginFiles(),
                ElementsAre(folder + "A.spi", folder + "b.spi", folder + "c.spi"));
}

TEST_F(TSusieTest, OnlyImportFiltersWithAllEntryPointsJoinTheTable) {
    const QString folder = pluginFolder({{"1.spi", "third"},
                                         {"2.spi", "fourth"},
                                         {"3.spi", "archive"},
                                         {"4.spi", "noissupported"}});
    QDir().mkpath(folder + "5-folder.spi");
    writeFile(folder + "6-not-a-library.spi", "just text");
    writeFile(folder + "7.txt", "");
    const auto susie = host(folder);
    // Third character "I", or fourth "N", make an import filter; an archive filter is left.
    EXPECT_THAT(susie->pluginFiles(), ElementsAre(folder + "1.spi", folder + "2.spi"));
    // The plug-in without IsSupported is never asked, but its type stays in the filter.
    EXPECT_THAT(susie->Filter().toStdString(), HasSubstr("noissupported pictures|*.noissupported"));
    EXPECT_THAT(susie->Filter().toStdString(), ::testing::Not(HasSubstr("archive")));
}

TEST_F(TSusieTest, AnEmptyPluginPathSearchesTheProgramFolderNotTheWorkingDirectory) {
    // The working directory holds a plug-in; it must not be loaded.
    const QString cwd = pluginFolder({{"plain.spi", "plain"}});
    const QString before = QDir::currentPath();
    QDir::setCurrent(cwd);
    TSusie susie;
    QDir::setCurrent(before);
    for (const QString& file : susie.pluginFiles())
        EXPECT_TRUE(file.startsWith(programFolder()));
    EXPECT_THAT(susie.Filter().toStdString(), ::testing::Not(HasSubstr("plain pictures")));
}

TEST_F(TSusieTest, EachPluginIsAskedAtOffsetZeroThenAt128AndTheFirstToAcceptReads) {
    const QString folder = pluginFolder({{"a.spi", "at128"}, {"b.spi", "any128"}});
    const auto susie = host(folder);
    calls();
    susie->LoadPicture(picture("header.x", "T128", qRgb(10, 20, 30), 3, 2, 128));
    ASSERT_FALSE(susie->Bitmap().isEmpty());
    EXPECT_EQ(susie->Bitmap().image.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_THAT(calls(), ElementsAre("at128:IsSupported@0", "at128:IsSupported@128",
                                     "at128:GetPictureInfo@128", "at128:GetPicture@128"));

    // A file nobody reads: every plug-in asked exactly twice, in order.
    susie->LoadPicture(picture("nobody.x", "NONE", 0));
    EXPECT_TRUE(susie->Bitmap().isEmpty());
    EXPECT_THAT(calls(), ElementsAre("at128:IsSupported@0", "at128:IsSupported@128",
                                     "any128:IsSupported@0", "any128:IsSupported@128"));
}

TEST_F(TSusieTest, JpgFilesGoToTheBuiltInDecoderOnlyWhenInJpegIsSet) {
    const auto susie = host(pluginFolder({{"j.spi", "jpegclaim"}}));
    const QByteArray jpeg = readFile(goldenFolder() + "jpeg/baseline.jpg");
    for (const char* name : {"photo.jpg", "PHOTO.JPG", "photo.jpeg", "photo.jpe"})
        writeFile(scratchFolder() + name, jpeg);
    const QSize real(64, 48);

    susie->LoadPicture(scratchFolder() + "photo.jpg");
    EXPECT_EQ(susie->Bitmap().image.size(), real);
    susie->LoadPicture(scratchFolder() + "PHOTO.JPG");
    EXPECT_EQ(susie->Bitmap().image.size(), real);
    // Other spellings of JPEG always go to the plug-ins (this one answers with its own picture).
    susie->LoadPicture(scratchFolder() + "photo.jpeg");
    EXPECT_NE(susie->Bitmap().image.size(), real);
    EXPECT_FALSE(susie->Bitmap().isEmpty());
    susie->LoadPicture(scratchFolder() + "photo.jpe");
    EXPECT_NE(susie->Bitmap().image.size(), real);
    susie->InJpeg = false;
    susie->LoadPicture(scratchFolder() + "photo.jpg");
    EXPECT_NE(susie->Bitmap().image.size(), real);
}

TEST_F(TSusieTest, BmpFilesAreReadByTheBuiltInReaderWhateverThePlugins) {
    const auto susie = host(pluginFolder({{"p.spi", "plain"}}));
    const QString file = scratchFolder() + "x.Bmp";
    QFile::copy(goldenFolder() + "bmp/pal8.bmp", file);
    susie->LoadPicture(file);
    EXPECT_EQ(
        compareImages(susie->Bitmap().image, QImage(goldenFolder() + "bmp/pal8.ref.png")).largest,
        0);
    ASSERT_TRUE(susie->Bitmap().palette);
    EXPECT_EQ(susie->Bitmap().palette->size(), 256);
    QFile::copy(goldenFolder() + "bmp/rgb24.bmp", scratchFolder() + "y.bmp");
    susie->LoadPicture(scratchFolder() + "y.bmp");
    EXPECT_FALSE(susie->Bitmap().palette);
}

TEST_F(TSusieTest, FailuresLeaveTheBitmapEmpty) {
    const auto susie = host(pluginFolder({{"f.spi", "failing"}, {"p.spi", "plain"}}));
    const QString good = picture("good.x", "TPLN", qRgb(1, 2, 3));
    susie->LoadPicture(good);
    ASSERT_FALSE(susie->Bitmap().isEmpty());
    susie->LoadPicture(scratchFolder() + "missing.x");
    EXPECT_TRUE(susie->Bitmap().isEmpty());

    susie->LoadPicture(good);
    susie->LoadPicture(picture("fails.x", "TFAI", qRgb(1, 2, 3)));
    EXPECT_TRUE(susie->Bitmap().isEmpty());
    susie->LoadPicture(scratchFolder());  // a folder is no picture
    EXPECT_TRUE(susie->Bitmap().isEmpty());
}

TEST_F(TSusieTest, DamagedBuiltInFormatsRaiseErrors) {
    const auto susie = host(pluginFolder({}));
    writeFile(scratchFolder() + "bad.bmp", "BM broken");
    writeFile(scratchFolder() + "bad.jpg", QByteArray("\xFF\xD8\xFF\xE0 broken"));
    EXPECT_THROW(susie->LoadPicture(scratchFolder() + "bad.bmp"), PictureError);
    EXPECT_TRUE(susie->Bitmap().isEmpty());
    EXPECT_THROW(susie->LoadPicture(scratchFolder() + "bad.jpg"), PictureError);
}

TEST_F(TSusieTest, PalettesOfPluginPicturesFollowTheColourCountOfTheHeader) {
    const auto susie = host(pluginFolder({{"a.spi", "pal0"}, {"b.spi", "pal300"}}));
    susie->LoadPicture(picture("p0.x", "TP00", qRgb(200, 100, 50)));
    ASSERT_TRUE(susie->Bitmap().palette);
    EXPECT_EQ(susie->Bitmap().palette->size(), 256);
    EXPECT_EQ(susie->Bitmap().palette->at(1), qRgb(200, 100, 50));
    EXPECT_EQ(susie->Bitmap().image.pixel(2, 1), qRgb(200, 100, 50));

    susie->LoadPicture(picture("p300.x", "TP30", qRgb(200, 100, 50)));
    ASSERT_FALSE(susie->Bitmap().isEmpty());
    EXPECT_FALSE(susie->Bitmap().palette);
    EXPECT_EQ(susie->Bitmap().image.pixel(2, 1), qRgb(200, 100, 50));
}

TEST_F(TSusieTest, APluginPictureToBeFittedComesBackAtTheSizeItIsDrawnWithItsRowsInPlace) {
    // Quadrants, read by the shipped PNG reader (bottom-up rows) and by a paletted one.
    QImage quadrants(64, 48, QImage::Format_RGB32);
    quadrants.fill(Qt::red);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (y >= 24)
                quadrants.setPixel(x, y, x < 32 ? qRgb(0, 0, 255) : qRgb(0, 255, 0));
        }
    }
    const QString folder = pluginFolder({{"pal.spi", "pal0"}});
    QFile::copy(programFolder() + "png.spi", folder + "png.spi");
    const QString png = scratchFolder() + "quadrants.png";
    ASSERT_TRUE(quadrants.save(png));
    const auto susie = host(folder);
    susie->pluginFitScreen = QSize(16, 16);
    const struct {
        FitStyle style;
        QSize size;
    } fits[] = {
        {FitStyle::Stretch, {16, 16}}, {FitStyle::Inside, {16, 12}}, {FitStyle::Cover, {21, 16}}};
    for (const auto& fit : fits) {
        SCOPED_TRACE(static_cast<int>(fit.style));
        susie->pluginFitStyle = fit.style;
        susie->LoadPicture(png);
        const QImage image = susie->Bitmap().image;
        ASSERT_EQ(image.size(), fit.size);
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(1, fit.size.height() - 2), qRgb(0, 0, 255));
        EXPECT_EQ(image.pixel(fit.size.width() - 2, fit.size.height() - 2), qRgb(0, 255, 0));
    }
    susie->pluginFitStyle = FitStyle::Stretch;
    susie->LoadPicture(picture("p0.x", "TP00", qRgb(200, 100, 50)));
    EXPECT_EQ(susie->Bitmap().image.size(), QSize(16, 16));
    EXPECT_EQ(susie->Bitmap().image.pixel(8, 8), qRgb(200, 100, 50));
    // Without a screen the picture comes as decoded.
    susie->pluginFitScreen = QSize();
    susie->LoadPicture(png);
    EXPECT_EQ(susie->Bitmap().image.size(), QSize(64, 48));
}

TEST_F(TSusieTest, AFifoOrADeviceIsRefusedAtOnceWhateverItsName) {
    const auto susie = host(pluginFolder({{"plain.spi", "plain"}}));
    const QString fifo = scratchFolder() + "pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const char* name : {"x.bmp", "x.jpg", "x.png", "zero.bmp"}) {
        SCOPED_TRACE(name);
        const QString path = scratchFolder() + name;
        const QString target = QString(name).startsWith("zero") ? "/dev/zero" : fifo;
        ASSERT_TRUE(QFile::link(target, path));
        // Reading either would wait for a writer, or never end.
        try {
            susie->LoadPicture(path);
            ADD_FAILURE() << "no error";
        } catch (const PictureError& e) {
            EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
        }
        EXPECT_THROW(TSusie::readBuiltIn(path), PictureError);
    }
}

TEST_F(TSusieTest, DeColorReducesOnlyOnScreensOf8BitsOrFewer) {
    const QString folder = pluginFolder({{"p.spi", "plain"}});
    const QString file = picture("colour.x", "TPLN", qRgb(250, 10, 120), 40, 30);

    auto deep = host(folder, 24);
    deep->LoadPicture(file);
    EXPECT_EQ(screenQuestions_, 0);  // not asked while DeColor is off
    deep->DeColor = true;
    deep->LoadPicture(file);
    EXPECT_EQ(screenQuestions_, 1);
    EXPECT_EQ(deep->Bitmap().image.format(), QImage::Format_RGB888);

    auto shallow = host(folder, 8);
    shallow->DeColor = true;
    shallow->LoadPicture(file);
    const TBitmap& bitmap = shallow->Bitmap();
    ASSERT_EQ(bitmap.image.format(), QImage::Format_Indexed8);
    EXPECT_LE(bitmap.image.colorCount(), 236);
    EXPECT_LE(compareImages(bitmap.image, QImage(40, 30, QImage::Format_RGB888)).sizeDiffers,
              false);
    // The plug-in's 24-bit header makes no palette, and the reduced picture keeps none.
    EXPECT_FALSE(bitmap.palette);

    // JPEG decodes straight to 236 colours; BMP is reduced after reading.
    writeFile(scratchFolder() + "p.jpg", readFile(goldenFolder() + "jpeg/baseline.jpg"));
    shallow->LoadPicture(scratchFolder() + "p.jpg");
    EXPECT_EQ(shallow->Bitmap().image.format(), QImage::Format_Indexed8);
    ASSERT_TRUE(shallow->Bitmap().palette);
    EXPECT_LE(shallow->Bitmap().palette->size(), 236);
    QFile::copy(goldenFolder() + "bmp/rgb24.bmp", scratchFolder() + "p.bmp");
    shallow->LoadPicture(scratchFolder() + "p.bmp");
    EXPECT_EQ(shallow->Bitmap().image.format(), QImage::Format_Indexed8);
    EXPECT_LE(shallow->Bitmap().image.colorCount(), 236);
}

TEST_F(TSusieTest, AHeaderPromisingMoreThanItsBlocksHoldIsAnErrorNamingThePlugin) {
    const auto susie = host(pluginFolder({{"h.spi", "hostile"}}));
    try {
        susie->LoadPicture(picture("hostile.x", "THOS", 0));
        FAIL() << "a 4000 x 3000 header over a 100-byte block was taken";
    } catch (const PictureError& e) {
        EXPECT_TRUE(e.message().contains("h.spi")) << e.message().toStdString();
    }
    EXPECT_TRUE(susie->Bitmap().isEmpty());
}

TEST_F(TSusieTest, ChangingThePluginPathUnloadsAndScansAgain) {
    const QString one = pluginFolder({{"p.spi", "plain"}});
    const QString two = pluginFolder({{"t.spi", "third"}});
    const auto susie = host(one);
    const QString file = picture("p.x", "TPLN", qRgb(1, 1, 1));
    susie->LoadPicture(file);
    EXPECT_FALSE(susie->Bitmap().isEmpty());
    susie->setPluginPath(two);
    EXPECT_THAT(susie->pluginFiles(), ElementsAre(two + "t.spi"));
    susie->LoadPicture(file);
    EXPECT_TRUE(susie->Bitmap().isEmpty());
}

}  // namespace

namespace {

TEST(TSusieShipped, TheShippedPluginsAreFoundInTheProgramFolderAndListedInOrder) {
    TSusie susie;
    EXPECT_EQ(susie.Filter(),
              "All Pictures|*.BMP;*.JPG;*.gif;*.png;*.tif;*.tiff;*.webp|BMP|*.BMP|JPEG|*.JPG|"
              "GIF file|*.gif|PNG file|*.png|TIFF file|*.tif;*.tiff|WebP file|*.webp");
}

class TSusieShippedGolden : public ::testing::TestWithParam<const char*> {};

// Golden pictures of the plug-in formats (those without transparency, whose hidden colours
// may differ), read through the host as the program reads them.
TEST_P(TSusieShippedGolden, ReadsThePicture) {
    TSusie susie;
    const QString file = goldenFolder() + GetParam();
    susie.LoadPicture(file);
    ASSERT_FALSE(susie.Bitmap().isEmpty());
    const ImageDifference d =
        compareImages(susie.Bitmap().image, QImage(file.section(u'.', 0, -2) + ".ref.png"));
    EXPECT_FALSE(d.sizeDiffers);
    EXPECT_LE(d.largest, file.contains("lossy") ? 12 : 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, TSusieShippedGolden,
                         ::testing::Values("png/rgb8.png", "png/palette.png", "png/grey.png",
                                           "png/rgb16.png", "png/interlaced.png", "gif/plain.gif",
                                           "gif/interlaced.gif", "gif/animated.gif",
                                           "gif/offset.gif", "webp/lossless.webp",
                                           "webp/lossy.webp", "tiff/rgb.tif", "tiff/rgb-lzw.tif",
                                           "tiff/multipage.tif", "tiff/grey.tif",
                                           "tiff/palette.tif"),
                         [](const auto& test) {
                             QString name = QString::fromLatin1(test.param).section(u'.', 0, 0);
                             return name.remove(u'/').remove(u'-').toStdString();
                         });

}  // namespace

namespace {

// Plug-ins that crash, hang or misbehave run in the helper process: each costs one picture
// and a message naming it, and the next picture reads as ever.
class TSusieFaultTest : public TSusieTest {
protected:
    void TearDown() override {
        PluginHost::setTimeLimitForTesting(kPluginTimeLimit);
        TSusieTest::TearDown();
    }

    // A plain picture read after the fault, through a plug-in of the same host.
    void expectTheNextPictureReads(TSusie& susie) {
        susie.LoadPicture(picture("next.x", "TPLN", qRgb(9, 8, 7)));
        ASSERT_FALSE(susie.Bitmap().isEmpty());
        EXPECT_EQ(susie.Bitmap().image.pixel(0, 0), qRgb(9, 8, 7));
    }

    static QString errorOf(TSusie& susie, const QString& file) {
        try {
            susie.LoadPicture(file);
        } catch (const PictureError& e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    }
};

TEST_F(TSusieFaultTest, APluginThatCrashesOrHangsWhileScannedIsSkippedForTheRun) {
    PluginHost::setTimeLimitForTesting(std::chrono::milliseconds(1500));
    const QString folder =
        pluginFolder({{"a.spi", "crashinfo"}, {"b.spi", "hanginfo"}, {"c.spi", "plain"}});
    auto susie = host(folder);
    EXPECT_EQ(susie->pluginFiles(), QStringList{folder + "c.spi"});
    EXPECT_FALSE(susie->Filter().contains("crashinfo"));
    EXPECT_EQ(calls().filter("hanginfo:GetPluginInfo").size(), 1);
    expectTheNextPictureReads(*susie);

    // Scanned again, neither is asked again: no second wait for the one that hangs.
    auto again = host(folder);
    EXPECT_EQ(again->pluginFiles(), QStringList{folder + "c.spi"});
    EXPECT_THAT(calls().filter("hanginfo:"), IsEmpty());
}

TEST_F(TSusieFaultTest, ACrashWhileReadingIsAnErrorNamingThePlugin) {
    for (const auto& [plugin, magic] :
         {std::pair{"crashsupported", "TCSU"}, std::pair{"crashpictureinfo", "TCPI"},
          std::pair{"crashpicture", "TCPC"}}) {
        SCOPED_TRACE(plugin);
        auto susie = host(pluginFolder({{"a.spi", plugin}, {"z.spi", "plain"}}));
        const QString name = QStringLiteral("a.spi");
        EXPECT_EQ(errorOf(*susie, picture("p.x", magic, qRgb(1, 2, 3))),
                  QStringLiteral("プラグイン %1 が異常終了しました").arg(name));
        EXPECT_TRUE(susie->Bitmap().isEmpty());
        if (QByteArray(plugin) != "crashsupported")
            expectTheNextPictureReads(*susie);
    }
}

TEST_F(TSusieFaultTest, APluginThatNeverAnswersIsEndedAfterTheTimeLimitAndLeftOutAfterwards) {
    PluginHost::setTimeLimitForTesting(std::chrono::milliseconds(1000));
    auto susie = host(pluginFolder({{"a.spi", "hangpicture"}, {"z.spi", "plain"}}));
    const QString hanging = picture("p.x", "THPC", qRgb(1, 2, 3));
    const QString error = errorOf(*susie, hanging);
    EXPECT_TRUE(error.startsWith(QStringLiteral("プラグイン a.spi が"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("応答しない"))) << error.toStdString();
    expectTheNextPictureReads(*susie);
    // Not asked again, so no second wait: nobody else reads that picture.
    calls();
    EXPECT_EQ(errorOf(*susie, hanging), QStringLiteral("(no error)"));
    EXPECT_TRUE(susie->Bitmap().isEmpty());
    EXPECT_THAT(calls().filter("hangpicture:"), IsEmpty());
}

TEST_F(TSusieFaultTest, ACrashLeavingAChildBehindIsACrashAndTheChildGoesWithTheHelper) {
    // The child holds the helper's socket open: only the helper's own end tells of the crash.
    PluginHost::setTimeLimitForTesting(std::chrono::seconds(30));
    auto susie = host(pluginFolder({{"a.spi", "forkcrash"}, {"z.spi", "plain"}}));
    EXPECT_EQ(errorOf(*susie, picture("p.x", "TFKC", qRgb(1, 2, 3))),
              QStringLiteral("プラグイン a.spi が異常終了しました"));
    const QStringList forked = calls().filter("forkcrash:forked");
    ASSERT_EQ(forked.size(), 1);
    const auto child = static_cast<pid_t>(forked[0].section(u'@', 1).toLong());
    ASSERT_GT(child, 0);
    EXPECT_TRUE(waitUntil([child] { return ::kill(child, 0) != 0; }));
    expectTheNextPictureReads(*susie);
}

TEST_F(TSusieFaultTest, ADescriptorClosedByOnePluginIsStillThereForTheNext) {
    auto susie = host(pluginFolder({{"a.spi", "closefd"}, {"b.spi", "plain"}}));
    susie->LoadPicture(picture("p.x", "TPLN", qRgb(4, 5, 6)));
    ASSERT_FALSE(susie->Bitmap().isEmpty());
    EXPECT_EQ(susie->Bitmap().image.pixel(0, 0), qRgb(4, 5, 6));
    EXPECT_THAT(calls(),
                ElementsAre("closefd:IsSupported@0", "closefd:IsSupported@128",
                            "plain:IsSupported@0", "plain:GetPictureInfo@0", "plain:GetPicture@0"));
}

}  // namespace
