#include "NextModal.h"
#include "ProgramFixture.h"
#include "controls/RadioGroup.h"
#include "controls/TSelectFolderDialog.h"
#include "controls/TWinSpinEdit.h"
#include "dialogs/TfrmOption.h"
#include "picture/ExtensionPlugins.h"
#include "picture/PluginHost.h"
#include "picture/TDataModule1.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

QString testPlugin(const QString& file) {
    return QStringLiteral(TESSELVANE_TEST_BIN_DIR "/test-plugins/") + file;
}

class TfrmOptionTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        MyOption = TMyOption();
        CurrentFile.clear();
        dataModule_ = std::make_unique<TDataModule1>();
        dialog_ = std::make_unique<TfrmOption>();
        log_ = scratchFolder() + "bpi.log";
        ::setenv("TESSELVANE_TEST_BPI_LOG", QFile::encodeName(log_).constData(), 1);
        // The plug-in helper takes this test's environment (its log file) when started.
        PluginHost::shared().stop();
    }
    void TearDown() override {
        dialog_.reset();
        FreePlugIns();
        dataModule_.reset();
        MyOption = TMyOption();
        CurrentFile.clear();
        ::unsetenv("TESSELVANE_TEST_BPI_LOG");
        ProgramFixture::TearDown();
    }
    template <class T>
    T* child(const char* name) {
        T* found = dialog_->findChild<T*>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    void press(const char* name) { child<QPushButton>(name)->click(); }
    QString log() {
        QFile file(log_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                              : QString();
    }

    std::unique_ptr<TDataModule1> dataModule_;
    std::unique_ptr<TfrmOption> dialog_;
    QString log_;
};

TEST_F(TfrmOptionTest, ShowsEveryOptionAndOkTakesThemBack) {
    MyOption.UpdateReg = false;
    MyOption.Random = true;
    MyOption.SlideMode = 1;
    MyOption.SlideTime = 7;
    MyOption.PluginPath = "/opt/spi";
    MyOption.UseJpeg = false;
    MyOption.UseSound = true;
    MyOption.SoundFile = "/sounds/chime.wav";
    MyOption.SoundPos = 1;
    dialog_->show();
    EXPECT_EQ(dialog_->windowTitle(), "オプション");
    EXPECT_EQ(dialog_->size(), QSize(345, 258));
    EXPECT_FALSE(child<QCheckBox>("chkUpdateIni")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("chkRandom")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("optManual")->isChecked());
    EXPECT_FALSE(child<TWinSpinEdit>("speTime")->isEnabled());
    EXPECT_EQ(child<TWinSpinEdit>("speTime")->text(), "7");
    EXPECT_EQ(child<QLineEdit>("edtPlugPath")->text(), "/opt/spi");
    EXPECT_FALSE(child<QCheckBox>("chkJpeg")->isChecked());
    EXPECT_EQ(child<QLineEdit>("edtSoundFile")->text(), "/sounds/chime.wav");
    EXPECT_EQ(child<RadioGroup>("rgTimming")->itemIndex(), 1);

    child<QRadioButton>("optAuto")->click();
    EXPECT_TRUE(child<TWinSpinEdit>("speTime")->isEnabled());
    child<QCheckBox>("chkFitScreen")->click();
    child<QLineEdit>("edtPlugPath")->setText("/opt/other-spi");
    press("btnOk");
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(MyOption.SlideMode, 0);
    EXPECT_TRUE(MyOption.FitScreen);
    EXPECT_EQ(MyOption.PluginPath, "/opt/other-spi");  // as typed: no "/" added
    EXPECT_EQ(Susie1->PluginPath(), "/opt/other-spi/");
    EXPECT_FALSE(Susie1->InJpeg);
    EXPECT_EQ(MyOption.SoundFile, "/sounds/chime.wav");
}

TEST_F(TfrmOptionTest, HowToFitIsChosenOnlyWhileFittingIsOnAndApplyTakesIt) {
    MyOption.FitScreen = false;
    MyOption.FitStyle = 2;
    dialog_->show();
    auto* style = child<QComboBox>("cboFitStyle");
    EXPECT_EQ(style->count(), 3);
    EXPECT_EQ(style->itemText(0), "引き伸ばす");
    EXPECT_EQ(style->itemText(1), "全体を表示");
    EXPECT_EQ(style->itemText(2), "画面を埋める");
    EXPECT_EQ(style->currentIndex(), 2);
    EXPECT_FALSE(style->isEnabled());
    child<QCheckBox>("chkFitScreen")->click();
    EXPECT_TRUE(style->isEnabled());
    style->setCurrentIndex(1);
    press("btnUpdate");
    EXPECT_TRUE(MyOption.FitScreen);
    EXPECT_EQ(MyOption.FitStyle, 1);
    // Kept, though not in use, while fitting is off.
    child<QCheckBox>("chkFitScreen")->click();
    EXPECT_FALSE(style->isEnabled());
    press("btnOk");
    EXPECT_FALSE(MyOption.FitScreen);
    EXPECT_EQ(MyOption.FitStyle, 1);
}

TEST_F(TfrmOptionTest, APictureForEachMonitorIsChosenAndTakenByApplyAndOk) {
    MyOption.MonitorPictures = true;
    dialog_->show();
    auto* monitors = child<QComboBox>("cboMonitors");
    EXPECT_EQ(monitors->accessibleName(), "モニター");
    EXPECT_EQ(monitors->itemText(0), "すべてのモニターに同じ壁紙");
    EXPECT_EQ(monitors->itemText(1), "モニターごとに別の壁紙");
    EXPECT_EQ(monitors->currentIndex(), 1);
    monitors->setCurrentIndex(0);
    press("btnUpdate");
    EXPECT_FALSE(MyOption.MonitorPictures);
    monitors->setCurrentIndex(1);
    press("btnOk");
    EXPECT_TRUE(MyOption.MonitorPictures);
}

TEST_F(TfrmOptionTest, WithoutTheSoundItsControlsRestButKeepAndWriteBackTheirContents) {
    MyOption.UseSound = false;
    MyOption.SoundFile = "/sounds/chime.wav";
    MyOption.SoundPos = 1;
    dialog_->show();
    EXPECT_FALSE(child<QLineEdit>("edtSoundFile")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("btnSound")->isEnabled());
    EXPECT_FALSE(child<RadioGroup>("rgTimming")->isEnabled());
    child<QCheckBox>("chkSound")->click();
    EXPECT_TRUE(child<QPushButton>("btnSound")->isEnabled());
    child<QCheckBox>("chkSound")->click();
    press("btnUpdate");
    EXPECT_FALSE(MyOption.UseSound);
    EXPECT_EQ(MyOption.SoundFile, "/sounds/chime.wav");
    EXPECT_EQ(MyOption.SoundPos, 1);
}

TEST_F(TfrmOptionTest, ASlideTimeOutOfRangeIsShownAndWrittenBackAsTheNearerBound) {
    MyOption.SlideTime = 90;
    dialog_->show();
    EXPECT_EQ(child<TWinSpinEdit>("speTime")->text(), "60");
    press("btnUpdate");
    EXPECT_EQ(MyOption.SlideTime, 60);
}

TEST_F(TfrmOptionTest, EveryApplyLooksAtThePlugInFolderAgainAndCancelKeepsWhatWasApplied) {
    const QString folder = scratchFolder() + "spi";
    QDir().mkpath(folder);
    ASSERT_TRUE(QFile::copy(testPlugin("plain.spi"), folder + "/plain.spi"));
    MyOption.PluginPath = folder;
    dialog_->show();
    press("btnUpdate");
    EXPECT_EQ(Susie1->pluginFiles(), QStringList{folder + "/plain.spi"});
    ASSERT_TRUE(QFile::copy(testPlugin("third.spi"), folder + "/third.spi"));
    child<QCheckBox>("chkRandom")->click();
    press("btnUpdate");  // the same folder: looked at again all the same
    EXPECT_EQ(Susie1->pluginFiles().size(), 2);
    press("btnCancel");
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_TRUE(MyOption.Random);
}

TEST_F(TfrmOptionTest, AFolderThatDoesNotExistGivesAHostWithoutPlugInsAndNoMessage) {
    dialog_->show();
    child<QLineEdit>("edtPlugPath")->setText("/no/such/folder");
    press("btnUpdate");
    EXPECT_TRUE(Susie1->pluginFiles().isEmpty());
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(TfrmOptionTest, SettingsOpenForTheChosenPlugInWithTheCurrentPictureOrNone) {
    const QString folder = scratchFolder() + "bpi/";
    QDir().mkpath(folder);
    ASSERT_TRUE(QFile::copy(testPlugin("order5.bpi"), folder + "order5.bpi"));
    LoadPlugIns(folder);
    dialog_->show();
    auto* list = child<QListWidget>("lstPlugIn");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), PlugIns[0].Name);
    press("btnSetting");
    EXPECT_EQ(log(), "");  // nothing chosen, nothing done

    list->setCurrentRow(0);
    press("btnSetting");
    EXPECT_EQ(log(), "order5:Setting \\SOFTWARE\\Morvanti\\TESSEL\\PlugIn no picture");
    QFile::remove(log_);
    CurrentFile = picture("now.bmp", QColor(10, 20, 30), QSize(6, 4));
    press("btnSetting");
    EXPECT_EQ(log(), "order5:Setting \\SOFTWARE\\Morvanti\\TESSEL\\PlugIn 6x4 10,20,30");
    EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(TfrmOptionTest, TheSoundAndFolderChoosersFillTheirBoxes) {
    const QString sound = scratchFolder() + "ding.wav";
    QFile(sound).open(QIODevice::WriteOnly);
    MyOption.UseSound = true;
    dialog_->show();
    onNextModal([&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        ASSERT_TRUE(files);
        EXPECT_EQ(files->fileMode(), QFileDialog::ExistingFile);
        EXPECT_TRUE(files->nameFilters().join(";").contains("*.wav"));
        // As a user types the name.
        files->findChild<QLineEdit*>("fileNameEdit")->setText(sound);
        QMetaObject::invokeMethod(files, "accept");
    });
    press("btnSound");
    EXPECT_EQ(child<QLineEdit>("edtSoundFile")->text(), sound);

    QString title;
    onNextModal([&](QWidget*) {
        title = dialog_->SelectFolderDialog1->Title();
        auto* folders = dialog_->SelectFolderDialog1->DialogHandle()->findChild<QFileDialog*>();
        ASSERT_TRUE(folders);
        // As a user types the path: a selection made in code is lost when Qt has not listed
        // the folder yet, or when the name box has the focus.
        folders->findChild<QLineEdit*>("fileNameEdit")->setText(scratchFolder().chopped(1));
        QMetaObject::invokeMethod(folders, "accept");
    });
    press("Button4");
    EXPECT_EQ(title, "Susieプラグインの存在場所");
    EXPECT_EQ(child<QLineEdit>("edtPlugPath")->text(), scratchFolder().chopped(1));
}

TEST_F(TfrmOptionTest, ReopensOnTheTabLastShownAndEscapeClosesNothing) {
    dialog_->show();
    EXPECT_EQ(child<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet1");
    child<QTabWidget>("PageControl1")->setCurrentIndex(3);
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog_->isVisible());
    press("btnCancel");
    dialog_->show();
    EXPECT_EQ(child<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet4");
    QStringList titles;
    for (int i = 0; i < 5; ++i)
        titles.append(child<QTabWidget>("PageControl1")->tabText(i));
    EXPECT_EQ(titles, QStringList({"基本", "スライド", "Susie Plug-in", "サウンド", "プラグイン"}));
}

}  // namespace
