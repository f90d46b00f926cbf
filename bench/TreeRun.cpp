// Runs a command and waits for every process it starts, also those that outlive it (this
// process is their subreaper), then prints one line: the wall milliseconds until the last of
// them ended, the peak resident kilobytes of the largest, their CPU milliseconds together. The
// command's own output is discarded, so that the line is the only one.
//   tree_run COMMAND [ARGUMENT...]
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace {

long long milliseconds(const timeval& t) {
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_usec / 1000;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tree_run COMMAND [ARGUMENT...]\n");
        return 2;
    }
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        std::perror("tree_run: prctl");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("tree_run: fork");
        return 2;
    }
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::dup2(quiet, STDERR_FILENO);
        ::execvp(argv[1], argv + 1);
        std::perror("tree_run: exec");
        ::_exit(127);
    }
    long peakKb = 0;
    long long cpuMs = 0;
    int commandStatus = 0;
    for (;;) {
        int status = 0;
        rusage usage{};
        const pid_t ended = ::wait4(-1, &status, 0, &usage);
        if (ended < 0) {
            if (errno == EINTR)
                continue;
            break;  // ECHILD: the whole tree has ended
        }
        peakKb = std::max(peakKb, usage.ru_maxrss);
        cpuMs += milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
        if (ended == child)
            commandStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    std::printf("%lld %ld %lld\n", static_cast<long long>(wallMs), peakKb, cpuMs);
    return commandStatus;
}
