// The program module's entry (see ProgramModule.h): the executable began the start.

#include "app/EarlyStart.h"
#include "app/ProgramStart.h"

#include <utility>

extern "C" __attribute__((visibility("default"))) int TesselvaneModuleMain(int argc, char** argv,
                                                                           void* early) {
    return tesselvane::runProgram(argc, argv,
                                  std::move(*static_cast<tesselvane::EarlyStart*>(early)));
}
