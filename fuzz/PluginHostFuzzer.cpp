// Any file read through the image host's plug-ins, as the program reads it: the shipped
// decoder plug-ins of this program's folder run in the helper process. Whatever the bytes, the
// result is a picture, no picture, or a PictureError: never a crash of this process, and never
// a picture the host's limits forbid.

#include "picture/PictureError.h"
#include "picture/PictureLimits.h"
#include "picture/TSusie.h"
#include "platform/ProgramPaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> folder;
std::unique_ptr<tesselvane::TSusie> host;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Kept to the end of the process (it holds on to the count it is given).
    static int count = *argc;
    new QCoreApplication(count, *argv);
    folder = std::make_unique<QTemporaryDir>();
    host = std::make_unique<tesselvane::TSusie>(nullptr, [] { return 24; });
    host->setPluginPath(tesselvane::programFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // No extension the built-in readers take: every file goes to the plug-ins.
    const QString name = folder->filePath(QStringLiteral("input.picture"));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    try {
        host->LoadPicture(name);
    } catch (const tesselvane::PictureError&) {
        return 0;
    }
    const QImage& image = host->Bitmap().image;
    if (!image.isNull() && qint64(image.width()) * image.height() > tesselvane::kMaxPicturePixels) {
        std::abort();
    }
    return 0;
}
