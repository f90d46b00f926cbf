#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tesselvane {

// The program's message boxes: a fixed text, the icon and caption of their kind, one "OK".
enum class MessageKind { Warning, Error, Report };

// "警告" with the warning icon.
void showWarning(QWidget* parent, const QString& text);
// "エラー" with the error icon.
void showError(QWidget* parent, const QString& text);
// The general error report: "Tesselvane" with the error icon.
void showErrorReport(QWidget* parent, const QString& text);
// The same box without waiting for it: it stays open beside the program, which goes on, and
// goes when closed. nullptr when the hook took it.
QWidget* openErrorReport(QWidget* parent, const QString& text);

// Receives every box instead of the screen; for tests, which cannot click "OK".
using MessageBoxHook =
    std::function<void(MessageKind kind, const QString& caption, const QString& text)>;
void setMessageBoxHook(MessageBoxHook hook);

}  // namespace tesselvane
