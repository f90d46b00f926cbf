#include "platform/SpecialFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tesselvane {

namespace {

// A special folder is a fixed path, or a path below one of the user's standard folders.
struct Place {
    int csidl;
    std::optional<QStandardPaths::StandardLocation> below;
    const char* path;
};

// Numbers missing here have no folder on this desktop.
constexpr Place kPlaces[] = {
    {CSIDL_DESKTOP, std::nullopt, "/"},
    {CSIDL_PROGRAMS, QStandardPaths::ApplicationsLocation, ""},
    {CSIDL_PERSONAL, QStandardPaths::DocumentsLocation, ""},
    {CSIDL_STARTUP, QStandardPaths::GenericConfigLocation, "autostart"},
    {CSIDL_BITBUCKET, QStandardPaths::GenericDataLocation, "Trash/files"},
    {CSIDL_STARTMENU, QStandardPaths::ApplicationsLocation, ""},
    {CSIDL_DESKTOPDIRECTORY, QStandardPaths::DesktopLocation, ""},
    {CSIDL_DRIVES, std::nullopt, "/"},
    {CSIDL_FONTS, QStandardPaths::FontsLocation, ""},
    {CSIDL_TEMPLATES, QStandardPaths::TemplatesLocation, ""},
    {CSIDL_COMMON_STARTMENU, std::nullopt, "/usr/share/applications"},
    {CSIDL_COMMON_PROGRAMS, std::nullopt, "/usr/share/applications"},
    {CSIDL_COMMON_STARTUP, std::nullopt, "/etc/xdg/autostart"},
    {CSIDL_APPDATA, QStandardPaths::GenericDataLocation, ""},
};

}  // namespace

std::optional<QString> specialFolderPath(int csidl) {
    for (const Place& place : kPlaces) {
        if (place.csidl != csidl)
            continue;
        QString path = QString::fromUtf8(place.path);
        if (place.below) {
            const QString base = QStandardPaths::writableLocation(*place.below);
            if (base.isEmpty())
                return std::nullopt;
            path = base + QLatin1Char('/') + path;
        }
        path = QDir::cleanPath(path);
        if (!QFileInfo(path).isDir())
            return std::nullopt;
        return path;
    }
    return std::nullopt;
}

}  // namespace tesselvane
