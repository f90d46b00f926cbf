#pragma once

namespace tesselvane {

// What WinHelp was: the HTML manual TESSEL.html of the program folder, opened in the
// browser. The help commands the program uses: the contents (F1), the finder (help button),
// and a context number, which opens the anchor "ctx-<number>".
enum class HelpCommand { Contents, Finder };
void openHelp(HelpCommand command);
void openHelpContext(int context);

}  // namespace tesselvane
