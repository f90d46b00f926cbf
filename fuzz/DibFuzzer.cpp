// A plug-in's two blocks turned into a picture, as stored and as 32-bit pixels. The input is
// split into the header block and the pixel block (its first byte says where), each copied
// into a block of exactly its size, so that reading one byte past either is caught by
// AddressSanitizer.

#include "picture/DibImage.h"
#include "picture/PictureLimits.h"
#include "picture/SharedPicture.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

// Qt's warnings about bad input are expected here and would only slow the run down.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The header block takes 40 bytes plus 4 per colour-table entry the first byte asks for.
    const std::size_t infoSize = std::min<std::size_t>(size - 1, 40 + 4 * std::size_t{data[0]} * 2);
    const std::size_t pixelsSize = size - 1 - infoSize;
    auto info = std::make_unique<unsigned char[]>(infoSize);
    auto pixels = std::make_unique<unsigned char[]>(pixelsSize + 1);
    std::memcpy(info.get(), data + 1, infoSize);
    std::memcpy(pixels.get(), data + 1 + infoSize, pixelsSize);

    // Huge headers only make the run slow: the limits on size have unit tests of their own.
    if (const auto h = tesselvane::readDibHeader(info.get(), infoSize)) {
        if (std::abs(qint64(h->width) * h->height) > (1 << 20))
            return 0;
    }
    const QImage image = tesselvane::dibToImage(info.get(), infoSize, pixels.get(), pixelsSize);
    if (!image.isNull() && qint64(image.width()) * image.height() > tesselvane::kMaxPicturePixels)
        std::abort();
    // The same as 32-bit pixels, into the memory of a picture of that size when there is one
    // (as the extension plug-ins' result goes into the wallpaper's): the same colours.
    QImage lender = image.isNull() ? QImage() : QImage(image.size(), QImage::Format_RGB32);
    const QImage wide = tesselvane::dibToImage(info.get(), infoSize, pixels.get(), pixelsSize,
                                               tesselvane::DibWidth::Rgb32, &lender);
    if (wide.isNull() != image.isNull() || wide.size() != image.size())
        std::abort();
    if (image.format() == QImage::Format_RGB888) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) != wide.pixel(x, y))
                    std::abort();
            }
        }
    }
    // Fitted to a screen in bands, as the helper does with the blocks it has checked: the
    // picture that crosses is the fitted size, or the one decoded when that needs no resizing.
    if (!tesselvane::dibProblem(info.get(), infoSize, pixelsSize)) {
        tesselvane::SharedPictureLayout layout;
        const auto style = static_cast<tesselvane::FitStyle>(data[0] % 3);
        const int fd = tesselvane::shareFittedDib(info.get(), infoSize, pixels.get(), pixelsSize,
                                                  QSize(7, 5), style, layout);
        std::optional<QList<QRgb>> palette;
        const QImage fitted = tesselvane::sharedPicture(layout, fd, &palette);
        const QSize drawn = tesselvane::fittedRect(image.size(), QSize(7, 5), style).size();
        if (fd >= 0 && fitted.size() != drawn && fitted.size() != image.size())
            std::abort();
    }
    if (const auto header = tesselvane::readDibHeader(info.get(), infoSize)) {
        const auto palette = tesselvane::MakePalette(*header, info.get(), infoSize);
        if (palette && (palette->isEmpty() || palette->size() > 256))
            std::abort();
    }
    return 0;
}
