#pragma once

#include "dialogs/FormDialog.h"

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tesselvane {

class RegIni;
class TfrmGroupSet;

// The list of groups: add and remove them, and open one's contents. Every change is in the
// store at once; there is nothing to cancel.
class TfrmGroup : public FormDialog {
public:
    TfrmGroup(RegIni& ini, TfrmGroupSet& groupSet, QWidget* parent = nullptr);

    void UpdateControls();
    void edtGroupChange();
    void lstGroupClick();
    void btnGroupAddClick();
    void btnSetClick();
    void btnGroupRemoveClick();
    void btnEndClick();

    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* edtGroup = nullptr;
    QPushButton* btnGroupAdd = nullptr;
    QListWidget* lstGroup = nullptr;
    QPushButton* btnSet = nullptr;
    QPushButton* btnGroupRemove = nullptr;
    QPushButton* btnEnd = nullptr;

private:
    void FormShow() override;
    QStringList listedNames() const;

    RegIni& ini_;
    TfrmGroupSet& groupSet_;
};

}  // namespace tesselvane
