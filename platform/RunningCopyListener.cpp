#include "platform/RunningCopyListener.h"
#include "platform/InterfaceLanguage.h"

#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <cstdio>
#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace tesselvane {

bool peerIsThisUser(qintptr fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof peer && peer.uid == ::getuid();
}

RunningCopyListener::RunningCopyListener(Handler handler, int listening, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), server_(new QLocalServer(this)) {
    if (listening >= 0) {
        server_->listen(listening);
    } else {
        const QString path = SingleInstance::requestSocket();
        if (path.isEmpty())
            return;
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        // Only the holder of the lock listens, so a socket already there was left by a copy
        // that died without cleaning up.
        QLocalServer::removeServer(path);
        if (!server_->listen(path)) {
            std::fprintf(
                stderr, "tesselvane: %s\n",
                qPrintable(interfaceText("RunningCopy", "%1 で二度目の起動を待てません (%2)")
                               .arg(path, server_->errorString())));
            return;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &RunningCopyListener::acceptCalls);
}

bool RunningCopyListener::isListening() const {
    return server_->isListening();
}

namespace {

// The answer to one call, sent once: by the handler, or when its last Reply goes unused.
class PendingAnswer {
public:
    explicit PendingAnswer(QLocalSocket* call) : call_(call) {}
    ~PendingAnswer() {
        send({.done = false, .error = interfaceText("RunningCopyListener", "答えがありません")});
    }
    PendingAnswer(const PendingAnswer&) = delete;
    PendingAnswer& operator=(const PendingAnswer&) = delete;

    void send(const RunningCopyAnswer& answer) {
        if (!call_)
            return;
        call_->write(answerLine(answer));
        call_->disconnectFromServer();  // after what was written has gone
        call_ = nullptr;
    }

private:
    QPointer<QLocalSocket> call_;
};

}  // namespace

void RunningCopyListener::acceptCalls() {
    while (QLocalSocket* call = server_->nextPendingConnection()) {
        connect(call, &QLocalSocket::disconnected, call, &QObject::deleteLater);
        if (!peerIsThisUser(call->socketDescriptor())) {
            call->abort();
            continue;
        }
        connect(call, &QLocalSocket::readyRead, this, [this, call] {
            if (!call->canReadLine()) {
                if (call->bytesAvailable() > kLongestRequest)
                    call->abort();
                return;
            }
            const QByteArray line = call->readLine(kLongestRequest + 1);
            // One request a call.
            disconnect(call, &QLocalSocket::readyRead, this, nullptr);
            const std::optional<RunningCopyRequest> request = requestFromLine(line);
            auto pending = std::make_shared<PendingAnswer>(call);
            if (!request) {
                pending->send(
                    {.done = false,
                     .error = interfaceText("RunningCopyListener", "分からない要求です: %1")
                                  .arg(QString::fromUtf8(line.trimmed()))});
                return;
            }
            handler_(*request,
                     [pending](const RunningCopyAnswer& answer) { pending->send(answer); });
        });
    }
}

}  // namespace tesselvane
