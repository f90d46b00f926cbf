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

std::vector<TTesselPlugin> readPlugIns(const QString& folder, const QStringList& files) {
    std::vector<std::pair<QString, TTesselPlugin>> found;
    for (const QString& name : files) {
        TTesselPlugin plugin;
        plugin.Handle = folder + name;
        BpiInfoAnswer answer;
        try {
            answer = PluginHost::shared().ask<BpiInfoAnswer>(
                plugin.Handle, BpiInfoRequest{QFile::encodeName(plugin.Handle)});
        } catch (const PictureError&) {
            continue;  // crashed or hung while asked who it is: not loaded
        }
        if (!answer.loaded || !answer.texts[0].startsWith('B'))
            continue;
        // The shipped plug-ins' names have translations; any other stays as it names itself.
        plugin.Name = interfaceText("PlugInNames", answer.texts[1].constData());
        const auto version = parseStoredInteger(QString::fromUtf8(answer.texts[2]));
        const auto order = parseStoredInteger(QString::fromUtf8(answer.texts[3]));
        if (!version || !order)
            continue;
        plugin.Name += QStringLiteral(" Ver") + QLocale().toString(*version / 100.0, 'f', 2);
        plugin.Order = *order;
        plugin.SettingPlugIn = answer.hasSetting;
        plugin.ExecutePlugIn = answer.hasExecute;
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
    const QString folder = plugInFolder(folderOrDefault);
    publish(readPlugIns(folder, findFiles(folder, QStringLiteral("*.bpi"))));
}

void startLoadingPlugIns(const QString& folderOrDefault) {
    FreePlugIns();
    const QString folder = plugInFolder(folderOrDefault);
    QStringList files = findFiles(folder, QStringLiteral("*.bpi"));
    // No extension plug-in, no helper.
    if (files.isEmpty())
        return;
    // Started from this thread: the helper is set to end with the thread that started it.
    PluginHost::shared().startIfStopped();
    loading = std::async(std::launch::async, readPlugIns, folder, std::move(files));
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
    std::uint64_t size = dib.size();
    bool changed = false;
    std::int64_t calls = 0;
    const auto toCall = std::count_if(PlugIns.begin(), PlugIns.end(),
                                      [](const auto& p) { return p.ExecutePlugIn; });
    for (const TTesselPlugin& plugin : PlugIns) {
        if (!plugin.ExecutePlugIn)
            continue;
        const BpiExecuteRequest request{QFile::encodeName(plugin.Handle),
                                        QByteArray(kPlugInKey),
                                        QFile::encodeName(RegistryStore::defaultPath()),
                                        static_cast<std::uint64_t>(window),
                                        size,
                                        calls,
                                        calls + 1 == toCall};
        ++calls;
        int resultFd = -1;
        const BpiExecuteAnswer answer =
            PluginHost::shared().ask<BpiExecuteAnswer>(plugin.Handle, request, dib.fd(), &resultFd);
        if (answer.outcome == PluginOutcome::Done && answer.unchanged && resultFd < 0)
            continue;
        SharedBlock result = answer.outcome == PluginOutcome::Done && answer.size > 0 &&
                                     answer.size <= std::uint64_t{1} << 40
                                 ? SharedBlock::map(resultFd, answer.size)
                                 : SharedBlock::map(resultFd, 0);
        if (answer.outcome == PluginOutcome::NoMemory) {
            throw PictureError(interfaceText("ExtensionPlugins",
                                             "拡張プラグイン %1 の画像を受け取るメモリが足りません")
                                   .arg(pluginName(plugin.Handle)));
        }
        if (answer.outcome != PluginOutcome::Done || !result.isValid()) {
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
    const BpiSettingRequest request{QFile::encodeName(plugin.Handle), QByteArray(kPlugInKey),
                                    QFile::encodeName(RegistryStore::defaultPath()),
                                    static_cast<std::uint64_t>(window), dib.size()};
    PluginHost::callWithoutLimit(plugin.Handle, request.toMessage(), dib.isValid() ? dib.fd() : -1);
}

}  // namespace tesselvane
