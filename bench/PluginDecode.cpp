// plugin_decode host|direct PLUGIN_FOLDER FILE RUNS
//   host    the image host's LoadPicture: the plug-ins of PLUGIN_FOLDER run in the helper
//           process (started, and the plug-in loaded, before the timing)
//   direct  the same plug-in loaded into this process and called through the plug-in ABI,
//           its blocks made into the same picture
// Prints the median milliseconds of RUNS decodes, and the resident memory of this process and
// of the helper afterwards.
// plugin_decode make FILE WIDTH HEIGHT   writes a photo-like PNG to decode

#include "picture/DibImage.h"
#include "picture/TSusie.h"
#include "platform/SharedLibrary.h"
#include "tesselvane_spi.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tesselvane;

namespace {

long residentKb(long pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QList<long> children() {
    QList<long> pids;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile listed(QStringLiteral("/proc/self/task/%1/children").arg(task));
        if (listed.open(QIODevice::ReadOnly)) {
            for (const QByteArray& pid : listed.readAll().split(' ')) {
                if (!pid.trimmed().isEmpty())
                    pids.append(pid.trimmed().toLong());
            }
        }
    }
    return pids;
}

bool decodeDirect(const SharedLibrary& library, const QByteArray& name) {
    auto* getPictureInfo = library.resolve<decltype(::GetPictureInfo)>("GetPictureInfo");
    auto* getPicture = library.resolve<decltype(::GetPicture)>("GetPicture");
    SpiPictureInfo info{};
    if (getPictureInfo(name.constData(), 0, 0, &info) != SPI_SUCCESS)
        return false;
    std::free(info.hInfo);
    void* infoBlock = nullptr;
    void* pixelBlock = nullptr;
    if (getPicture(name.constData(), 0, 0, &infoBlock, &pixelBlock, nullptr, 0) != SPI_SUCCESS)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(infoBlock);
    const std::size_t infoSize = malloc_usable_size(infoBlock);
    const QImage image = dibToImage(bytes, infoSize, static_cast<const unsigned char*>(pixelBlock),
                                    malloc_usable_size(pixelBlock));
    std::free(infoBlock);
    std::free(pixelBlock);
    return !image.isNull();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args[1] == QLatin1String("make")) {
        const int width = args[3].toInt(), height = args[4].toInt();
        QImage image(width, height, QImage::Format_RGB888);
        for (int y = 0; y < height; ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < width; ++x) {
                // Smooth shapes with a little grain, so that the PNG compresses like a photo.
                const double v = std::sin(x * 0.004) * std::cos(y * 0.006);
                const int grain = static_cast<int>((x * 7919u + y * 104729u) % 13u);
                row[3 * x] = static_cast<uchar>(128 + 90 * v + grain);
                row[3 * x + 1] = static_cast<uchar>(100 + 60 * std::sin(y * 0.003) + grain);
                row[3 * x + 2] = static_cast<uchar>(140 - 80 * v + grain);
            }
        }
        return image.save(args[2], "PNG") ? 0 : 1;
    }
    if (args.size() != 5) {
        std::fprintf(stderr,
                     "usage: plugin_decode host|direct PLUGIN_FOLDER FILE RUNS\n"
                     "       plugin_decode make FILE WIDTH HEIGHT\n");
        return 2;
    }
    const QString& mode = args[1];
    const QString folder = args[2].endsWith(u'/') ? args[2] : args[2] + u'/';
    const QString file = args[3];
    const int runs = std::max(1, args[4].toInt());
    std::vector<qint64> times;

    if (mode == QLatin1String("host")) {
        TSusie susie(nullptr, [] { return 24; });
        susie.setPluginPath(folder);
        susie.LoadPicture(file);  // starts the helper and loads the plug-in
        if (susie.Bitmap().isEmpty())
            return 1;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            susie.LoadPicture(file);
            times.push_back(timer.elapsed());
            if (susie.Bitmap().isEmpty())
                return 1;
        }
        // What each side holds between changes: the picture here, nothing but the plug-ins
        // there.
        susie.takeBitmap();
        for (const long pid : children())
            std::printf("helper rss %ld KB\n", residentKb(pid));
    } else if (mode == QLatin1String("direct")) {
        SharedLibrary library;
        if (!library.load(folder + QStringLiteral("png.spi")))
            return 1;
        const QByteArray name = QFile::encodeName(file);
        if (!decodeDirect(library, name))
            return 1;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            if (!decodeDirect(library, name))
                return 1;
            times.push_back(timer.elapsed());
        }
    } else {
        return 2;
    }
    std::sort(times.begin(), times.end());
    std::printf("%s median %lld ms\n", qPrintable(mode),
                static_cast<long long>(times[times.size() / 2]));
    std::printf("%s rss %ld KB\n", qPrintable(mode), residentKb(::getpid()));
    return 0;
}
