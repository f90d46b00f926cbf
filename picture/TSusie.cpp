#include "picture/TSusie.h"

#include "picture/BmpReader.h"
#include "picture/ColorReduction.h"
#include "picture/DibImage.h"
#include "picture/JpegCodec.h"
#include "picture/JpegPrefetch.h"
#include "platform/FileSearch.h"
#include "platform/ProgramPaths.h"
#include "platform/Screen.h"
#include "platform/SharedLibrary.h"
#include "tesselvane_spi.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace tesselvane {

namespace {

using GetPluginInfoFn = decltype(::GetPluginInfo);
using IsSupportedFn = decltype(::IsSupported);
using GetPictureInfoFn = decltype(::GetPictureInfo);
using GetPictureFn = decltype(::GetPicture);

// A plug-in that answers every number would keep the scan going forever.
constexpr int kMaxTypesPerPlugin = 256;

// Text number `number` of a plug-in, read from a buffer of `length` usable bytes.
QByteArray pluginInfo(GetPluginInfoFn* info, int number, int length, int* result) {
    char buffer[256] = {};
    *result = info(number, buffer, length);
    return QByteArray(buffer,
                      static_cast<qsizetype>(strnlen(buffer, static_cast<std::size_t>(length))));
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

struct TSusie::Plugin {
    SharedLibrary library;
    QString file;
    IsSupportedFn* isSupported = nullptr;
    GetPictureInfoFn* getPictureInfo = nullptr;
    GetPictureFn* getPicture = nullptr;
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
        auto plugin = std::make_unique<Plugin>();
        plugin->file = folder + name;
        // A library that does not load is skipped without a word.
        if (!plugin->library.load(plugin->file))
            continue;
        auto* info = plugin->library.resolve<GetPluginInfoFn>("GetPluginInfo");
        if (!info)
            continue;

        int result = 0;
        const QByteArray version = pluginInfo(info, 0, 255, &result);
        const bool importFilter =
            (version.size() > 2 && version[2] == 'I') || (version.size() > 3 && version[3] == 'N');
        if (!importFilter)
            continue;

        for (int k = 0; k < kMaxTypesPerPlugin; ++k) {
            const QByteArray description = pluginInfo(info, 2 * k + 3, 32, &result);
            if (result <= 0)
                break;
            const QByteArray pattern = pluginInfo(info, 2 * k + 2, 255, &result);
            filter += u'|' + QString::fromUtf8(description) + u'|' + QString::fromUtf8(pattern);
            patterns += u';' + QString::fromUtf8(pattern);
        }

        plugin->isSupported = plugin->library.resolve<IsSupportedFn>("IsSupported");
        plugin->getPictureInfo = plugin->library.resolve<GetPictureInfoFn>("GetPictureInfo");
        plugin->getPicture = plugin->library.resolve<GetPictureFn>("GetPicture");
        // Without all three the host could never use it; its types stay in the filter.
        if (!plugin->isSupported || !plugin->getPictureInfo || !plugin->getPicture)
            continue;
        plugins_.push_back(std::move(plugin));
    }
    filter_ = QStringLiteral("All Pictures|") + patterns + u'|' + filter;
}

void TSusie::UnloadPlugins() {
    for (auto& plugin : plugins_)
        plugin->library.unload();
    plugins_.clear();
    scanned_ = false;
}

void TSusie::LoadPicture(const QString& fileName) {
    bitmap_.clear();
    const QFileInfo file(fileName);
    if (!file.exists() || file.isDir())
        return;
    const bool reduce = DeColor && screenDepth_() <= 8;
    const QString extension = upperExtension(fileName);

    if (extension == QLatin1String(".BMP")) {
        QImage image = readBmpFile(fileName);
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
        QImage image =
            prefetched
                ? std::move(*prefetched)
                : decodeJpegFile(fileName, reduce ? JpegOutput::Quantized236 : JpegOutput::Rgb24,
                                 jpegSizeHint);
        bitmap_.palette = paletteOfIndexed(image);
        bitmap_.image = std::move(image);
        return;
    }
    loadWithPlugins(fileName, reduce);
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
    DecodedJpeg decoded = decodeJpegFilePixels(fileName, false, jpegSizeHint);
    // The twin serves the wallpaper; kept for a picture read off the way to it, it would only
    // push out the wallpaper's own.
    std::free(std::exchange(decoded.dib, nullptr));
    return jpegToImage(std::move(decoded), fileName, JpegOutput::Rgb24);
}

void TSusie::loadWithPlugins(const QString& fileName, bool reduce) {
    scanIfNeeded();
    const QByteArray name = QFile::encodeName(fileName);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    Plugin* reader = nullptr;
    intptr_t offset = 0;
    for (const auto& plugin : plugins_) {
        // Offset 128 lets a plug-in find a picture behind a 128-byte header.
        for (const intptr_t at : {intptr_t{0}, intptr_t{128}}) {
            if (::lseek(fd, at, SEEK_SET) != at)
                continue;
            if (plugin->isSupported(name.constData(), fd) != 0) {
                reader = plugin.get();
                offset = at;
                break;
            }
        }
        if (reader)
            break;
    }
    ::close(fd);
    if (!reader)
        return;

    SpiPictureInfo info{};
    if (reader->getPictureInfo(name.constData(), offset, 0, &info) != SPI_SUCCESS)
        return;
    void* infoBlock = nullptr;
    void* pixelBlock = nullptr;
    const int32_t result =
        reader->getPicture(name.constData(), offset, 0, &infoBlock, &pixelBlock, nullptr, 0);
    std::optional<QList<QRgb>> palette;
    QImage image;
    if (result == SPI_SUCCESS && infoBlock && pixelBlock) {
        // What the blocks really hold, whatever the header claims.
        const auto* infoBytes = static_cast<const unsigned char*>(infoBlock);
        const std::size_t infoSize = malloc_usable_size(infoBlock);
        if (const auto header = readDibHeader(infoBytes, infoSize))
            palette = MakePalette(*header, infoBytes, infoSize);
        image = dibToImage(infoBytes, infoSize, static_cast<const unsigned char*>(pixelBlock),
                           malloc_usable_size(pixelBlock));
    }
    if (result == SPI_SUCCESS) {
        std::free(infoBlock);
        std::free(pixelBlock);
    }
    std::free(info.hInfo);
    if (image.isNull())
        return;
    if (reduce)
        image = reduceColors(image);
    bitmap_.image = std::move(image);
    bitmap_.palette = std::move(palette);
}

}  // namespace tesselvane
