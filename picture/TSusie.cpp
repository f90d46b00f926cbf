#include "picture/TSusie.h"

#include "picture/BmpReader.h"
#include "picture/ColorReduction.h"
#include "picture/DibImage.h"
#include "picture/JpegCodec.h"
#include "picture/JpegPrefetch.h"
#include "picture/PictureError.h"
#include "picture/PluginHost.h"
#include "picture/SharedPicture.h"
#include "platform/FileSearch.h"
#include "platform/InterfaceLanguage.h"
#include "platform/ProgramPaths.h"
#include "platform/RegularFile.h"
#include "platform/Screen.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace tesselvane {

namespace {

// Plug-ins that crashed or hung while being scanned: never asked again in this run.
QSet<QString>& failedInScan() {
    static QSet<QString> files;
    return files;
}

QString pluginName(const QString& file) {
    return QFileInfo(file).fileName();
}

std::optional<QList<QRgb>> paletteOfIndexed(const QImage& image) {
    if (image.format() != QImage::Format_Indexed8)
        return std::nullopt;
    return image.colorTable();
}

// The extension with its dot, upper case, as Windows names it: ".JPG" for "a.b/photo.jpg".
QString upperExtension(const QString& fileName) {
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot).toUpper();
}

}  // namespace

// A decoder plug-in that the helper process runs for the host.
struct TSusie::Plugin {
    QString file;
};

TSusie::TSusie(QObject* owner, std::function<int()> screenDepth)
    : QObject(owner), screenDepth_(screenDepth ? std::move(screenDepth) : screenColorDepth) {}

TSusie::~TSusie() {
    UnloadPlugins();
}

void TSusie::setPluginPath(const QString& path) {
    UnloadPlugins();
    pluginPath_ = path;
    if (!pluginPath_.isEmpty() && !pluginPath_.endsWith(u'/'))
        pluginPath_ += u'/';
}

void TSusie::scanIfNeeded() const {
    // The folder is scanned when its plug-ins are first needed, not when it is set: the
    // program sets it twice at start, and BMP and JPEG pictures need no plug-in at all.
    if (!scanned_)
        const_cast<TSusie*>(this)->ScanPlugins();
}

const QString& TSusie::Filter() const {
    scanIfNeeded();
    return filter_;
}

QStringList TSusie::pluginFiles() const {
    scanIfNeeded();
    QStringList files;
    for (const auto& plugin : plugins_)
        files.append(plugin->file);
    return files;
}

void TSusie::ScanPlugins() {
    plugins_.clear();
    scanned_ = true;
    QString filter = QStringLiteral("BMP|*.BMP|JPEG|*.JPG");
    QString patterns = QStringLiteral("*.BMP;*.JPG");
    // Never the working directory: code is loaded only from a folder chosen for it.
    const QString folder = pluginPath_.isEmpty() ? programFolder() : pluginPath_;

    for (const QString& name : findFiles(folder, QStringLiteral("*.spi"))) {
        const QString file = folder + name;
        if (failedInScan().contains(file))
            continue;
        SpiInfoAnswer answer;
        try {
            answer = PluginHost::shared().ask<SpiInfoAnswer>(
                file, SpiInfoRequest{QFile::encodeName(file)});
        } catch (const PictureError&) {
            // One that crashes or hangs here is skipped, in this scan and every later one.
            failedInScan().insert(file);
            continue;
        }
        // Not a library, or not an import filter: skipped without a word.
        if (!answer.importFilter)
            continue;
        for (const auto& [description, pattern] : answer.types) {
            filter += u'|' + QString::fromUtf8(description) + u'|' + QString::fromUtf8(pattern);
            patterns += u';' + QString::fromUtf8(pattern);
        }
        // Without all three entry points the host could never use it; its types stay in the
        // filter.
        if (answer.readsPictures)
            plugins_.push_back(std::make_unique<Plugin>(Plugin{file}));
    }
    filter_ = QStringLiteral("All Pictures|") + patterns + u'|' + filter;
}

void TSusie::UnloadPlugins() {
    plugins_.clear();
    scanned_ = false;
}

void TSusie::LoadPicture(const QString& fileName) {
    bitmap_.clear();
    switch (fileKind(fileName)) {
        case FileKind::Missing:
        case FileKind::Folder:
            return;
        case FileKind::Other:
            // Reading a FIFO or a device would wait, or never end.
            throw PictureError(
                interfaceText("TSusie", "%1 は通常のファイルではないので画像として読めません")
                    .arg(fileName));
        case FileKind::Regular:
            break;
    }
    const bool reduce = DeColor && screenDepth_() <= 8;
    const QString extension = upperExtension(fileName);

    if (extension == QLatin1String(".BMP")) {
        QImage image = readBmpFile(fileName, drawnPartOf(reduce));
        if (reduce)
            image = reduceColors(image);
        bitmap_.palette = paletteOfIndexed(image);
        bitmap_.image = std::move(image);
        return;
    }
    if (extension == QLatin1String(".JPG") && InJpeg) {
        // A picture read ahead (at start, while the windows were built) when it is this one.
        std::optional<QImage> prefetched = takePrefetchedJpeg(fileName, jpegSizeHint);
        if (reduce)
            prefetched.reset();  // read in full colour; this one wants a palette
        QImage image = prefetched ? std::move(*prefetched)
                                  : decodeJpegFile(fileName,
                                                   reduce     ? JpegOutput::Quantized236
                                                   : wideJpeg ? JpegOutput::Rgb32
                                                              : JpegOutput::Rgb24,
                                                   jpegSizeHint);
        bitmap_.palette = paletteOfIndexed(image);
        bitmap_.image = std::move(image);
        return;
    }
    loadWithPlugins(fileName, reduce);
}

std::function<QRect(QSize)> TSusie::drawnPartOf(bool reduce) const {
    if (reduce || !pluginFitScreen.isEmpty() || largestMonitor.isEmpty())
        return {};
    return [largest = largestMonitor, style = placement](QSize picture) {
        return drawnPart(picture, largest, style);
    };
}

bool TSusie::readsBuiltIn(const QString& fileName) const {
    if (DeColor || jpegSizeHint.isValid())
        return false;
    const QString extension = upperExtension(fileName);
    return extension == QLatin1String(".BMP") || (extension == QLatin1String(".JPG") && InJpeg);
}

QImage TSusie::readBuiltIn(const QString& fileName, QSize jpegSizeHint) {
    if (upperExtension(fileName) == QLatin1String(".BMP"))
        return readBmpFile(fileName);
    DecodedJpeg decoded = decodeJpegFilePixels(fileName, JpegOutput::Rgb24, jpegSizeHint);
    // The twin serves the wallpaper; kept for a picture read off the way to it, it would only
    // push out the wallpaper's own.
    std::free(std::exchange(decoded.dib, nullptr));
    return jpegToImage(std::move(decoded), fileName, JpegOutput::Rgb24);
}

void TSusie::leaveOut(const QString& file) {
    // Each picture that reached it would wait the whole time limit again.
    failedInScan().insert(file);
    std::erase_if(plugins_, [&file](const auto& plugin) { return plugin->file == file; });
}

void TSusie::loadWithPlugins(const QString& fileName, bool reduce) {
    scanIfNeeded();
    const QByteArray name = QFile::encodeName(fileName);
    const int fd = openRegularFile(fileName);
    if (fd < 0)
        return;
    const Plugin* reader = nullptr;
    std::int64_t offset = 0;
    QString asked;
    try {
        for (const auto& plugin : plugins_) {
            asked = plugin->file;
            // Offset 128 lets a plug-in find a picture behind a 128-byte header.
            for (const std::int64_t at : {std::int64_t{0}, std::int64_t{128}}) {
                const SpiIsSupportedRequest request{QFile::encodeName(plugin->file), name, at};
                if (PluginHost::shared()
                        .ask<SpiIsSupportedAnswer>(plugin->file, request, fd)
                        .answer != 0) {
                    reader = plugin.get();
                    offset = at;
                    break;
                }
            }
            if (reader)
                break;
        }
    } catch (const PluginHangError&) {
        ::close(fd);
        leaveOut(asked);
        throw;
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    if (!reader)
        return;

    // Fitted or cut in the helper when it is going to be: only the pixels drawn cross.
    const bool fitted = !pluginFitScreen.isEmpty() && !reduce;
    const SpiDecodeRequest request{QFile::encodeName(reader->file),
                                   name,
                                   offset,
                                   fitted ? pluginFitScreen : QSize(),
                                   pluginFitStyle,
                                   reduce || fitted ? QSize() : largestMonitor,
                                   placement};
    int pictureFd = -1;
    const QString readerFile = reader->file;
    SpiDecodeAnswer answer;
    try {
        answer = PluginHost::shared().ask<SpiDecodeAnswer>(readerFile, request, -1, &pictureFd);
    } catch (const PluginHangError&) {
        leaveOut(readerFile);
        throw;
    }
    if (answer.outcome != PluginOutcome::Done && pictureFd >= 0)
        ::close(pictureFd);
    if (answer.outcome == PluginOutcome::Declined)
        return;  // the plug-in read nothing after all
    if (answer.outcome == PluginOutcome::NoMemory) {
        throw PictureError(
            interfaceText("TSusie", "プラグイン %1 の画像を受け取るメモリが足りません")
                .arg(pluginName(readerFile)));
    }
    std::optional<QList<QRgb>> palette;
    QImage image = answer.outcome == PluginOutcome::Done
                       ? sharedPicture(answer.picture, pictureFd, &palette)
                       : QImage();
    if (image.isNull()) {
        const QString reason =
            answer.outcome == PluginOutcome::BadPicture && !answer.reason.isEmpty()
                ? QString::fromUtf8(answer.reason)
                : interfaceText("TSusie", "画像を受け取れません");
        throw PictureError(interfaceText("TSusie", "プラグイン %1 の返した画像が不正です (%2)")
                               .arg(pluginName(readerFile), reason));
    }
    if (reduce)
        image = reduceColors(image);
    bitmap_.image = std::move(image);
    bitmap_.palette = std::move(palette);
}

}  // namespace tesselvane
