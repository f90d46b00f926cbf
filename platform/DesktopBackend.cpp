#include "platform/DesktopBackend.h"

#include "platform/desktop/GnomeDesktop.h"
#include "platform/desktop/KdeDesktop.h"
#include "platform/desktop/LxqtDesktop.h"
#include "platform/desktop/SwayDesktop.h"
#include "platform/desktop/X11Desktop.h"
#include "platform/desktop/XfceDesktop.h"

#include <functional>

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

std::unique_ptr<PreparedWallpaper> DesktopBackend::prepare(const QString& file,
                                                           const QImage& picture,
                                                           WallpaperStyle style,
                                                           const QColor& background, bool persist) {
    return std::make_unique<DeferredWallpaper>(
        [=, this] { apply(file, picture, style, background, persist); });
}

std::unique_ptr<DesktopBackend> createDesktopBackend() {
    QString wanted = qEnvironmentVariable("TESSELVANE_DESKTOP").toLower();
    if (wanted.isEmpty()) {
        for (const QString& desktop :
             qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':')) {
            if (desktop == QLatin1String("gnome") || desktop == QLatin1String("budgie") ||
                desktop == QLatin1String("unity") || desktop == QLatin1String("pantheon")) {
                wanted = QStringLiteral("gnome");
            } else if (desktop == QLatin1String("x-cinnamon") ||
                       desktop == QLatin1String("cinnamon")) {
                wanted = QStringLiteral("cinnamon");
            } else if (desktop == QLatin1String("mate")) {
                wanted = QStringLiteral("mate");
            } else if (desktop == QLatin1String("kde")) {
                wanted = QStringLiteral("kde");
            } else if (desktop == QLatin1String("xfce")) {
                wanted = QStringLiteral("xfce");
            } else if (desktop == QLatin1String("lxqt")) {
                wanted = QStringLiteral("lxqt");
            } else if (desktop == QLatin1String("sway")) {
                wanted = QStringLiteral("sway");
            }
            if (!wanted.isEmpty())
                break;
        }
    }
    // Other compositors that speak sway's IPC say so by its socket; their X server, if any,
    // is only for X clients and its root window is hidden.
    if (wanted.isEmpty() && !qEnvironmentVariableIsEmpty("SWAYSOCK"))
        wanted = QStringLiteral("sway");
    if (wanted.isEmpty() && !qEnvironmentVariableIsEmpty("DISPLAY"))
        wanted = QStringLiteral("x11");

    if (wanted == QLatin1String("x11"))
        return std::make_unique<X11Desktop>();
    if (wanted == QLatin1String("gnome"))
        return std::make_unique<GnomeDesktop>(GnomeDesktop::Variant::Gnome);
    if (wanted == QLatin1String("cinnamon"))
        return std::make_unique<GnomeDesktop>(GnomeDesktop::Variant::Cinnamon);
    if (wanted == QLatin1String("mate"))
        return std::make_unique<GnomeDesktop>(GnomeDesktop::Variant::Mate);
    if (wanted == QLatin1String("kde"))
        return std::make_unique<KdeDesktop>();
    if (wanted == QLatin1String("xfce"))
        return std::make_unique<XfceDesktop>();
    if (wanted == QLatin1String("lxqt"))
        return std::make_unique<LxqtDesktop>();
    if (wanted == QLatin1String("sway"))
        return std::make_unique<SwayDesktop>();
    if (!wanted.isEmpty()) {
        throw DesktopError(QStringLiteral("TESSELVANE_DESKTOP=%1 は分かりません (x11, gnome, "
                                          "cinnamon, mate, kde, xfce, lxqt, sway)")
                               .arg(wanted));
    }
    throw DesktopError(QStringLiteral("このデスクトップ (%1) の壁紙は設定できません")
                           .arg(qEnvironmentVariable(
                               "XDG_CURRENT_DESKTOP",
                               qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("?")))));
}

}  // namespace tesselvane
