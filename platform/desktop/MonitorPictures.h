#pragma once

// The files the desktops that take a picture per monitor (or one for the whole layout) are
// given: pictures fitted to a monitor, written beside the program's data.

#include "platform/DesktopBackend.h"

#include <QRect>

#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace tesselvane {

// The request's picture, read from its file when it is not in memory. Raises DesktopError.
QImage requestPicture(const WallpaperRequest& request);

// Writes `image` whole as `name` in the program's data folder; its path. Raises DesktopError.
QString writeDataPicture(const QImage& image, const QString& name);

// The file each of `monitors` shows for `request`: the request's own where its picture fits
// the monitor as it is, else the picture fitted to that monitor, written as `<stem>-<i>.bmp`.
// Empty when every monitor shows the request's file. Raises DesktopError.
std::vector<QString> monitorFiles(const WallpaperRequest& request,
                                  const std::vector<QRect>& monitors, const QString& stem);

// The monitors as Qt sees them, the primary one first; empty without a GUI application.
std::vector<QRect> qtMonitors();

// Calls `changed` once from the event loop after Qt's monitors change (added, removed, moved
// or resized), for as long as the returned object lives.
std::unique_ptr<QObject> watchQtMonitors(std::function<void()> changed);

}  // namespace tesselvane
