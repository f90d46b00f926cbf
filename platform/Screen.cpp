#include "platform/Screen.h"

#include "platform/desktop/X11Monitors.h"

#include <QGuiApplication>
#include <QScreen>

namespace tesselvane {

namespace {

QScreen* primaryScreen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

}  // namespace

int screenColorDepth() {
    if (const auto& screenOverride = currentScreenOverride())
        return screenOverride->depth;
    const QScreen* screen = primaryScreen();
    return screen ? screen->depth() : 24;
}

std::vector<QRect> monitorRects() {
    if (const auto& screenOverride = currentScreenOverride()) {
        if (!screenOverride->monitors.empty())
            return screenOverride->monitors;
        return {QRect(QPoint(0, 0), screenOverride->size)};
    }
    if (auto monitors = x11MonitorsOfSession())
        return std::move(*monitors);
    std::vector<QRect> monitors;
    if (!primaryScreen())
        return monitors;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const qreal ratio = screen->devicePixelRatio();
        const QRect logical = screen->geometry();
        const QRect device(QPoint(qRound(logical.x() * ratio), qRound(logical.y() * ratio)),
                           logical.size() * ratio);
        monitors.insert(screen == primary ? monitors.begin() : monitors.end(), device);
    }
    return monitors;
}

QSize largestMonitorSize() {
    QSize largest;
    for (const QRect& monitor : monitorRects())
        largest = largest.expandedTo(monitor.size());
    return largest;
}

QRect desktopRect() {
    if (const auto& screenOverride = currentScreenOverride())
        return QRect(QPoint(0, 0), screenOverride->size);
    const QScreen* screen = primaryScreen();
    if (!screen)
        return {};
    const QRect logical = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return {QPoint(qRound(logical.x() * ratio), qRound(logical.y() * ratio)),
            QSize(qRound(logical.width() * ratio), qRound(logical.height() * ratio))};
}

}  // namespace tesselvane
