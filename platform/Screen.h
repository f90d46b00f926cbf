#pragma once

#include <QRect>

namespace tesselvane {

// Bits per pixel of the primary screen; 24 when there is no screen (no GUI session).
int screenColorDepth();

// The primary screen's rectangle in device pixels; empty when there is no screen.
QRect desktopRect();

}  // namespace tesselvane
