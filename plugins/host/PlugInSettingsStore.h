#pragma once

#include <QString>

namespace tesselvane {

// The program's store, where the settings functions offered to the plug-ins read and write;
// opened when a plug-in first asks.
void usePlugInSettingsStore(const QString& path);

}  // namespace tesselvane
