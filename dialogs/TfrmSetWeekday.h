#pragma once

#include <QDialog>

#include <memory>

class QComboBox;

namespace Ui {
class TfrmSetWeekday;
}

namespace tesselvane {

class RegIni;

// Which group each day of the week uses: one list per day, Sunday to Saturday, of the main
// window's groups. OK stores the table at once.
class TfrmSetWeekday : public QDialog {
public:
    // `mainGroupBox` is the main window's group box, whose entries the lists offer.
    TfrmSetWeekday(RegIni& ini, const QComboBox& mainGroupBox, QWidget* parent = nullptr);
    ~TfrmSetWeekday() override;

    void btnOKClick();
    void btnCancelClick();

    // The list of `day`, 0 for Sunday to 6 for Saturday.
    QComboBox* dayList(int day) const;

protected:
    // Loads and places the window before it appears.
    void setVisible(bool visible) override;
    void done(int result) override;

private:
    void FormShow();
    void FormClose();

    RegIni& ini_;
    const QComboBox& mainGroupBox_;
    std::unique_ptr<Ui::TfrmSetWeekday> ui_;
};

}  // namespace tesselvane
