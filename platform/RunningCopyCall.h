#pragma once

#include "platform/RunningCopyProtocol.h"

#include <chrono>
#include <optional>

namespace tesselvane {

// A second start of the program, in the copy that did not take the single-instance lock (or
// a command switch, which never takes it): asks the running copy over the socket it listens
// on (RunningCopyListener) and waits for its answer. Plain sockets, for this runs in the
// executable before Qt's GUI and network libraries load.
struct RunningCopyCall {
    enum class Outcome {
        Answered,       // `answer` holds it
        NoRunningCopy,  // nothing listens: no copy runs
        NoAnswer,       // a copy took the request, but no answer came in time
    };
    Outcome outcome = Outcome::NoRunningCopy;
    RunningCopyAnswer answer;
};

// Sends `request` and waits up to `answerPatience` for the answer. A copy that holds the lock
// but is still starting listens a moment later, so connecting is tried again until
// `connectPatience` has passed.
RunningCopyCall callRunningCopy(RunningCopyRequest request,
                                std::chrono::milliseconds connectPatience,
                                std::chrono::milliseconds answerPatience);

// The plain second start: the toolbar of the running copy comes back. True when the request
// was handed over.
bool askRunningCopyForward(std::chrono::milliseconds patience);

// In the copy that holds the lock, as early as it can: a socket that already takes calls, so
// that none made while the program is still starting is turned away; they wait until
// RunningCopyListener takes the socket over. -1 when it cannot be made (said on stderr).
int listenForRunningCopyCalls();

}  // namespace tesselvane
