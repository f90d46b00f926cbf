// The settings functions extension plug-ins find in the process that runs them.

#include "PlugInSettingsStore.h"

#include "picture/PlugInSettings.h"
#include "platform/RegistryStore.h"
#include "platform/StoreError.h"
#include "tesselvane_bpi.h"

#include <memory>

namespace tesselvane {

namespace {

QString storePath;
std::unique_ptr<RegistryStore> opened;
QString openedPath;

RegistryStore* store() {
    if (storePath.isEmpty())
        return nullptr;
    if (!opened || openedPath != storePath) {
        opened.reset();
        try {
            opened = std::make_unique<RegistryStore>(storePath);
            openedPath = storePath;
        } catch (const StoreError&) {
            return nullptr;
        }
    }
    return opened.get();
}

}  // namespace

void usePlugInSettingsStore(const QString& path) {
    storePath = path;
}

}  // namespace tesselvane

extern "C" TESSELVANE_SPI_EXPORT std::int32_t TesselvaneReadSetting(const char* key,
                                                                    const char* name, char* buf,
                                                                    std::int32_t buflen) {
    return tesselvane::readPlugInSetting(tesselvane::store(), key, name, buf, buflen);
}

extern "C" TESSELVANE_SPI_EXPORT std::int32_t TesselvaneWriteSetting(const char* key,
                                                                     const char* name,
                                                                     const char* value) {
    return tesselvane::writePlugInSetting(tesselvane::store(), key, name, value);
}
