#include "picture/ColorReduction.h"

#include "picture/JpegCodec.h"

namespace tesselvane {

QImage reduceColors(const QImage& image) {
    if (image.isNull())
        return image;
    return decodeJpeg(encodeJpeg(image, 100), QString(), JpegOutput::Quantized236);
}

}  // namespace tesselvane
