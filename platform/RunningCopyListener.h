#pragma once

#include "platform/RunningCopyProtocol.h"

#include <QObject>

#include <functional>

class QLocalServer;

namespace tesselvane {

// In the running copy, the holder of the single-instance lock: listens on the socket beside
// the lock for second starts and command switches (RunningCopyCall.h) and hands each request
// to `handler`, in the event loop. Callers of another user are turned away unheard.
class RunningCopyListener : public QObject {
public:
    // Gives the caller its answer; once only, later calls do nothing. A request left
    // unanswered is answered when the handler's last copy of its Reply goes.
    using Reply = std::function<void(const RunningCopyAnswer&)>;
    using Handler = std::function<void(RunningCopyRequest request, Reply reply)>;

    // Takes over `listening`, a socket listenForRunningCopyCalls() made, or makes its own when
    // it is -1.
    explicit RunningCopyListener(Handler handler, int listening = -1, QObject* parent = nullptr);

    bool isListening() const;

private:
    void acceptCalls();

    Handler handler_;
    QLocalServer* server_ = nullptr;
};

// Whether the process at the other end of the connected socket `fd` runs as this user.
bool peerIsThisUser(qintptr fd);

}  // namespace tesselvane
