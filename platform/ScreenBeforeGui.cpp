// The parts of Screen.h that need nothing of the GUI libraries: they run before those load.

#include "Screen.h"

#include <X11/Xlib.h>

namespace tesselvane {

namespace {

std::optional<ScreenOverride> g_override;

}  // namespace

void SetScreenOverride(std::optional<ScreenOverride> screen) {
    g_override = screen;
}

const std::optional<ScreenOverride>& CurrentScreenOverride() {
    return g_override;
}

bool GuiSessionPossible() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

std::optional<QSize> ScreenSizeBeforeGui() {
    if (g_override)
        return g_override->size;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return std::nullopt;
    const int screen = DefaultScreen(display);
    const QSize size(DisplayWidth(display, screen), DisplayHeight(display, screen));
    XCloseDisplay(display);
    return size;
}

}  // namespace tesselvane
