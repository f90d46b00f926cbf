#pragma once

#include "picture/PluginChannel.h"
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

    PluginMessage spiInfo(const PluginMessage& request);
    PluginMessage spiIsSupported(const PluginMessage& request, int fd);
    PluginMessage spiDecode(const PluginMessage& request, int* replyFd);
    PluginMessage bpiInfo(const PluginMessage& request);
    PluginMessage bpiExecute(const PluginMessage& request, int fd, int* replyFd);
    PluginMessage bpiSetting(const PluginMessage& request, int fd);

    // The copy the last plug-in handed back unchanged, which the next one of the same change
    // may take as it is: one copy of the picture per change, not one per plug-in.
    struct UnchangedCopy {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;  // of the shared block it equals
        std::size_t size = 0;
        void* dib = nullptr;  // malloc'd
    };
    void* takeUnchangedCopy(const PluginMessage& request, int fd, std::size_t size);

    int socket_;
    bool realScreen_;
    UnchangedCopy unchanged_;
    std::map<QByteArray, std::unique_ptr<SharedLibrary>> libraries_;
};

}  // namespace tesselvane
