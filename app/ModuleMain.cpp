// The program module's entry (see ProgramModule.h): the executable began the start.

#include "app/EarlyStart.h"
#include "app/ProgramStart.h"

#include <type_traits>
#include <utility>

extern "C" __attribute__((visibility("default"))) int TesselvaneModuleMain(
    int argc, char** argv, tesselvane::EarlyStart* early) {
    return tesselvane::runProgram(argc, argv, std::move(*early));
}
static_assert(std::is_same_v<decltype(TesselvaneModuleMain), tesselvane::ProgramModuleEntry>);
