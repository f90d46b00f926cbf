#include "platform/desktop/MutterMonitors.h"

// WORKAROUND: GLib names a struct member "signals", which Qt defines as a keyword macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <cmath>
#include <memory>
#include <optional>

namespace tesselvane {

namespace {

// Bounds of a desk: a few monitors, each no larger than any made, within a layout that a
// composed picture of it can hold.
constexpr gsize kMaxMonitors = 16;
constexpr int kMaxSide = 16384;
constexpr int kMaxOffset = 65536;
constexpr qint64 kMaxLayoutPixels = qint64(1) << 28;
constexpr double kMinScale = 0.25;
constexpr double kMaxScale = 8.0;
// Mutter's "layout-mode": monitors placed in logical (scaled) or physical pixels.
constexpr guint32 kLogicalLayout = 1;
constexpr int kCallTimeoutMs = 2000;

struct VariantFree {
    void operator()(GVariant* v) const { g_variant_unref(v); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantFree>;

VariantPtr child(GVariant* container, gsize index) {
    return VariantPtr(g_variant_get_child_value(container, index));
}

bool sameSpec(GVariant* a, GVariant* b) {
    return g_variant_equal(a, b);
}

// The current mode's size of the monitor whose spec is `spec`.
std::optional<QSize> currentModeOf(GVariant* monitors, GVariant* spec) {
    const gsize count = g_variant_n_children(monitors);
    for (gsize i = 0; i < count && i < kMaxMonitors * 4; ++i) {
        VariantPtr monitor = child(monitors, i);
        VariantPtr monitorSpec = child(monitor.get(), 0);
        if (!sameSpec(monitorSpec.get(), spec))
            continue;
        VariantPtr modes = child(monitor.get(), 1);
        const gsize modeCount = g_variant_n_children(modes.get());
        for (gsize m = 0; m < modeCount; ++m) {
            VariantPtr mode = child(modes.get(), m);
            VariantPtr properties = child(mode.get(), 6);
            gboolean current = FALSE;
            if (!g_variant_lookup(properties.get(), "is-current", "b", &current) || !current)
                continue;
            gint32 width = 0;
            gint32 height = 0;
            g_variant_get_child(mode.get(), 1, "i", &width);
            g_variant_get_child(mode.get(), 2, "i", &height);
            return QSize(width, height);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::vector<QRect> monitorsOfDisplayState(GVariant* state) {
    if (!state || !g_variant_is_of_type(state, G_VARIANT_TYPE(kDisplayStateType)))
        return {};
    VariantPtr monitors = child(state, 1);
    VariantPtr logical = child(state, 2);
    VariantPtr properties = child(state, 3);
    guint32 layoutMode = 0;
    const bool scaled = g_variant_lookup(properties.get(), "layout-mode", "u", &layoutMode) &&
                        layoutMode == kLogicalLayout;
    const gsize count = g_variant_n_children(logical.get());
    if (count == 0 || count > kMaxMonitors)
        return {};
    std::vector<QRect> rects;
    QRect bounds;
    for (gsize i = 0; i < count; ++i) {
        VariantPtr entry = child(logical.get(), i);
        gint32 x = 0;
        gint32 y = 0;
        gdouble scale = 1;
        guint32 transform = 0;
        gboolean primary = FALSE;
        g_variant_get_child(entry.get(), 0, "i", &x);
        g_variant_get_child(entry.get(), 1, "i", &y);
        g_variant_get_child(entry.get(), 2, "d", &scale);
        g_variant_get_child(entry.get(), 3, "u", &transform);
        g_variant_get_child(entry.get(), 4, "b", &primary);
        VariantPtr specs = child(entry.get(), 5);
        if (g_variant_n_children(specs.get()) == 0 || !std::isfinite(scale) || scale < kMinScale ||
            scale > kMaxScale || std::abs(x) > kMaxOffset || std::abs(y) > kMaxOffset)
            return {};
        VariantPtr spec = child(specs.get(), 0);
        std::optional<QSize> mode = currentModeOf(monitors.get(), spec.get());
        if (!mode || mode->width() < 1 || mode->height() < 1 || mode->width() > kMaxSide ||
            mode->height() > kMaxSide)
            return {};
        // A monitor turned a quarter (transforms 1, 3 and their flipped 5, 7) is portrait.
        QSize size = (transform & 1) ? mode->transposed() : *mode;
        if (scaled)
            size = QSize(int(std::lround(size.width() / scale)),
                         int(std::lround(size.height() / scale)));
        const QRect rect(QPoint(x, y), size.expandedTo(QSize(1, 1)));
        bounds |= rect;
        if (primary)
            rects.insert(rects.begin(), rect);
        else
            rects.push_back(rect);
    }
    if (qint64(bounds.width()) * bounds.height() > kMaxLayoutPixels)
        return {};
    return rects;
}

std::vector<QRect> mutterMonitors() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return {};
    }
    VariantPtr answer(g_dbus_connection_call_sync(
        bus, "org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
        "org.gnome.Mutter.DisplayConfig", "GetCurrentState", nullptr,
        G_VARIANT_TYPE(kDisplayStateType), G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr,
        &error));
    g_object_unref(bus);
    if (!answer) {
        g_clear_error(&error);
        return {};
    }
    return monitorsOfDisplayState(answer.get());
}

}  // namespace tesselvane
