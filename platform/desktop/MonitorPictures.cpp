#include "platform/desktop/MonitorPictures.h"

#include "platform/FileReplace.h"
#include "platform/InterfaceLanguage.h"
#include "platform/ProgramPaths.h"
#include "platform/desktop/DesktopComposition.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QTimer>

namespace tesselvane {

QImage requestPicture(const WallpaperRequest& request) {
    if (!request.picture.isNull())
        return request.picture;
    QImageReader reader(request.file);
    QImage picture = reader.read();
    if (picture.isNull()) {
        throw DesktopError(interfaceText("MonitorPictures", "壁紙 %1 を読めません: %2")
                               .arg(request.file, reader.errorString()));
    }
    return picture;
}

QString writeDataPicture(const QImage& image, const QString& name) {
    QDir().mkpath(dataFolder());
    const QString file = dataFolder() + name;
    const QString partial = file + QStringLiteral(".partial");
    QString error;
    if (!image.save(partial, "BMP") || replaceFile(partial, file, &error) == FileReplaced::Failed) {
        QFile::remove(partial);
        throw DesktopError(interfaceText("MonitorPictures", "デスクトップの画像 %1 を書けません %2")
                               .arg(file, error));
    }
    QFile::remove(partial);  // the old picture, when the names were exchanged
    return file;
}

std::vector<QString> monitorFiles(const WallpaperRequest& request,
                                  const std::vector<QRect>& monitors, const QString& stem) {
    // Only a picture fitted to the primary monitor, or each monitor's own, differs from one
    // monitor to another.
    if (request.file.isEmpty() || monitors.size() < 2 ||
        (!request.fit.fitScreen && request.monitorPictures.empty()))
        return {};
    const QImage picture = request.monitorPictures.empty() ? requestPicture(request) : QImage();
    const std::vector<QImage> pictures = picturesForMonitors(request, picture, monitors);
    std::vector<QString> files;
    bool fitted = false;
    for (size_t i = 0; i < pictures.size(); ++i) {
        if (pictures[i].cacheKey() == picture.cacheKey()) {
            files.push_back(request.file);
        } else {
            fitted = true;
            files.push_back(
                writeDataPicture(pictures[i], QStringLiteral("%1-%2.bmp").arg(stem).arg(i)));
        }
    }
    return fitted ? files : std::vector<QString>{};
}

std::vector<QRect> qtMonitors() {
    std::vector<QRect> monitors;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return monitors;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen == primary)
            monitors.insert(monitors.begin(), screen->geometry());
        else
            monitors.push_back(screen->geometry());
    }
    return monitors;
}

std::unique_ptr<QObject> watchQtMonitors(std::function<void()> changed) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto context = std::make_unique<QObject>();
    if (!app)
        return context;
    // A monitor plugged in moves and resizes others too: one redraw for all of it.
    auto* settle = new QTimer(context.get());
    settle->setSingleShot(true);
    settle->setInterval(0);
    QObject::connect(settle, &QTimer::timeout, context.get(), std::move(changed));
    const auto follow = [settle](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, settle, qOverload<>(&QTimer::start));
    };
    for (QScreen* screen : QGuiApplication::screens())
        follow(screen);
    QObject::connect(app, &QGuiApplication::screenAdded, settle, [settle, follow](QScreen* s) {
        follow(s);
        settle->start();
    });
    QObject::connect(app, &QGuiApplication::screenRemoved, settle, qOverload<>(&QTimer::start));
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, settle,
                     qOverload<>(&QTimer::start));
    return context;
}

}  // namespace tesselvane
