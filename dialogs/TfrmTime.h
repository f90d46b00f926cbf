#pragma once

#include "dialogs/FormDialog.h"

#include <memory>

class QRadioButton;

namespace Ui {
class TfrmTime;
}

namespace tesselvane {

class RegIni;
class TSelectFolderDialog;
class TfrmSetWeekday;

// When the wallpaper changes: the schedule mode, the interval and its unit, the folder of
// the date modes, a change at start as well, and whether the group follows the weekday.
// Edits MyOption.Time in memory only; OK takes the controls into it.
class TfrmTime : public FormDialog {
public:
    TfrmTime(RegIni& ini, TfrmSetWeekday& setWeekday, QWidget* parent = nullptr);
    ~TfrmTime() override;

    void OptClick();
    void spdPathClick();
    void btnWeekdayClick();
    void btnHelpClick();
    void btnOKClick();
    void btnCancelClick();

    // The mode buttons in the order of the mode numbers 0 to 5.
    QRadioButton* modeButton(int mode) const;
    TSelectFolderDialog* SelectFolderDialog1 = nullptr;

private:
    void FormShow() override;

    TfrmSetWeekday& setWeekday_;
    std::unique_ptr<Ui::TfrmTime> ui_;
};

}  // namespace tesselvane
