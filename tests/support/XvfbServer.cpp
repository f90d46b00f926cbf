#include "XvfbServer.h"

#include <QByteArray>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <string>

namespace tesselvane::test {

XvfbServer::XvfbServer(int width, int height, int depth) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error_ = QStringLiteral("pipe failed");
        return;
    }
    const std::string screen =
        std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    const pid_t pid = ::fork();
    if (pid < 0) {
        error_ = QStringLiteral("fork failed");
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return;
    }
    if (pid == 0) {
        // Xvfb picks a free display itself and writes its number to the descriptor.
        ::dup2(pipeFds[1], 3);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen.c_str(), "-nolisten",
                 "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    pid_ = pid;

    std::string number;
    pollfd pfd{pipeFds[0], POLLIN, 0};
    while (::poll(&pfd, 1, 20000) > 0) {
        char buffer[32];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<size_t>(n));
        if (number.find('\n') != std::string::npos)
            break;
    }
    ::close(pipeFds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r'))
        number.pop_back();
    if (number.empty()) {
        error_ = QStringLiteral("Xvfb did not report a display (is the xvfb package installed?)");
        stop();
        return;
    }
    display_ = QLatin1Char(':') + QString::fromStdString(number);
}

XvfbServer::~XvfbServer() {
    stop();
}

void XvfbServer::stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        ::usleep(10000);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

}  // namespace tesselvane::test
