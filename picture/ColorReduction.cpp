#include "ColorReduction.h"

#include "JpegCodec.h"

namespace tesselvane {

QImage ReduceColors(const QImage& image) {
    if (image.isNull())
        return image;
    return DecodeJpeg(EncodeJpeg(image, 100), QString(), JpegOutput::Quantized236);
}

}  // namespace tesselvane
