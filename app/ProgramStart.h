#pragma once

#include "app/EarlyStart.h"
#include "platform/StoreError.h"

#include <QString>

namespace tesselvane {

// The whole program: one running copy, the settings, the windows, the start-up action, the
// event loop, and the saves at the end. Ends the process when it has run; returns the exit
// status when it could not start. Takes over what startEarly began, when it ran.
int runProgram(int argc, char* argv[], EarlyStart early = {});

// Why the settings store could not be opened at start, in the user's words: damaged or no
// store, made by a newer version, not writable, the disk full.
QString storeAtStartMessage(const StoreError& error);

}  // namespace tesselvane
