#include "platform/RunningCopyCall.h"

#include "platform/SingleInstance.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tesselvane {

namespace {

// Plain sockets: this runs in the executable before Qt's GUI and network libraries load.
bool sendOnce(const sockaddr_un& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool sent = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const size_t length = sizeof kBringForwardRequest - 1;
        ssize_t written;
        do {
            written = ::send(fd, kBringForwardRequest, length, MSG_NOSIGNAL);
        } while (written < 0 && errno == EINTR);
        sent = written == static_cast<ssize_t>(length);
    }
    ::close(fd);
    return sent;
}

}  // namespace

bool askRunningCopyForward(std::chrono::milliseconds patience) {
    const QByteArray path = QFile::encodeName(SingleInstance::requestSocket());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));

    const auto deadline = std::chrono::steady_clock::now() + patience;
    constexpr auto kRetryEvery = std::chrono::milliseconds(50);
    for (;;) {
        if (sendOnce(address))
            return true;
        if (std::chrono::steady_clock::now() + kRetryEvery > deadline)
            return false;
        std::this_thread::sleep_for(kRetryEvery);
    }
}

}  // namespace tesselvane
