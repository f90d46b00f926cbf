#pragma once

#include <QObject>

#include <functional>

namespace tesselvane {

// How a Linux session or `kill` asks a program to end: SIGTERM, SIGINT, SIGHUP. Each is
// turned into a call of `onSignal` on the event loop (the signal handler only writes a byte),
// so the program ends the way its exit command ends it, saving what it saves.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Readable while a termination signal waits to be handled (-1 before any handler is set):
    // a wait outside the event loop watches it, so that the program still ends promptly.
    static int pendingFd();
    // Whether a termination signal waits to be handled.
    static bool pending();
};

}  // namespace tesselvane
