#include "PluginServer.h"

#include "PlugInSettingsStore.h"
#include "picture/DibImage.h"
#include "picture/SharedPicture.h"
#include "platform/HeapPolicy.h"
#include "platform/InterfaceLanguage.h"

#include "tesselvane_bpi.h"
#include "tesselvane_spi.h"

#include <QApplication>
#include <QFile>
#include <QWidget>
#include <QWindow>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tesselvane {

namespace {

// A plug-in that answers every number would keep the scan going forever.
constexpr int kMaxTypesPerPlugin = 256;

QByteArray spiText(decltype(::GetPluginInfo)* info, int number, int length, int* result) {
    char buffer[256] = {};
    *result = info(number, buffer, length);
    return QByteArray(buffer, static_cast<qsizetype>(strnlen(buffer, sizeof buffer)));
}

QByteArray bpiText(decltype(::GetPlugInInfo)* info, int number) {
    char buffer[256] = {};
    info(number, buffer);
    buffer[255] = '\0';
    return QByteArray(buffer);
}

bool sameFile(int a, int b) {
    struct stat sa {
    }, sb{};
    return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Keeps a plug-in's own windows above the program window that opened them.
class TransientForProgram : public QObject {
public:
    explicit TransientForProgram(std::uintptr_t window) : window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && window_ != 0) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->isWindow() && widget->windowHandle() &&
                !widget->windowHandle()->transientParent()) {
                if (!program_)
                    program_ = QWindow::fromWinId(static_cast<WId>(window_));
                widget->windowHandle()->setTransientParent(program_);
            }
        }
        return false;
    }

private:
    std::uintptr_t window_;
    QWindow* program_ = nullptr;
};

}  // namespace

PluginServer::PluginServer(int socket, bool realScreen)
    : socket_(socket), realScreen_(realScreen) {}

int PluginServer::run(bool once) {
    for (;;) {
        PluginMessage request;
        int fd = -1;
        if (!receivePluginMessage(socket_, request, &fd))
            return 0;  // the program has gone, or closed its end
        int replyFd = -1;
        const PluginMessage reply = answer(request, fd, &replyFd);
        if (fd >= 0)
            ::close(fd);
        const bool sent = sendPluginMessage(socket_, reply, replyFd);
        if (replyFd >= 0)
            ::close(replyFd);
        if (!sent || once)
            return 0;
        // A plug-in that processes wallpapers will be called soon: the application it needs
        // is made now, while the program reads the picture.
        if (request.call == PluginCall::BpiInfo && reply.result == 0 && reply.number[1] != 0)
            ensureApplication();
    }
}

PluginMessage PluginServer::answer(const PluginMessage& request, int fd, int* replyFd) {
    switch (request.call) {
        case PluginCall::SpiInfo:
            return spiInfo(request);
        case PluginCall::SpiIsSupported:
            return spiIsSupported(request, fd);
        case PluginCall::SpiDecode:
            return spiDecode(request, replyFd);
        case PluginCall::BpiInfo:
            return bpiInfo(request);
        case PluginCall::BpiExecute:
            return bpiExecute(request, fd, replyFd);
        case PluginCall::BpiSetting:
            return bpiSetting(request, fd);
    }
    PluginMessage unknown;
    unknown.call = request.call;
    unknown.result = -1;
    return unknown;
}

SharedLibrary* PluginServer::library(const QByteArray& path) {
    if (const auto found = libraries_.find(path); found != libraries_.end())
        return found->second.get();
    auto loaded = std::make_unique<SharedLibrary>();
    if (!loaded->load(QFile::decodeName(path)))
        loaded.reset();
    return libraries_.emplace(path, std::move(loaded)).first->second.get();
}

void PluginServer::ensureApplication() {
    if (QCoreApplication::instance())
        return;
    // Drawing plug-ins need the GUI library (fonts), not a screen, unless they show a window.
    if (!realScreen_)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tesselvane-plugin-host";
    static char* argv[] = {name, nullptr};
    auto* app = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The plug-ins' settings windows and pictures speak the user's language.
    installInterfaceTexts(app);
}

PluginMessage PluginServer::spiInfo(const PluginMessage& request) {
    PluginMessage reply;
    reply.call = request.call;
    reply.result = -1;
    const QList<QByteArray> fields = request.fields();
    SharedLibrary* lib = fields.size() == 1 ? library(fields[0]) : nullptr;
    auto* info = lib ? lib->resolve<decltype(::GetPluginInfo)>("GetPluginInfo") : nullptr;
    if (!info)
        return reply;
    int result = 0;
    const QByteArray version = spiText(info, 0, 255, &result);
    const bool importFilter =
        (version.size() > 2 && version[2] == 'I') || (version.size() > 3 && version[3] == 'N');
    if (!importFilter)
        return reply;
    for (int k = 0; k < kMaxTypesPerPlugin; ++k) {
        const QByteArray description = spiText(info, 2 * k + 3, 32, &result);
        if (result <= 0)
            break;
        const QByteArray pattern = spiText(info, 2 * k + 2, 255, &result);
        reply.addField(description);
        reply.addField(pattern);
    }
    reply.result = 0;
    reply.number[0] = lib->resolve<decltype(::IsSupported)>("IsSupported") &&
                      lib->resolve<decltype(::GetPictureInfo)>("GetPictureInfo") &&
                      lib->resolve<decltype(::GetPicture)>("GetPicture");
    return reply;
}

PluginMessage PluginServer::spiIsSupported(const PluginMessage& request, int fd) {
    PluginMessage reply;
    reply.call = request.call;
    const QList<QByteArray> fields = request.fields();
    SharedLibrary* lib = fields.size() == 2 && fd >= 0 ? library(fields[0]) : nullptr;
    auto* isSupported = lib ? lib->resolve<decltype(::IsSupported)>("IsSupported") : nullptr;
    if (!isSupported)
        return reply;
    // The plug-in gets a descriptor of its own to read; one it closes costs no one else.
    const int lent = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (lent < 0)
        return reply;
    const off_t at = static_cast<off_t>(request.number[0]);
    if (::lseek(lent, at, SEEK_SET) != at) {
        ::close(lent);
        return reply;
    }
    reply.result = isSupported(fields[1].constData(), lent);
    // Closed by the plug-in (and perhaps the number reused by it): not ours to close again.
    if (sameFile(lent, fd))
        ::close(lent);
    return reply;
}

PluginMessage PluginServer::spiDecode(const PluginMessage& request, int* replyFd) {
    PluginMessage reply;
    reply.call = request.call;
    reply.result = PluginDeclined;
    const QList<QByteArray> fields = request.fields();
    SharedLibrary* lib = fields.size() == 2 ? library(fields[0]) : nullptr;
    auto* pictureInfo = lib ? lib->resolve<decltype(::GetPictureInfo)>("GetPictureInfo") : nullptr;
    auto* picture = lib ? lib->resolve<decltype(::GetPicture)>("GetPicture") : nullptr;
    if (!pictureInfo || !picture)
        return reply;
    const char* name = fields[1].constData();
    const auto offset = static_cast<intptr_t>(request.number[0]);
    SpiPictureInfo info{};
    const int32_t infoResult = pictureInfo(name, offset, 0, &info);
    // Ours to free whatever the answer was.
    std::free(info.hInfo);
    if (infoResult != SPI_SUCCESS)
        return reply;
    void* infoBlock = nullptr;
    void* pixelBlock = nullptr;
    const int32_t result = picture(name, offset, 0, &infoBlock, &pixelBlock, nullptr, 0);
    if (result != SPI_SUCCESS)
        return reply;
    if (infoBlock && pixelBlock) {
        const auto* header = static_cast<const unsigned char*>(infoBlock);
        const std::size_t infoSize = malloc_usable_size(infoBlock);
        const std::size_t pixelSize = malloc_usable_size(pixelBlock);
        if (const auto problem = dibProblem(header, infoSize, pixelSize)) {
            reply.result = PluginBadPicture;
            reply.addField(problem->toUtf8());
        } else {
            const auto* pixels = static_cast<const unsigned char*>(pixelBlock);
            const QSize screen(
                static_cast<int>(std::clamp<std::int64_t>(request.number[1], 0, 1 << 16)),
                static_cast<int>(std::clamp<std::int64_t>(request.number[2], 0, 1 << 16)));
            *replyFd = screen.isEmpty()
                           ? shareDecodedDib(header, infoSize, pixels, pixelSize, reply)
                           : shareFittedDib(header, infoSize, pixels, pixelSize, screen,
                                            fitStyleFromStored(static_cast<int>(request.number[3])),
                                            reply);
            reply.result = *replyFd >= 0 ? 0 : PluginNoMemory;
        }
    }
    std::free(infoBlock);
    std::free(pixelBlock);
    return reply;
}

PluginMessage PluginServer::bpiInfo(const PluginMessage& request) {
    PluginMessage reply;
    reply.call = request.call;
    reply.result = -1;
    const QList<QByteArray> fields = request.fields();
    SharedLibrary* lib = fields.size() == 1 ? library(fields[0]) : nullptr;
    auto* info = lib ? lib->resolve<decltype(::GetPlugInInfo)>("GetPlugInInfo") : nullptr;
    if (!info)
        return reply;
    for (int number = 0; number < 4; ++number)
        reply.addField(bpiText(info, number));
    reply.result = 0;
    reply.number[0] = lib->resolve<decltype(::SettingPlugIn)>("SettingPlugIn") != nullptr;
    reply.number[1] = lib->resolve<decltype(::ExecutePlugIn)>("ExecutePlugIn") != nullptr;
    return reply;
}

PluginMessage PluginServer::bpiExecute(const PluginMessage& request, int fd, int* replyFd) {
    PluginMessage reply;
    reply.call = request.call;
    reply.result = PluginBadPicture;
    const QList<QByteArray> fields = request.fields();
    SharedLibrary* lib = fields.size() == 3 ? library(fields[0]) : nullptr;
    auto* execute = lib ? lib->resolve<decltype(::ExecutePlugIn)>("ExecutePlugIn") : nullptr;
    const auto size = static_cast<std::size_t>(std::max<std::int64_t>(request.number[1], 0));
    const SharedBlock given = SharedBlock::map(::fcntl(fd, F_DUPFD_CLOEXEC, 0), size);
    if (!execute || !given.isValid())
        return reply;
    // The plug-in may keep the block or hand back one of its own: a malloc'd copy either way.
    void* dib = takeUnchangedCopy(request, fd, size);
    if (!dib) {
        dib = mallocForPicture(size);
        if (!dib) {
            reply.result = PluginNoMemory;
            return reply;
        }
        std::memcpy(dib, given.data(), size);
    }
    ensureApplication();
    usePlugInSettingsStore(QFile::decodeName(fields[2]));
    void* handle = dib;
    execute(static_cast<std::uintptr_t>(request.number[0]), fields[1].constData(), &handle);
    if (handle == dib && std::memcmp(dib, given.data(), size) == 0) {
        // Passed over as it came: nothing to copy back, and the copy serves the next one.
        struct stat st {};
        if (::fstat(fd, &st) == 0)
            unchanged_ = {static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino), size, dib};
        else
            std::free(dib);
        reply.result = 0;
        reply.number[0] = static_cast<std::int64_t>(size);
        reply.number[1] = kPluginUnchanged;
        return reply;
    }
    std::size_t resultSize = size;
    if (handle != dib) {
        std::free(dib);
        dib = handle;
        if (!dib) {
            reply.addField("no picture");
            return reply;
        }
        resultSize = malloc_usable_size(dib);
    }
    SharedBlock result = SharedBlock::copyOf(dib, resultSize);
    std::free(dib);
    if (!result.isValid()) {
        reply.result = PluginNoMemory;
        return reply;
    }
    *replyFd = ::fcntl(result.fd(), F_DUPFD_CLOEXEC, 0);
    reply.result = 0;
    reply.number[0] = static_cast<std::int64_t>(resultSize);
    return reply;
}

void* PluginServer::takeUnchangedCopy(const PluginMessage& request, int fd, std::size_t size) {
    const UnchangedCopy kept = std::exchange(unchanged_, {});
    struct stat st {};
    // Only a later plug-in of the same change, given the same block.
    if (kept.dib && request.number[2] > 0 && ::fstat(fd, &st) == 0 &&
        kept.device == static_cast<std::uint64_t>(st.st_dev) &&
        kept.inode == static_cast<std::uint64_t>(st.st_ino) && kept.size == size)
        return kept.dib;
    std::free(kept.dib);
    return nullptr;
}

PluginMessage PluginServer::bpiSetting(const PluginMessage& request, int fd) {
    PluginMessage reply;
    reply.call = request.call;
    reply.result = -1;
    const QList<QByteArray> fields = request.fields();
    SharedLibrary* lib = fields.size() == 3 ? library(fields[0]) : nullptr;
    auto* setting = lib ? lib->resolve<decltype(::SettingPlugIn)>("SettingPlugIn") : nullptr;
    if (!setting)
        return reply;
    void* dib = nullptr;
    if (fd >= 0) {
        const auto size = static_cast<std::size_t>(std::max<std::int64_t>(request.number[1], 0));
        const SharedBlock given = SharedBlock::map(::fcntl(fd, F_DUPFD_CLOEXEC, 0), size);
        dib = given.isValid() ? std::malloc(size) : nullptr;
        if (dib)
            std::memcpy(dib, given.data(), size);
    }
    ensureApplication();
    usePlugInSettingsStore(QFile::decodeName(fields[2]));
    const auto window = static_cast<std::uintptr_t>(request.number[0]);
    TransientForProgram above(window);
    qApp->installEventFilter(&above);
    reply.result = setting(window, fields[1].constData(), dib);
    qApp->removeEventFilter(&above);
    std::free(dib);
    return reply;
}

}  // namespace tesselvane
