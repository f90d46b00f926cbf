#include "Screen.h"

#include <QGuiApplication>
#include <QScreen>

// Last: Xlib's macros would clash with the headers above.
#include <X11/Xlib.h>

namespace tesselvane {

namespace {

std::optional<ScreenOverride> g_override;

QScreen* primaryScreen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

}  // namespace

void SetScreenOverride(std::optional<ScreenOverride> screen) {
    g_override = screen;
}

int screenColorDepth() {
    if (g_override)
        return g_override->depth;
    const QScreen* screen = primaryScreen();
    return screen ? screen->depth() : 24;
}

QRect desktopRect() {
    if (g_override)
        return QRect(QPoint(0, 0), g_override->size);
    const QScreen* screen = primaryScreen();
    if (!screen)
        return {};
    const QRect logical = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return {QPoint(qRound(logical.x() * ratio), qRound(logical.y() * ratio)),
            QSize(qRound(logical.width() * ratio), qRound(logical.height() * ratio))};
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
