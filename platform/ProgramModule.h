#pragma once

#include <QString>

namespace tesselvane {

// The program proper (windows, pictures, plug-ins) is a module beside the executable, loaded
// once the start is under way: the GUI libraries it needs take longer to load than the rest
// of the start together, and the executable goes on with that rest meanwhile.

// Loads the module from the program folder, its symbols offered to the libraries loaded after
// it (the extension plug-ins find the settings functions there), and finds the function
// `entry` in it. nullptr, with the reason in `error`, when it cannot.
void* loadProgramModuleSymbol(const char* entry, QString* error);

// The same, typed: `Entry` is the entry point's function type, which the module defines.
template <class Entry>
Entry* loadProgramModule(const char* entry, QString* error) {
    return reinterpret_cast<Entry*>(loadProgramModuleSymbol(entry, error));
}

}  // namespace tesselvane
