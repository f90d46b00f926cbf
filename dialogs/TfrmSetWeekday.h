#pragma once

#include "dialogs/FormDialog.h"

#include <memory>

class QComboBox;

namespace Ui {
class TfrmSetWeekday;
}

namespace tesselvane {

class RegIni;

// Which group each day of the week uses: one list per day, Sunday to Saturday, of the main
// window's groups. OK stores the table at once.
class TfrmSetWeekday : public FormDialog {
public:
    // `mainGroupBox` is the main window's group box, whose entries the lists offer.
    TfrmSetWeekday(RegIni& ini, const QComboBox& mainGroupBox, QWidget* parent = nullptr);
    ~TfrmSetWeekday() override;

    void btnOKClick();
    void btnCancelClick();

    // The list of `day`, 0 for Sunday to 6 for Saturday.
    QComboBox* dayList(int day) const;

private:
    void FormShow() override;

    RegIni& ini_;
    const QComboBox& mainGroupBox_;
    std::unique_ptr<Ui::TfrmSetWeekday> ui_;
};

}  // namespace tesselvane
