#include "platform/DesktopBackend.h"

#include "platform/InterfaceLanguage.h"
#include "platform/desktop/GnomeDesktop.h"
#include "platform/desktop/KdeDesktop.h"
#include "platform/desktop/LxqtDesktop.h"
#include "platform/desktop/SwayDesktop.h"
#include "platform/desktop/X11Desktop.h"
#include "platform/desktop/XfceDesktop.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace tesselvane {

namespace {

// Waits for show() to do everything.
class DeferredWallpaper : public PreparedWallpaper {
public:
    explicit DeferredWallpaper(std::function<void()> show) : show_(std::move(show)) {}
    void show() override { show_(); }

private:
    std::function<void()> show_;
};

}  // namespace

std::unique_ptr<PreparedWallpaper> DesktopBackend::prepare(const WallpaperRequest& request) {
    return std::make_unique<DeferredWallpaper>([request, this] { apply(request); });
}

namespace {

// Every back end: the name TESSELVANE_DESKTOP takes, the XDG_CURRENT_DESKTOP names it serves
// (lower case), and how it is made.
struct BackendEntry {
    const char* name;
    std::vector<const char*> desktops;
    std::function<std::unique_ptr<DesktopBackend>()> create;
};

const std::vector<BackendEntry>& backends() {
    static const std::vector<BackendEntry> kBackends = {
        {"x11", {}, [] { return std::make_unique<X11Desktop>(); }},
        {"gnome",
         {"gnome", "budgie", "unity", "pantheon"},
         [] { return std::make_unique<GnomeDesktop>(GnomeDesktop::Variant::Gnome); }},
        {"cinnamon",
         {"x-cinnamon", "cinnamon"},
         [] { return std::make_unique<GnomeDesktop>(GnomeDesktop::Variant::Cinnamon); }},
        {"mate",
         {"mate"},
         [] { return std::make_unique<GnomeDesktop>(GnomeDesktop::Variant::Mate); }},
        {"kde", {"kde"}, [] { return std::make_unique<KdeDesktop>(); }},
        {"xfce", {"xfce"}, [] { return std::make_unique<XfceDesktop>(); }},
        {"lxqt", {"lxqt"}, [] { return std::make_unique<LxqtDesktop>(); }},
        {"sway", {"sway"}, [] { return std::make_unique<SwayDesktop>(); }},
    };
    return kBackends;
}

const BackendEntry* backendNamed(const QString& name) {
    for (const BackendEntry& entry : backends()) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

// The first of the session's desktops that a back end serves.
const BackendEntry* backendForSession() {
    for (const QString& desktop :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':')) {
        for (const BackendEntry& entry : backends()) {
            for (const char* served : entry.desktops) {
                if (desktop == QLatin1String(served))
                    return &entry;
            }
        }
    }
    // Other compositors that speak sway's IPC say so by its socket; their X server, if any,
    // is only for X clients and its root window is hidden.
    if (!qEnvironmentVariableIsEmpty("SWAYSOCK"))
        return backendNamed(QStringLiteral("sway"));
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return backendNamed(QStringLiteral("x11"));
    return nullptr;
}

}  // namespace

std::unique_ptr<DesktopBackend> createDesktopBackend() {
    const QString wanted = qEnvironmentVariable("TESSELVANE_DESKTOP").toLower();
    if (wanted.isEmpty()) {
        if (const BackendEntry* entry = backendForSession())
            return entry->create();
        throw DesktopError(
            interfaceText("DesktopBackend", "このデスクトップ (%1) の壁紙は設定できません")
                .arg(qEnvironmentVariable(
                    "XDG_CURRENT_DESKTOP",
                    qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("?")))));
    }
    if (const BackendEntry* entry = backendNamed(wanted))
        return entry->create();
    QStringList names;
    for (const BackendEntry& entry : backends())
        names.append(QLatin1String(entry.name));
    throw DesktopError(interfaceText("DesktopBackend", "TESSELVANE_DESKTOP=%1 は分かりません (%2)")
                           .arg(wanted, names.join(QStringLiteral(", "))));
}

}  // namespace tesselvane
