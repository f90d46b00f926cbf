// The x11 back end's own steps on a full-HD picture:
//   convert32    the visible part in 32-bit pixels, as a 24-bit screen takes them
//   dither16     the same part ordered-dithered to 16-bit pixels, as a 16-bit screen takes them
//   applyChange  the whole change on the X server of DISPLAY (skipped without one): composing
//                the root pixmap for each of its monitors and making it the root's
// bench/x11-desktop.sh runs applyChange on 24-bit and 16-bit screens and on one and two monitors.

#include "platform/desktop/X11Desktop.h"
#include "platform/desktop/X11Pixels.h"

#include <QImage>

#include <benchmark/benchmark.h>

using namespace tesselvane;

namespace {

QImage photoLike(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uchar>((x * 255) / width);
            row[3 * x + 1] = static_cast<uchar>((y * 255) / height);
            row[3 * x + 2] = static_cast<uchar>((x ^ y) & 0xFF);
        }
    }
    return image;
}

const QImage& fullHd() {
    static const QImage kPicture = photoLike(1920, 1080);
    return kPicture;
}

void convert32(benchmark::State& state) {
    for (auto _ : state) {
        QImage pixels = fullHd().convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(pixels.constBits());
    }
}
BENCHMARK(convert32)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void dither16(benchmark::State& state) {
    const ShallowChannels rgb565;
    for (auto _ : state) {
        auto pixels = ditherTo16(fullHd(), fullHd().rect(), rgb565, QPoint(0, 0));
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(dither16)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// TESSELVANE_BENCH_PICTURE names a picture to show instead (the script's 24-megapixel photo).
void applyChange(benchmark::State& state) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        state.SkipWithError("no DISPLAY");
        return;
    }
    const QString file = qEnvironmentVariable("TESSELVANE_BENCH_PICTURE");
    const QImage picture = file.isEmpty() ? fullHd() : QImage(file);
    WallpaperFit fit;
    fit.fitScreen = qEnvironmentVariable("TESSELVANE_BENCH_FIT") == QLatin1String("1");
    X11Desktop desktop;
    const WallpaperRequest request{
        .file = QStringLiteral("bench.bmp"), .picture = picture, .fit = fit};
    for (auto _ : state)
        desktop.apply(request);
}
BENCHMARK(applyChange)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
