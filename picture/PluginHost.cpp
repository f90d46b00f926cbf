#include "picture/PluginHost.h"

#include "picture/PictureError.h"
#include "platform/ChildProcess.h"
#include "platform/InterfaceLanguage.h"
#include "platform/ProgramPaths.h"
#include "platform/TerminationSignals.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

namespace tesselvane {

namespace {

std::atomic<long long> timeLimitMs{
    std::chrono::duration_cast<std::chrono::milliseconds>(kPluginTimeLimit).count()};

std::mutex oneAtATime;

// The descriptor number the helper finds its end of the socket pair at.
constexpr int kHelperSocket = 3;

QString pluginName(const QString& file) {
    return QFileInfo(file).fileName();
}

PictureError crashed(const QString& file) {
    return PictureError(
        interfaceText("PluginHost", "プラグイン %1 が異常終了しました").arg(pluginName(file)));
}

// Starts the helper in `mode`, its end of the socket pair at descriptor 3.
PluginHelper spawnHelper(const char* mode) {
    const QString program = programFolder() + QStringLiteral("tesselvane-plugin-host");
    const PluginHelper helper =
        spawnWithSocket(QFile::encodeName(program), {QByteArray(mode)}, kHelperSocket);
    if (helper.socket < 0) {
        throw PictureError(
            interfaceText("PluginHost", "プラグインを動かす %1 を起動できません").arg(program));
    }
    return helper;
}

// The helper's end: reaped, so that no zombie is left.
void endHelper(PluginHelper& helper, bool kill) {
    endChild(helper, kill);
}

}  // namespace

PluginHost& PluginHost::shared() {
    static PluginHost host;
    return host;
}

PluginHost::~PluginHost() {
    stop();
}

void PluginHost::setTimeLimitForTesting(std::chrono::milliseconds limit) {
    timeLimitMs = limit.count();
}

void PluginHost::start() {
    helper_ = spawnHelper("--serve");
}

PluginHelper PluginHost::spawn() {
    return spawnHelper("--serve");
}

void PluginHost::adopt(PluginHelper helper) {
    const std::lock_guard lock(oneAtATime);
    if (helper_.socket >= 0) {
        endHelper(helper, true);
        return;
    }
    helper_ = helper;
}

void PluginHost::stop() {
    // Closing its socket ends a helper that waits for work; one still busy is ended.
    endHelper(helper_, true);
}

void PluginHost::startIfStopped() {
    const std::lock_guard lock(oneAtATime);
    if (helper_.socket < 0)
        start();
}

PluginMessage PluginHost::call(const QString& file, const PluginMessage& request, int passFd,
                               int* replyFd) {
    const std::lock_guard lock(oneAtATime);
    if (replyFd)
        *replyFd = -1;
    if (helper_.socket < 0)
        start();
    if (!sendPluginMessage(helper_.socket, request, passFd)) {
        // A helper that ended between calls (or was ended): one more try with a fresh one.
        stop();
        start();
        if (!sendPluginMessage(helper_.socket, request, passFd)) {
            stop();
            throw crashed(file);
        }
    }

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMs.load());
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            stop();
            throw PluginHangError(
                interfaceText("PluginHost",
                              "プラグイン %1 が %2 秒たっても応答しないため中止しました")
                    .arg(pluginName(file))
                    .arg(static_cast<double>(timeLimitMs.load()) / 1000.0));
        }
        // The helper's end is seen at once, even when something it started holds the socket.
        pollfd watched[3] = {{helper_.socket, POLLIN, 0},
                             {TerminationSignals::pendingFd(), POLLIN, 0},
                             {helper_.pidfd, POLLIN, 0}};
        const int ready = ::poll(watched, 3, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            stop();
            throw crashed(file);
        }
        if (ready > 0 && watched[1].revents != 0) {
            // The program is asked to end: it must not wait for a plug-in to do so.
            stop();
            throw PictureError(interfaceText("PluginHost", "プラグイン %1 の処理を中止しました")
                                   .arg(pluginName(file)));
        }
        if (ready > 0 && watched[0].revents != 0)
            break;
        if (ready > 0 && watched[2].revents != 0) {
            stop();
            throw crashed(file);
        }
    }
    PluginMessage answer;
    int fd = -1;
    if (!receivePluginMessage(helper_.socket, answer, &fd) || answer.call != request.call) {
        if (fd >= 0)
            ::close(fd);
        stop();
        throw crashed(file);
    }
    if (replyFd)
        *replyFd = fd;
    else if (fd >= 0)
        ::close(fd);
    return answer;
}

void PluginHost::refuseAnswer(const QString& file, int fd) {
    closeReply(fd);
    stop();
    throw crashed(file);
}

void PluginHost::closeReply(int fd) {
    if (fd >= 0)
        ::close(fd);
}

PluginMessage PluginHost::callWithoutLimit(const QString& file, const PluginMessage& request,
                                           int passFd) {
    PluginHelper helper = spawnHelper("--setting");
    if (!sendPluginMessage(helper.socket, request, passFd)) {
        endHelper(helper, true);
        throw crashed(file);
    }
    {
        QEventLoop loop;
        QSocketNotifier answered(helper.socket, QSocketNotifier::Read);
        QObject::connect(&answered, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        // Ended early when the program is asked to end (the event loop is left for that).
        loop.exec();
    }
    pollfd watched{helper.socket, POLLIN, 0};
    PluginMessage answer;
    answer.call = request.call;
    answer.result = -1;
    if (::poll(&watched, 1, 0) <= 0) {
        // The loop was left for the program to end: the window goes with it, unanswered.
        endHelper(helper, true);
        return answer;
    }
    int fd = -1;
    const bool ok = receivePluginMessage(helper.socket, answer, &fd) && answer.call == request.call;
    if (fd >= 0)
        ::close(fd);
    // Its work is done once it has answered: it is not waited for to wind down.
    endHelper(helper, true);
    if (!ok)
        throw crashed(file);
    return answer;
}

}  // namespace tesselvane
