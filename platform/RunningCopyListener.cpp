#include "platform/RunningCopyListener.h"

#include "platform/RunningCopyCall.h"
#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>

namespace tesselvane {

namespace {

// A request is one short line; a caller that sends more is not one of ours.
constexpr qint64 kLongestRequest = 64;

}  // namespace

RunningCopyListener::RunningCopyListener(std::function<void()> bringForward, QObject* parent)
    : QObject(parent), bringForward_(std::move(bringForward)), server_(new QLocalServer(this)) {
    const QString path = SingleInstance::requestSocket();
    if (path.isEmpty())
        return;
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the holder of the lock listens, so a socket already there was left by a copy that
    // died without cleaning up.
    QLocalServer::removeServer(path);
    if (!server_->listen(path)) {
        std::fprintf(stderr, "tesselvane: %s で二度目の起動を待てません (%s)\n", qPrintable(path),
                     qPrintable(server_->errorString()));
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, &RunningCopyListener::acceptCalls);
}

bool RunningCopyListener::isListening() const {
    return server_->isListening();
}

void RunningCopyListener::acceptCalls() {
    while (QLocalSocket* call = server_->nextPendingConnection()) {
        connect(call, &QLocalSocket::disconnected, call, &QObject::deleteLater);
        connect(call, &QLocalSocket::readyRead, this, [this, call] {
            if (!call->canReadLine()) {
                if (call->bytesAvailable() > kLongestRequest)
                    call->abort();
                return;
            }
            const QByteArray line = call->readLine(kLongestRequest + 1);
            call->disconnectFromServer();
            if (line == kBringForwardRequest)
                bringForward_();
        });
    }
}

}  // namespace tesselvane
