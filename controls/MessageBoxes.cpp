#include "MessageBoxes.h"

#include <QMessageBox>

namespace tesselvane {

namespace {

MessageBoxHook g_hook;

void show(QWidget* parent, MessageKind kind, const QString& caption, QMessageBox::Icon icon,
          const QString& text) {
    if (g_hook) {
        g_hook(kind, caption, text);
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box.exec();
}

}  // namespace

void ShowWarning(QWidget* parent, const QString& text) {
    show(parent, MessageKind::Warning, QStringLiteral("警告"), QMessageBox::Warning, text);
}

void ShowError(QWidget* parent, const QString& text) {
    show(parent, MessageKind::Error, QStringLiteral("エラー"), QMessageBox::Critical, text);
}

void ShowErrorReport(QWidget* parent, const QString& text) {
    show(parent, MessageKind::Report, QStringLiteral("Tesselvane"), QMessageBox::Critical, text);
}

void SetMessageBoxHook(MessageBoxHook hook) {
    g_hook = std::move(hook);
}

}  // namespace tesselvane
