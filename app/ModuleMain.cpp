// The program module's entry (see ProgramModule.h): the executable began the start.

#include "EarlyStart.h"
#include "ProgramStart.h"

#include <utility>

extern "C" __attribute__((visibility("default"))) int TesselvaneModuleMain(int argc, char** argv,
                                                                           void* early) {
    return tesselvane::RunProgram(argc, argv,
                                  std::move(*static_cast<tesselvane::EarlyStart*>(early)));
}
