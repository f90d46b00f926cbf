#pragma once

#include "dialogs/FormDialog.h"

#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tesselvane {

class RegIni;

// Pick any picture of any group, see it small, and make it the wallpaper at once; the group
// becomes the main window's and the picture its current one. Modeless: the main window stays
// usable while it is open.
class TfrmJump : public FormDialog {
public:
    // `mainGroupBox` is the main window's group box; `mainGroupChanged` its handler of a new
    // selection (it reloads the picture list).
    TfrmJump(RegIni& ini, QComboBox& mainGroupBox, std::function<void()> mainGroupChanged,
             QWidget* parent = nullptr);

    // Shows it, or brings it to the front when it is open.
    void showJump();

    void cboGroupClick();
    void lstListClick();
    void btnOKClick();
    void btnCancelClick();

    const QStringList& JumpList() const { return jumpList_; }

private:
    void FormShow() override;
    void clearPreview();

    RegIni& ini_;
    QComboBox& mainGroupBox_;
    std::function<void()> mainGroupChanged_;
    QStringList jumpList_;
    QComboBox* cboGroup;
    QListWidget* lstList;
    QLabel* Image1;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

}  // namespace tesselvane
