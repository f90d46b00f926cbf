#pragma once

// What the settings dialogs of the plug-ins share: whether one can be shown at all, its parent
// and its buttons.

#include <QDialog>

#include <cstdint>

class QDialogButtonBox;

namespace tesselvane::bpi {

// Whether this call may show a dialog: the host's QApplication exists and this is its thread.
bool canShowDialog();

// The host's main window when `window` is one of the program's own windows, else nullptr.
// Only compares ids, so a stale or made-up id does no harm.
QWidget* hostWindow(uintptr_t window);

// "OK" and "キャンセル", wired to accept and reject `dialog`.
QDialogButtonBox* okCancelButtons(QDialog* dialog);

}  // namespace tesselvane::bpi
