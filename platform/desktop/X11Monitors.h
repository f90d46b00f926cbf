#pragma once

#include <QRect>

#include <optional>
#include <vector>

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name for Display

namespace tesselvane {

// The monitors of an X screen as rectangles of its root window, the primary one first: RandR
// 1.5 monitors, else (when RandR knows fewer than two) Xinerama screens, else the whole root. Parts
// past the root are cut off; a layout of fewer than two monitors is the whole root, so one monitor
// shows exactly what a screen without monitors would.
std::vector<QRect> x11Monitors(_XDisplay* display, int screen);

// x11Monitors of the default screen of the display DISPLAY names; nullopt when there is none.
std::optional<std::vector<QRect>> x11MonitorsOfSession();

}  // namespace tesselvane
