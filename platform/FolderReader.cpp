#include "platform/FolderReader.h"

#include <QFile>

#include <algorithm>
#include <set>
#include <utility>

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

namespace tesselvane {

namespace {

bool asciiOnly(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// What one walk keeps as it goes down.
struct Walk {
    FileTree tree;
    std::string path;  // of the folder being read, below the walk's own
    // Every folder read so far: a folder that links lead to twice is read once.
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
    bool skipHidden = false;
};

// Reads the folder open on `fd` (taken over), at `walk.path` (empty or ending with '/').
void collectInto(int fd, Walk& walk) {
    std::string& path = walk.path;
    FileTree& tree = walk.tree;
    struct stat self {};
    DIR* dir = ::fstat(fd, &self) == 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        ::close(fd);
        return;
    }
    walk.seen.insert(
        {static_cast<std::uint64_t>(self.st_dev), static_cast<std::uint64_t>(self.st_ino)});
    const size_t base = path.size();
    while (const dirent* d = ::readdir(dir)) {
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (walk.skipHidden && name[0] == '.')
            continue;
        path.resize(base);
        path += name;
        // Plain files, the bulk of any tree, are known from the directory entry alone. FIFOs,
        // sockets and devices are no pictures: reading one would wait, or never end.
        if (d->d_type == DT_REG) {
            tree.add(path);
            continue;
        }
        if (d->d_type != DT_DIR && d->d_type != DT_LNK && d->d_type != DT_UNKNOWN)
            continue;
        struct stat st {};
        // A link to nothing stays in the list: its turn says the picture is missing.
        if (::fstatat(fd, name, &st, 0) != 0 || S_ISREG(st.st_mode)) {
            tree.add(path);
            continue;
        }
        if (!S_ISDIR(st.st_mode) || !walk.seen
                                         .insert({static_cast<std::uint64_t>(st.st_dev),
                                                  static_cast<std::uint64_t>(st.st_ino)})
                                         .second)
            continue;
        const int sub = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (sub >= 0) {
            path += '/';
            collectInto(sub, walk);
        }
    }
    path.resize(base);
    ::closedir(dir);
}

}  // namespace

bool FileTree::isAscii(qsizetype i) const {
    return asciiOnly(at(i));
}

QString FileTree::decoded(qsizetype i) const {
    return withPrefix(QString(), i);
}

QString FileTree::withPrefix(const QString& prefix, qsizetype i) const {
    const std::string_view path = at(i);
    if (asciiOnly(path)) {
        QString text(prefix.size() + static_cast<qsizetype>(path.size()), Qt::Uninitialized);
        QChar* out = std::copy(prefix.cbegin(), prefix.cend(), text.data());
        for (const char c : path)
            *out++ = QLatin1Char(c);
        return text;
    }
    // Parts one by one, as the scan of a folder decodes each name it meets.
    QString text = prefix;
    size_t begin = 0;
    for (;;) {
        const size_t end = std::min(path.find('/', begin), path.size());
        text +=
            QFile::decodeName(QByteArray(path.data() + begin, static_cast<qsizetype>(end - begin)));
        if (end == path.size())
            return text;
        text += QLatin1Char('/');
        begin = end + 1;
    }
}

void FileTree::add(std::string_view path) {
    starts_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    bytes_ += path;
    ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
}

FileTree collectFiles(const QString& folder, HiddenEntries hidden) {
    Walk walk;
    walk.skipHidden = hidden == HiddenEntries::Skipped;
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        collectInto(fd, walk);
    return std::move(walk.tree);
}

}  // namespace tesselvane
