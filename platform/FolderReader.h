#pragma once

#include <QString>

#include <cstdint>

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

}  // namespace tesselvane
