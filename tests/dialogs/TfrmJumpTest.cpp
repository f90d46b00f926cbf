#include "ProgramFixture.h"
#include "TestFolders.h"
#include "dialogs/TVersionInfo.h"
#include "dialogs/TfrmJump.h"
#include "picture/TDataModule1.h"
#include "platform/DesktopService.h"
#include "platform/ProgramVersion.h"
#include "platform/RegistryStore.h"
#include "platform/Screen.h"
#include "settings/Groups.h"
#include "settings/PictureGlobals.h"
#include "settings/RegIni.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
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

TEST_F(TfrmJumpTest, TheGroupIsTakenByItsNameAndOneThatWentIsSaid) {
    jump_->showJump();
    child<QComboBox>("cboGroup")->setCurrentIndex(1);
    jump_->cboGroupClick();
    child<QListWidget>("lstList")->setCurrentRow(0);
    // A group above it went while the dialog was open: "two" is now first.
    mainBox_.removeItem(0);
    mainBox_.insertItem(1, "three");
    child<QPushButton>("btnOK")->click();
    EXPECT_EQ(mainBox_.currentText(), "two");
    ASSERT_EQ(calls_->size(), 1);

    // And the group itself went: said, and nothing changes.
    jump_->showJump();
    child<QComboBox>("cboGroup")->setCurrentIndex(0);
    jump_->cboGroupClick();
    child<QListWidget>("lstList")->setCurrentRow(0);
    mainBox_.clear();
    mainBox_.addItem("three");
    const int index = PictureIndex;
    child<QPushButton>("btnOK")->click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "グループ two はもうありません");
    EXPECT_EQ(calls_->size(), 1);
    EXPECT_EQ(PictureIndex, index);
    EXPECT_TRUE(jump_->isVisible());
}

TEST_F(TfrmJumpTest, OpensOnTheFifthPictureAndPreviewsIt) {
    QStringList six;
    for (int i = 0; i < 6; ++i)
        six.append(picture(QString("six/%1.bmp").arg(i), QColor(40 * i, 0, 0), QSize(20, 10)));
    SaveGroup(*ini_, "two", GroupKind::FileList, {}, six);
    mainBox_.setCurrentIndex(1);
    PictureIndex = 4;
    jump_->showJump();
    EXPECT_EQ(child<QListWidget>("lstList")->currentRow(), 4);
    const QImage shown = child<QLabel>("Image1")->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(151, 75));
    EXPECT_EQ(shown.pixelColor(75, 37).red(), 160);
}

TEST_F(TfrmJumpTest, APictureNoReaderTakesLeavesThePreviewEmptyButCanBeChosen) {
    const QString broken = scratchFolder() + "broken.bmp";
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM this is no bitmap at all");
    file.close();
    SaveGroup(*ini_, "two", GroupKind::FileList, {}, {small_, broken});
    jump_->showJump();
    child<QComboBox>("cboGroup")->setCurrentIndex(1);
    jump_->cboGroupClick();
    child<QListWidget>("lstList")->setCurrentRow(0);
    child<QListWidget>("lstList")->setCurrentRow(1);
    EXPECT_TRUE(child<QLabel>("Image1")->pixmap().isNull());
    EXPECT_TRUE(child<QPushButton>("btnOK")->isEnabled());
    EXPECT_TRUE(boxes_.empty());
}

TEST(VersionText, FirstNumberThenSecondAndThirdRunTogether) {
    const auto text = [](quint32 a, quint32 b, quint32 c, quint32 d) {
        return tesselvane::versionText(a << 16 | b, c << 16 | d);
    };
    EXPECT_EQ(text(3, 4, 5, 6), "3.45");
    EXPECT_EQ(text(1, 0, 2, 0), "1.02");
    EXPECT_EQ(text(1, 10, 3, 0), "1.103");
    EXPECT_EQ(text(2, 0, 0, 9), "2.00");
    EXPECT_EQ(text(65535, 65535, 65535, 65535), "65535.6553565535");
}

}  // namespace
