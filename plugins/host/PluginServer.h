#pragma once

#include "picture/PluginMessages.h"
#include "platform/SharedLibrary.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

namespace tesselvane {

// The helper's side: answers the program's calls one after another by loading the plug-ins
// and calling their entry points. Each plug-in is loaded on first use and kept.
class PluginServer {
public:
    // `realScreen`: plug-in windows are shown on the user's screen (a settings call); otherwise
    // the GUI library that drawing plug-ins need is set up without one.
    PluginServer(int socket, bool realScreen);

    // Serves until the program closes its end; with `once`, after the first answer.
    int run(bool once);

private:
    PluginMessage answer(const PluginMessage& request, int fd, int* replyFd);
    SharedLibrary* library(const QByteArray& path);
    void ensureApplication();

    SpiInfoAnswer spiInfo(const SpiInfoRequest& request);
    SpiIsSupportedAnswer spiIsSupported(const SpiIsSupportedRequest& request, int fd);
    SpiDecodeAnswer spiDecode(const SpiDecodeRequest& request, int* replyFd);
    BpiInfoAnswer bpiInfo(const BpiInfoRequest& request);
    BpiExecuteAnswer bpiExecute(const BpiExecuteRequest& request, int fd, int* replyFd);
    BpiSettingAnswer bpiSetting(const BpiSettingRequest& request, int fd);

    // The copy the last plug-in handed back unchanged, which the next one of the same change
    // may take as it is: one copy of the picture per change, not one per plug-in.
    struct UnchangedCopy {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;  // of the shared block it equals
        std::size_t size = 0;
        void* dib = nullptr;  // malloc'd
    };
    void* takeUnchangedCopy(std::int64_t place, int fd, std::size_t size);

    int socket_;
    bool realScreen_;
    UnchangedCopy unchanged_;
    bool applicationSoon_ = false;  // a plug-in that processes pictures has been asked about
    std::map<QByteArray, std::unique_ptr<SharedLibrary>> libraries_;
};

}  // namespace tesselvane
