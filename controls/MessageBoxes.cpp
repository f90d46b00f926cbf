#include "controls/MessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace tesselvane {

namespace {

MessageBoxHook messageBoxHook;

void show(QWidget* parent, MessageKind kind, const QString& caption, QMessageBox::Icon icon,
          const QString& text) {
    if (messageBoxHook) {
        messageBoxHook(kind, caption, text);
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    // Modal to the window it speaks for: the icon's menu stays usable.
    if (parent)
        box.setWindowModality(Qt::WindowModal);
    box.exec();
}

}  // namespace

void showWarning(QWidget* parent, const QString& text) {
    show(parent, MessageKind::Warning, QCoreApplication::translate("MessageBoxes", "警告"),
         QMessageBox::Warning, text);
}

void showError(QWidget* parent, const QString& text) {
    show(parent, MessageKind::Error, QCoreApplication::translate("MessageBoxes", "エラー"),
         QMessageBox::Critical, text);
}

void showErrorReport(QWidget* parent, const QString& text) {
    show(parent, MessageKind::Report, QStringLiteral("Tesselvane"), QMessageBox::Critical, text);
}

QWidget* openErrorReport(QWidget* parent, const QString& text) {
    if (messageBoxHook) {
        messageBoxHook(MessageKind::Report, QStringLiteral("Tesselvane"), text);
        return nullptr;
    }
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Tesselvane"), text,
                                QMessageBox::NoButton, parent);
    box->setDefaultButton(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

void setMessageBoxHook(MessageBoxHook hook) {
    messageBoxHook = std::move(hook);
}

}  // namespace tesselvane
