#pragma once

#include <QString>

namespace tesselvane {

// Folders the program reads from and writes to. Every folder is returned with a trailing
// "/", so that a file name can be appended directly.

// Where the program's read-only files live (Susie plug-ins by default, extension plug-ins,
// the program module): the folder of the executable, or the install's program folder
// (<prefix>/lib/tesselvane/, or lib/<multiarch>/ as the build was configured) for an
// installed copy whose executable sits in <prefix>/bin/.
QString programFolder();

// Where the manual is: <prefix>/share/doc/tesselvane/ for an installed copy, else the
// program folder (a build tree).
QString documentationFolder();

// $XDG_CONFIG_HOME/tesselvane/ (default ~/.config/tesselvane/).
QString configFolder();

// $XDG_DATA_HOME/tesselvane/ (default ~/.local/share/tesselvane/): files the program writes,
// such as the rendered wallpaper.
QString dataFolder();

// dataFolder() + "system/", created when missing: what the Windows folder was.
QString windowsFolder();

}  // namespace tesselvane
