#include "NextModal.h"
#include "ProgramFixture.h"
#include "TestFolders.h"
#include "picture/TDataModule1.h"
#include "platform/ProgramPaths.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"
#include "slide/TMorvSlide.h"
#include "slide/TfrmSlide.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QtTest/QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

class TfrmSlideTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        MyOption = TMyOption();
        PictureList = {picture("r.bmp", Qt::red), picture("g.bmp", Qt::green),
                       picture("b.bmp", Qt::blue)};
        dataModule_ = std::make_unique<TDataModule1>();
        frmSlide_ = std::make_unique<TfrmSlide>();
    }
    void TearDown() override {
        frmSlide_.reset();
        dataModule_.reset();
        PictureList.clear();
        MyOption = TMyOption();
        ProgramFixture::TearDown();
    }

    // Shows the window modally, runs `whileShown` in it, and ends the show from its menu.
    void show(const std::function<void()>& whileShown) {
        bool ran = false;
        onNextModal([&](QWidget* modal) {
            ran = true;
            EXPECT_EQ(modal, frmSlide_.get());
            whileShown();
            frmSlide_->mnuExit->trigger();
        });
        frmSlide_->exec();
        ASSERT_TRUE(ran);
        EXPECT_FALSE(frmSlide_->isVisible());
        EXPECT_FALSE(slide().timer()->isActive());
    }
    TMorvSlide& slide() { return *frmSlide_->MorvSlide1; }
    QColor shown() {
        const QImage& image = slide().picture();
        return image.isNull() ? QColor() : image.pixelColor(0, 0);
    }

    std::unique_ptr<TDataModule1> dataModule_;
    std::unique_ptr<TfrmSlide> frmSlide_;
};

TEST_F(TfrmSlideTest, TheMenuHasItsItemsInOrderEachNamedForScreenReaders) {
    QMenu* menu = frmSlide_->PopupMenu1;
    EXPECT_EQ(slide().PopupMenuR(), menu);
    EXPECT_EQ(slide().PopupMenuL(), nullptr);
    const QList<QAction*> actions = menu->actions();
    QStringList names, captions;
    for (QAction* action : actions) {
        names.append(action->objectName());
        captions.append(action->isSeparator() ? "-" : action->text());
    }
    EXPECT_EQ(names, QStringList(
                         {"mnuForward", "mnuBack", "N3", "K1", "N1", "mnuTimer", "N2", "mnuExit"}));
    EXPECT_EQ(captions, QStringList({"次へ(&N)", "前へ(&P)", "-", "壁紙として設定(&W)", "-",
                                     "一時停止(&C)", "-", "終了(&X)"}));
    EXPECT_TRUE(frmSlide_->mnuTimer->isCheckable());

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(accessible, nullptr);
    ASSERT_EQ(accessible->childCount(), actions.size());
    for (int i = 0; i < accessible->childCount(); ++i) {
        if (actions[i]->isSeparator())
            continue;
        EXPECT_FALSE(accessible->child(i)->text(QAccessible::Name).isEmpty())
            << names[i].toStdString();
    }
    EXPECT_FALSE(slide().surface()->accessibleName().isEmpty());
}

TEST_F(TfrmSlideTest, AnAutomaticShowStepsByTimeAndByClickPausesAndSetsTheWallpaper) {
    MyOption.SlideTime = 3;
    MyOption.SlideMode = 0;
    MyOption.Random = true;  // the wallpaper's order; the show keeps the list's
    show([&] {
        // The whole monitor, full screen as the desktop knows it.
        const QRect monitor = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(frmSlide_->geometry(), monitor);
        EXPECT_TRUE(frmSlide_->windowState() & Qt::WindowFullScreen);
        EXPECT_TRUE(frmSlide_->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(frmSlide_->palette().color(QPalette::Window), QColor(Qt::black));
        EXPECT_TRUE(slide().surface()->isVisible());
        EXPECT_EQ(slide().surface()->geometry(), QRect(QPoint(0, 0), monitor.size()));
        EXPECT_FALSE(slide().Random());
        EXPECT_EQ(slide().Size(), TSize::szNormal);
        EXPECT_EQ(slide().Files(), PictureList);
        EXPECT_EQ(shown(), QColor(Qt::red));
        EXPECT_TRUE(slide().timer()->isActive());
        EXPECT_EQ(slide().timer()->interval(), 3000);

        slide().timerTick();
        EXPECT_EQ(shown(), QColor(Qt::green));
        QTest::mouseClick(slide().surface(), Qt::LeftButton, {}, QPoint(400, 300));
        EXPECT_EQ(shown(), QColor(Qt::blue));
        EXPECT_FALSE(frmSlide_->PopupMenu1->isVisible());
        slide().timerTick();
        EXPECT_EQ(shown(), QColor(Qt::red));  // round again
        EXPECT_TRUE(slide().timer()->isActive());

        // The right button opens the window's menu at the pointer.
        QTest::mousePress(slide().surface(), Qt::RightButton, {}, QPoint(100, 120));
        EXPECT_TRUE(frmSlide_->PopupMenu1->isVisible());
        EXPECT_EQ(frmSlide_->PopupMenu1->pos(), QPoint(100, 120));
        frmSlide_->PopupMenu1->hide();

        frmSlide_->mnuTimer->trigger();
        EXPECT_TRUE(frmSlide_->mnuTimer->isChecked());
        EXPECT_FALSE(slide().timer()->isActive());
        frmSlide_->mnuForward->trigger();
        EXPECT_EQ(shown(), QColor(Qt::green));
        frmSlide_->mnuBack->trigger();
        frmSlide_->mnuBack->trigger();
        EXPECT_EQ(shown(), QColor(Qt::blue));
        EXPECT_FALSE(slide().timer()->isActive());

        frmSlide_->K1->trigger();
        const QString file = windowsFolder() + "$tessel.bmp";
        EXPECT_EQ(QImage(file, "BMP").pixelColor(0, 0), QColor(Qt::blue));
        ASSERT_EQ(calls_->size(), 1);
        EXPECT_EQ(calls_->at(0).file, file);
        EXPECT_TRUE(calls_->at(0).persist);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);

        // Escape is no way out.
        QTest::keyClick(frmSlide_.get(), Qt::Key_Escape);
        EXPECT_TRUE(frmSlide_->isVisible());
    });

    // Left paused, it comes back running, in the mode the options now say.
    show([&] {
        EXPECT_FALSE(frmSlide_->mnuTimer->isChecked());
        EXPECT_TRUE(slide().timer()->isActive());
        EXPECT_EQ(shown(), QColor(Qt::red));
    });
    MyOption.SlideMode = 1;
    MyOption.SlideTime = 5;
    PictureList.removeFirst();
    show([&] {
        EXPECT_EQ(slide().Files(), PictureList);
        EXPECT_EQ(shown(), QColor(Qt::green));
        EXPECT_FALSE(slide().timer()->isActive());
        frmSlide_->mnuTimer->trigger();
        EXPECT_TRUE(frmSlide_->mnuTimer->isChecked());
        frmSlide_->mnuTimer->trigger();
        EXPECT_FALSE(frmSlide_->mnuTimer->isChecked());
        EXPECT_FALSE(slide().timer()->isActive());
        QTest::mouseClick(slide().surface(), Qt::LeftButton, {}, QPoint(1, 1));
        EXPECT_EQ(shown(), QColor(Qt::blue));
    });
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(TfrmSlideTest, AnEmptyGroupShowsBlackAndTheMenuStillWorks) {
    PictureList.clear();
    show([&] {
        EXPECT_TRUE(slide().picture().isNull());
        frmSlide_->mnuForward->trigger();
        frmSlide_->mnuBack->trigger();
        EXPECT_EQ(slide().CurrentIndex(), -1);
        const QImage onScreen = frmSlide_->grab().toImage();
        EXPECT_EQ(onScreen.pixelColor(400, 300), QColor(Qt::black));
        // No picture: no file, but the wallpaper is set to the file's path.
        frmSlide_->K1->trigger();
        EXPECT_FALSE(QFile::exists(windowsFolder() + "$tessel.bmp"));
        ASSERT_EQ(calls_->size(), 1);
        EXPECT_EQ(calls_->at(0).file, windowsFolder() + "$tessel.bmp");
    });
}

}  // namespace
