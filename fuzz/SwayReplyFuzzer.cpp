// The reader of sway's IPC replies: any bytes are a reply that passes or a DesktopError,
// and the size it asks to wait for stays within the IPC's bound.

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
    return 0;
}
