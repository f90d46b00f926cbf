// The slide show's automatic step: from the timer's tick to the new picture painted.
//   ./build/bin/slide_show_bench                 full-HD BMPs, scaled to cover a full-HD window
//   TESSELVANE_SLIDE_PHOTO=photo.jpg ./build/bin/slide_show_bench
//                                                the same with copies of that JPEG photo, in
//                                                szFull and szFit (bench/slide-show.sh makes
//                                                a 6000 x 4000 one and times djpeg beside it)
// Each timed step reports its median and slowest in milliseconds; the memory held over 1,000
// steps is reported as well.

#include "picture/TSusie.h"
#include "slide/TMorvSlide.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace tesselvane;

namespace {

QString photo() {
    return qEnvironmentVariable("TESSELVANE_SLIDE_PHOTO");
}

// A full-HD window showing four pictures in mdAuto: the photo's copies when one is given,
// else solid full-HD BMPs.
struct Show {
    QTemporaryDir dir;
    TSusie host;
    QWidget owner;
    TMorvSlide* slide = nullptr;

    explicit Show(TSize size) {
        QStringList files;
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::gray};
        for (int i = 0; i < 4; ++i) {
            if (!photo().isEmpty()) {
                files.append(dir.path() + QStringLiteral("/%1.jpg").arg(i));
                QFile::copy(photo(), files.back());
                continue;
            }
            QImage image(1920, 1080, QImage::Format_RGB888);
            image.fill(colours[i]);
            files.append(dir.path() + QStringLiteral("/%1.bmp").arg(i));
            image.save(files.back(), "BMP");
        }
        owner.resize(1920, 1080);
        slide = new TMorvSlide(&owner);
        slide->setSusie(&host);
        slide->setFiles(files);
        slide->setSize(size);
        slide->setMode(TMode::mdAuto);
        slide->setInterval(1000);  // never reached: the ticks are the benchmark's
        owner.show();
        slide->surface()->installEventFilter(&paints);
        // Painted only once the window is on the (offscreen) screen.
        while (!owner.windowHandle() || !owner.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        slide->Start();
        paint();
    }
    // Paints the surface now, as the event loop would next.
    void paint() {
        const int before = paints.count;
        slide->surface()->repaint();
        if (paints.count == before)
            qFatal("the surface was not painted");
    }

    struct PaintCount : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            count += event->type() == QEvent::Paint;
            return false;
        }
    } paints;
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

// Each step after `pause`, which is not timed.
template <typename Step>
void timeSteps(benchmark::State& state, std::chrono::milliseconds pause, Step step) {
    std::vector<double> times;
    for (auto _ : state) {
        std::this_thread::sleep_for(pause);
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        times.push_back(took.count() * 1000);
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["max_ms"] = times.back();
}

TSize sizeArg(const benchmark::State& state) {
    return static_cast<TSize>(state.range(0));
}

// Args: the show's TSize, and the milliseconds between ticks (the worker's time to read
// ahead: a second is the shortest interval the options allow; 0 leaves none).
void BM_SlideTick(benchmark::State& state) {
    Show show(sizeArg(state));
    timeSteps(state, std::chrono::milliseconds(state.range(1)), [&] {
        show.slide->timerTick();
        show.paint();
    });
}
BENCHMARK(BM_SlideTick)
    ->ArgsProduct({{1, 2}, {0, 1000}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(12);

// Steps nothing was read ahead for: back (while the next one is being read ahead), a tick
// in random order, and the first picture of a show.
void BM_SlideStepBack(benchmark::State& state) {
    Show show(sizeArg(state));
    timeSteps(state, std::chrono::milliseconds(1000), [&] {
        show.slide->ShowPrevious();
        show.paint();
    });
}
void BM_SlideRandomTick(benchmark::State& state) {
    Show show(sizeArg(state));
    show.slide->setRandom(true);
    show.slide->Start();
    timeSteps(state, std::chrono::milliseconds(1000), [&] {
        show.slide->timerTick();
        show.paint();
    });
}
void BM_SlideStart(benchmark::State& state) {
    Show show(sizeArg(state));
    timeSteps(state, std::chrono::milliseconds(1000), [&] {
        show.slide->Start();
        show.paint();
    });
}
BENCHMARK(BM_SlideStepBack)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(7);
BENCHMARK(BM_SlideRandomTick)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(7);
BENCHMARK(BM_SlideStart)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(7);

void BM_SlideMemoryOver1000Steps(benchmark::State& state) {
    for (auto _ : state) {
        Show show(sizeArg(state));
        for (int i = 0; i < 20; ++i)
            show.slide->timerTick();
        const long before = residentKiB();
        long highest = before;
        for (int i = 0; i < 1000; ++i) {
            show.slide->timerTick();
            highest = std::max(highest, residentKiB());
        }
        state.counters["growth_KiB"] = static_cast<double>(residentKiB() - before);
        state.counters["highest_growth_KiB"] = static_cast<double>(highest - before);
        state.counters["resident_KiB"] = static_cast<double>(residentKiB());
    }
}
BENCHMARK(BM_SlideMemoryOver1000Steps)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1);

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
