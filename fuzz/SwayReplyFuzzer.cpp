// The readers of sway's IPC replies: any bytes are a reply that passes or a DesktopError,
// the size it asks to wait for stays within the IPC's bound, and an output has a name and
// an area.

#include "platform/desktop/SwayDesktop.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        if (tesselvane::SwayDesktop::replySize(bytes) > 14 + (1 << 20))
            std::abort();
    } catch (const tesselvane::DesktopError&) {
    }
    try {
        tesselvane::SwayDesktop::checkReply(bytes);
    } catch (const tesselvane::DesktopError&) {
    }
    try {
        for (const auto& output : tesselvane::SwayDesktop::outputs(bytes)) {
            if (output.rect.isEmpty() || output.name.isEmpty())
                std::abort();
        }
    } catch (const tesselvane::DesktopError&) {
    }
    return 0;
}
