#include "picture/ExtensionPlugins.h"

#include "picture/DibImage.h"
#include "picture/DibTwin.h"
#include "picture/PictureError.h"
#include "platform/Collation.h"
#include "platform/FileSearch.h"
#include "platform/ProgramPaths.h"
#include "platform/RegistryStore.h"
#include "settings/RegIni.h"

#include <QLocale>

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tesselvane {

std::vector<TTesselPlugin> PlugIns;
std::int32_t PlugInCount = 0;

namespace {

using GetPlugInInfoFn = decltype(::GetPlugInInfo);

RegistryStore* settingsStore = nullptr;

// Text number `number`; the plug-in has 256 bytes and no length, so the end is forced.
QString plugInInfo(GetPlugInInfoFn* info, int number) {
    char buffer[256] = {};
    info(number, buffer);
    buffer[255] = '\0';
    return QString::fromUtf8(buffer);
}

}  // namespace

void LoadPlugIns(const QString& folderOrDefault) {
    FreePlugIns();
    // Never the working directory: code is loaded only from a folder chosen for it.
    QString folder = folderOrDefault.isEmpty() ? programFolder() : folderOrDefault;
    if (!folder.endsWith(u'/'))
        folder += u'/';

    std::vector<std::pair<QString, TTesselPlugin>> found;
    for (const QString& name : findFiles(folder, QStringLiteral("*.bpi"))) {
        TTesselPlugin plugin;
        if (!plugin.Handle.load(folder + name))
            continue;
        auto* info = plugin.Handle.resolve<GetPlugInInfoFn>("GetPlugInInfo");
        if (!info || !plugInInfo(info, 0).startsWith(u'B'))
            continue;
        plugin.Name = plugInInfo(info, 1);
        const auto version = parseStoredInteger(plugInInfo(info, 2));
        const auto order = parseStoredInteger(plugInInfo(info, 3));
        if (!version || !order)
            continue;
        plugin.Name += QStringLiteral(" Ver") + QLocale().toString(*version / 100.0, 'f', 2);
        plugin.Order = *order;
        plugin.SettingPlugIn = plugin.Handle.resolve<SettingPlugInFn>("SettingPlugIn");
        plugin.ExecutePlugIn = plugin.Handle.resolve<ExecutePlugInFn>("ExecutePlugIn");
        // "%2d": right-aligned in two places, so 5 runs before 12, but 100 before 20.
        found.emplace_back(QStringLiteral("%1").arg(*order, 2, 10, QLatin1Char(' ')),
                           std::move(plugin));
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return compareIgnoringCase(a.first, b.first) < 0;
    });
    for (auto& [key, plugin] : found)
        PlugIns.push_back(std::move(plugin));
    PlugInCount = static_cast<std::int32_t>(PlugIns.size());
}

void FreePlugIns() {
    for (TTesselPlugin& plugin : PlugIns)
        plugin.Handle.unload();
    PlugIns.clear();
    PlugInCount = 0;
}

QImage executePlugIns(QImage picture, std::uintptr_t window) {
    void* twin = takeDibTwin(picture);
    const bool anyToRun =
        std::any_of(PlugIns.begin(), PlugIns.end(), [](const auto& p) { return p.ExecutePlugIn; });
    if (!anyToRun) {
        std::free(twin);
        return picture;
    }
    void* dib = twin ? twin : imageToPackedDib(picture);
    if (!dib)
        throw PictureError(QStringLiteral("壁紙を拡張プラグインに渡すメモリが足りません"));
    for (const TTesselPlugin& plugin : PlugIns) {
        if (!plugin.ExecutePlugIn)
            continue;
        void* handle = dib;
        plugin.ExecutePlugIn(window, kPlugInKey, &handle);
        if (handle == dib)
            continue;
        // A new picture is ours now, and the one it replaces too.
        std::free(dib);
        dib = handle;
        if (!dib)
            throw PictureError(
                QStringLiteral("拡張プラグイン %1 が画像を返しませんでした").arg(plugin.Name));
    }
    const DibWidth width =
        picture.format() == QImage::Format_RGB32 ? DibWidth::Rgb32 : DibWidth::AsStored;
    QImage result = packedDibToImage(dib, malloc_usable_size(dib), width, &picture);
    std::free(dib);
    if (result.isNull())
        throw PictureError(QStringLiteral("拡張プラグインの返した画像が不正です"));
    return result;
}

void openPlugInSettings(std::size_t index, std::uintptr_t window, const QImage& picture) {
    if (index >= PlugIns.size() || !PlugIns[index].SettingPlugIn)
        return;
    void* dib = picture.isNull() ? nullptr : imageToPackedDib(picture);
    PlugIns[index].SettingPlugIn(window, kPlugInKey, dib);
    std::free(dib);
}

void setPlugInSettingsStore(RegistryStore* store) {
    settingsStore = store;
}

}  // namespace tesselvane

namespace {

// Plug-ins may only touch their own part of the program's key.
std::optional<QString> plugInKeyPath(const char* key) {
    if (!key)
        return std::nullopt;
    QString path = QString::fromUtf8(key);
    if (path.startsWith(u'\\'))
        path.remove(0, 1);
    const QString root = QString::fromLatin1(tesselvane::kPlugInKey).mid(1);
    if (path.compare(root, Qt::CaseInsensitive) != 0 &&
        !path.startsWith(root + u'\\', Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    return path;
}

}  // namespace

// The settings functions plug-ins find in the program (it exports its symbols).
extern "C" TESSELVANE_SPI_EXPORT std::int32_t TesselvaneReadSetting(const char* key,
                                                                    const char* name, char* buf,
                                                                    std::int32_t buflen) {
    const auto path = plugInKeyPath(key);
    if (!path || !name || !buf || buflen <= 0 || !tesselvane::settingsStore)
        return -1;
    try {
        const auto value = tesselvane::settingsStore->value(*path, QString::fromUtf8(name));
        if (!value || !value->isText())
            return -1;
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(value->data.size()),
                                                    static_cast<std::size_t>(buflen) - 1);
        std::memcpy(buf, value->data.constData(), n);
        buf[n] = '\0';
        return static_cast<std::int32_t>(value->data.size());
    } catch (const tesselvane::StoreError&) {
        return -1;
    }
}

extern "C" TESSELVANE_SPI_EXPORT std::int32_t TesselvaneWriteSetting(const char* key,
                                                                     const char* name,
                                                                     const char* value) {
    const auto path = plugInKeyPath(key);
    if (!path || !name || !value || !tesselvane::settingsStore)
        return -1;
    try {
        tesselvane::settingsStore->setValue(
            *path, tesselvane::RegValue::text(QString::fromUtf8(name), QString::fromUtf8(value)));
        return 0;
    } catch (const tesselvane::StoreError&) {
        return -1;
    }
}
