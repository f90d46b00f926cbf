#pragma once

#include <QString>

#include <functional>

namespace tesselvane {

// What WinHelp was: the HTML manual TESSEL.html (in English TESSEL.en.html) of the
// documentation folder, opened in the browser. The help commands the program uses: the
// contents (F1), the finder (help button), and a context number, which opens the anchor
// "ctx-<number>".
enum class HelpCommand { Contents, Finder };

// Called with the manual's path when no browser could be started to open it.
using HelpFailed = std::function<void(const QString& manual)>;

void openHelp(HelpCommand command, const HelpFailed& failed);
void openHelpContext(int context, const HelpFailed& failed);

// The manual's path.
QString manualPath();

}  // namespace tesselvane
