#pragma once

#include "picture/PictureError.h"
#include "picture/PluginChannel.h"
#include "picture/PluginMessages.h"
#include "platform/ChildProcess.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

namespace tesselvane {

// A plug-in that did not answer within the time limit.
class PluginHangError : public PictureError {
public:
    using PictureError::PictureError;
};

// How long a plug-in may take to be scanned, to decode or to process a picture: ample for the
// largest picture a plug-in may decode. Past it the helper is ended and the call fails.
inline constexpr std::chrono::seconds kPluginTimeLimit{60};

// A started helper process: its end of the socket pair and its process id.
using PluginHelper = SocketChild;

// The program's side of the helper process that runs the plug-ins (tesselvane-plugin-host in
// the program folder). It is started on first use and kept; a helper that has died or been
// ended is started again on the next call. Calls are made one at a time.
class PluginHost {
public:
    static PluginHost& shared();
    ~PluginHost();

    // Asks about plug-in `file` (named in the messages) and waits for the answer; `replyFd`
    // takes the descriptor that came with it (or -1), when given. Raises PictureError naming
    // the plug-in when the helper dies, passes the time limit, or answers with no message.
    // A termination signal ends the wait at once (the helper is ended too).
    PluginMessage call(const QString& file, const PluginMessage& request, int passFd = -1,
                       int* replyFd = nullptr);

    // call() for one of the typed requests of PluginMessages.h: its answer, read. An answer
    // that is not one is taken as a crash of the plug-in (PictureError naming it).
    template <class Answer, class Request>
    Answer ask(const QString& file, const Request& request, int passFd = -1,
               int* replyFd = nullptr) {
        int fd = -1;
        std::optional<Answer> answer = Answer::from(call(file, request.toMessage(), passFd, &fd));
        if (!answer)
            refuseAnswer(file, fd);
        if (replyFd)
            *replyFd = fd;
        else
            closeReply(fd);
        return *answer;
    }

    // Runs `request` in a helper of its own, with no time limit, keeping the program's events
    // flowing meanwhile (a plug-in's settings window stays open as long as the user likes).
    // Raises PictureError as call() does when that helper dies.
    static PluginMessage callWithoutLimit(const QString& file, const PluginMessage& request,
                                          int passFd = -1);

    // Starts the helper unless it runs. A helper ends with the thread that started it: call
    // this on a lasting thread before calls are made from one that will end.
    void startIfStopped();

    // Starts a helper in serving mode for adopt(), so that it loads while the program does.
    // Raises PictureError when it cannot be started.
    static PluginHelper spawn();
    // Makes `helper` the one calls go to, unless one runs already (then it is ended).
    void adopt(PluginHelper helper);

    // Whether a helper has been started and not ended since.
    bool isRunning() const { return helper_.socket >= 0; }

    // Ends the helper (the next call starts another).
    void stop();

    // Shortens the time limit for tests of a plug-in that never answers.
    static void setTimeLimitForTesting(std::chrono::milliseconds limit);

    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

private:
    PluginHost() = default;
    [[noreturn]] void refuseAnswer(const QString& file, int fd);
    static void closeReply(int fd);
    void start();

    PluginHelper helper_;
};

}  // namespace tesselvane
