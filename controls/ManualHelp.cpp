#include "controls/ManualHelp.h"

#include "controls/MessageBoxes.h"

#include <QApplication>
#include <QCoreApplication>

namespace tesselvane {

namespace {

void noBrowser(const QString& manual) {
    showErrorReport(
        QApplication::activeWindow(),
        QCoreApplication::translate("ManualHelp", "マニュアル %1 を開けるブラウザがありません。")
            .arg(manual));
}

}  // namespace

void showHelp(HelpCommand command) {
    openHelp(command, noBrowser);
}

void showHelpContext(int context) {
    openHelpContext(context, noBrowser);
}

}  // namespace tesselvane
