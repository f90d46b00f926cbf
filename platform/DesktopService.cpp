#include "platform/DesktopService.h"

#include "platform/RegistryStore.h"

#include <functional>

namespace tesselvane {

DesktopService* desktopService = nullptr;

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

DesktopService::DesktopService(RegistryStore& store, std::unique_ptr<DesktopBackend> backend)
    : store_(store), backend_(std::move(backend)) {}

DesktopService::~DesktopService() = default;

QColor DesktopService::background() const {
    return backgroundColour(store_);
}

DesktopBackend& DesktopService::backend() {
    if (!backend_)
        backend_ = createDesktopBackend();
    return *backend_;
}

namespace {

// A back end's prepared wallpaper, and the desktop value stored once it shows.
class RememberedWallpaper : public PreparedWallpaper {
public:
    RememberedWallpaper(std::unique_ptr<PreparedWallpaper> inner, std::function<void()> remember)
        : inner_(std::move(inner)), remember_(std::move(remember)) {}
    void show() override {
        inner_->show();
        remember_();
    }

private:
    std::unique_ptr<PreparedWallpaper> inner_;
    std::function<void()> remember_;
};

}  // namespace

std::unique_ptr<PreparedWallpaper> DesktopService::prepareWallpaper(
    const QString& name, bool updateIniFile, const QImage& picture,
    std::vector<QImage> monitorPictures) {
    const bool none = name.isEmpty() || name == kNone;
    WallpaperRequest request;
    const bool own = !none && !monitorPictures.empty();
    if (!none) {
        request.file = name;
        request.picture = picture;
        request.monitorPictures = std::move(monitorPictures);
    }
    request.style = placement();
    request.fit = fit_;
    request.background = backgroundColour(store_);
    request.persist = updateIniFile;
    auto prepared = backend().prepare(request);
    return std::make_unique<RememberedWallpaper>(
        std::move(prepared), [this, none, own, name, updateIniFile] {
            shown_ = none ? QString() : name;
            shownOwnPictures_ = own;
            if (!watching_) {
                watching_ = true;
                backend_->watchLayout([this] { redisplay(); });
            }
            if (updateIniFile) {
                store_.setValue(kDesktopKey,
                                RegValue::text(QStringLiteral("Wallpaper"), none ? kNone : name));
            }
        });
}

WallpaperStyle DesktopService::placement() const {
    // Windows' default: centred.
    const int tile =
        storedText(store_, kDesktopKey, QStringLiteral("TileWallpaper")).trimmed().toInt();
    return tile == 1 ? WallpaperStyle::Tiled : WallpaperStyle::Centered;
}

void DesktopService::warm() {
    try {
        backend().warm();
    } catch (...) {
        // No back end for this session: the change says so when it comes.
    }
}

void DesktopService::redisplay() {
    if (shown_.isEmpty())
        return;
    try {
        if (shownOwnPictures_ && redrawOwn_) {
            redrawOwn_();
            return;
        }
        setWallpaper(shown_, false);
    } catch (...) {
        // The file went, or the display: the next change reports it.
    }
}

void DesktopService::setWallpaper(const QString& name, bool updateIniFile, const QImage& picture) {
    prepareWallpaper(name, updateIniFile, picture)->show();
}

}  // namespace tesselvane
