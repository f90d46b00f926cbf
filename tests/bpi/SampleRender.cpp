// Renders a sample wallpaper: a gradient through calendar.bpi and then colorfilter.bpi, as a
// host without setting functions would, so both keep to their defaults and stay off. With
// --enable it lends them setting functions that switch them on, and nothing else.
//   bpi_sample [--enable] OUTPUT.png [WIDTH HEIGHT]
// Prints "calendar X Y WIDTH HEIGHT", the area the calendar changed, then "picture changed" or
// "picture unchanged", whether the two together changed any byte of the block.

#include "tesselvane_bpi.h"

#include <QGuiApplication>
#include <QImage>
#include <QRect>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>

namespace {

using Execute = decltype(&::ExecutePlugIn);

void* openLibrary(const QString& name, int mode) {
    const QByteArray path = (QCoreApplication::applicationDirPath() + '/' + name).toLocal8Bit();
    void* handle = dlopen(path.constData(), RTLD_NOW | mode);
    if (handle == nullptr)
        std::fprintf(stderr, "%s\n", dlerror());
    return handle;
}

Execute load(const QString& name) {
    void* handle = openLibrary(name, RTLD_LOCAL);
    return handle != nullptr ? reinterpret_cast<Execute>(dlsym(handle, "ExecutePlugIn")) : nullptr;
}

size_t dibSize(const QImage& image) {
    return sizeof(SpiBitmapInfoHeader) + size_t(SPI_DIB_STRIDE(image.width(), 24)) * image.height();
}

void* toDib(const QImage& image) {
    const uint32_t stride = SPI_DIB_STRIDE(image.width(), 24);
    auto* block = static_cast<uint8_t*>(std::calloc(1, dibSize(image)));
    auto* header = reinterpret_cast<SpiBitmapInfoHeader*>(block);
    header->biSize = sizeof(SpiBitmapInfoHeader);
    header->biWidth = image.width();
    header->biHeight = image.height();
    header->biPlanes = 1;
    header->biBitCount = 24;
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* row =
            block + sizeof(SpiBitmapInfoHeader) + size_t(stride) * size_t(image.height() - 1 - y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            row[3 * x] = uint8_t(qBlue(c));
            row[3 * x + 1] = uint8_t(qGreen(c));
            row[3 * x + 2] = uint8_t(qRed(c));
        }
    }
    return block;
}

// Reads back what the plug-ins left, 24 bits only (they were given 24 bits).
QImage fromDib(const void* block) {
    SpiBitmapInfoHeader header;
    std::memcpy(&header, block, sizeof header);
    if (header.biBitCount != 24)
        return {};
    const uint32_t stride = SPI_DIB_STRIDE(header.biWidth, 24);
    QImage image(header.biWidth, header.biHeight, QImage::Format_RGB32);
    const auto* pixels = static_cast<const uint8_t*>(block) + sizeof header;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = pixels + size_t(stride) * size_t(image.height() - 1 - y);
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return image;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool enable = argc > 1 && std::strcmp(argv[1], "--enable") == 0;
    char** args = argv + (enable ? 1 : 0);
    const int count = argc - (enable ? 1 : 0);
    if ((count != 2 && count != 4) || args[1][0] == '-') {
        std::fprintf(stderr, "usage: bpi_sample [--enable] OUTPUT.png [WIDTH HEIGHT]\n");
        return 2;
    }
    const int width = count == 4 ? std::atoi(args[2]) : 1920;
    const int height = count == 4 ? std::atoi(args[3]) : 1080;
    if (width <= 0 || height <= 0 || width > 10000 || height > 10000)
        return 2;

    // Global and first, so that the plug-ins find its functions when they are loaded.
    if (enable && openLibrary(QStringLiteral("bpi_sample_settings.so"), RTLD_GLOBAL) == nullptr)
        return 1;
    const Execute calendar = load(QStringLiteral("calendar.bpi"));
    const Execute filter = load(QStringLiteral("colorfilter.bpi"));
    if (calendar == nullptr || filter == nullptr)
        return 1;

    QImage gradient(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            gradient.setPixel(x, y,
                              qRgb(30 + 200 * x / width, 90 + 110 * y / height,
                                   220 - 160 * (x + y) / (width + height)));
        }
    }
    void* dib = toDib(gradient);
    void* const handed = dib;
    const QByteArray original(static_cast<const char*>(dib), qsizetype(dibSize(gradient)));
    calendar(0, "\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn", &dib);
    const QImage withCalendar = fromDib(dib);
    QRect changed;
    for (int y = 0; y < height && !withCalendar.isNull(); ++y) {
        for (int x = 0; x < width; ++x) {
            if (withCalendar.pixel(x, y) != gradient.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
        }
    }
    filter(0, "\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn", &dib);
    const bool unchanged =
        dib == handed && std::memcmp(dib, original.constData(), size_t(original.size())) == 0;
    const QImage result = fromDib(dib);
    std::free(dib);
    if (result.isNull() || !result.save(QString::fromLocal8Bit(args[1]), "PNG"))
        return 3;
    std::printf("calendar %d %d %d %d\n", changed.x(), changed.y(), changed.width(),
                changed.height());
    std::printf("picture %s\n", unchanged ? "unchanged" : "changed");
    return 0;
}
