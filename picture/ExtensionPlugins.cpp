#include "picture/ExtensionPlugins.h"

#include "picture/DibImage.h"
#include "picture/DibTwin.h"
#include "picture/PictureError.h"
#include "picture/PluginHost.h"
#include "platform/Collation.h"
#include "platform/FileSearch.h"
#include "platform/InterfaceLanguage.h"
#include "platform/ProgramPaths.h"
#include "platform/RegistryStore.h"
#include "settings/RegIni.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <future>

namespace tesselvane {

std::vector<TTesselPlugin> PlugIns;
std::int32_t PlugInCount = 0;

namespace {

QString pluginName(const QString& file) {
    return QFileInfo(file).fileName();
}

// A packed DIB handed to the helper: the picture's memory never crosses the socket. Written
// straight into the shared block, which saves filling one more block of the picture's size.
SharedBlock sharedDib(const QImage& picture, void* twin) {
    const auto noMemory = [] {
        return PictureError(
            interfaceText("ExtensionPlugins", "壁紙を拡張プラグインに渡すメモリが足りません"));
    };
    if (twin) {
        SharedBlock block = SharedBlock::copyOf(twin, malloc_usable_size(twin));
        std::free(twin);
        if (!block.isValid())
            throw noMemory();
        return block;
    }
    const std::uint64_t size = packedDib24Size(picture.width(), picture.height());
    SharedBlock block = size > 0 ? SharedBlock::writable(size) : SharedBlock();
    if (!block.isValid() || !writeImageAsPackedDib(picture, block.data()))
        throw noMemory();
    SharedBlock sealed = SharedBlock::map(block.sealed(), size);
    if (!sealed.isValid())
        throw noMemory();
    return sealed;
}

}  // namespace

namespace {

std::vector<TTesselPlugin> readPlugIns(const QString& folder) {
    std::vector<std::pair<QString, TTesselPlugin>> found;
    for (const QString& name : findFiles(folder, QStringLiteral("*.bpi"))) {
        TTesselPlugin plugin;
        plugin.Handle = folder + name;
        PluginMessage request;
        request.call = PluginCall::BpiInfo;
        request.addField(QFile::encodeName(plugin.Handle));
        PluginMessage answer;
        try {
            answer = PluginHost::shared().call(plugin.Handle, request);
        } catch (const PictureError&) {
            continue;  // crashed or hung while asked who it is: not loaded
        }
        const QList<QByteArray> texts = answer.fields();
        if (answer.result != 0 || texts.size() != 4 || !texts[0].startsWith('B'))
            continue;
        // The shipped plug-ins' names have translations; any other stays as it names itself.
        plugin.Name = interfaceText("PlugInNames", texts[1].constData());
        const auto version = parseStoredInteger(QString::fromUtf8(texts[2]));
        const auto order = parseStoredInteger(QString::fromUtf8(texts[3]));
        if (!version || !order)
            continue;
        plugin.Name += QStringLiteral(" Ver") + QLocale().toString(*version / 100.0, 'f', 2);
        plugin.Order = *order;
        plugin.SettingPlugIn = answer.number[0] != 0;
        plugin.ExecutePlugIn = answer.number[1] != 0;
        // "%2d": right-aligned in two places, so 5 runs before 12, but 100 before 20.
        found.emplace_back(QStringLiteral("%1").arg(*order, 2, 10, QLatin1Char(' ')),
                           std::move(plugin));
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return compareIgnoringCase(a.first, b.first) < 0;
    });
    std::vector<TTesselPlugin> plugins;
    for (auto& [key, plugin] : found)
        plugins.push_back(std::move(plugin));
    return plugins;
}

// Never the working directory: code is loaded only from a folder chosen for it.
QString plugInFolder(const QString& folderOrDefault) {
    QString folder = folderOrDefault.isEmpty() ? programFolder() : folderOrDefault;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

void publish(std::vector<TTesselPlugin> plugins) {
    PlugIns = std::move(plugins);
    PlugInCount = static_cast<std::int32_t>(PlugIns.size());
}

// The table being read in the background; its destructor waits for it at exit.
std::future<std::vector<TTesselPlugin>> loading;

}  // namespace

void LoadPlugIns(const QString& folderOrDefault) {
    FreePlugIns();
    publish(readPlugIns(plugInFolder(folderOrDefault)));
}

void startLoadingPlugIns(const QString& folderOrDefault) {
    FreePlugIns();
    // Started from this thread: the helper is set to end with the thread that started it.
    PluginHost::shared().startIfStopped();
    loading = std::async(std::launch::async, readPlugIns, plugInFolder(folderOrDefault));
}

void waitForPlugIns() {
    if (loading.valid())
        publish(loading.get());
}

void FreePlugIns() {
    if (loading.valid())
        loading.wait();
    loading = {};
    PlugIns.clear();
    PlugInCount = 0;
}

QImage executePlugIns(QImage picture, std::uintptr_t window) {
    waitForPlugIns();
    void* twin = takeDibTwin(picture);
    const bool anyToRun =
        std::any_of(PlugIns.begin(), PlugIns.end(), [](const auto& p) { return p.ExecutePlugIn; });
    if (!anyToRun) {
        std::free(twin);
        return picture;
    }
    SharedBlock dib = sharedDib(picture, twin);
    std::size_t size = dib.size();
    bool changed = false;
    std::int64_t calls = 0;
    for (const TTesselPlugin& plugin : PlugIns) {
        if (!plugin.ExecutePlugIn)
            continue;
        PluginMessage request;
        request.call = PluginCall::BpiExecute;
        request.addField(QFile::encodeName(plugin.Handle));
        request.addField(QByteArray(kPlugInKey));
        request.addField(QFile::encodeName(RegistryStore::defaultPath()));
        request.number[0] = static_cast<std::int64_t>(window);
        request.number[1] = static_cast<std::int64_t>(size);
        request.number[2] = calls++;
        int resultFd = -1;
        const PluginMessage answer =
            PluginHost::shared().call(plugin.Handle, request, dib.fd(), &resultFd);
        if (answer.result == 0 && answer.number[1] == kPluginUnchanged && resultFd < 0)
            continue;
        const std::int64_t resultSize = answer.number[0];
        SharedBlock result =
            answer.result == 0 && resultSize > 0 && resultSize <= std::int64_t{1} << 40
                ? SharedBlock::map(resultFd, static_cast<std::size_t>(resultSize))
                : SharedBlock::map(resultFd, 0);
        if (answer.result == PluginNoMemory) {
            throw PictureError(interfaceText("ExtensionPlugins",
                                             "拡張プラグイン %1 の画像を受け取るメモリが足りません")
                                   .arg(pluginName(plugin.Handle)));
        }
        if (answer.result != 0 || !result.isValid()) {
            throw PictureError(
                interfaceText("ExtensionPlugins", "拡張プラグイン %1 が画像を返しませんでした")
                    .arg(plugin.Name));
        }
        if (const auto problem = packedDibProblem(result.data(), result.size())) {
            throw PictureError(
                interfaceText("ExtensionPlugins", "拡張プラグイン %1 の返した画像が不正です (%2)")
                    .arg(pluginName(plugin.Handle), *problem));
        }
        dib = std::move(result);
        size = dib.size();
        changed = true;
    }
    // Every plug-in left it as it was: the picture stands, unconverted.
    if (!changed)
        return picture;
    const DibWidth width =
        picture.format() == QImage::Format_RGB32 ? DibWidth::Rgb32 : DibWidth::AsStored;
    QImage result = packedDibToImage(dib.data(), dib.size(), width, &picture);
    if (result.isNull())
        throw PictureError(
            interfaceText("ExtensionPlugins", "拡張プラグインの返した画像が不正です"));
    return result;
}

void openPlugInSettings(std::size_t index, std::uintptr_t window, const QImage& picture) {
    waitForPlugIns();
    if (index >= PlugIns.size() || !PlugIns[index].SettingPlugIn)
        return;
    const TTesselPlugin& plugin = PlugIns[index];
    SharedBlock dib;
    if (!picture.isNull())
        dib = sharedDib(picture, nullptr);
    PluginMessage request;
    request.call = PluginCall::BpiSetting;
    request.addField(QFile::encodeName(plugin.Handle));
    request.addField(QByteArray(kPlugInKey));
    request.addField(QFile::encodeName(RegistryStore::defaultPath()));
    request.number[0] = static_cast<std::int64_t>(window);
    request.number[1] = static_cast<std::int64_t>(dib.size());
    PluginHost::callWithoutLimit(plugin.Handle, request, dib.isValid() ? dib.fd() : -1);
}

}  // namespace tesselvane
