// The parts of Screen.h that need nothing of the GUI libraries: they run before those load.

#include "platform/Screen.h"

#include "platform/desktop/X11Monitors.h"

#include <X11/Xlib.h>

namespace tesselvane {

namespace {

std::optional<ScreenOverride> screenOverride;

}  // namespace

void setScreenOverride(std::optional<ScreenOverride> screen) {
    screenOverride = screen;
}

const std::optional<ScreenOverride>& currentScreenOverride() {
    return screenOverride;
}

bool guiSessionPossible() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

std::optional<QSize> primaryMonitorSize() {
    if (screenOverride)
        return screenOverride->size;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return std::nullopt;
    const QSize size = x11Monitors(display, DefaultScreen(display)).front().size();
    XCloseDisplay(display);
    return size;
}

}  // namespace tesselvane
