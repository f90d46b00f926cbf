#include "picture/PlugInSettings.h"

#include "picture/ExtensionPlugins.h"
#include "platform/RegistryStore.h"
#include "platform/StoreError.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace tesselvane {

namespace {

std::optional<QString> plugInKeyPath(const char* key) {
    if (!key)
        return std::nullopt;
    QString path = QString::fromUtf8(key);
    if (path.startsWith(u'\\'))
        path.remove(0, 1);
    const QString root = QString::fromLatin1(kPlugInKey).mid(1);
    if (path.compare(root, Qt::CaseInsensitive) != 0 &&
        !path.startsWith(root + u'\\', Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    return path;
}

}  // namespace

std::int32_t readPlugInSetting(RegistryStore* store, const char* key, const char* name, char* buf,
                               std::int32_t buflen) {
    const auto path = plugInKeyPath(key);
    if (!path || !name || !buf || buflen <= 0 || !store)
        return -1;
    try {
        const auto value = store->value(*path, QString::fromUtf8(name));
        if (!value || !value->isText())
            return -1;
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(value->data.size()),
                                                    static_cast<std::size_t>(buflen) - 1);
        std::memcpy(buf, value->data.constData(), n);
        buf[n] = '\0';
        return static_cast<std::int32_t>(value->data.size());
    } catch (const StoreError&) {
        return -1;
    }
}

std::int32_t writePlugInSetting(RegistryStore* store, const char* key, const char* name,
                                const char* value) {
    const auto path = plugInKeyPath(key);
    if (!path || !name || !value || !store)
        return -1;
    try {
        store->setValue(*path, RegValue::text(QString::fromUtf8(name), QString::fromUtf8(value)));
        return 0;
    } catch (const StoreError&) {
        return -1;
    }
}

}  // namespace tesselvane
