#pragma once

#include <QFont>
#include <QStringList>

namespace tesselvane {

// The program's windows are laid out for a Japanese proportional Gothic of 12 pixels.
QFont windowFont();

}  // namespace tesselvane
