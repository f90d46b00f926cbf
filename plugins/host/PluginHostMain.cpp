// tesselvane-plugin-host: runs the decoder and extension plug-ins on the program's behalf, so
// that one that crashes or hangs costs the program a picture and a message, never itself.
//   tesselvane-plugin-host --serve     answers calls on descriptor 3 until the program closes it
//   tesselvane-plugin-host --setting   answers one call (a settings window) on the user's screen

#include "PluginServer.h"
#include "platform/HeapPolicy.h"
#include "platform/InterfaceLanguage.h"

#include <QByteArray>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define TESSELVANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSELVANE_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

// What a plug-in may take at most, far more than the largest picture needs: beyond it an
// allocation fails, and that is the plug-in's error, not the whole machine's.
constexpr rlim_t kPluginMemoryLimit = rlim_t{2} << 30;

void limitMemory(bool serving) {
#ifdef TESSELVANE_ADDRESS_SANITIZER
    // The sanitizer's shadow memory alone is larger.
    (void)serving;
#else
    // A settings window's GUI libraries are the user's desktop's to size.
    if (!serving)
        return;
    const rlimit limit{kPluginMemoryLimit, kPluginMemoryLimit};
    ::setrlimit(RLIMIT_DATA, &limit);
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    const QByteArray mode = argc == 2 ? QByteArray(argv[1]) : QByteArray();
    constexpr int kSocket = 3;
    if ((mode != "--serve" && mode != "--setting") || ::fcntl(kSocket, F_GETFD) < 0) {
        std::fprintf(stderr, "tesselvane-plugin-host: %s\n",
                     qPrintable(tesselvane::interfaceText("PluginHostMain",
                                                          "tesselvane が起動するプログラムです")));
        return 2;
    }
    ::fcntl(kSocket, F_SETFD, FD_CLOEXEC);
    // A picture's blocks go back to the system once freed, as in the program: the helper
    // outlives many pictures.
    tesselvane::keepHeapCompact();
    limitMemory(mode == "--serve");
    // Ends with the program, even while a plug-in is stuck.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::signal(SIGPIPE, SIG_IGN);
    // Termination is the program's to decide; a terminal's Ctrl+C reaches it too.
    ::signal(SIGINT, SIG_IGN);
    tesselvane::PluginServer server(kSocket, mode == "--setting");
    const int status = server.run(mode == "--setting");
    // Plug-ins' libraries are not wound down: a faulty destructor cannot turn an answered
    // call into a crash.
    std::fflush(nullptr);
    ::_exit(status);
}
