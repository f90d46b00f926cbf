#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace tesselvane {

SocketChild spawnWithSocket(const QByteArray& program, const QList<QByteArray>& arguments,
                            int childFd) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return {};
    // dup2 onto itself would leave close-on-exec set: keep the child's end off that number.
    if (pair[1] == childFd) {
        const int moved = ::fcntl(pair[1], F_DUPFD_CLOEXEC, childFd + 1);
        ::close(pair[1]);
        pair[1] = moved;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], childFd);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.constData()));
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = pair[1] < 0 ? EBADF
                               : ::posix_spawn(&pid, program.constData(), &actions, &attributes,
                                               argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (pair[1] >= 0)
        ::close(pair[1]);
    if (rc != 0) {
        ::close(pair[0]);
        return {};
    }
    const auto pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    return {pair[0], pid, pidfd};
}

void endChild(SocketChild& child, bool kill) {
    if (child.socket >= 0)
        ::close(child.socket);
    if (child.pid > 0) {
        if (kill)
            ::kill(-child.pid, SIGKILL);
        // Ended but not yet reaped, the child still holds its group's number: what it started
        // is ended by that number, and no one else can have it.
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED | WNOWAIT) < 0 &&
               errno == EINTR) {
        }
        ::kill(-child.pid, SIGKILL);
        int status = 0;
        while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (child.pidfd >= 0)
        ::close(child.pidfd);
    child = {};
}

}  // namespace tesselvane
