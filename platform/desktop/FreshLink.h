#pragma once

#include <QString>
#include <QStringList>

namespace tesselvane {

// Desktops do not reload a file whose name did not change, and the program's wallpaper file
// keeps its name: this gives `file` a name the desktop has not seen, a link beside the
// program's data, and removes the links made before it. Raises DesktopError when it cannot.
QString freshLinkTo(const QString& file);

// The same for several files shown at once: one fresh link each (the same for the same file).
// A relative name is taken from the working folder.
QStringList freshLinksTo(const QStringList& files);

// The fresh link to the wallpaper `file` a request names; empty when it names none. Raises
// DesktopError when the file is not there.
QString freshLinkToWallpaper(const QString& file);

}  // namespace tesselvane
