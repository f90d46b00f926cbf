#pragma once

#include "app/EarlyStart.h"

namespace tesselvane {

// The whole program: one running copy, the settings, the windows, the start-up action, the
// event loop, and the saves at the end. Ends the process when it has run; returns the exit
// status when it could not start. Takes over what startEarly began, when it ran.
int runProgram(int argc, char* argv[], EarlyStart early = {});

}  // namespace tesselvane
