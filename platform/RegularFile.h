#pragma once

#include <QString>

namespace tesselvane {

// What a path names, after symbolic links.
enum class FileKind {
    Missing,
    Regular,
    Folder,
    Other,  // a FIFO, a socket or a device: never read as a picture
};

FileKind fileKind(const QString& path);

// Opens `path` for reading when it names a regular file, without ever waiting: a FIFO or a
// device is refused, not opened for good. The descriptor (close-on-exec, blocking again), or
// -1 when the file cannot be opened or is no regular file.
int openRegularFile(const QString& path);

}  // namespace tesselvane
