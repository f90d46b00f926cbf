// Writing and reading groups, and loading the options, on a store in a temporary folder.

#include "platform/RegistryStore.h"
#include "settings/Groups.h"
#include "settings/Options.h"
#include "settings/RegIni.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace tesselvane;

namespace {

QStringList tenThousandPaths() {
    QStringList files;
    for (int i = 0; i < 10000; ++i) {
        files.append(QStringLiteral("/home/user/Pictures/Holidays 2026/Folder %1/IMG_%2.jpg")
                         .arg(i / 100)
                         .arg(i));
    }
    return files;
}

struct Store {
    QTemporaryDir dir;
    RegistryStore store{dir.path() + QStringLiteral("/registry.db")};
    RegIni ini{store};
};

void BM_SaveFileGroup10000(benchmark::State& state) {
    Store s;
    const QStringList files = tenThousandPaths();
    for (auto _ : state)
        SaveGroup(s.ini, QStringLiteral("Holidays"), GroupKind::FileList, QString(), files);
}
BENCHMARK(BM_SaveFileGroup10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadPictureListOfFileGroup10000(benchmark::State& state) {
    Store s;
    SaveGroup(s.ini, QStringLiteral("Holidays"), GroupKind::FileList, QString(),
              tenThousandPaths());
    QStringList list;
    for (auto _ : state) {
        LoadPictureList(s.ini, list, QStringLiteral("Holidays"));
        benchmark::DoNotOptimize(list.size());
    }
}
BENCHMARK(BM_LoadPictureListOfFileGroup10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadOptions(benchmark::State& state) {
    Store s;
    SaveOptions(s.ini, TMyOption{});
    SaveGroupNames(s.ini, {QStringLiteral("a"), QStringLiteral("b")});
    TMyOption options;
    for (auto _ : state) {
        LoadOptions(s.ini, options, QStringLiteral("/usr/lib/tesselvane/"));
        benchmark::DoNotOptimize(options.SlideTime);
    }
}
BENCHMARK(BM_LoadOptions)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// The same with the store opened afresh each time, as at program start.
void BM_OpenStoreAndLoadOptions(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/registry.db");
    {
        RegistryStore store(path);
        RegIni ini(store);
        SaveOptions(ini, TMyOption{});
    }
    TMyOption options;
    for (auto _ : state) {
        RegistryStore store(path);
        RegIni ini(store);
        LoadOptions(ini, options, QStringLiteral("/usr/lib/tesselvane/"));
        benchmark::DoNotOptimize(options.SlideTime);
    }
}
BENCHMARK(BM_OpenStoreAndLoadOptions)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
