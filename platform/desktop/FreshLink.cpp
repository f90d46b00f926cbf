#include "platform/desktop/FreshLink.h"

#include "platform/DesktopBackend.h"
#include "platform/InterfaceLanguage.h"
#include "platform/ProgramPaths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace tesselvane {

namespace {

const QString kLinkPrefix = QStringLiteral("wallpaper-");

}  // namespace

QString freshLinkTo(const QString& file) {
    return freshLinksTo({file}).constFirst();
}

QStringList freshLinksTo(const QStringList& files) {
    const QString folder = dataFolder();
    QDir().mkpath(folder);
    static int counter = 0;
    QStringList links;
    QHash<QString, QString> linkOf;
    for (const QString& file : files) {
        QString& link = linkOf[file];
        if (link.isEmpty()) {
            link = folder + kLinkPrefix + QString::number(QDateTime::currentMSecsSinceEpoch()) +
                   u'-' + QString::number(++counter) + u'.' + QFileInfo(file).suffix();
            if (!QFile::link(QFileInfo(file).absoluteFilePath(), link))
                throw DesktopError(
                    interfaceText("FreshLink", "壁紙へのリンク %1 を作れません").arg(link));
        }
        links.append(link);
    }
    for (const QString& old :
         QDir(folder).entryList({kLinkPrefix + u'*'}, QDir::System | QDir::Files)) {
        if (!links.contains(folder + old))
            QFile::remove(folder + old);
    }
    return links;
}

QString freshLinkToWallpaper(const QString& file) {
    if (file.isEmpty())
        return {};
    if (!QFileInfo::exists(file))
        throw DesktopError(interfaceText("FreshLink", "壁紙 %1 がありません").arg(file));
    return freshLinkTo(QFileInfo(file).absoluteFilePath());
}

}  // namespace tesselvane
