#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tesselvane {

// What tells one folder from another however it is reached (through links, by other paths).
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

struct FolderEntry {
    QString name;
    bool isFolder = false;      // a folder, or a link that leads to one
    FolderIdentity identity{};  // of the folder it is or leads to; only set when isFolder
};

// Reads every entry of a folder in the order the file system gives them, hidden ones
// included and "." and ".." left out. Links are followed to tell folders from files; a
// broken link counts as a file.
class FolderReader {
public:
    // A folder that does not exist or cannot be read gives a reader that is not open.
    explicit FolderReader(const QString& folder);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    bool isOpen() const { return dir_ != nullptr; }
    FolderIdentity identity() const { return identity_; }
    // Fills `entry` with the next entry; false at the end.
    bool next(FolderEntry& entry);

private:
    void* dir_ = nullptr;  // DIR*
    int fd_ = -1;
    FolderIdentity identity_{};
};

// The files below a folder, each as its path relative to that folder ("sub/name.jpg") in the
// file system's own bytes. All of them share one buffer: a tree of 100,000 files costs a few
// allocations, not 100,000 strings.
class FileTree {
public:
    qsizetype size() const { return static_cast<qsizetype>(starts_.size()); }
    std::string_view at(qsizetype i) const {
        const auto n = static_cast<size_t>(i);
        return std::string_view(bytes_).substr(starts_[n], ends_[n] - starts_[n]);
    }
    bool isAscii(qsizetype i) const;
    // The path as a text, each part decoded as QFile::decodeName decodes a name.
    QString decoded(qsizetype i) const;
    // `prefix` followed by decoded(i), made in one allocation when the path is ASCII.
    QString withPrefix(const QString& prefix, qsizetype i) const;

    void add(std::string_view path);

private:
    std::string bytes_;
    std::vector<std::uint32_t> starts_;
    std::vector<std::uint32_t> ends_;
};

// Whether a walk takes the entries whose names start with "."; a hidden folder left out is not
// entered.
enum class HiddenEntries { Included, Skipped };

// Every file below `folder`, depth first in the order of the folders' entries. Links to
// folders are followed, but a folder is never entered while the scan is already inside it, so
// link loops end; a broken link counts as a file. A folder that is missing or cannot be read
// gives nothing.
FileTree collectFiles(const QString& folder, HiddenEntries hidden = HiddenEntries::Included);

}  // namespace tesselvane
