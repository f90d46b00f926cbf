#include "SettingsDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QThread>

namespace tesselvane::bpi {

bool canShowDialog() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

QWidget* hostWindow(uintptr_t window) {
    if (window == 0)
        return nullptr;
    // internalWinId() rather than winId(): asking must not create native windows.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (uintptr_t(widget->internalWinId()) == window)
            return widget;
    }
    return nullptr;
}

QDialogButtonBox* okCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("SettingsDialog", "キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace tesselvane::bpi
