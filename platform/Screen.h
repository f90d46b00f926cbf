#pragma once

#include <QRect>

#include <optional>
#include <vector>

namespace tesselvane {

// Bits per pixel of the primary screen; 24 when there is no screen (no GUI session).
int screenColorDepth();

// The primary screen's rectangle in device pixels; empty when there is no screen.
QRect desktopRect();

// The size of the primary monitor of the X screen (RandR 1.5 monitors, else Xinerama; the
// whole screen when it has one monitor): what a picture fitted to the screen is fitted to,
// since the x11 desktop fits it again to each monitor of another size. Needs nothing of the
// GUI. nullopt when there is no X display; the override's size when one is set.
std::optional<QSize> primaryMonitorSize();

// The monitors as rectangles of the desktop in device pixels, the primary first: X11's where
// there is an X display (as primaryMonitorSize), else the screens Qt knows; none when there
// are none. The override's monitors (else its one screen) when one is set.
std::vector<QRect> monitorRects();

// The largest width and the largest height among monitorRects: the most of an unfitted
// picture that any one of them shows. Empty when there are none.
QSize largestMonitorSize();

// False when no GUI can start: no X display, no Wayland display, and no Qt platform named.
bool guiSessionPossible();

// Makes the two answer as a screen of this depth and size would, whatever the session has;
// nullopt asks the session again. For tests of what depends on the screen.
struct ScreenOverride {
    int depth = 24;
    QSize size;
    std::vector<QRect> monitors = {};  // none: one monitor of `size`
};
void setScreenOverride(std::optional<ScreenOverride> screen);
const std::optional<ScreenOverride>& currentScreenOverride();

}  // namespace tesselvane
