#include "NextModal.h"
#include "ProgramFixture.h"
#include "dialogs/TfrmSetWeekday.h"
#include "settings/WeekdayKeys.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

class TfrmSetWeekdayTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        mainBox_.addItems({"Sea", "Hills", "Town"});
        dialog_ = std::make_unique<TfrmSetWeekday>(*ini_, mainBox_);
    }
    void TearDown() override {
        dialog_.reset();
        ProgramFixture::TearDown();
    }
    QString stored(int day) { return ini_->ReadString(weekdayKey(day), "GroupName", "<absent>"); }
    void press(const char* name) { dialog_->findChild<QPushButton*>(name)->click(); }

    QComboBox mainBox_;
    std::unique_ptr<TfrmSetWeekday> dialog_;
};

TEST_F(TfrmSetWeekdayTest, ShowsEachDaysGroupFoundWithoutRegardToCase) {
    ini_->WriteString(weekdayKey(0), "GroupName", "sea");
    ini_->WriteString(weekdayKey(3), "GroupName", "Town");
    ini_->WriteString(weekdayKey(5), "GroupName", "Gone");  // renamed or removed since
    dialog_->show();
    for (int day = 0; day < kWeekdays; ++day) {
        QComboBox* list = dialog_->dayList(day);
        EXPECT_EQ(list->count(), 3) << day;
        EXPECT_FALSE(list->isEditable()) << day;
    }
    EXPECT_EQ(dialog_->dayList(0)->currentText(), "Sea");
    EXPECT_EQ(dialog_->dayList(3)->currentText(), "Town");
    EXPECT_EQ(dialog_->dayList(5)->currentIndex(), -1);
    EXPECT_EQ(dialog_->dayList(6)->currentIndex(), -1);
    EXPECT_EQ(dialog_->windowTitle(), "曜日別グループの設定");
}

TEST_F(TfrmSetWeekdayTest, OkStoresTheWholeTableAndCancelNothing) {
    ini_->WriteString(weekdayKey(5), "GroupName", "Gone");
    dialog_->show();
    dialog_->dayList(1)->setCurrentIndex(1);
    press("btnCancel");
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(stored(1), "<absent>");

    dialog_->show();
    dialog_->dayList(1)->setCurrentIndex(1);
    dialog_->dayList(6)->setCurrentIndex(2);
    press("btnOK");
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(stored(0), "");
    EXPECT_EQ(stored(1), "Hills");
    EXPECT_EQ(stored(5), "");  // a vanished group is no longer named
    EXPECT_EQ(stored(6), "Town");
}

TEST_F(TfrmSetWeekdayTest, RemembersWhereItWasAndKeepsTheTabOrder) {
    dialog_->show();
    dialog_->move(120, 90);
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(ini_->ReadInteger("SetWeekday", "Left", -1), dialog_->frameGeometry().left());
    EXPECT_EQ(ini_->ReadInteger("SetWeekday", "Top", -1), dialog_->frameGeometry().top());

    QStringList chain;
    QWidget* w = dialog_->dayList(0);
    for (int i = 0; i < 9; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
        chain.append(w->objectName());
    }
    EXPECT_EQ(chain, QStringList({"cboGroup1", "cboGroup2", "cboGroup3", "cboGroup4", "cboGroup5",
                                  "cboGroup6", "cboGroup7", "btnCancel", "btnOK"}));
}

}  // namespace
