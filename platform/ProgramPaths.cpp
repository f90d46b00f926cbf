#include "platform/ProgramPaths.h"

#include <QDir>
#include <QFileInfo>

#include <cstdlib>

namespace tesselvane {

namespace {

QString withSlash(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// The XDG rule: the variable when it holds an absolute path, else $HOME + fallback.
QString xdgFolder(const char* variable, const char* fallback) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return withSlash(value);
    return withSlash(QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback));
}

QString executableFolder() {
    // /proc/self/exe names the executable even when it was started through a link or by a
    // relative path from another working directory.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    const QString target = exe.symLinkTarget();
    if (!target.isEmpty())
        return withSlash(QFileInfo(target).absolutePath());
    return withSlash(QDir::currentPath());
}

}  // namespace

namespace {

// The folder `fromBin` names relative to the executable's, when the executable is an
// installed copy's (in a bin/ folder) and the folder is there.
QString installedFolder(const char* fromBin) {
    const QString exeFolder = executableFolder();
    const QDir installed(exeFolder + QLatin1String(fromBin));
    if (exeFolder.endsWith(QLatin1String("/bin/")) && installed.exists())
        return withSlash(installed.canonicalPath());
    return {};
}

}  // namespace

QString programFolder() {
    static const QString kFolder = [] {
        const QString installed = installedFolder(TESSELVANE_PROGRAM_DIR_FROM_BIN);
        return installed.isEmpty() ? executableFolder() : installed;
    }();
    return kFolder;
}

QString documentationFolder() {
    static const QString kFolder = [] {
        const QString installed = installedFolder(TESSELVANE_DOC_DIR_FROM_BIN);
        return installed.isEmpty() ? programFolder() : installed;
    }();
    return kFolder;
}

QString configFolder() {
    return xdgFolder("XDG_CONFIG_HOME", ".config") + QStringLiteral("tesselvane/");
}

QString dataFolder() {
    return xdgFolder("XDG_DATA_HOME", ".local/share") + QStringLiteral("tesselvane/");
}

QString windowsFolder() {
    const QString folder = dataFolder() + QStringLiteral("system/");
    QDir().mkpath(folder);
    return folder;
}

}  // namespace tesselvane
