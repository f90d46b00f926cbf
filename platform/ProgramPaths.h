#pragma once

#include <QString>

namespace tesselvane {

// Folders the program reads from and writes to. Every folder is returned with a trailing
// "/", so that a file name can be appended directly.

// Where the program's read-only files live (Susie plug-ins by default, extension plug-ins,
// the manual): the folder of the executable, or <prefix>/lib/tesselvane/ for an installed
// copy whose executable sits in <prefix>/bin/.
QString programFolder();

// $XDG_CONFIG_HOME/tesselvane/ (default ~/.config/tesselvane/).
QString configFolder();

// $XDG_DATA_HOME/tesselvane/ (default ~/.local/share/tesselvane/): files the program writes,
// such as the rendered wallpaper.
QString dataFolder();

// dataFolder() + "system/", created when missing: what the Windows folder was.
QString windowsFolder();

}  // namespace tesselvane
