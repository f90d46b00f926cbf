#include "picture/Wallpaper.h"

#include "picture/BmpWriter.h"
#include "picture/ColorReduction.h"
#include "picture/ExtensionPlugins.h"
#include "picture/JpegCodec.h"
#include "picture/PictureError.h"
#include "picture/TDataModule1.h"
#include "platform/DesktopService.h"
#include "platform/FileReplace.h"
#include "platform/InterfaceLanguage.h"
#include "platform/ProgramPaths.h"
#include "platform/Screen.h"
#include "platform/ScreenFit.h"
#include "platform/Sound.h"
#include "platform/desktop/DesktopComposition.h"
#include "settings/Options.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <thread>

#include <cmath>
#include <stdexcept>

namespace tesselvane {

std::uintptr_t applicationWindow = 0;

namespace {

TSusie& sharedHost() {
    if (!Susie1)
        throw std::logic_error("no image host: create the data module first");
    return *Susie1;
}

DesktopService& desktop() {
    if (!desktopService)
        throw std::logic_error("no desktop service");
    return *desktopService;
}

void playIf(int position) {
    if (MyOption.UseSound && MyOption.SoundPos == position)
        playSoundSync(MyOption.SoundFile);
}

// Written beside the old file and put in its place in one step: a failure leaves the
// wallpaper the desktop shows whole. Not synced to disk: the file can always be made again,
// and the one-step replacement already keeps a crash from leaving a half-written file under
// the name.
void writeWallpaper(const QImage& picture, const QString& file) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QTemporaryFile temporary(file + QStringLiteral(".XXXXXX"));
    const auto fail = [&](const QString& why) {
        throw PictureError(
            interfaceText("Wallpaper", "壁紙ファイル %1 を書けません (%2)").arg(file, why));
    };
    if (!temporary.open())
        fail(temporary.errorString());
    if (!writeBmp(temporary, picture) || !temporary.flush()) {
        // A write cut short by a full disk or a size limit leaves the device's error unset:
        // the system's is the one that says why.
        const int cause = errno;
        if (temporary.error() != QFileDevice::NoError)
            fail(temporary.errorString());
        fail(cause == ENOSPC ? interfaceText("Wallpaper", "ディスクがいっぱいです")
                             : QString::fromLocal8Bit(std::strerror(cause)));
    }
    temporary.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                             QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QString error;
    switch (replaceFile(temporary.fileName(), file, &error)) {
        case FileReplaced::Exchanged:
            break;  // the temporary name now holds the old file, which goes with it
        case FileReplaced::Renamed:
            temporary.setAutoRemove(false);
            break;
        case FileReplaced::Failed:
            fail(error);
    }
}

// Writes the file while the desktop makes the picture ready, and shows it only once the file
// is whole: a failed write leaves both the old file and the old wallpaper.
void showWrittenWallpaper(const QImage& picture, std::vector<QImage> monitorPictures = {}) {
    const QString file = WallpaperFile();
    std::exception_ptr writeError;
    std::thread writer([&] {
        try {
            writeWallpaper(picture, file);
        } catch (...) {
            writeError = std::current_exception();
        }
    });
    std::unique_ptr<PreparedWallpaper> prepared;
    try {
        prepared = desktop().prepareWallpaper(file, MyOption.UpdateReg, picture,
                                              std::move(monitorPictures));
    } catch (...) {
        writer.join();
        throw;
    }
    writer.join();
    if (writeError)
        std::rethrow_exception(writeError);
    prepared->show();
}

}  // namespace

QString WallpaperFile() {
    return dataFolder() + QStringLiteral("$tessel.bmp");
}

namespace {

// What a picture fitted to the screen is fitted to: the primary monitor, since the desktop
// fits the finished picture again to each monitor of another size.
QSize fitScreenSize() {
    if (const std::optional<QSize> primary = primaryMonitorSize(); primary && !primary->isEmpty())
        return *primary;
    return desktopRect().size();
}

void fitToMonitor(QImage& bitmap, QSize screen) {
    if (screen.isEmpty() || bitmap.isNull() || bitmap.size() == screen)
        return;
    const QColor background = desktopService ? desktopService->background() : QColor(Qt::black);
    bitmap = fitToScreen(bitmap, screen, fitStyleFromStored(MyOption.FitStyle), background);
}

// A file there that no reader makes a picture of: refused, as a damaged one is, so that the
// old wallpaper stays and the user hears why.
PictureError unreadable(const QString& fileName) {
    return PictureError(
        interfaceText("Wallpaper", "画像 %1 を読めません (読める形式でないか、壊れています)")
            .arg(fileName));
}

// Where an unfitted picture goes: the largest monitor and the placement. Empty where the
// monitors are not known.
struct Placement {
    QSize largest;
    WallpaperStyle style = WallpaperStyle::Centered;
};

// The picture of a file as the host reads it; a null image for no file chosen, or none there.
// A JPEG to be fitted to `screen` is decoded at the size it is drawn; a plug-in's picture comes
// fitted, or cut to what the monitors show of it.
QImage loadForWallpaper(const QString& fileName, QSize screen, const Placement& unfitted) {
    const QFileInfo file(fileName);
    if (fileName.isEmpty() || !file.exists())
        return {};
    if (file.isDir())
        throw unreadable(fileName);
    TSusie& host = sharedHost();
    host.DeColor = false;
    if (!screen.isEmpty()) {
        const FitStyle style = fitStyleFromStored(MyOption.FitStyle);
        host.jpegSizeHint = jpegFitTarget(fileName, screen, style);
        host.pluginFitScreen = screen;
        host.pluginFitStyle = style;
    } else {
        host.largestMonitor = unfitted.largest;
        host.placement = unfitted.style;
    }
    host.wideJpeg = true;
    const auto forget = [&host] {
        host.wideJpeg = false;
        host.jpegSizeHint = QSize();
        host.pluginFitScreen = QSize();
        host.largestMonitor = QSize();
    };
    try {
        host.LoadPicture(fileName);
    } catch (...) {
        forget();
        throw;
    }
    forget();
    QImage picture = host.takeBitmap().image;
    if (picture.isNull())
        throw unreadable(fileName);
    return picture;
}

// A file's picture made ready for the desktop: read, fitted to `screen` when the options say
// so, else cut to what monitors of at most `unfitted.largest` show, passed through the
// extension plug-ins, reduced on screens of 8 bits or fewer. Null for no file chosen or none
// there.
QImage wallpaperPicture(const QString& fileName, QSize screen, const Placement& unfitted) {
    QImage working = loadForWallpaper(fileName, screen, unfitted);
    if (working.isNull())
        return working;
    // What no monitor shows costs memory in every step after, and room in the file: cut
    // before the colours are widened (a built-in reader's picture; a plug-in's comes cut).
    if (const QRect part = drawnPart(working.size(), unfitted.largest, unfitted.style);
        part.size() != working.size())
        working = working.copy(part);
    // 24-bit colour: RGB888, or RGB32 (its pixels padded to 32 bits) when it is going to
    // be stretched, which is several times faster to scale.
    if (working.format() != QImage::Format_RGB32)
        working = working.convertToFormat(QImage::Format_RGB888);
    if (MyOption.FitScreen)
        fitToMonitor(working, screen);
    working = executePlugIns(std::move(working), applicationWindow);
    if (screenColorDepth() <= 8)
        working = reduceColors(working);
    return working;
}

// Each monitor's own picture, `fileNames` in monitorPictureOrder, each made for its monitor,
// and the desktop they make together (what a desktop given one file shows).
void showOwnPictures(const QStringList& fileNames, const std::vector<QRect>& monitors) {
    const std::vector<size_t> rank = monitorPictureOrder(monitors);
    const WallpaperStyle style = desktop().placement();
    const QColor background = desktop().background();
    std::vector<QImage> own(std::min(monitors.size(), size_t(fileNames.size())));
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (rank[i] >= own.size())
            continue;
        const QSize size = monitors[i].size();
        QImage picture = wallpaperPicture(fileNames.at(qsizetype(rank[i])),
                                          MyOption.FitScreen ? size : QSize(), {size, style});
        if (picture.isNull()) {  // nothing there: this monitor shows the desktop's colour
            picture = QImage(size, QImage::Format_RGB32);
            picture.fill(background);
        }
        own[rank[i]] = std::move(picture);
    }
    QRect bounds;
    for (const QRect& monitor : monitors)
        bounds |= monitor;
    std::vector<QRect> placed;
    std::vector<QImage> onEach;
    for (size_t i = 0; i < monitors.size(); ++i) {
        placed.push_back(monitors[i].translated(-bounds.topLeft()));
        onEach.push_back(rank[i] < own.size() ? own[rank[i]] : own.front());
    }
    showWrittenWallpaper(composeDesktop(onEach, placed, bounds.size(), style, background),
                         std::move(own));
}

}  // namespace

void ChangeWallpaper(const QString& fileName) {
    changeWallpapers({fileName});
}

void changeWallpapers(const QStringList& fileNames) {
    playIf(0);
    desktop().setFit({MyOption.FitScreen, fitStyleFromStored(MyOption.FitStyle)});
    desktop().warm();  // while the picture is read
    const std::vector<QRect> monitors =
        fileNames.size() > 1 ? monitorRects() : std::vector<QRect>();
    if (monitors.size() > 1) {
        showOwnPictures(fileNames, monitors);
    } else {
        const QSize screen = MyOption.FitScreen ? fitScreenSize() : QSize();
        Placement unfitted;
        if (!MyOption.FitScreen)
            unfitted = {largestMonitorSize(), desktop().placement()};
        const QImage working = wallpaperPicture(fileNames.value(0), screen, unfitted);
        if (working.isNull())
            desktop().setWallpaper(DesktopService::kNone, MyOption.UpdateReg);
        else
            showWrittenWallpaper(working);
    }
    playIf(1);
}

int picturesPerChange() {
    return MyOption.MonitorPictures ? std::max<int>(1, int(monitorRects().size())) : 1;
}

void StretchToScreen(QImage& bitmap) {
    fitToMonitor(bitmap, fitScreenSize());
}

void FitBitmap(QImage& bitmap, QSize size) {
    if (bitmap.width() == 0 || bitmap.height() == 0)
        return;
    const double sx = double(size.width()) / bitmap.width();
    const double sy = double(size.height()) / bitmap.height();
    const double scale = (sx > 0 && sy > 0) ? std::min(sx, sy) : std::max(sx, sy);
    const int width = static_cast<int>(std::floor(bitmap.width() * scale));
    const int height = static_cast<int>(std::floor(bitmap.height() * scale));
    if (width <= 0 || height <= 0) {
        bitmap = QImage();
        return;
    }
    bitmap = bitmap.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void LoadPreviewPicture(TBitmap& graphic, const QString& fileName) {
    TSusie& host = sharedHost();
    host.DeColor = true;
    host.LoadPicture(fileName);
    graphic = host.Bitmap();
}

}  // namespace tesselvane
