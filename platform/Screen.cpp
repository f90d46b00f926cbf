#include "platform/Screen.h"

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
