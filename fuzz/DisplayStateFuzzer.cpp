// The reader of GNOME's display configuration: any answer of the right type is read to a
// layout within bounds, or to none.

#include "platform/desktop/MutterMonitors.h"

#include <glib.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    GBytes* bytes = g_bytes_new(data, size);
    GVariant* state = g_variant_ref_sink(
        g_variant_new_from_bytes(G_VARIANT_TYPE(tesselvane::kDisplayStateType), bytes, FALSE));
    g_bytes_unref(bytes);
    QRect bounds;
    for (const QRect& monitor : tesselvane::monitorsOfDisplayState(state)) {
        if (monitor.isEmpty() || monitor.width() > 16384 || monitor.height() > 16384)
            std::abort();
        bounds |= monitor;
    }
    if (qint64(bounds.width()) * bounds.height() > (qint64(1) << 28))
        std::abort();
    g_variant_unref(state);
    return 0;
}
