#include "picture/JpegCodec.h"

#include "picture/DibTwin.h"
#include "picture/JpegErrorManager.h"
#include "picture/JpegPrefetch.h"
#include "picture/PictureError.h"
#include "platform/InterfaceLanguage.h"

#include <cstdlib>
#include <utility>

namespace tesselvane {

using jpeg::ErrorManager;
using jpeg::installErrorManager;

namespace {

void freePixels(void* pixels) {
    std::free(pixels);
}

QImage cmykToRgb(const DecodedJpeg& job) {
    QImage image(job.width, job.height, QImage::Format_RGB888);
    if (image.isNull())
        return image;
    for (int y = 0; y < job.height; ++y) {
        const unsigned char* src = job.pixels + job.stride * static_cast<std::size_t>(y);
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < job.width; ++x) {
            int c = src[4 * x], m = src[4 * x + 1], ye = src[4 * x + 2], k = src[4 * x + 3];
            if (!job.adobeInverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            dst[3 * x] = static_cast<uchar>(c * k / 255);
            dst[3 * x + 1] = static_cast<uchar>(m * k / 255);
            dst[3 * x + 2] = static_cast<uchar>(ye * k / 255);
        }
    }
    return image;
}

}  // namespace

QImage jpegToImage(DecodedJpeg decoded, const QString& name, JpegOutput output) {
    const bool quantize = output == JpegOutput::Quantized236;
    const auto outOfMemory = [&] {
        return PictureError(
            interfaceText("JpegCodec", "画像 %1 を読み込むメモリが足りません").arg(name));
    };
    if (decoded.layout == DecodedJpeg::Layout::Cmyk) {
        const QImage rgb = cmykToRgb(decoded);
        if (rgb.isNull())
            throw outOfMemory();
        return quantize ? decodeJpeg(encodeJpeg(rgb, 100), name, output) : rgb;  // scaled already
    }
    QImage::Format format = QImage::Format_RGB888;
    if (decoded.layout == DecodedJpeg::Layout::Indexed8)
        format = QImage::Format_Indexed8;
    else if (decoded.layout == DecodedJpeg::Layout::Rgb32)
        format = QImage::Format_RGB32;
    // The decoded rows become the picture's memory as they are: no copy.
    QImage image(decoded.pixels, decoded.width, decoded.height,
                 static_cast<qsizetype>(decoded.stride), format, freePixels, decoded.pixels);
    if (image.isNull())
        throw outOfMemory();
    decoded.pixels = nullptr;
    if (decoded.dib)
        keepDibTwin(image, std::exchange(decoded.dib, nullptr));
    if (format == QImage::Format_Indexed8)
        image.setColorTable(QList<QRgb>(decoded.palette.begin(), decoded.palette.end()));
    return image;
}

QImage decodeJpeg(const QByteArray& data, const QString& name, JpegOutput output, QSize atLeast) {
    return jpegToImage(
        decodeJpegPixels(reinterpret_cast<const unsigned char*>(data.constData()),
                         static_cast<std::size_t>(data.size()), name, output, atLeast),
        name, output);
}

QImage decodeJpegFile(const QString& path, JpegOutput output, QSize atLeast) {
    return jpegToImage(decodeJpegFilePixels(path, output, atLeast), path, output);
}

std::optional<QImage> takePrefetchedJpeg(const QString& path, QSize stretchTo) {
    const std::unique_ptr<JpegPrefetch> prefetch = takePrefetch();
    if (!prefetch || prefetch->path() != path || prefetch->stretchTo() != stretchTo)
        return std::nullopt;
    return jpegToImage(prefetch->take(), path, JpegOutput::Rgb24);
}

namespace {

struct EncodeJob {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    unsigned char* buffer = nullptr;  // malloc'd by libjpeg
    unsigned long size = 0;
};

int encode(EncodeJob* job, const QImage* image, int quality) {
    j_compress_ptr cinfo = &job->cinfo;
    installErrorManager(reinterpret_cast<j_common_ptr>(cinfo), job->err);
    if (setjmp(job->err.jump))
        return 1;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &job->buffer, &job->size);
    cinfo->image_width = static_cast<JDIMENSION>(image->width());
    cinfo->image_height = static_cast<JDIMENSION>(image->height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);  // baseline tables
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(image->constScanLine(static_cast<int>(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return 0;
}

}  // namespace

QByteArray encodeJpeg(const QImage& image, int quality) {
    const QImage rgb = image.format() == QImage::Format_RGB888
                           ? image
                           : image.convertToFormat(QImage::Format_RGB888);
    EncodeJob job;
    const int failed = rgb.isNull() ? 1 : encode(&job, &rgb, quality);
    jpeg_destroy_compress(&job.cinfo);
    QByteArray result;
    if (!failed)
        result =
            QByteArray(reinterpret_cast<const char*>(job.buffer), static_cast<qsizetype>(job.size));
    std::free(job.buffer);
    if (failed) {
        throw PictureError(interfaceText("JpegCodec", "JPEG 画像を作れません (%1)")
                               .arg(QString::fromLocal8Bit(job.err.message)));
    }
    return result;
}

}  // namespace tesselvane
