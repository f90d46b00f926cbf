#include "ProgramFixture.h"
#include "TestFolders.h"
#include "picture/JpegCodec.h"
#include "picture/TSusie.h"
#include "platform/FolderReader.h"
#include "slide/TMorvSlide.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;

namespace {

class TMorvSlideTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        owner_ = std::make_unique<QWidget>();
        owner_->resize(800, 600);
        slide_ = new TMorvSlide(owner_.get());
        slide_->setSusie(&host_);
    }
    void TearDown() override {
        owner_.reset();
        ProgramFixture::TearDown();
    }

    // Three solid pictures, red, green and blue.
    QStringList threePictures() {
        return {picture("r.bmp", Qt::red), picture("g.bmp", Qt::green), picture("b.bmp", Qt::blue)};
    }
    // The colour in the middle of the picture on view; invalid for none.
    QColor shown() const {
        const QImage& image = slide_->picture();
        if (image.isNull())
            return {};
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }
    void expectRestored() {
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(slide_->surface()->isVisible() || !owner_->isVisible());
    }

    TSusie host_;
    std::unique_ptr<QWidget> owner_;
    TMorvSlide* slide_ = nullptr;
};

TEST_F(TMorvSlideTest, StepsInListOrderWrappingAtBothEnds) {
    slide_->setFiles(threePictures());
    owner_->show();
    slide_->Start();
    EXPECT_TRUE(slide_->surface()->isVisible());
    EXPECT_EQ(slide_->surface()->geometry(), owner_->rect());
    std::vector<int> seen{slide_->CurrentIndex()};
    std::vector<QColor> colours{shown()};
    for (int i = 0; i < 3; ++i) {
        slide_->ShowNext();
        seen.push_back(slide_->CurrentIndex());
        colours.push_back(shown());
    }
    EXPECT_THAT(seen, ElementsAre(0, 1, 2, 0));
    EXPECT_THAT(colours,
                ElementsAre(QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue), QColor(Qt::red)));
    slide_->ShowPrevious();
    EXPECT_EQ(slide_->CurrentIndex(), 2);
    EXPECT_EQ(shown(), QColor(Qt::blue));
    // A shorter list given since the last step: back steps stay inside it.
    slide_->setFiles(threePictures().mid(0, 1));
    slide_->ShowPrevious();
    EXPECT_EQ(slide_->CurrentIndex(), 0);
    EXPECT_EQ(shown(), QColor(Qt::red));

    // The surface keeps covering the owner.
    owner_->resize(300, 200);
    EXPECT_EQ(slide_->surface()->geometry(), QRect(0, 0, 300, 200));
    slide_->Stop();
    EXPECT_FALSE(slide_->surface()->isVisible());
}

TEST_F(TMorvSlideTest, RandomOrderNeverShowsAnEntryTwiceRunning) {
    slide_->setRandom(true);
    const QStringList files = threePictures();

    slide_->setFiles(files.mid(0, 1));
    slide_->Start();
    std::vector<int> one{slide_->CurrentIndex()};
    for (int i = 0; i < 3; ++i) {
        slide_->ShowNext();
        one.push_back(slide_->CurrentIndex());
    }
    EXPECT_THAT(one, ElementsAre(0, 0, 0, 0));

    // One value to draw from, so it alternates.
    slide_->setFiles(files.mid(0, 2));
    slide_->Start();
    std::vector<int> two{slide_->CurrentIndex()};
    for (int i = 0; i < 3; ++i) {
        slide_->ShowNext();
        two.push_back(slide_->CurrentIndex());
    }
    EXPECT_THAT(two, ElementsAre(0, 1, 0, 1));

    QStringList many = files;
    for (int i = 0; i < 3; ++i)
        many.append(picture(QStringLiteral("m%1.bmp").arg(i), Qt::gray));
    slide_->setFiles(many);
    slide_->Start();
    std::set<int> reached;
    int last = slide_->CurrentIndex();
    for (int i = 0; i < 200; ++i) {
        slide_->ShowNext();
        const int index = slide_->CurrentIndex();
        ASSERT_NE(index, last);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, many.size());
        reached.insert(index);
        last = index;
    }
    EXPECT_EQ(reached.size(), static_cast<size_t>(many.size()));

    // No entries: nothing to step to.
    slide_->setFiles({});
    slide_->Start();
    slide_->ShowNext();
    slide_->ShowPrevious();
    EXPECT_EQ(slide_->CurrentIndex(), -1);
    EXPECT_TRUE(slide_->picture().isNull());
}

TEST_F(TMorvSlideTest, TheTimerStepsOnlyInAutomaticModeAndWhileNotPaused) {
    slide_->setFiles(threePictures());
    owner_->show();

    // Automatic with an interval of 0: the show stays on its first picture.
    slide_->setMode(TMode::mdAuto);
    slide_->Start();
    EXPECT_TRUE(slide_->timerEnabled());
    EXPECT_FALSE(slide_->timer()->isActive());
    QTest::qWait(20);
    EXPECT_EQ(slide_->CurrentIndex(), 0);

    // The interval takes effect at the next Start.
    slide_->setInterval(3000);
    EXPECT_FALSE(slide_->timer()->isActive());
    slide_->Start();
    EXPECT_TRUE(slide_->timer()->isActive());
    EXPECT_EQ(slide_->timer()->interval(), 3000);
    slide_->timerTick();
    EXPECT_EQ(slide_->CurrentIndex(), 1);
    EXPECT_TRUE(slide_->timer()->isActive());
    expectRestored();

    // Paused, a step by hand shows a picture and leaves the timer off; resuming runs it.
    slide_->Pause(true);
    EXPECT_FALSE(slide_->timer()->isActive());
    slide_->ShowNext();
    EXPECT_EQ(slide_->CurrentIndex(), 2);
    EXPECT_FALSE(slide_->timer()->isActive());
    slide_->ShowPrevious();
    EXPECT_FALSE(slide_->timer()->isActive());
    slide_->Pause(false);
    EXPECT_TRUE(slide_->timer()->isActive());

    slide_->Stop();
    EXPECT_FALSE(slide_->timer()->isActive());
    EXPECT_FALSE(slide_->surface()->isVisible());

    // Manual: neither Start nor resuming runs the timer.
    slide_->setMode(TMode::mdManual);
    slide_->Start();
    EXPECT_FALSE(slide_->timer()->isActive());
    slide_->Pause(true);
    slide_->Pause(false);
    EXPECT_FALSE(slide_->timer()->isActive());
    EXPECT_FALSE(slide_->timerEnabled());
}

TEST_F(TMorvSlideTest, AFolderIsCollectedDepthFirstWithoutHiddenEntries) {
    const QString root = scratchFolder() + "tree/";
    picture("tree/a.bmp", Qt::red);
    picture("tree/sub/b.bmp", Qt::green);
    picture("tree/sub/deeper/c.bmp", Qt::blue);
    picture("tree/z.bmp", Qt::gray);
    picture("tree/.hidden.bmp", Qt::black);
    picture("tree/.hiddenfolder/d.bmp", Qt::black);
    // A link back up the tree is not followed round for ever.
    ASSERT_TRUE(QFile::link(root, root + "sub/up"));

    // What the file system lists, in its own order, with each folder where it is met.
    std::function<void(const QString&, QStringList&)> expected = [&](const QString& folder,
                                                                     QStringList& out) {
        FolderReader reader(folder);
        FolderEntry entry;
        while (reader.next(entry)) {
            if (entry.name.startsWith('.') || entry.name == "up")
                continue;
            if (entry.isFolder)
                expected(folder + entry.name + "/", out);
            else
                out.append(folder + entry.name);
        }
    };
    QStringList want;
    expected(root, want);
    ASSERT_EQ(want.size(), 4);

    slide_->setStyle(TStyle::stFolder);
    slide_->setFolder(scratchFolder() + "tree");  // without the final "/"
    slide_->setFiles({"/not/collected.bmp"});
    slide_->Start();
    EXPECT_EQ(slide_->Files(), want);
    EXPECT_EQ(slide_->CurrentIndex(), 0);

    slide_->setFolder(scratchFolder() + "missing");
    slide_->Start();
    EXPECT_TRUE(slide_->Files().isEmpty());
    EXPECT_TRUE(slide_->picture().isNull());
}

TEST_F(TMorvSlideTest, FitCoversTheWindowKeepingTheAspect) {
    EXPECT_EQ(fitSize(QSize(800, 600), QSize(400, 400)), QSize(800, 800));
    EXPECT_EQ(fitSize(QSize(1024, 768), QSize(640, 480)), QSize(1024, 768));
    EXPECT_EQ(fitSize(QSize(800, 600), QSize(1600, 400)), QSize(2400, 600));
    // Truncated, not rounded: 7 * 100 / 6 is 116.67.
    EXPECT_EQ(fitSize(QSize(100, 100), QSize(6, 7)), QSize(100, 116));
    EXPECT_TRUE(fitSize(QSize(800, 600), QSize(0, 400)).isEmpty());
    EXPECT_TRUE(fitSize(QSize(800, 600), QSize(400, 0)).isEmpty());

    slide_->setFiles({picture("square.bmp", Qt::red, QSize(400, 400))});
    owner_->show();
    slide_->setSize(TSize::szFit);
    slide_->Start();
    EXPECT_EQ(slide_->picture().size(), QSize(800, 800));
    // Centred: the top and bottom 100 rows are outside the window.
    const QImage onScreen = slide_->surface()->grab().toImage();
    EXPECT_EQ(onScreen.size(), QSize(800, 600));
    EXPECT_EQ(onScreen.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(onScreen.pixelColor(799, 599), QColor(Qt::red));

    // The other sizes keep the picture as it was read; szFull stretches it when drawn.
    slide_->setSize(TSize::szFull);
    slide_->ShowNext();
    EXPECT_EQ(slide_->picture().size(), QSize(400, 400));
    EXPECT_EQ(slide_->surface()->grab().toImage().pixelColor(0, 0), QColor(Qt::red));
    slide_->setSize(TSize::szNormal);
    slide_->ShowNext();
    EXPECT_EQ(slide_->picture().size(), QSize(400, 400));
    EXPECT_NE(slide_->surface()->grab().toImage().pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(TMorvSlideTest, APictureAtItsOwnSizeTakesOneDevicePixelPerPixelOnEveryScale) {
    slide_->setFiles({picture("square.bmp", Qt::red, QSize(101, 100))});
    owner_->show();
    slide_->setSize(TSize::szNormal);
    slide_->Start();
    for (const qreal ratio : {1.0, 2.0, 1.5}) {
        QImage target(QSize(800, 600) * ratio, QImage::Format_RGB32);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::black);
        slide_->surface()->render(&target);
        int wide = 0, high = 0;
        for (int x = 0; x < target.width(); ++x)
            wide += target.pixelColor(x, target.height() / 2) == QColor(Qt::red);
        for (int y = 0; y < target.height(); ++y)
            high += target.pixelColor(target.width() / 2, y) == QColor(Qt::red);
        EXPECT_EQ(wide, 101) << ratio;
        EXPECT_EQ(high, 100) << ratio;
    }
}

TEST_F(TMorvSlideTest, MissingUnreadableAndDamagedFilesShowNothingAndTheShowGoesOn) {
    const QString damaged = scratchFolder() + "damaged.bmp";
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BM broken");
    }
    const QString unreadable = scratchFolder() + "notes.txt";
    {
        QFile file(unreadable);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }
    const QString good = picture("good.bmp", Qt::green);
    slide_->setFiles({scratchFolder() + "missing.bmp", damaged, unreadable, good});
    slide_->setMode(TMode::mdAuto);
    slide_->setInterval(1000);
    owner_->show();

    for (const TSize size : {TSize::szNormal, TSize::szFull, TSize::szFit}) {
        slide_->setSize(size);
        slide_->Start();
        EXPECT_TRUE(slide_->picture().isNull());
        for (int step = 1; step <= 2; ++step) {
            slide_->timerTick();
            EXPECT_EQ(slide_->CurrentIndex(), step);
            EXPECT_TRUE(slide_->picture().isNull());
            EXPECT_TRUE(slide_->timer()->isActive());
            expectRestored();
        }
        slide_->timerTick();
        EXPECT_EQ(shown(), QColor(Qt::green));
    }
    EXPECT_TRUE(boxes_.empty());

    // Without an image host every entry is empty; a host destroyed is forgotten.
    auto host = std::make_unique<TSusie>();
    slide_->setSusie(host.get());
    host.reset();
    EXPECT_EQ(slide_->Susie(), nullptr);
    slide_->ShowNext();
    EXPECT_TRUE(slide_->picture().isNull());
    expectRestored();
}

TEST_F(TMorvSlideTest, ReadingAheadChangesNeitherWhatIsShownNorWhen) {
    const QString damaged = scratchFolder() + "damaged.bmp";
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BM broken");
    }
    const QStringList files = {picture("r.bmp", Qt::red, QSize(40, 30)),
                               picture("g.bmp", Qt::green, QSize(30, 40)), damaged,
                               picture("b.bmp", Qt::blue, QSize(10, 10))};
    slide_->setFiles(files);
    slide_->setSize(TSize::szFit);
    slide_->setMode(TMode::mdAuto);
    slide_->setInterval(1000);
    owner_->show();
    slide_->Start();
    EXPECT_EQ(slide_->readAheadIndex(), 1);

    // The next one read ahead, drawn as it would have been at its turn.
    const QList<QPair<QColor, QSize>> expected = {{Qt::green, QSize(800, 1066)},
                                                  {QColor(), QSize(0, 0)},
                                                  {Qt::blue, QSize(800, 800)},
                                                  {Qt::red, QSize(800, 600)}};
    for (const auto& [colour, size] : expected) {
        // Stopped here, running after the tick: the interval is counted again from this
        // display, not from the one before.
        slide_->timer()->stop();
        slide_->timerTick();
        EXPECT_EQ(shown(), colour);
        EXPECT_EQ(slide_->picture().size(), size);
        EXPECT_TRUE(slide_->timer()->isActive());
        expectRestored();
    }

    // A file changed after it was read ahead is read again.
    EXPECT_EQ(slide_->readAheadIndex(), 1);
    picture("g.bmp", Qt::yellow, QSize(60, 60));
    slide_->timerTick();
    EXPECT_EQ(shown(), QColor(Qt::yellow));
    // So is one for a window of another size.
    EXPECT_EQ(slide_->readAheadIndex(), 2);
    slide_->timerTick();
    slide_->timerTick();
    EXPECT_EQ(slide_->readAheadIndex(), 0);
    owner_->resize(400, 400);
    slide_->timerTick();
    EXPECT_EQ(slide_->picture().size(), QSize(533, 400));

    // Nothing is read ahead where the next entry is not known, or no timer steps to it.
    slide_->Pause(true);
    slide_->ShowNext();
    EXPECT_EQ(slide_->readAheadIndex(), -1);
    slide_->Pause(false);
    EXPECT_EQ(slide_->readAheadIndex(), 2);
    slide_->Stop();
    EXPECT_EQ(slide_->readAheadIndex(), -1);
    slide_->setRandom(true);
    slide_->Start();
    EXPECT_EQ(slide_->readAheadIndex(), -1);
    slide_->setRandom(false);
    slide_->setMode(TMode::mdManual);
    slide_->Start();
    EXPECT_EQ(slide_->readAheadIndex(), -1);
}

// A photo-like JPEG: smooth gradients that every good scaler takes to nearly the same
// pixels, tinted by `tint` so that pictures can be told apart.
QString jpegPhoto(const QString& path, QSize size, QColor tint) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(
                x, y,
                qRgb((tint.red() + 255 * x / size.width()) / 2,
                     (tint.green() + 255 * y / size.height()) / 2, (tint.blue() + 128) / 2));
        }
    }
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(encodeJpeg(image, 95));
    return path;
}

// The largest difference of a channel between two pictures of the same size, and the mean.
std::pair<int, double> difference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int largest = 0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                largest = std::max(largest, std::abs(d));
                sum += std::abs(d);
            }
        }
    }
    return {largest, sum / (3.0 * x.width() * x.height())};
}

TEST_F(TMorvSlideTest, AJpegDrawnSmallerIsReadAtTheSizeItIsDrawn) {
    // Larger than the window both ways, and of another aspect.
    const QString first = jpegPhoto(scratchFolder() + "a.jpg", QSize(1200, 1000), Qt::red);
    const QString second = scratchFolder() + "b.jpg";
    ASSERT_TRUE(QFile::copy(first, second));
    host_.LoadPicture(first);
    const QImage whole = host_.takeBitmap().image;
    ASSERT_EQ(whole.size(), QSize(1200, 1000));
    slide_->setFiles({first, second});
    owner_->show();

    for (const auto& [size, drawn] :
         {std::pair{TSize::szFull, QSize(800, 600)}, std::pair{TSize::szFit, QSize(800, 666)}}) {
        // What the full picture, scaled, would have shown.
        const QImage expected =
            whole.scaled(drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        slide_->setSize(size);

        // Read at its turn.
        slide_->setMode(TMode::mdManual);
        slide_->Start();
        slide_->ShowNext();
        ASSERT_EQ(slide_->CurrentIndex(), 1);
        const QImage atItsTurn = slide_->picture();
        ASSERT_EQ(atItsTurn.size(), drawn);
        const auto [largest, mean] = difference(atItsTurn, expected);
        EXPECT_LT(largest, 24);
        EXPECT_LT(mean, 2.0);

        // Read ahead: the same picture.
        slide_->setMode(TMode::mdAuto);
        slide_->setInterval(1000);
        slide_->Start();
        ASSERT_EQ(slide_->readAheadIndex(), 1);
        slide_->timerTick();
        EXPECT_EQ(slide_->CurrentIndex(), 1);
        EXPECT_EQ(slide_->picture(), atItsTurn);
        expectRestored();
        EXPECT_FALSE(host_.jpegSizeHint.isValid());  // the shared host is left as it was
    }

    // szNormal draws the picture at its own size, and so reads it whole.
    slide_->setSize(TSize::szNormal);
    slide_->Start();
    EXPECT_EQ(slide_->picture().size(), QSize(1200, 1000));
    slide_->timerTick();
    EXPECT_EQ(slide_->picture().size(), QSize(1200, 1000));
    EXPECT_EQ(slide_->picture(), whole);

    // In szFull the picture read ahead is for this window: one of another size reads again.
    slide_->setSize(TSize::szFull);
    slide_->Start();
    ASSERT_EQ(slide_->readAheadIndex(), 1);
    owner_->resize(600, 500);
    slide_->timerTick();
    EXPECT_EQ(slide_->picture().size(), QSize(600, 500));
}

TEST_F(TMorvSlideTest, APictureReadAheadThatIsNoLongerNextIsNeverShown) {
    const QStringList files = {jpegPhoto(scratchFolder() + "r.jpg", QSize(1600, 1200), Qt::red),
                               jpegPhoto(scratchFolder() + "g.jpg", QSize(1600, 1200), Qt::green),
                               jpegPhoto(scratchFolder() + "b.jpg", QSize(1600, 1200), Qt::blue)};
    const auto blueOf = [](const QImage& image) {
        return qBlue(image.pixel(image.width() / 2, image.height() / 2));
    };
    slide_->setFiles(files);
    slide_->setSize(TSize::szFit);
    slide_->setMode(TMode::mdAuto);
    slide_->setInterval(1000);
    owner_->show();
    slide_->Start();
    ASSERT_EQ(slide_->readAheadIndex(), 1);

    // Stepped back instead: the entry before, and the next one read ahead anew.
    slide_->ShowPrevious();
    EXPECT_EQ(slide_->CurrentIndex(), 2);
    EXPECT_GT(blueOf(slide_->picture()), 160);
    EXPECT_EQ(slide_->readAheadIndex(), 0);

    // The file changed after it was read ahead: what it holds now is shown.
    jpegPhoto(files[0], QSize(1200, 1200), Qt::blue);
    slide_->timerTick();
    EXPECT_EQ(slide_->CurrentIndex(), 0);
    EXPECT_EQ(slide_->picture().size(), QSize(800, 800));
    EXPECT_GT(blueOf(slide_->picture()), 160);
}

TEST_F(TMorvSlideTest, SetAsWallpaperWritesThePictureOnViewAndSetsItsPath) {
    slide_->setFiles({picture("wall.bmp", Qt::blue, QSize(30, 20))});
    const QString path = slide_->WindowsDir + "$tessel.bmp";
    EXPECT_TRUE(slide_->WindowsDir.endsWith("/tesselvane/system/"));

    // Nothing on view yet: no file, but the wallpaper is set to its path all the same.
    slide_->SetAsWallpaper("$tessel.bmp");
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_EQ(calls_->size(), 1);
    EXPECT_EQ(calls_->at(0).file, path);
    EXPECT_TRUE(calls_->at(0).persist);

    slide_->Start();
    slide_->SetAsWallpaper("$tessel.bmp");
    const QImage written(path, "BMP");
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.size(), QSize(30, 20));
    EXPECT_EQ(written.pixelColor(0, 0), QColor(Qt::blue));
    ASSERT_EQ(calls_->size(), 2);
    EXPECT_EQ(calls_->at(1).file, path);
    EXPECT_EQ(calls_->at(1).pictureSize, QSize(30, 20));
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "Wallpaper")->toText(), path);

    // A path far beyond 255 characters is used whole.
    slide_->WindowsDir = scratchFolder() + QString(120, 'd') + "/" + QString(120, 'e') + "/";
    const QString longName = QString(60, 'w') + ".bmp";
    slide_->SetAsWallpaper(longName);
    EXPECT_GT((slide_->WindowsDir + longName).size(), 255);
    EXPECT_TRUE(QFile::exists(slide_->WindowsDir + longName));
    EXPECT_EQ(calls_->back().file, slide_->WindowsDir + longName);
}

TEST_F(TMorvSlideTest, MouseEventsArePassedOnAndPressesOpenTheMenus) {
    struct Event {
        QString what;
        QObject* sender;
        Qt::MouseButton button;
        int x, y;
    };
    std::vector<Event> events;
    slide_->setOnMouseDown([&](QObject* s, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        events.push_back({"down", s, b, x, y});
    });
    slide_->setOnMouseUp([&](QObject* s, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        events.push_back({"up", s, b, x, y});
    });
    slide_->setOnClick([&](QObject* s) { events.push_back({"click", s, Qt::NoButton, 0, 0}); });
    slide_->setOnMouseMove([&](QObject* s, Qt::KeyboardModifiers, int x, int y) {
        events.push_back({"move", s, Qt::NoButton, x, y});
    });
    auto left = std::make_unique<QMenu>();
    auto right = std::make_unique<QMenu>();
    left->addAction("l");
    right->addAction("r");
    owner_->show();
    slide_->Start();
    QWidget* surface = slide_->surface();

    // Without menus, a left click is a press, a click and a release.
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(10, 20));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].what, "down");
    EXPECT_EQ(events[0].sender, surface);
    EXPECT_EQ(events[0].button, Qt::LeftButton);
    EXPECT_EQ(events[0].x, 10);
    EXPECT_EQ(events[0].y, 20);
    EXPECT_EQ(events[1].what, "click");
    EXPECT_EQ(events[1].sender, surface);
    EXPECT_EQ(events[2].what, "up");
    QMouseEvent move(QEvent::MouseMove, QPointF(30, 40), surface->mapToGlobal(QPointF(30, 40)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
    EXPECT_EQ(events.back().what, "move");
    EXPECT_EQ(events.back().x, 30);

    // The right button opens the right menu at the pointer; a release opens nothing.
    slide_->setPopupMenuL(left.get());
    slide_->setPopupMenuR(right.get());
    events.clear();
    QTest::mousePress(surface, Qt::RightButton, {}, QPoint(50, 60));
    EXPECT_TRUE(right->isVisible());
    EXPECT_FALSE(left->isVisible());
    EXPECT_EQ(right->pos(), surface->mapToGlobal(QPoint(50, 60)));
    right->hide();
    QTest::mouseRelease(surface, Qt::RightButton, {}, QPoint(50, 60));
    EXPECT_FALSE(right->isVisible());
    EXPECT_FALSE(left->isVisible());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].what, "up");

    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(left->isVisible());
    EXPECT_FALSE(right->isVisible());
    left->hide();
    QTest::mousePress(surface, Qt::MiddleButton, {}, QPoint(5, 5));
    EXPECT_FALSE(left->isVisible());
    EXPECT_FALSE(right->isVisible());

    // Menus destroyed are forgotten.
    left.reset();
    right.reset();
    EXPECT_EQ(slide_->PopupMenuL(), nullptr);
    EXPECT_EQ(slide_->PopupMenuR(), nullptr);
    QTest::mousePress(surface, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(surface, Qt::RightButton, {}, QPoint(5, 5));
}

}  // namespace
