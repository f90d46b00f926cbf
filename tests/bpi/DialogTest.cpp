// The settings dialogs, driven as a user would: what they show, and what they store on OK and
// on キャンセル.

#include "BpiHarness.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace tesselvane::test {
namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::clearSettings();
        ASSERT_EQ(calendar().loadError, "");
        ASSERT_EQ(filter().loadError, "");
    }
    static const Extension& calendar() { return Extension::get(kCalendarFile); }
    static const Extension& filter() { return Extension::get(kColorFilterFile); }

    static std::string stored(const char* key, const char* name) {
        return host::setting(key, name).value_or("<absent>");
    }
};

QPushButton* standardButton(QDialog* dialog, QDialogButtonBox::StandardButton which) {
    auto* box = dialog->findChild<QDialogButtonBox*>();
    return box != nullptr ? box->button(which) : nullptr;
}

void press(QDialog* dialog, QDialogButtonBox::StandardButton which) {
    QPushButton* button = standardButton(dialog, which);
    EXPECT_NE(button, nullptr);
    if (button != nullptr)
        button->click();
    else
        dialog->reject();
}

QStringList items(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; box != nullptr && i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

QStringList labels(const QDialog* dialog) {
    QStringList texts;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

// The "壁紙に使う" check box, failing the test when it is missing.
QCheckBox* switchOf(QDialog* dialog) {
    auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("enabled"));
    EXPECT_NE(box, nullptr) << "no check box to switch the plug-in on";
    return box;
}

// Sets the check box as a user would, by clicking it when it is not as wanted.
void setSwitch(QDialog* dialog, bool on) {
    QCheckBox* box = switchOf(dialog);
    if (box != nullptr && box->isChecked() != on)
        box->click();
}

// Whether the plug-in changes a picture it is handed, with the settings stored now.
bool acts(const Extension& extension) {
    Dib dib = Dib::fromImage(gradientImage(800, 600));
    const std::vector<uint8_t> before = dib.bytes();
    dib.execute(extension);
    return dib.bytes() != before;
}

// Picks `color`, or cancels when it is invalid, in the colour dialog that `button` opens.
void chooseColour(QPushButton* button, const QColor& color) {
    ASSERT_NE(button, nullptr);
    DialogAnswer chooser(
        [color](QDialog* dialog) {
            auto* colours = static_cast<QColorDialog*>(dialog);
            if (!color.isValid()) {
                colours->reject();
                return;
            }
            colours->setCurrentColor(color);
            colours->accept();
        },
        [](QDialog* dialog) { return qobject_cast<QColorDialog*>(dialog) != nullptr; });
    button->click();
    EXPECT_TRUE(chooser.answered());
}

TEST_F(DialogTest, CalendarDialogSpeaksJapanese) {
    DialogAnswer answer([](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("カレンダーの設定"));
        EXPECT_EQ(items(dialog->findChild<QComboBox*>(QStringLiteral("corner"))),
                  QStringList({"左上", "右上", "左下", "右下"}));
        EXPECT_EQ(items(dialog->findChild<QComboBox*>(QStringLiteral("size"))),
                  QStringList({"小", "中", "大"}));
        QCheckBox* enabled = switchOf(dialog);
        ASSERT_NE(enabled, nullptr);
        EXPECT_EQ(enabled->text(), QStringLiteral("壁紙に使う"));
        const QStringList texts = labels(dialog);
        for (const char* label : {"位置", "文字の色", "背景の色", "大きさ"})
            EXPECT_TRUE(texts.contains(QString::fromUtf8(label))) << label;
        QPushButton* ok = standardButton(dialog, QDialogButtonBox::Ok);
        QPushButton* cancel = standardButton(dialog, QDialogButtonBox::Cancel);
        ASSERT_TRUE(ok != nullptr && cancel != nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("OK"));
        EXPECT_EQ(cancel->text(), QStringLiteral("キャンセル"));
        cancel->click();
    });
    calendar().settingPlugIn(0, kHostKey, nullptr);
    EXPECT_TRUE(answer.answered());
}

TEST_F(DialogTest, CalendarDialogStoresTheChoicesThatThePlugInThenUses) {
    DialogAnswer answer([](QDialog* dialog) {
        auto* corner = dialog->findChild<QComboBox*>(QStringLiteral("corner"));
        auto* size = dialog->findChild<QComboBox*>(QStringLiteral("size"));
        ASSERT_TRUE(corner != nullptr && size != nullptr);
        EXPECT_EQ(corner->currentText(), QStringLiteral("右下")) << "not the default";
        EXPECT_EQ(size->currentText(), QStringLiteral("中")) << "not the default";
        setSwitch(dialog, true);
        corner->setCurrentIndex(corner->findText(QStringLiteral("左上")));
        size->setCurrentIndex(size->findText(QStringLiteral("大")));
        chooseColour(dialog->findChild<QPushButton*>(QStringLiteral("textColor")),
                     QColor(0x12, 0x34, 0x56));
        press(dialog, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(calendar().settingPlugIn(0, kHostKey, nullptr), 0);
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(stored(kCalendarKey, "Enabled"), "1");
    EXPECT_EQ(stored(kCalendarKey, "Corner"), "0");
    EXPECT_EQ(stored(kCalendarKey, "Size"), "2");
    EXPECT_EQ(stored(kCalendarKey, "TextColor"), "#123456");
    EXPECT_EQ(stored(kCalendarKey, "BackgroundColor"), "#000000");

    const QImage picture = uniformImage(1600, 900);
    Dib dib = Dib::fromImage(picture);
    dib.execute(calendar());
    const QImage after = dib.toImage();
    const QRect area = changedArea(picture, after);
    EXPECT_TRUE(area.right() < 1600 / 3 && area.bottom() < 900 / 3) << "not at the top left";
    int textPixels = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            textPixels += after.pixel(x, y) == qRgb(0x12, 0x34, 0x56);
    }
    EXPECT_GT(textPixels, 100);
}

TEST_F(DialogTest, CalendarDialogStartsFromTheStoredSettings) {
    host::switchOn(kCalendarKey);
    host::setSetting(kCalendarKey, "Corner", "1");
    host::setSetting(kCalendarKey, "Size", "0");
    host::setSetting(kCalendarKey, "TextColor", "#FF8000");
    host::setSetting(kCalendarKey, "BackgroundColor", "#202040");
    DialogAnswer answer([](QDialog* dialog) {
        auto* corner = dialog->findChild<QComboBox*>(QStringLiteral("corner"));
        auto* size = dialog->findChild<QComboBox*>(QStringLiteral("size"));
        ASSERT_TRUE(corner != nullptr && size != nullptr);
        EXPECT_EQ(corner->currentText(), QStringLiteral("右上"));
        EXPECT_EQ(size->currentText(), QStringLiteral("小"));
        QCheckBox* enabled = switchOf(dialog);
        EXPECT_TRUE(enabled != nullptr && enabled->isChecked());
        // A colour choice given up keeps the colour there was.
        chooseColour(dialog->findChild<QPushButton*>(QStringLiteral("backgroundColor")), QColor());
        press(dialog, QDialogButtonBox::Ok);
    });
    calendar().settingPlugIn(0, kHostKey, nullptr);
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(stored(kCalendarKey, "Enabled"), "1");
    EXPECT_EQ(stored(kCalendarKey, "Corner"), "1");
    EXPECT_EQ(stored(kCalendarKey, "Size"), "0");
    EXPECT_EQ(stored(kCalendarKey, "TextColor"), "#ff8000");
    EXPECT_EQ(stored(kCalendarKey, "BackgroundColor"), "#202040");
}

TEST_F(DialogTest, CancelStoresNothing) {
    {
        DialogAnswer answer([](QDialog* dialog) {
            auto* corner = dialog->findChild<QComboBox*>(QStringLiteral("corner"));
            ASSERT_NE(corner, nullptr);
            setSwitch(dialog, true);
            corner->setCurrentIndex(0);
            chooseColour(dialog->findChild<QPushButton*>(QStringLiteral("textColor")),
                         QColor(1, 2, 3));
            press(dialog, QDialogButtonBox::Cancel);
        });
        EXPECT_EQ(calendar().settingPlugIn(0, kHostKey, nullptr), 0);
        EXPECT_TRUE(answer.answered());
    }
    {
        DialogAnswer answer([](QDialog* dialog) {
            auto* grey = dialog->findChild<QRadioButton*>(QStringLiteral("grayscale"));
            ASSERT_NE(grey, nullptr);
            setSwitch(dialog, true);
            grey->click();
            press(dialog, QDialogButtonBox::Cancel);
        });
        EXPECT_EQ(filter().settingPlugIn(0, kHostKey, nullptr), 0);
        EXPECT_TRUE(answer.answered());
    }
    EXPECT_EQ(host::settingCount(), 0u);
    EXPECT_FALSE(acts(calendar()));
    EXPECT_FALSE(acts(filter()));
}

TEST_F(DialogTest, CancelKeepsAPlugInSwitchedOn) {
    for (const auto& [extension, key] :
         {std::pair(&calendar(), kCalendarKey), std::pair(&filter(), kColorFilterKey)}) {
        SCOPED_TRACE(key);
        host::clearSettings();
        host::switchOn(key);
        DialogAnswer answer([](QDialog* dialog) {
            setSwitch(dialog, false);
            press(dialog, QDialogButtonBox::Cancel);
        });
        EXPECT_EQ(extension->settingPlugIn(0, kHostKey, nullptr), 0);
        EXPECT_TRUE(answer.answered());
        EXPECT_EQ(host::settingCount(), 1u);
        EXPECT_EQ(stored(key, "Enabled"), "1");
        EXPECT_TRUE(acts(*extension));
    }
}

TEST_F(DialogTest, TheCheckBoxSwitchesThePlugInOnAndOff) {
    for (const auto& [extension, key] :
         {std::pair(&calendar(), kCalendarKey), std::pair(&filter(), kColorFilterKey)}) {
        SCOPED_TRACE(key);
        auto answerWith = [extension = extension](bool on) {
            DialogAnswer answer([on](QDialog* dialog) {
                setSwitch(dialog, on);
                press(dialog, QDialogButtonBox::Ok);
            });
            EXPECT_EQ(extension->settingPlugIn(0, kHostKey, nullptr), 0);
            EXPECT_TRUE(answer.answered());
        };
        host::clearSettings();
        // OK without touching it keeps the plug-in off, and says so in the settings.
        {
            DialogAnswer answer([](QDialog* dialog) { press(dialog, QDialogButtonBox::Ok); });
            extension->settingPlugIn(0, kHostKey, nullptr);
            EXPECT_TRUE(answer.answered());
        }
        EXPECT_EQ(stored(key, "Enabled"), "0");
        EXPECT_FALSE(acts(*extension));

        answerWith(true);
        EXPECT_EQ(stored(key, "Enabled"), "1");
        EXPECT_TRUE(acts(*extension));
        answerWith(false);
        EXPECT_EQ(stored(key, "Enabled"), "0");
        EXPECT_FALSE(acts(*extension));
    }
}

TEST_F(DialogTest, TheCheckBoxComesFirstAndLocksNothing) {
    for (const Extension* extension : {&calendar(), &filter()}) {
        DialogAnswer answer([](QDialog* dialog) {
            QCheckBox* enabled = switchOf(dialog);
            ASSERT_NE(enabled, nullptr);
            EXPECT_EQ(enabled->text(), QStringLiteral("壁紙に使う"));
            EXPECT_FALSE(enabled->isChecked()) << "on before the user chose it";
            // Every control the user sets, besides the check box and the dialog's buttons.
            QList<QWidget*> controls;
            for (QWidget* widget : dialog->findChildren<QWidget*>()) {
                const bool control = qobject_cast<QComboBox*>(widget) != nullptr ||
                                     qobject_cast<QAbstractButton*>(widget) != nullptr;
                if (control && widget != enabled &&
                    qobject_cast<QDialogButtonBox*>(widget->parentWidget()) == nullptr)
                    controls << widget;
            }
            ASSERT_FALSE(controls.isEmpty());
            const int top = enabled->mapTo(dialog, QPoint(0, 0)).y();
            for (QWidget* control : controls) {
                SCOPED_TRACE(control->objectName().toStdString());
                EXPECT_LT(top + enabled->height() / 2, control->mapTo(dialog, QPoint(0, 0)).y())
                    << "not below the check box";
            }
            for (const bool on : {false, true, false}) {
                setSwitch(dialog, on);
                for (QWidget* control : controls) {
                    SCOPED_TRACE(control->objectName().toStdString());
                    EXPECT_TRUE(control->isEnabled()) << "locked while the box is " << on;
                }
            }
            press(dialog, QDialogButtonBox::Cancel);
        });
        extension->settingPlugIn(0, kHostKey, nullptr);
        EXPECT_TRUE(answer.answered());
    }
}

TEST_F(DialogTest, ColourFilterDialogStoresTheModeThatThePlugInThenUses) {
    auto choose = [](const char* radio) {
        DialogAnswer answer([radio](QDialog* dialog) {
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("色フィルターの設定"));
            auto* grey = dialog->findChild<QRadioButton*>(QStringLiteral("grayscale"));
            auto* sepia = dialog->findChild<QRadioButton*>(QStringLiteral("sepia"));
            ASSERT_TRUE(grey != nullptr && sepia != nullptr);
            EXPECT_EQ(grey->text(), QStringLiteral("グレースケール"));
            EXPECT_EQ(sepia->text(), QStringLiteral("セピア"));
            EXPECT_EQ(standardButton(dialog, QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
            EXPECT_EQ(standardButton(dialog, QDialogButtonBox::Cancel)->text(),
                      QStringLiteral("キャンセル"));
            // The choice stored last time, sepia when there is none.
            const auto mode = host::setting(kColorFilterKey, "Mode");
            EXPECT_TRUE(mode == "0" ? grey->isChecked() : sepia->isChecked());
            EXPECT_NE(grey->isChecked(), sepia->isChecked());
            dialog->findChild<QRadioButton*>(QString::fromLatin1(radio))->click();
            setSwitch(dialog, true);
            press(dialog, QDialogButtonBox::Ok);
        });
        EXPECT_EQ(filter().settingPlugIn(0, kHostKey, nullptr), 0);
        EXPECT_TRUE(answer.answered());
    };
    auto filtered = [] {
        Dib dib = Dib::fromImage(uniformImage(2, 2, qRgb(255, 0, 0)));
        dib.execute(filter());
        return dib.toImage().pixel(1, 1);
    };

    choose("grayscale");
    EXPECT_EQ(stored(kColorFilterKey, "Enabled"), "1");
    EXPECT_EQ(stored(kColorFilterKey, "Mode"), "0");
    EXPECT_EQ(filtered(), qRgb(76, 76, 76));
    choose("sepia");
    EXPECT_EQ(stored(kColorFilterKey, "Mode"), "1");
    EXPECT_EQ(filtered(), qRgb(100, 89, 69));
}

TEST_F(DialogTest, DialogsSitOnTheHostWindowAndShrugOffBogusOnes) {
    QWidget mainWindow;
    mainWindow.resize(300, 200);
    mainWindow.show();
    const uintptr_t id = mainWindow.winId();
    ASSERT_NE(id, 0u);
    for (const Extension* extension : {&calendar(), &filter()}) {
        for (const uintptr_t window :
             {id, uintptr_t(0), uintptr_t(1), uintptr_t(0xdeadbeef), UINTPTR_MAX}) {
            SCOPED_TRACE(window);
            QWidget* parent = reinterpret_cast<QWidget*>(1);
            DialogAnswer answer([&parent](QDialog* dialog) {
                parent = dialog->parentWidget();
                dialog->reject();
            });
            extension->settingPlugIn(window, kHostKey, nullptr);
            EXPECT_TRUE(answer.answered());
            EXPECT_EQ(parent, window == id ? &mainWindow : nullptr);
        }
    }
}

TEST_F(DialogTest, WorkWithoutKeyOrWithAPicture) {
    Dib picture = Dib::fromImage(gradientImage(640, 480));
    const std::vector<uint8_t> before = picture.bytes();
    for (const Extension* extension : {&calendar(), &filter()}) {
        {
            SCOPED_TRACE("no key");
            DialogAnswer answer([](QDialog* dialog) { press(dialog, QDialogButtonBox::Ok); });
            extension->settingPlugIn(0, nullptr, nullptr);
            EXPECT_TRUE(answer.answered());
        }
        {
            SCOPED_TRACE("with the picture");
            DialogAnswer answer([](QDialog* dialog) { press(dialog, QDialogButtonBox::Ok); });
            EXPECT_EQ(extension->settingPlugIn(0, kHostKey, picture.block()), 0);
            EXPECT_TRUE(answer.answered());
        }
    }
    EXPECT_TRUE(picture.bytes() == before) << "the host's picture is not the dialog's to change";
    EXPECT_EQ(host::settingCount(), 7u) << "only the runs with a key store their settings";
}

}  // namespace
}  // namespace tesselvane::test
