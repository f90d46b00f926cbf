#pragma once

#include "dialogs/FormDialog.h"

#include <QStringList>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tesselvane {

class RegIni;
class TOpenSusieDialog;
class TSelectFolderDialog;
class TfrmPreview;

// What one group holds: an ordered list of picture files, or one folder. Every change of the
// list is stored at once; the kind and the folder only by OK. Beside it, while "Preview" is
// ticked, floats a small preview of the focused file.
class TfrmGroupSet : public FormDialog {
public:
    TfrmGroupSet(RegIni& ini, TfrmPreview& preview, QWidget* parent = nullptr);
    ~TfrmGroupSet() override;

    // The group being edited; set before each show.
    QString TargetGroup;
    // The files of a file-list group, in order; lstFileList shows their names.
    const QStringList& EditList() const { return editList_; }

    void RefreshFileList();
    void UpdateControls();
    void SaveGroup();
    void ShowPreview();
    void HidePreview();

    void rbFileClick();
    void rbDirClick();
    void lstFileListClick();
    void btnFileUpClick();
    void btnFileDownClick();
    void btnFileAddClick();
    void btnFileRemoveClick();
    void btnChangeClick();
    void chkPreviewClick();
    void btnRefClick();
    void btnOKClick();
    void btnCancelClick();

    QRadioButton* rbFile = nullptr;
    QGroupBox* gbFile = nullptr;
    QLabel* lblPath = nullptr;
    QListWidget* lstFileList = nullptr;
    QPushButton* btnFileUp = nullptr;
    QPushButton* btnFileDown = nullptr;
    QPushButton* btnFileAdd = nullptr;
    QPushButton* btnFileRemove = nullptr;
    QRadioButton* rbDir = nullptr;
    QGroupBox* gbDir = nullptr;
    QLineEdit* edtDir = nullptr;
    QPushButton* btnRef = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnChange = nullptr;
    QCheckBox* chkPreview = nullptr;
    TSelectFolderDialog* SelectFolderDialog1 = nullptr;
    TOpenSusieDialog* OpenSusieDialog1 = nullptr;

private:
    void FormShow() override;
    int focusedIndex() const;
    void moveFocused(int by);
    void previewFocused();

    RegIni& ini_;
    TfrmPreview& preview_;
    QStringList editList_;
};

}  // namespace tesselvane
