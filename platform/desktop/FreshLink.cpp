#include "platform/desktop/FreshLink.h"

#include "platform/DesktopBackend.h"
#include "platform/ProgramPaths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tesselvane {

namespace {

const QString kLinkPrefix = QStringLiteral("wallpaper-");

}  // namespace

QString freshLinkTo(const QString& file) {
    const QString folder = dataFolder();
    QDir().mkpath(folder);
    static int counter = 0;
    const QString link = folder + kLinkPrefix +
                         QString::number(QDateTime::currentMSecsSinceEpoch()) + u'-' +
                         QString::number(++counter) + u'.' + QFileInfo(file).suffix();
    if (!QFile::link(file, link))
        throw DesktopError(QStringLiteral("壁紙へのリンク %1 を作れません").arg(link));
    for (const QString& old :
         QDir(folder).entryList({kLinkPrefix + u'*'}, QDir::System | QDir::Files)) {
        if (folder + old != link)
            QFile::remove(folder + old);
    }
    return link;
}

QString freshLinkToWallpaper(const QString& file) {
    if (file.isEmpty())
        return {};
    if (!QFileInfo::exists(file))
        throw DesktopError(QStringLiteral("壁紙 %1 がありません").arg(file));
    return freshLinkTo(QFileInfo(file).absoluteFilePath());
}

}  // namespace tesselvane
