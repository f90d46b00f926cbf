#pragma once

#include <cstdint>

namespace tesselvane {

class RegistryStore;

// What the settings functions offered to extension plug-ins do: read or write a text value
// below the plug-ins' own key, and nowhere else. A read copies at most buflen - 1 bytes and a
// terminator, and returns the value's whole length; -1 for a value that is missing or not
// text, a key outside the plug-ins' own, or no store.
std::int32_t readPlugInSetting(RegistryStore* store, const char* key, const char* name, char* buf,
                               std::int32_t buflen);
// 0, or -1 as a read fails.
std::int32_t writePlugInSetting(RegistryStore* store, const char* key, const char* name,
                                const char* value);

}  // namespace tesselvane
