#pragma once

#include <QString>

namespace tesselvane {

// The program proper (windows, pictures, plug-ins) is a module beside the executable, loaded
// once the start is under way: the GUI libraries it needs take longer to load than the rest
// of the start together, and the executable goes on with that rest meanwhile.

// Its entry point: the arguments of main, and what the executable began (opaque here).
using ProgramModuleEntry = int(int argc, char** argv, void* early);
inline constexpr char kProgramModuleEntry[] = "TesselvaneModuleMain";

// Loads the module from the program folder, its symbols offered to the libraries loaded after
// it (the extension plug-ins find the settings functions there). nullptr, with the reason in
// `error`, when it cannot be loaded.
ProgramModuleEntry* loadProgramModule(QString* error);

}  // namespace tesselvane
