#pragma once

#include <chrono>

namespace tesselvane {

// A second start of the program, in the copy that lost the single-instance lock: asks the
// running copy to bring its window forward, over the socket it listens on
// (RunningCopyListener). A copy that holds the lock but is still starting listens a moment
// later, so the call is tried again until `patience` has passed. True when the request was
// handed over; the running copy acts on it when its event loop next runs.
bool askRunningCopyForward(std::chrono::milliseconds patience);

// The one request there is, a line of its own.
inline constexpr char kBringForwardRequest[] = "forward\n";

}  // namespace tesselvane
