#pragma once

#include <QString>

namespace tesselvane {

enum class FileReplaced {
    Exchanged,  // `replacement` now names the file `target` named before
    Renamed,    // there was nothing to keep, or the file system cannot exchange
    Failed,     // both files are as they were; `error` says why
};

// Puts the file `replacement` under the name `target` in one step: `target` names a whole
// file throughout, the old one or the new one. When the names were exchanged, the old file
// is left under `replacement` for the caller to remove.
FileReplaced replaceFile(const QString& replacement, const QString& target, QString* error);

}  // namespace tesselvane
