#pragma once

#include <QDialog>
#include <QString>

namespace tesselvane {

class RegIni;

// What the program's dialogs share: each loads its controls in FormShow before it appears,
// and one that remembers its place reads it from its own section of the store then and
// writes it however it closes (its buttons, Escape, the close box). A store that refuses is
// reported; the window opens and closes all the same.
class FormDialog : public QDialog {
protected:
    explicit FormDialog(QWidget* parent, Qt::WindowFlags flags = Qt::Dialog | Qt::WindowTitleHint |
                                                                 Qt::WindowCloseButtonHint |
                                                                 Qt::MSWindowsFixedSizeDialogHint);

    // The place is kept as Left and Top in `section` of `ini`.
    void rememberPlace(RegIni& ini, const QString& section);
    // Once the controls exist: the program's font, and the size the dialog was drawn at.
    void fixLayout();

    virtual void FormShow() = 0;

    void setVisible(bool visible) override;
    void done(int result) override;

private:
    RegIni* placeStore_ = nullptr;
    QString placeSection_;
};

}  // namespace tesselvane
