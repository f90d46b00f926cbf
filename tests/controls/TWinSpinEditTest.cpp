#include "controls/Beep.h"
#include "controls/TWinSpinEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

class TWinSpinEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        setBeepHook([this] { ++beeps_; });
        window_.resize(300, 100);
        edit_ = new TWinSpinEdit(&window_);
        edit_->setGeometry(10, 10, 80, 30);
        edit_->OnChange = [this](QObject* sender) {
            EXPECT_EQ(sender, edit_);
            changes_.push_back(edit_->text());
        };
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        edit_->setFocus();
    }
    void TearDown() override { setBeepHook({}); }

    void range(qint64 low, qint64 high) {
        edit_->setMinValue(low);
        edit_->setMaxValue(high);
    }
    // Each character pressed and released, as a user types it.
    void type(const QString& keys) {
        for (QChar c : keys)
            QTest::keyClick(edit_, c.toLatin1());
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(edit_, key, modifiers);
    }
    void selectAllAndType(const QString& keys) {
        edit_->selectAll();
        type(keys);
    }
    void clickUpDown(UpDownButton::Direction direction) {
        UpDownButton* button = edit_->upDown();
        const QPoint at(button->width() / 2,
                        direction == UpDownButton::Direction::Up ? 2 : button->height() - 3);
        QTest::mouseClick(button, Qt::LeftButton, {}, at);
    }
    void leave() {
        QWidget other(&window_);
        other.setFocusPolicy(Qt::StrongFocus);
        other.show();
        other.setFocus();
        QApplication::processEvents();
    }

    QWidget window_;
    TWinSpinEdit* edit_ = nullptr;
    int beeps_ = 0;
    QStringList changes_;
};

TEST_F(TWinSpinEditTest, StartsAsZeroWithTheRangeOffAndSteppingUnbounded) {
    EXPECT_EQ(edit_->text(), "0");
    EXPECT_EQ(edit_->Value(), 0);
    EXPECT_EQ(edit_->Increment(), 1);
    EXPECT_TRUE(edit_->EditorEnabled());
    EXPECT_EQ(edit_->MaxLength(), 0);
    selectAllAndType("123456789012");
    key(Qt::Key_Home);
    type("-");  // a lone "-" would be no number, and become the lowest value at its release
    EXPECT_EQ(edit_->Value(), -123456789012);
    key(Qt::Key_Down);
    EXPECT_EQ(edit_->text(), "-123456789013");
    EXPECT_EQ(beeps_, 0);
}

TEST_F(TWinSpinEditTest, TypedTextComesIntoRangeAtTheKeysRelease) {
    range(0, 60);
    edit_->setMaxLength(2);
    selectAllAndType("7");
    EXPECT_EQ(edit_->text(), "7");
    type("5");
    EXPECT_EQ(edit_->text(), "60");  // 75, brought down when the 5 was released
    edit_->selectAll();
    key(Qt::Key_Delete);
    EXPECT_EQ(edit_->text(), "0");  // no number at all: the lowest
    range(1, 60);
    selectAllAndType("-");
    EXPECT_EQ(edit_->text(), "1");
}

TEST_F(TWinSpinEditTest, APastedNegativeNumberStaysUntilTheFieldIsLeft) {
    range(0, 60);
    QApplication::clipboard()->setText("-3");
    edit_->selectAll();
    edit_->paste();  // as the context menu does: no key is released afterwards
    EXPECT_EQ(edit_->text(), "-3");
    leave();
    EXPECT_EQ(edit_->text(), "0");
}

TEST_F(TWinSpinEditTest, ArrowKeysAndTheButtonStepAndStopAtTheBoundsWithoutAChange) {
    range(0, 60);
    edit_->setValue(59);
    changes_.clear();
    key(Qt::Key_Up);
    EXPECT_EQ(edit_->text(), "60");
    key(Qt::Key_Up);
    clickUpDown(UpDownButton::Direction::Up);
    EXPECT_EQ(edit_->text(), "60");
    EXPECT_EQ(changes_, QStringList{"60"});  // only the one real change
    clickUpDown(UpDownButton::Direction::Down);
    EXPECT_EQ(edit_->text(), "59");
    edit_->setIncrement(25);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(edit_->text(), "0");
    EXPECT_EQ(edit_->upDown()->position(), 0);  // put back after every release
}

TEST_F(TWinSpinEditTest, ReturnAndLettersAreRefusedWithABeep) {
    range(0, 60);
    selectAllAndType("4");
    type("x");
    key(Qt::Key_Return);
    key(Qt::Key_Enter);
    EXPECT_EQ(edit_->text(), "4");
    EXPECT_EQ(beeps_, 3);
    // The decimal separator is a keystroke the control takes; the text is then no number.
    type(".");
    EXPECT_EQ(beeps_, 3);
    EXPECT_EQ(edit_->text(), "0");
}

TEST_F(TWinSpinEditTest, WithTheEditorOffNothingIsTypedErasedCutOrPastedButStepsWork) {
    range(0, 60);
    edit_->setValue(10);
    edit_->setEditorEnabled(false);
    edit_->setCursorPosition(2);
    type("5");
    key(Qt::Key_Backspace);
    key(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(beeps_, 3);
    EXPECT_EQ(edit_->text(), "10");
    const int beeps = beeps_;
    QApplication::clipboard()->setText("33");
    edit_->selectAll();
    key(Qt::Key_V, Qt::ControlModifier);
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit_->text(), "10");
    EXPECT_EQ(QApplication::clipboard()->text(), "33");
    EXPECT_EQ(beeps_, beeps);  // silently
    key(Qt::Key_Up);
    clickUpDown(UpDownButton::Direction::Up);
    EXPECT_EQ(edit_->text(), "12");
}

TEST_F(TWinSpinEditTest, TheContextMenusCutAndPasteDoNothingWhileEditingIsOff) {
    edit_->setValue(10);
    edit_->setEditorEnabled(false);
    QApplication::clipboard()->setText("33");
    edit_->selectAll();
    QMenu* shown = nullptr;
    QTimer::singleShot(0, [&] {
        shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!shown)
            return;
        for (QAction* action : shown->actions()) {
            if (action->objectName() == "edit-paste" || action->objectName() == "edit-cut")
                action->trigger();
        }
        shown->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                            edit_->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit_, &event);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown != nullptr; }));
    EXPECT_EQ(edit_->text(), "10");
    EXPECT_EQ(beeps_, 0);
}

TEST_F(TWinSpinEditTest, ReadOnlyStepsBeepAndChangeNothing) {
    range(0, 60);
    edit_->setValue(5);
    edit_->setReadOnly(true);
    key(Qt::Key_Up);
    key(Qt::Key_Down);
    clickUpDown(UpDownButton::Direction::Up);
    EXPECT_EQ(edit_->text(), "5");
    EXPECT_EQ(beeps_, 3);
}

TEST_F(TWinSpinEditTest, ANewRangeWaitsForTheNextKeyReleaseFocusLossStepOrWrite) {
    edit_->setValue(50);
    range(0, 10);
    EXPECT_EQ(edit_->text(), "50");
    EXPECT_EQ(edit_->Value(), 50);  // read unclamped
    leave();
    EXPECT_EQ(edit_->text(), "10");
    edit_->setValue(-4);
    EXPECT_EQ(edit_->text(), "0");
}

TEST_F(TWinSpinEditTest, NeverLowerThanItsMinimumHeightAndTextStaysClearOfTheButton) {
    const int minimum = edit_->MinimumHeight();
    EXPECT_GT(minimum, edit_->fontMetrics().height());
    edit_->resize(80, 5);
    EXPECT_EQ(edit_->height(), minimum);
    edit_->resize(120, minimum + 10);
    const QRect button = edit_->upDown()->geometry();
    EXPECT_EQ(button.width(), 15);
    EXPECT_LE(button.right(), edit_->width() - 1);
    EXPECT_GE(edit_->textMargins().right(), button.width());
}

TEST_F(TWinSpinEditTest, ThePropertiesCarryTheDesignsNames) {
    edit_->setProperty("MinValue", qint64(1));
    edit_->setProperty("MaxValue", qint64(60));
    edit_->setProperty("Value", qint64(90));
    EXPECT_EQ(edit_->property("Value").toLongLong(), 60);
    edit_->setProperty("MaxLength", 2);
    EXPECT_EQ(edit_->maxLength(), 2);
    edit_->setProperty("MaxLength", 0);
    EXPECT_EQ(edit_->property("MaxLength").toInt(), 0);
    EXPECT_TRUE(edit_->setProperty("EditorEnabled", false));
    EXPECT_FALSE(edit_->EditorEnabled());
    EXPECT_TRUE(edit_->setProperty("ReadOnly", true));
    EXPECT_TRUE(edit_->isReadOnly());
}

}  // namespace
