// The slide show's automatic step on full-HD pictures scaled to cover a full-HD window: how
// long a tick keeps the user-interface thread, with and without the interval leaving the
// worker time to read the next picture ahead; and the memory held over 1,000 steps.
//   ./build/bin/slide_show_bench

#include "picture/TSusie.h"
#include "slide/TMorvSlide.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

using namespace tesselvane;

namespace {

struct Show {
    QTemporaryDir dir;
    TSusie host;
    QWidget owner;
    TMorvSlide* slide = nullptr;

    Show() {
        QStringList files;
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::gray};
        for (int i = 0; i < 4; ++i) {
            QImage image(1920, 1080, QImage::Format_RGB888);
            image.fill(colours[i]);
            files.append(dir.path() + QStringLiteral("/%1.bmp").arg(i));
            image.save(files.back(), "BMP");
        }
        owner.resize(1920, 1080);
        slide = new TMorvSlide(&owner);
        slide->setSusie(&host);
        slide->setFiles(files);
        slide->setSize(TSize::szFit);
        slide->setMode(TMode::mdAuto);
        slide->setInterval(1000);  // never reached: the ticks are the benchmark's
        owner.show();
        slide->Start();
    }
};

long residentKiB() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * 4;
}

// Arg: milliseconds between ticks (0: no time for reading ahead).
void BM_SlideTick(benchmark::State& state) {
    Show show;
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
        state.ResumeTiming();
        show.slide->timerTick();
    }
}
BENCHMARK(BM_SlideTick)->Arg(0)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(40);

void BM_SlideMemoryOver1000Steps(benchmark::State& state) {
    for (auto _ : state) {
        Show show;
        for (int i = 0; i < 100; ++i)
            show.slide->timerTick();
        const long before = residentKiB();
        for (int i = 0; i < 1000; ++i)
            show.slide->timerTick();
        state.counters["growth_KiB"] = static_cast<double>(residentKiB() - before);
        state.counters["resident_KiB"] = static_cast<double>(residentKiB());
    }
}
BENCHMARK(BM_SlideMemoryOver1000Steps)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
