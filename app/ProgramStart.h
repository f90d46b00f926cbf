#pragma once

namespace tesselvane {

// The whole program: one running copy, the settings, the windows, the start-up action, the
// event loop, and the saves at the end. Returns the exit status.
int RunProgram(int argc, char* argv[]);

}  // namespace tesselvane
