// The parts of Screen.h that need nothing of the GUI libraries: they run before those load.

#include "platform/Screen.h"

#include "platform/desktop/X11Monitors.h"

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
    if (screenOverride) {
        return screenOverride->monitors.empty() ? screenOverride->size
                                                : screenOverride->monitors.front().size();
    }
    const auto monitors = x11MonitorsOfSession();
    if (!monitors)
        return std::nullopt;
    return monitors->front().size();
}

}  // namespace tesselvane
