#include "platform/desktop/GnomeDesktop.h"

#include "platform/InterfaceLanguage.h"
#include "platform/desktop/DesktopComposition.h"
#include "platform/desktop/FreshLink.h"
#include "platform/desktop/MonitorPictures.h"
#include "platform/desktop/MutterMonitors.h"

#include <QUrl>

// WORKAROUND: GLib names a struct member "signals", which Qt defines as a keyword macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <memory>

namespace tesselvane {

namespace {

struct Schema {
    const char* id;
    const char* pictureKey;  // a URI, or a plain path for MATE
    bool pictureIsUri;
};

Schema schemaOf(GnomeDesktop::Variant variant) {
    switch (variant) {
        case GnomeDesktop::Variant::Cinnamon:
            return {"org.cinnamon.desktop.background", "picture-uri", true};
        case GnomeDesktop::Variant::Mate:
            return {"org.mate.background", "picture-filename", false};
        case GnomeDesktop::Variant::Gnome:
            break;
    }
    return {"org.gnome.desktop.background", "picture-uri", true};
}

template <class T, void (*Free)(gpointer)>
struct GFree {
    void operator()(T* p) const { Free(p); }
};
using SettingsPtr = std::unique_ptr<GSettings, GFree<GSettings, g_object_unref>>;

void setString(GSettings* settings, const char* key, const QString& value) {
    g_settings_set_string(settings, key, value.toUtf8().constData());
}

// GNOME draws no colour around a centred picture (only black), and tiles and centres on the
// whole layout, not on each monitor: the desktop is composed here, each monitor's picture in
// its place on the colour, and spanned over the layout. Empty when the compositor does not
// tell its monitors.
QString composedDesktopFile(const WallpaperRequest& request) {
    std::vector<QRect> monitors = mutterMonitors();
    if (monitors.empty())
        return {};
    QRect bounds;
    for (const QRect& monitor : monitors)
        bounds |= monitor;
    for (QRect& monitor : monitors)
        monitor.translate(-bounds.topLeft());
    const QImage picture = requestPicture(request);
    const QImage desktop = composeDesktop(picturesForMonitors(request, picture, monitors), monitors,
                                          bounds.size(), request.style, request.background);
    return writeDataPicture(desktop, QStringLiteral("desktop.bmp"));
}

}  // namespace

QString GnomeDesktop::name() const {
    switch (variant_) {
        case Variant::Cinnamon:
            return QStringLiteral("cinnamon");
        case Variant::Mate:
            return QStringLiteral("mate");
        case Variant::Gnome:
            break;
    }
    return QStringLiteral("gnome");
}

// GSettings keep every value: there is no setting for one session only, whatever `persist`.
void GnomeDesktop::apply(const WallpaperRequest& request) {
    const QColor& background = request.background;
    const Schema schema = schemaOf(variant_);
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* found =
        source ? g_settings_schema_source_lookup(source, schema.id, TRUE) : nullptr;
    if (!found) {
        throw DesktopError(interfaceText("GnomeDesktop", "GSettings のスキーマ %1 がありません")
                               .arg(QLatin1String(schema.id)));
    }
    const bool hasDark = g_settings_schema_has_key(found, "picture-uri-dark");
    const bool hasColour = g_settings_schema_has_key(found, "primary-color");
    const bool hasShading = g_settings_schema_has_key(found, "color-shading-type");
    SettingsPtr settings(g_settings_new_full(found, nullptr, nullptr));
    g_settings_schema_unref(found);

    if (request.file.isEmpty()) {
        g_settings_delay(settings.get());
        setString(settings.get(), "picture-options", QStringLiteral("none"));
        if (hasColour) {
            setString(settings.get(), "primary-color", background.name());
            if (hasShading)
                setString(settings.get(), "color-shading-type", QStringLiteral("solid"));
        }
        g_settings_apply(settings.get());
    } else {
        const QString composed =
            variant_ == Variant::Gnome ? composedDesktopFile(request) : QString();
        const QString link =
            composed.isEmpty() ? freshLinkToWallpaper(request.file) : freshLinkTo(composed);
        const QString picture = schema.pictureIsUri ? QUrl::fromLocalFile(link).toString() : link;
        QString options = request.style == WallpaperStyle::Tiled ? QStringLiteral("wallpaper")
                                                                 : QStringLiteral("centered");
        if (!composed.isEmpty())
            options = QStringLiteral("spanned");
        // Several keys, one change for the desktop to see.
        g_settings_delay(settings.get());
        setString(settings.get(), schema.pictureKey, picture);
        if (hasDark)
            setString(settings.get(), "picture-uri-dark", picture);
        setString(settings.get(), "picture-options", options);
        if (hasColour) {
            setString(settings.get(), "primary-color", background.name());
            if (hasShading)
                setString(settings.get(), "color-shading-type", QStringLiteral("solid"));
        }
        g_settings_apply(settings.get());
    }
    g_settings_sync();
}

void GnomeDesktop::watchLayout(std::function<void()> changed) {
    if (variant_ == Variant::Gnome)
        monitorWatch_ = watchQtMonitors(std::move(changed));
}

}  // namespace tesselvane
