// The JPEG path: decoding in both output forms, and reducing what was decoded. Any bytes give
// a picture or an EPictureError; quantised output never has more than 236 colours.

#include "ColorReduction.h"
#include "EPictureError.h"
#include "JpegCodec.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

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
            tesselvane::DecodeJpeg(bytes, QStringLiteral("fuzz.jpg"), JpegOutput::Rgb24);
        if (rgb.isNull() || rgb.format() != QImage::Format_RGB888)
            std::abort();
        // Reducing a small picture exercises the encoder too; large ones only cost time.
        if (qint64(rgb.width()) * rgb.height() <= 256 * 256) {
            const QImage reduced = tesselvane::ReduceColors(rgb);
            if (reduced.size() != rgb.size() || reduced.colorCount() > 236)
                std::abort();
        }
    } catch (const tesselvane::EPictureError&) {
    }
    try {
        const QImage quantised =
            tesselvane::DecodeJpeg(bytes, QStringLiteral("fuzz.jpg"), JpegOutput::Quantized236);
        if (quantised.format() != QImage::Format_Indexed8 || quantised.colorCount() > 236)
            std::abort();
    } catch (const tesselvane::EPictureError&) {
    }
    return 0;
}
