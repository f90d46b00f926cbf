#include "platform/RunningCopyCall.h"
#include "platform/InterfaceLanguage.h"

#include "platform/SingleInstance.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tesselvane {

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

std::optional<sockaddr_un> socketAddress() {
    const QByteArray path = QFile::encodeName(SingleInstance::requestSocket());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return address;
}

bool sendAll(int fd, const QByteArray& data) {
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + sent,
                                 static_cast<size_t>(data.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// The answer's line, read until its line break; nothing when it does not come by `deadline`,
// the copy hangs up first, or it runs on past any answer's length.
std::optional<QByteArray> readAnswer(int fd, Clock::time_point deadline) {
    QByteArray line;
    char buffer[4096];
    while (!line.contains('\n')) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd watched{fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || line.size() + n > kLongestAnswer + 1)
            return std::nullopt;
        line.append(buffer, n);
    }
    return line.left(line.indexOf('\n') + 1);
}

}  // namespace

RunningCopyCall callRunningCopy(RunningCopyRequest request, milliseconds connectPatience,
                                milliseconds answerPatience) {
    RunningCopyCall call;
    const std::optional<sockaddr_un> address = socketAddress();
    if (!address)
        return call;
    const auto connectDeadline = Clock::now() + connectPatience;
    constexpr auto kRetryEvery = milliseconds(50);
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return call;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0)
            break;
        ::close(fd);
        fd = -1;
        if (Clock::now() + kRetryEvery > connectDeadline)
            return call;
        std::this_thread::sleep_for(kRetryEvery);
    }
    call.outcome = RunningCopyCall::Outcome::NoAnswer;
    if (sendAll(fd, requestLine(request))) {
        if (const auto line = readAnswer(fd, Clock::now() + answerPatience)) {
            if (const auto answer = answerFromLine(*line)) {
                call.outcome = RunningCopyCall::Outcome::Answered;
                call.answer = *answer;
            }
        }
    }
    ::close(fd);
    return call;
}

bool askRunningCopyForward(milliseconds patience) {
    return callRunningCopy(RunningCopyRequest::Forward, patience, milliseconds(5000)).outcome !=
           RunningCopyCall::Outcome::NoRunningCopy;
}

int listenForRunningCopyCalls() {
    const std::optional<sockaddr_un> address = socketAddress();
    if (!address)
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    // Only the holder of the lock listens, so a socket already there was left by a copy that
    // died without cleaning up. The runtime folder is this user's alone (0700).
    ::unlink(address->sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        std::fprintf(stderr, "tesselvane: %s\n",
                     qPrintable(interfaceText("RunningCopy", "%1 で二度目の起動を待てません (%2)")
                                    .arg(QString::fromLocal8Bit(address->sun_path),
                                         QString::fromLocal8Bit(std::strerror(errno)))));
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace tesselvane
