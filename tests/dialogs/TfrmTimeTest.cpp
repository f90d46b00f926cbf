#include "NextModal.h"
#include "ProgramFixture.h"
#include "controls/RadioGroup.h"
#include "controls/TSelectFolderDialog.h"
#include "controls/TWinSpinEdit.h"
#include "dialogs/TfrmSetWeekday.h"
#include "dialogs/TfrmTime.h"
#include "settings/Options.h"
#include "settings/WeekdayKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// Catches what would open in the browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TfrmTimeTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        MyOption = TMyOption();
        MyOption.Time.Path = "/stored/dates";
        mainBox_.addItems({"Sea", "Hills"});
        weekday_ = std::make_unique<TfrmSetWeekday>(*ini_, mainBox_);
        dialog_ = std::make_unique<TfrmTime>(*ini_, *weekday_);
    }
    void TearDown() override {
        dialog_.reset();
        weekday_.reset();
        MyOption = TMyOption();
        ProgramFixture::TearDown();
    }
    template <class T>
    T* child(const char* name) {
        T* found = dialog_->findChild<T*>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    TWinSpinEdit* interval() { return child<TWinSpinEdit>("spedtTime"); }
    RadioGroup* unit() { return child<RadioGroup>("rgTime"); }
    QCheckBox* boot() { return child<QCheckBox>("chkTimeBoot"); }
    void press(const char* name) { child<QAbstractButton>(name)->click(); }

    QComboBox mainBox_;
    std::unique_ptr<TfrmSetWeekday> weekday_;
    std::unique_ptr<TfrmTime> dialog_;
};

TEST_F(TfrmTimeTest, OnlyTheIntervalModeEnablesTheIntervalAndOkKeepsWhatItShows) {
    MyOption.Time = {.Option = 3,
                     .Path = "/pics/by-date/",
                     .Scale = 2,
                     .Value = 45,
                     .TimeBoot = true,
                     .SetWeekday = true};
    dialog_->show();
    EXPECT_TRUE(child<QRadioButton>("optEveryWeekday")->isChecked());
    EXPECT_FALSE(interval()->isEnabled());
    EXPECT_FALSE(unit()->isEnabled());
    EXPECT_FALSE(boot()->isEnabled());
    EXPECT_EQ(interval()->text(), "45");
    EXPECT_EQ(unit()->itemIndex(), 2);
    EXPECT_TRUE(boot()->isChecked());
    EXPECT_TRUE(child<QCheckBox>("chkWeekday")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("btnWeekday")->isEnabled());
    EXPECT_TRUE(child<QToolButton>("spdPath")->isEnabled());
    EXPECT_EQ(child<QLineEdit>("edtPath")->text(), "/pics/by-date/");
    EXPECT_TRUE(child<QLineEdit>("edtPath")->isReadOnly());

    child<QRadioButton>("optTimer")->click();
    EXPECT_TRUE(interval()->isEnabled());
    EXPECT_TRUE(unit()->isEnabled());
    child<QRadioButton>("optEveryWeekday")->click();
    press("btnOK");
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(MyOption.Time.Option, 3);
    EXPECT_EQ(MyOption.Time.Path, "/pics/by-date/");  // no separator added or removed
    EXPECT_EQ(MyOption.Time.Scale, 2);
    EXPECT_EQ(MyOption.Time.Value, 45);
    EXPECT_TRUE(MyOption.Time.TimeBoot);
    EXPECT_TRUE(MyOption.Time.SetWeekday);
}

TEST_F(TfrmTimeTest, ACancelledChangeDoesNotSurviveIntoTheNextShowing) {
    MyOption.Time.Option = 1;
    MyOption.Time.Value = 10;
    dialog_->show();
    EXPECT_TRUE(interval()->isEnabled());
    child<QRadioButton>("optEveryDay")->click();
    interval()->setValue(0);  // 0 is a value the interval takes
    press("btnCancel");
    EXPECT_EQ(MyOption.Time.Option, 1);
    EXPECT_EQ(MyOption.Time.Value, 10);
    dialog_->show();
    EXPECT_TRUE(child<QRadioButton>("optTimer")->isChecked());
    EXPECT_EQ(interval()->text(), "10");
    interval()->setValue(0);
    press("btnOK");
    EXPECT_EQ(MyOption.Time.Value, 0);
}

TEST_F(TfrmTimeTest, AModeOutOfRangeTicksNothingAndOkKeepsIt) {
    MyOption.Time.Option = 9;
    dialog_->show();
    for (int mode = 0; mode < 6; ++mode)
        EXPECT_FALSE(dialog_->modeButton(mode)->isChecked()) << mode;
    press("btnOK");
    EXPECT_EQ(MyOption.Time.Option, 9);
}

TEST_F(TfrmTimeTest, TheWeekdayTableIsStoredByItsOwnOkEvenWhenTheScheduleIsCancelled) {
    dialog_->show();
    child<QCheckBox>("chkWeekday")->click();
    onNextModal([](QWidget* modal) {
        auto* weekday = dynamic_cast<TfrmSetWeekday*>(modal);
        ASSERT_TRUE(weekday);
        weekday->dayList(2)->setCurrentIndex(1);
        weekday->findChild<QPushButton*>("btnOK")->click();
    });
    press("btnWeekday");
    press("btnCancel");
    EXPECT_EQ(ini_->ReadString(weekdayKey(2), "GroupName", ""), "Hills");
    EXPECT_FALSE(MyOption.Time.SetWeekday);
}

TEST_F(TfrmTimeTest, TheFolderComesFromTheFolderDialogPreselectingTheShownOne) {
    const QString dates = scratchFolder() + "dates";
    const QString other = scratchFolder() + "other";
    QDir().mkpath(dates);
    QDir().mkpath(other);
    MyOption.Time.Path = dates + "/";
    dialog_->show();
    QString initial;
    onNextModal([&](QWidget*) {
        initial = dialog_->SelectFolderDialog1->InitFolderName();
        auto* files = dialog_->SelectFolderDialog1->DialogHandle()->findChild<QFileDialog*>();
        ASSERT_TRUE(files);
        files->selectFile(other);
        QMetaObject::invokeMethod(files, "accept");
    });
    press("spdPath");
    EXPECT_EQ(initial, dates + "/");
    EXPECT_EQ(dialog_->SelectFolderDialog1->InitialFolder(), TSpecialFolder::sfCustom);
    EXPECT_EQ(child<QLineEdit>("edtPath")->text(), other);

    onNextModal([&](QWidget* modal) { modal->close(); });
    press("spdPath");
    EXPECT_EQ(child<QLineEdit>("edtPath")->text(), other);  // cancelled: nothing changes
}

TEST_F(TfrmTimeTest, HelpOpensItsTopicAndThePlaceIsKept) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    dialog_->show();
    press("btnHelp");
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].fragment(), "ctx-16");
    EXPECT_TRUE(catcher.urls[0].path().endsWith("/TESSEL.html"));

    dialog_->move(33, 44);
    press("btnCancel");
    EXPECT_EQ(ini_->ReadInteger("Time", "Left", -1), dialog_->frameGeometry().left());
    dialog_->show();
    EXPECT_EQ(dialog_->frameGeometry().topLeft(),
              QPoint(ini_->ReadInteger("Time", "Left", -1), ini_->ReadInteger("Time", "Top", -1)));
}

TEST_F(TfrmTimeTest, TheTabOrderFollowsTheDialog) {
    dialog_->show();
    QStringList chain;
    QWidget* w = child<QWidget>("optEveryTime");
    for (int i = 0; i < 19; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
        chain.append(w->objectName());
    }
    EXPECT_EQ(chain,
              QStringList({"optEveryTime", "optTimer", "spedtTime", "rgTime0", "rgTime1", "rgTime2",
                           "chkTimeBoot", "chkWeekday", "btnWeekday", "optEveryDay",
                           "optEveryWeekday", "optEveryWeek", "optEveryMonth", "edtPath", "spdPath",
                           "btnOK", "btnCancel", "btnHelp", "optEveryTime"}));
}

}  // namespace

#include "TfrmTimeTest.moc"
