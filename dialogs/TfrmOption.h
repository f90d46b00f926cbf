#pragma once

#include "dialogs/FormDialog.h"

#include <memory>

class QFileDialog;

namespace Ui {
class TfrmOption;
}

namespace tesselvane {

class TSelectFolderDialog;

// The general options of MyOption on five tabs, and the settings of the extension plug-ins.
// Edits MyOption in memory only: "更新(&A)" and OK take the controls into it and point the
// image host at the plug-in folder again.
class TfrmOption : public FormDialog {
public:
    explicit TfrmOption(QWidget* parent = nullptr);
    ~TfrmOption() override;

    void optAutoClick();
    void optManualClick();
    void chkSoundClick();
    void btnSoundClick();
    void Button4Click();  // "参照": the plug-in folder
    void btnSettingClick();
    void btnUpdateClick();
    void btnOkClick();
    void btnCancelClick();

    TSelectFolderDialog* SelectFolderDialog1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;  // made at its first use

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void FormShow() override;

    std::unique_ptr<Ui::TfrmOption> ui_;
};

}  // namespace tesselvane
