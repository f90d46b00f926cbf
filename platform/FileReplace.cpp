#include "platform/FileReplace.h"

#include <QFile>

#include <fcntl.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tesselvane {

// Exchanging the names rather than renaming over the old file: ext4 (with its default
// auto_da_alloc) makes a rename that replaces a file first start writing the new one out and
// wait on it, some 8 ms for a screen-sized picture; an exchange is atomic the same way and
// does not.
FileReplaced replaceFile(const QString& replacement, const QString& target, QString* error) {
    const QByteArray from = QFile::encodeName(replacement);
    const QByteArray to = QFile::encodeName(target);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0)
        return FileReplaced::Exchanged;
    // ENOENT: no old file yet. EINVAL, ENOSYS: a file system or kernel without exchange.
    if (std::rename(from.constData(), to.constData()) == 0)
        return FileReplaced::Renamed;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return FileReplaced::Failed;
}

}  // namespace tesselvane
