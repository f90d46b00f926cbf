// The setting functions bpi_sample lends the plug-ins when asked to switch them on: every
// plug-in reads itself as switched on and everything else as never written.

#include "tesselvane_bpi.h"

#include <cstring>

extern "C" TESSELVANE_SPI_EXPORT int32_t TesselvaneReadSetting(const char* key, const char* name,
                                                               char* buf, int32_t buflen) {
    if (key == nullptr || name == nullptr || std::strcmp(name, "Enabled") != 0)
        return -1;
    if (buf != nullptr && buflen >= 2)
        std::memcpy(buf, "1", 2);
    return 1;
}

extern "C" TESSELVANE_SPI_EXPORT int32_t TesselvaneWriteSetting(const char*, const char*,
                                                                const char*) {
    return -1;
}
