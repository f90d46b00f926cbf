#include "platform/desktop/X11Monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace tesselvane {

namespace {

std::vector<QRect> randrMonitors(Display* d, Window root) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(d, &eventBase, &errorBase) || !XRRQueryVersion(d, &major, &minor) ||
        major < 1 || (major == 1 && minor < 5)) {
        return {};
    }
    int count = 0;
    XRRMonitorInfo* list = XRRGetMonitors(d, root, True, &count);
    std::vector<QRect> monitors;
    if (list) {
        for (int i = 0; i < count; ++i) {
            const QRect rect(list[i].x, list[i].y, list[i].width, list[i].height);
            if (list[i].primary)
                monitors.insert(monitors.begin(), rect);
            else
                monitors.push_back(rect);
        }
        XRRFreeMonitors(list);
    }
    return monitors;
}

std::vector<QRect> xineramaMonitors(Display* d) {
    int eventBase = 0, errorBase = 0;
    if (!XineramaQueryExtension(d, &eventBase, &errorBase) || !XineramaIsActive(d))
        return {};
    int count = 0;
    XineramaScreenInfo* list = XineramaQueryScreens(d, &count);
    std::vector<QRect> monitors;
    if (list) {
        for (int i = 0; i < count; ++i)
            monitors.emplace_back(list[i].x_org, list[i].y_org, list[i].width, list[i].height);
        XFree(list);
    }
    return monitors;
}

}  // namespace

std::vector<QRect> x11Monitors(Display* display, int screen) {
    const Window root = RootWindow(display, screen);
    const QRect whole(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen));
    std::vector<QRect> monitors = randrMonitors(display, root);
    // Beside Xinerama, RandR may know only the first screen.
    if (monitors.size() < 2) {
        if (std::vector<QRect> screens = xineramaMonitors(display); screens.size() >= 2)
            monitors = std::move(screens);
    }
    // The server's word is not trusted past its own root.
    for (QRect& monitor : monitors)
        monitor &= whole;
    std::erase_if(monitors, [](const QRect& monitor) { return monitor.isEmpty(); });
    if (monitors.size() < 2)
        return {whole};
    return monitors;
}

std::optional<std::vector<QRect>> x11MonitorsOfSession() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return std::nullopt;
    std::vector<QRect> monitors = x11Monitors(display, DefaultScreen(display));
    XCloseDisplay(display);
    return monitors;
}

}  // namespace tesselvane
