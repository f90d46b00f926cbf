#include "Desktop.h"

#include "RegistryStore.h"
#include "desktop/GnomeDesktop.h"
#include "desktop/X11Desktop.h"

#include <functional>

namespace tesselvane {

DesktopService* Desktop = nullptr;

namespace {

const QString kDesktopKey = QStringLiteral("Control Panel\\Desktop");
const QString kColorsKey = QStringLiteral("Control Panel\\Colors");

QString storedText(const RegistryStore& store, const QString& key, const QString& name) {
    const auto value = store.value(key, name);
    return value && value->isText() ? value->toText() : QString();
}

// "R G B" as Windows keeps desktop colours; black when absent or unreadable.
QColor backgroundColour(const RegistryStore& store) {
    const QStringList parts =
        storedText(store, kColorsKey, QStringLiteral("Background")).simplified().split(u' ');
    if (parts.size() != 3)
        return Qt::black;
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        rgb[i] = parts[i].toInt(&ok);
        if (!ok || rgb[i] < 0 || rgb[i] > 255)
            return Qt::black;
    }
    return QColor(rgb[0], rgb[1], rgb[2]);
}

}  // namespace

std::unique_ptr<DesktopBackend> CreateDesktopBackend() {
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
            }
            if (!wanted.isEmpty())
                break;
        }
    }
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
    if (!wanted.isEmpty()) {
        throw DesktopError(
            QStringLiteral("TESSELVANE_DESKTOP=%1 は分かりません (x11, gnome, cinnamon, mate)")
                .arg(wanted));
    }
    throw DesktopError(QStringLiteral("このデスクトップ (%1) の壁紙は設定できません")
                            .arg(qEnvironmentVariable(
                                "XDG_CURRENT_DESKTOP",
                                qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("?")))));
}

DesktopService::DesktopService(RegistryStore& store, std::unique_ptr<DesktopBackend> backend)
    : store_(store), backend_(std::move(backend)) {}

DesktopService::~DesktopService() = default;

DesktopBackend& DesktopService::Backend() {
    if (!backend_)
        backend_ = CreateDesktopBackend();
    return *backend_;
}

namespace {

// Waits for Show() to do everything.
class DeferredWallpaper : public PreparedWallpaper {
public:
    explicit DeferredWallpaper(std::function<void()> show) : show_(std::move(show)) {}
    void Show() override { show_(); }

private:
    std::function<void()> show_;
};

// A back end's prepared wallpaper, and the desktop value stored once it shows.
class RememberedWallpaper : public PreparedWallpaper {
public:
    RememberedWallpaper(std::unique_ptr<PreparedWallpaper> inner, std::function<void()> remember)
        : inner_(std::move(inner)), remember_(std::move(remember)) {}
    void Show() override {
        inner_->Show();
        remember_();
    }

private:
    std::unique_ptr<PreparedWallpaper> inner_;
    std::function<void()> remember_;
};

}  // namespace

std::unique_ptr<PreparedWallpaper> DesktopBackend::Prepare(const QString& file,
                                                           const QImage& picture,
                                                           WallpaperStyle style,
                                                           const QColor& background, bool persist) {
    return std::make_unique<DeferredWallpaper>(
        [=, this] { Apply(file, picture, style, background, persist); });
}

std::unique_ptr<PreparedWallpaper> DesktopService::PrepareWallpaper(const QString& name,
                                                                    bool updateIniFile,
                                                                    const QImage& picture) {
    const bool none = name.isEmpty() || name == kNone;
    // Windows' default: centred.
    const int tile =
        storedText(store_, kDesktopKey, QStringLiteral("TileWallpaper")).trimmed().toInt();
    const WallpaperStyle style = tile == 1 ? WallpaperStyle::Tiled : WallpaperStyle::Centered;
    auto prepared = Backend().Prepare(none ? QString() : name, none ? QImage() : picture, style,
                                      backgroundColour(store_), updateIniFile);
    return std::make_unique<RememberedWallpaper>(
        std::move(prepared), [this, none, name, updateIniFile] {
            if (updateIniFile) {
                store_.setValue(kDesktopKey,
                                RegValue::text(QStringLiteral("Wallpaper"), none ? kNone : name));
            }
        });
}

void DesktopService::Warm() {
    try {
        Backend().Warm();
    } catch (...) {
        // No back end for this session: the change says so when it comes.
    }
}

void DesktopService::SetWallpaper(const QString& name, bool updateIniFile, const QImage& picture) {
    PrepareWallpaper(name, updateIniFile, picture)->Show();
}

}  // namespace tesselvane
