#include "platform/FolderReader.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesselvane {

FolderReader::FolderReader(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat self {};
    DIR* dir = ::fstat(fd, &self) == 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        ::close(fd);
        return;
    }
    dir_ = dir;
    fd_ = fd;
    identity_ = {static_cast<std::uint64_t>(self.st_dev), static_cast<std::uint64_t>(self.st_ino)};
}

FolderReader::~FolderReader() {
    if (dir_)
        ::closedir(static_cast<DIR*>(dir_));
}

bool FolderReader::next(FolderEntry& entry) {
    if (!dir_)
        return false;
    while (const dirent* d = ::readdir(static_cast<DIR*>(dir_))) {
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;

        entry.isFolder = false;
        entry.identity = {};
        // Only folders and what might lead to one need a stat; plain files, the bulk of any
        // tree, are taken from the directory entry alone.
        if (d->d_type == DT_DIR || d->d_type == DT_LNK || d->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(fd_, name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
                entry.isFolder = true;
                entry.identity = {static_cast<std::uint64_t>(st.st_dev),
                                  static_cast<std::uint64_t>(st.st_ino)};
            }
        }
        entry.name = QFile::decodeName(name);
        return true;
    }
    return false;
}

}  // namespace tesselvane
