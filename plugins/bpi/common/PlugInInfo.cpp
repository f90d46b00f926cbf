#include "PlugInInfo.h"

#include "tesselvane_dib.h"

#include <string>

namespace tesselvane::bpi {

namespace {

constexpr int32_t kInfoBufferSize = 256;

}  // namespace

int32_t answerPlugInInfo(const PlugInDescription& description, int32_t infono, char* buf) {
    switch (infono) {
        case 0:
            return spi_copy_info("BTESSEL", buf, kInfoBufferSize);
        case 1:
            return spi_copy_info(description.name, buf, kInfoBufferSize);
        case 2:
            return spi_copy_info(std::to_string(description.version).c_str(), buf, kInfoBufferSize);
        case 3:
            return spi_copy_info(std::to_string(description.order).c_str(), buf, kInfoBufferSize);
        default:
            return 0;
    }
}

}  // namespace tesselvane::bpi
