#include "dialogs/FormDialog.h"

#include "controls/ErrorReport.h"
#include "controls/WindowFont.h"
#include "settings/WindowPlacement.h"

namespace tesselvane {

FormDialog::FormDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

void FormDialog::rememberPlace(RegIni& ini, const QString& section) {
    placeStore_ = &ini;
    placeSection_ = section;
}

void FormDialog::fixLayout() {
    setFont(windowFont());
    setFixedSize(size());
}

void FormDialog::setVisible(bool visible) {
    if (visible && !isVisible()) {
        runGuarded([this] { FormShow(); });
        if (placeStore_)
            runGuarded([this] { move(readWindowPosition(*placeStore_, placeSection_)); });
    }
    QDialog::setVisible(visible);
}

void FormDialog::done(int result) {
    if (placeStore_) {
        runGuarded([this] {
            writeWindowPosition(*placeStore_, placeSection_, frameGeometry().topLeft());
        });
    }
    QDialog::done(result);
}

}  // namespace tesselvane
