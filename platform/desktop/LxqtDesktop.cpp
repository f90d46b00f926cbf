#include "platform/desktop/LxqtDesktop.h"

#include "platform/InterfaceLanguage.h"
#include "platform/ProgramPaths.h"
#include "platform/desktop/FreshLink.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

namespace tesselvane {

namespace {

const QString kProgram = QStringLiteral("pcmanfm-qt");
constexpr int kTimeoutMs = 15000;

}  // namespace

QStringList LxqtDesktop::arguments(const QString& file, WallpaperStyle style) {
    return {QStringLiteral("--set-wallpaper"), file, QStringLiteral("--wallpaper-mode"),
            style == WallpaperStyle::Tiled ? QStringLiteral("tile") : QStringLiteral("center")};
}

// pcmanfm-qt keeps the wallpaper in its settings, whatever `persist`.
void LxqtDesktop::apply(const WallpaperRequest& request) {
    QString shown;
    WallpaperStyle style = request.style;
    if (request.file.isEmpty()) {
        QImage colour(8, 8, QImage::Format_RGB888);
        colour.fill(request.background);
        const QString colourFile = dataFolder() + QLatin1String("desktop-colour.bmp");
        QDir().mkpath(dataFolder());
        if (!colour.save(colourFile, "BMP"))
            throw DesktopError(interfaceText("LxqtDesktop", "%1 を書けません").arg(colourFile));
        shown = colourFile;
        style = WallpaperStyle::Tiled;
    } else {
        if (!QFileInfo::exists(request.file))
            throw DesktopError(
                interfaceText("LxqtDesktop", "壁紙 %1 がありません").arg(request.file));
        shown = QFileInfo(request.file).absoluteFilePath();
    }
    // pcmanfm-qt keeps a picture it shows by its name.
    shown = freshLinkTo(shown);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(kProgram, arguments(shown, style));
    if (!process.waitForStarted(kTimeoutMs))
        throw DesktopError(
            interfaceText("LxqtDesktop", "LXQt のデスクトップ %1 がありません").arg(kProgram));
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        throw DesktopError(interfaceText("LxqtDesktop", "%1 が終わりません").arg(kProgram));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        throw DesktopError(
            interfaceText("LxqtDesktop", "%1 が壁紙を設定できませんでした (終了コード %2)")
                .arg(kProgram)
                .arg(process.exitCode()));
    }
}

}  // namespace tesselvane
