// The JPEG path: decoding in both output forms, stretched while decoding (read from a file,
// in blocks, as the wallpaper's pictures are), and reducing what was decoded. Any bytes give
// a picture or an PictureError; quantised output never has more than 236 colours; a
// stretched RGB32 picture has the size asked for, and a DIB twin only ever of itself (one that
// is turned upright after decoding has none).

#include "picture/ColorReduction.h"
#include "picture/DibImage.h"
#include "picture/DibRows.h"
#include "picture/DibTwin.h"
#include "picture/JpegCodec.h"
#include "picture/PictureError.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

// Qt's warnings about bad input are expected here and would only slow the run down.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    using tesselvane::JpegOutput;
    try {
        const QImage rgb =
            tesselvane::decodeJpeg(bytes, QStringLiteral("fuzz.jpg"), JpegOutput::Rgb24);
        if (rgb.isNull() || rgb.format() != QImage::Format_RGB888)
            std::abort();
        // Reducing a small picture exercises the encoder too; large ones only cost time.
        if (qint64(rgb.width()) * rgb.height() <= 256 * 256) {
            const QImage reduced = tesselvane::reduceColors(rgb);
            if (reduced.size() != rgb.size() || reduced.colorCount() > 236)
                std::abort();
        }
    } catch (const tesselvane::PictureError&) {
    }
    if (size >= 2) {
        // The size to stretch to comes from the last two bytes, which a decoder ignores after
        // the end of the picture: shrinking by large factors and growing both get their turn.
        const QSize target(1 + data[size - 1] * 7 % 400, 1 + data[size - 2] * 5 % 300);
        static const int kFile = memfd_create("fuzz.jpg", MFD_CLOEXEC);
        if (kFile < 0 || ftruncate(kFile, 0) != 0 ||
            pwrite(kFile, data, size, 0) != static_cast<ssize_t>(size)) {
            std::abort();
        }
        try {
            const QImage stretched = tesselvane::decodeJpegFile(
                QStringLiteral("/proc/self/fd/%1").arg(kFile), JpegOutput::Rgb24, target);
            // CMYK pictures only get libjpeg's scale, and come as RGB888.
            if (stretched.format() == QImage::Format_RGB32
                    ? stretched.size() != target
                    : stretched.format() != QImage::Format_RGB888) {
                std::abort();
            }
            if (void* twin = tesselvane::takeDibTwin(stretched)) {
                void* converted = tesselvane::imageToPackedDib(stretched);
                const std::size_t dibBytes =
                    40 + tesselvane::dibStride(static_cast<std::uint64_t>(target.width()), 24) *
                             static_cast<std::size_t>(target.height());
                if (stretched.format() != QImage::Format_RGB32 || !converted ||
                    std::memcmp(twin, converted, dibBytes) != 0) {
                    std::abort();
                }
                std::free(converted);
                std::free(twin);
            }
        } catch (const tesselvane::PictureError&) {
        }
    }
    try {
        const QImage quantised =
            tesselvane::decodeJpeg(bytes, QStringLiteral("fuzz.jpg"), JpegOutput::Quantized236);
        if (quantised.format() != QImage::Format_Indexed8 || quantised.colorCount() > 236)
            std::abort();
    } catch (const tesselvane::PictureError&) {
    }
    return 0;
}
