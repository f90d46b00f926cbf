#pragma once

// The answers of GetPlugInInfo, alike for every shipped extension plug-in.

#include <cstdint>

namespace tesselvane::bpi {

struct PlugInDescription {
    const char* name;  // shown in the options dialog
    int version;       // times 100
    int order;         // plug-ins run in the order of these numbers
};

// Writes text number `infono` into the host's 256-byte `buf`; returns its length, or 0 and
// leaves `buf` alone for a number it does not know.
int32_t answerPlugInInfo(const PlugInDescription& description, int32_t infono, char* buf);

}  // namespace tesselvane::bpi
