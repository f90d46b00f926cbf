#pragma once

#include <QObject>

#include <functional>

class QLocalServer;

namespace tesselvane {

// In the running copy, the holder of the single-instance lock: listens on the socket beside
// the lock for a second start (askRunningCopyForward) and calls `bringForward` for each of
// its requests, in the event loop.
class RunningCopyListener : public QObject {
public:
    explicit RunningCopyListener(std::function<void()> bringForward, QObject* parent = nullptr);

    bool isListening() const;

private:
    void acceptCalls();

    std::function<void()> bringForward_;
    QLocalServer* server_ = nullptr;
};

}  // namespace tesselvane
