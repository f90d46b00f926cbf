// picture_tool load FILE | reduce FILE | scan FOLDER
//   load    LoadPicture with 24-bit output (the host's plug-in folder is empty)
//   reduce  decode the file, then time the colour reduction alone
//   scan    construct a host on FOLDER: load every plug-in and build the filter
// Prints the milliseconds of the operation itself on standard error.

#include "picture/ColorReduction.h"
#include "picture/JpegCodec.h"
#include "picture/TSusie.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace tesselvane;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: picture_tool load|reduce|scan PATH\n");
        return 2;
    }
    const QString& what = args[1];
    QElapsedTimer timer;
    qint64 ms = 0;
    if (what == QLatin1String("load")) {
        QTemporaryDir noPlugins;
        TSusie susie(nullptr, [] { return 24; });
        susie.setPluginPath(noPlugins.path());
        timer.start();
        susie.LoadPicture(args[2]);
        ms = timer.elapsed();
        if (susie.Bitmap().isEmpty())
            return 1;
    } else if (what == QLatin1String("reduce")) {
        const QImage image = decodeJpegFile(args[2], JpegOutput::Rgb24);
        timer.start();
        const QImage reduced = reduceColors(image);
        ms = timer.elapsed();
        if (reduced.colorCount() > 236)
            return 1;
    } else if (what == QLatin1String("scan")) {
        timer.start();
        TSusie susie(nullptr, [] { return 24; });
        susie.setPluginPath(args[2]);
        ms = timer.elapsed();
        std::fprintf(stderr, "%lld plug-ins: %s\n",
                     static_cast<long long>(susie.pluginFiles().size()),
                     qPrintable(susie.Filter()));
    } else {
        return 2;
    }
    std::fprintf(stderr, "%s %lld ms\n", qPrintable(what), static_cast<long long>(ms));
    return 0;
}
