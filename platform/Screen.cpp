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

QSize largestMonitorSize() {
    if (const auto& screenOverride = currentScreenOverride())
        return screenOverride->size;
    QSize largest;
    if (const auto monitors = x11MonitorsOfSession()) {
        for (const QRect& monitor : *monitors)
            largest = largest.expandedTo(monitor.size());
        return largest;
    }
    if (!primaryScreen())
        return largest;
    for (const QScreen* screen : QGuiApplication::screens())
        largest = largest.expandedTo(screen->geometry().size() * screen->devicePixelRatio());
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
