// The built-in BMP reader: any bytes give a picture within the pixel limit or an
// PictureError, never a crash, an overread or an unbounded allocation.

#include "picture/BmpReader.h"
#include "picture/PictureError.h"
#include "picture/PictureLimits.h"

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
    try {
        const QImage image = tesselvane::readBmp(bytes, QStringLiteral("fuzz.bmp"));
        if (image.isNull())
            std::abort();  // failure must be an error, not an empty picture
        if (qint64(image.width()) * image.height() > tesselvane::kMaxPicturePixels)
            std::abort();
        if (image.format() == QImage::Format_Indexed8 && image.colorCount() != 256)
            std::abort();
    } catch (const tesselvane::PictureError&) {
    }
    return 0;
}
