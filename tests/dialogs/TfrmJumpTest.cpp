#include "ProgramFixture.h"
#include "TestFolders.h"
#include "dialogs/TfrmJump.h"
#include "picture/TDataModule1.h"
#include "platform/DesktopService.h"
#include "platform/RegistryStore.h"
#include "platform/Screen.h"
#include "settings/Groups.h"
#include "settings/PictureGlobals.h"
#include "settings/RegIni.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

class TfrmJumpTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        dataModule_ = std::make_unique<TDataModule1>();
        wide_ = picture("wide.bmp", Qt::red, QSize(302, 50));
        small_ = picture("small.bmp", Qt::green, QSize(10, 10));
        SaveGroupNames(*ini_, {"one", "two"});
        SaveGroup(*ini_, "one", GroupKind::FileList, {},
                  {wide_, small_, picture("c.bmp", Qt::blue, QSize(4, 4))});
        SaveGroup(*ini_, "two", GroupKind::FileList, {}, {small_});
        mainBox_.addItems({"one", "two"});
        mainBox_.setCurrentIndex(0);
        PictureIndex = 1;
        jump_ = std::make_unique<TfrmJump>(*ini_, mainBox_, [this] { ++groupChanges_; });
    }
    void TearDown() override {
        jump_.reset();
        dataModule_.reset();
        ProgramFixture::TearDown();
    }
    template <class T>
    T* child(const char* name) {
        return jump_->findChild<T*>(QLatin1String(name));
    }

    std::unique_ptr<TDataModule1> dataModule_;
    QComboBox mainBox_;
    std::unique_ptr<TfrmJump> jump_;
    QString wide_, small_;
    int groupChanges_ = 0;
};

TEST_F(TfrmJumpTest, OpensOnTheMainWindowsGroupAndPicture) {
    jump_->showJump();
    EXPECT_EQ(jump_->windowTitle(), "ジャンプ");
    EXPECT_EQ(child<QComboBox>("cboGroup")->currentText(), "one");
    auto* list = child<QListWidget>("lstList");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "wide.bmp");
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_TRUE(child<QPushButton>("btnOK")->isEnabled());
    // A picture smaller than the preview is enlarged until it fits.
    EXPECT_EQ(child<QLabel>("Image1")->pixmap().size(), QSize(111, 111));
}

TEST_F(TfrmJumpTest, NoCurrentPictureNothingSelected) {
    for (const int index : {-1, 3}) {
        PictureIndex = index;
        jump_->showJump();
        EXPECT_EQ(child<QListWidget>("lstList")->currentRow(), -1);
        EXPECT_FALSE(child<QPushButton>("btnOK")->isEnabled());
        EXPECT_TRUE(child<QLabel>("Image1")->pixmap().isNull());
        jump_->btnCancelClick();
    }
}

TEST_F(TfrmJumpTest, AWidePictureFitsTheWidthOfThePreview) {
    jump_->showJump();
    child<QListWidget>("lstList")->setCurrentRow(0);
    EXPECT_EQ(child<QLabel>("Image1")->pixmap().size(), QSize(151, 25));
}

TEST_F(TfrmJumpTest, AnotherGroupEmptiesThePreviewUntilAPictureIsChosen) {
    jump_->showJump();
    auto* box = child<QComboBox>("cboGroup");
    box->setCurrentIndex(1);
    jump_->cboGroupClick();
    EXPECT_EQ(child<QListWidget>("lstList")->count(), 1);
    EXPECT_FALSE(child<QPushButton>("btnOK")->isEnabled());
    EXPECT_TRUE(child<QLabel>("Image1")->pixmap().isNull());
}

TEST_F(TfrmJumpTest, DecidingMakesThePictureTheWallpaperAndTheGroupTheMainWindowsOwn) {
    jump_->showJump();
    child<QComboBox>("cboGroup")->setCurrentIndex(1);
    jump_->cboGroupClick();
    child<QListWidget>("lstList")->setCurrentRow(0);
    CurrentFile = "/unchanged.bmp";
    child<QPushButton>("btnOK")->click();
    EXPECT_EQ(mainBox_.currentIndex(), 1);
    EXPECT_EQ(groupChanges_, 1);
    EXPECT_EQ(PictureIndex, 0);
    ASSERT_EQ(calls_->size(), 1);
    EXPECT_FALSE(calls_->at(0).file.isEmpty());
    EXPECT_EQ(CurrentFile, "/unchanged.bmp");
    EXPECT_FALSE(jump_->isVisible());
    // It remembers where it was.
    EXPECT_NE(ini_->ReadString("Jump", "Left", "-"), "-");
}

}  // namespace
