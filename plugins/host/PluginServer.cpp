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
        if (std::exchange(applicationSoon_, false))
            ensureApplication();
    }
}

PluginMessage PluginServer::answer(const PluginMessage& request, int fd, int* replyFd) {
    // A request that is not one of its kind gets that kind's answer of nothing done.
    switch (request.call) {
        case PluginCall::SpiInfo: {
            const auto r = SpiInfoRequest::from(request);
            return (r ? spiInfo(*r) : SpiInfoAnswer{}).toMessage();
        }
        case PluginCall::SpiIsSupported: {
            const auto r = SpiIsSupportedRequest::from(request);
            return (r ? spiIsSupported(*r, fd) : SpiIsSupportedAnswer{}).toMessage();
        }
        case PluginCall::SpiDecode: {
            const auto r = SpiDecodeRequest::from(request);
            return (r ? spiDecode(*r, replyFd) : SpiDecodeAnswer{}).toMessage();
        }
        case PluginCall::BpiInfo: {
            const auto r = BpiInfoRequest::from(request);
            return (r ? bpiInfo(*r) : BpiInfoAnswer{}).toMessage();
        }
        case PluginCall::BpiExecute: {
            const auto r = BpiExecuteRequest::from(request);
            return (r ? bpiExecute(*r, fd, replyFd) : BpiExecuteAnswer{}).toMessage();
        }
        case PluginCall::BpiSetting: {
            const auto r = BpiSettingRequest::from(request);
            return (r ? bpiSetting(*r, fd) : BpiSettingAnswer{}).toMessage();
        }
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

SpiInfoAnswer PluginServer::spiInfo(const SpiInfoRequest& request) {
    SpiInfoAnswer reply;
    SharedLibrary* lib = library(request.plugin);
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
        reply.types.append({description, pattern});
    }
    reply.importFilter = true;
    reply.readsPictures = lib->resolve<decltype(::IsSupported)>("IsSupported") &&
                          lib->resolve<decltype(::GetPictureInfo)>("GetPictureInfo") &&
                          lib->resolve<decltype(::GetPicture)>("GetPicture");
    return reply;
}

SpiIsSupportedAnswer PluginServer::spiIsSupported(const SpiIsSupportedRequest& request, int fd) {
    SpiIsSupportedAnswer reply;
    SharedLibrary* lib = fd >= 0 ? library(request.plugin) : nullptr;
    auto* isSupported = lib ? lib->resolve<decltype(::IsSupported)>("IsSupported") : nullptr;
    if (!isSupported)
        return reply;
    // The plug-in gets a descriptor of its own to read; one it closes costs no one else.
    const int lent = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (lent < 0)
        return reply;
    const auto at = static_cast<off_t>(request.offset);
    if (::lseek(lent, at, SEEK_SET) != at) {
        ::close(lent);
        return reply;
    }
    reply.answer = isSupported(request.file.constData(), lent);
    // Closed by the plug-in (and perhaps the number reused by it): not ours to close again.
    if (sameFile(lent, fd))
        ::close(lent);
    return reply;
}

SpiDecodeAnswer PluginServer::spiDecode(const SpiDecodeRequest& request, int* replyFd) {
    SpiDecodeAnswer reply;
    SharedLibrary* lib = library(request.plugin);
    auto* pictureInfo = lib ? lib->resolve<decltype(::GetPictureInfo)>("GetPictureInfo") : nullptr;
    auto* picture = lib ? lib->resolve<decltype(::GetPicture)>("GetPicture") : nullptr;
    if (!pictureInfo || !picture)
        return reply;
    const char* name = request.file.constData();
    const auto offset = static_cast<intptr_t>(request.offset);
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
        const auto* pixels = static_cast<const unsigned char*>(pixelBlock);
        const std::size_t infoSize = malloc_usable_size(infoBlock);
        const std::size_t pixelSize = malloc_usable_size(pixelBlock);
        if (const auto problem = dibProblem(header, infoSize, pixelSize)) {
            reply.outcome = PluginOutcome::BadPicture;
            reply.reason = problem->toUtf8();
        } else {
            *replyFd =
                !request.fitScreen.isEmpty()
                    ? shareFittedDib(header, infoSize, pixels, pixelSize, request.fitScreen,
                                     request.fitStyle, reply.picture)
                    : shareDrawnDib(header, infoSize, pixels, pixelSize, request.largestMonitor,
                                    request.placement, reply.picture);
            reply.outcome = *replyFd >= 0 ? PluginOutcome::Done : PluginOutcome::NoMemory;
        }
    }
    std::free(infoBlock);
    std::free(pixelBlock);
    return reply;
}

BpiInfoAnswer PluginServer::bpiInfo(const BpiInfoRequest& request) {
    BpiInfoAnswer reply;
    SharedLibrary* lib = library(request.plugin);
    auto* info = lib ? lib->resolve<decltype(::GetPlugInInfo)>("GetPlugInInfo") : nullptr;
    if (!info)
        return reply;
    for (int number = 0; number < 4; ++number)
        reply.texts[static_cast<std::size_t>(number)] = bpiText(info, number);
    reply.loaded = true;
    reply.hasSetting = lib->resolve<decltype(::SettingPlugIn)>("SettingPlugIn") != nullptr;
    reply.hasExecute = lib->resolve<decltype(::ExecutePlugIn)>("ExecutePlugIn") != nullptr;
    applicationSoon_ = applicationSoon_ || reply.hasExecute;
    return reply;
}

BpiExecuteAnswer PluginServer::bpiExecute(const BpiExecuteRequest& request, int fd, int* replyFd) {
    BpiExecuteAnswer reply;
    SharedLibrary* lib = library(request.plugin);
    auto* execute = lib ? lib->resolve<decltype(::ExecutePlugIn)>("ExecutePlugIn") : nullptr;
    const auto size = static_cast<std::size_t>(request.size);
    const SharedBlock given = SharedBlock::map(::fcntl(fd, F_DUPFD_CLOEXEC, 0), size);
    if (!execute || !given.isValid())
        return reply;
    // The plug-in may keep the block or hand back one of its own: a malloc'd copy either way.
    void* dib = takeUnchangedCopy(request.place, fd, size);
    if (!dib) {
        dib = mallocForPicture(size);
        if (!dib) {
            reply.outcome = PluginOutcome::NoMemory;
            return reply;
        }
        std::memcpy(dib, given.data(), size);
    }
    ensureApplication();
    usePlugInSettingsStore(QFile::decodeName(request.store));
    void* handle = dib;
    execute(static_cast<std::uintptr_t>(request.window), request.key.constData(), &handle);
    if (handle == dib && std::memcmp(dib, given.data(), size) == 0) {
        // Passed over as it came: nothing to copy back, and the copy serves the next one.
        struct stat st {};
        if (!request.last && ::fstat(fd, &st) == 0)
            unchanged_ = {static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino), size, dib};
        else
            std::free(dib);
        reply.outcome = PluginOutcome::Done;
        reply.size = size;
        reply.unchanged = true;
        return reply;
    }
    std::size_t resultSize = size;
    if (handle != dib) {
        std::free(dib);
        dib = handle;
        if (!dib) {
            reply.reason = "no picture";
            return reply;
        }
        // Only what its header accounts for crosses: the block may be far larger.
        resultSize = malloc_usable_size(dib);
        if (const auto needed = packedDibSize(dib, resultSize))
            resultSize = *needed;
    }
    SharedBlock result = SharedBlock::copyOf(dib, resultSize);
    std::free(dib);
    if (!result.isValid()) {
        reply.outcome = PluginOutcome::NoMemory;
        return reply;
    }
    *replyFd = ::fcntl(result.fd(), F_DUPFD_CLOEXEC, 0);
    reply.outcome = PluginOutcome::Done;
    reply.size = resultSize;
    return reply;
}

void* PluginServer::takeUnchangedCopy(std::int64_t place, int fd, std::size_t size) {
    const UnchangedCopy kept = std::exchange(unchanged_, {});
    struct stat st {};
    // Only a later plug-in of the same change, given the same block.
    if (kept.dib && place > 0 && ::fstat(fd, &st) == 0 &&
        kept.device == static_cast<std::uint64_t>(st.st_dev) &&
        kept.inode == static_cast<std::uint64_t>(st.st_ino) && kept.size == size)
        return kept.dib;
    std::free(kept.dib);
    return nullptr;
}

BpiSettingAnswer PluginServer::bpiSetting(const BpiSettingRequest& request, int fd) {
    BpiSettingAnswer reply;
    SharedLibrary* lib = library(request.plugin);
    auto* setting = lib ? lib->resolve<decltype(::SettingPlugIn)>("SettingPlugIn") : nullptr;
    if (!setting)
        return reply;
    void* dib = nullptr;
    if (fd >= 0) {
        const auto size = static_cast<std::size_t>(request.size);
        const SharedBlock given = SharedBlock::map(::fcntl(fd, F_DUPFD_CLOEXEC, 0), size);
        dib = given.isValid() ? std::malloc(size) : nullptr;
        if (dib)
            std::memcpy(dib, given.data(), size);
    }
    ensureApplication();
    usePlugInSettingsStore(QFile::decodeName(request.store));
    const auto window = static_cast<std::uintptr_t>(request.window);
    TransientForProgram above(window);
    qApp->installEventFilter(&above);
    reply.answer = setting(window, request.key.constData(), dib);
    qApp->removeEventFilter(&above);
    std::free(dib);
    return reply;
}

}  // namespace tesselvane
