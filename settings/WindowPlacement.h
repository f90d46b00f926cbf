#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace tesselvane {

class RegIni;

// Windows that remember where they were keep their outer left and top edge (the preview
// window also its size) as Left, Top, Width, Height in a section of their own. A window that
// never stored its place opens at the top-left corner; nothing checks that the stored place
// is on a screen.

QPoint readWindowPosition(const RegIni& ini, const QString& section);
void writeWindowPosition(RegIni& ini, const QString& section, QPoint topLeft);

QRect readWindowGeometry(const RegIni& ini, const QString& section, QSize defaultSize);
void writeWindowGeometry(RegIni& ini, const QString& section, const QRect& frame);

}  // namespace tesselvane
