#pragma once

#include "platform/RegValue.h"
#include "platform/StoreError.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace tesselvane {

// The per-user registry (what HKEY_CURRENT_USER is on Windows), kept in one SQLite database.
//
// Key paths are backslash-separated and relative to the root; a leading or trailing backslash
// is ignored and the empty path is the root itself. Key and value names match without regard
// to letter case (Unicode simple case folding) and keep the spelling they were created with.
// Values enumerate in the order they were first created; subkeys by name.
//
// Every write is durable when the call returns. A Transaction groups many writes into one
// commit; without one, each write is its own. Several processes may use the same file: a
// writer waits for another's transaction to end, and reports StoreError::Kind::Busy only
// when that takes longer than the busy timeout.
//
// All errors are raised as StoreError.
class RegistryStore {
public:
    // ReadOnly is for a caller that only reads: it works where the file or its folder cannot
    // be written (a read-only file system, say), and creates nothing. Where there is no file,
    // the store is empty. Every write to it fails.
    enum class Access { ReadWrite, ReadOnly };

    // Opens the database at `path`; for writing, creates it when missing, with its folder,
    // file mode 0600.
    explicit RegistryStore(const QString& path, Access access = Access::ReadWrite);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // $XDG_CONFIG_HOME/tesselvane/registry.db
    static QString defaultPath();
    // What key and value names are compared by: two names with the same folded form are one.
    static QString foldedName(const QString& name);

    const QString& path() const;

    bool keyExists(const QString& key) const;
    // The key's full path with every part spelled as stored; nullopt when it does not exist.
    std::optional<QString> storedKeyPath(const QString& key) const;
    // Creates the key and every missing parent.
    void createKey(const QString& key);
    // Deletes the key with all its subkeys and values; false when it did not exist.
    // The root cannot be deleted, only emptied.
    bool deleteKey(const QString& key);
    // Names of the direct subkeys, by name; nullopt when the key does not exist.
    std::optional<QStringList> subkeyNames(const QString& key) const;

    // Values in creation order; nullopt when the key does not exist.
    std::optional<std::vector<RegValue>> values(const QString& key) const;
    std::optional<QStringList> valueNames(const QString& key) const;
    std::optional<RegValue> value(const QString& key, const QString& name) const;
    // Creates the key when missing, then sets the value; an existing value keeps its place in
    // the enumeration order and its spelling.
    void setValue(const QString& key, const RegValue& value);
    // False when the key or the value did not exist.
    bool deleteValue(const QString& key, const QString& name);

    // Groups writes into one atomic, durable commit. Transactions nest: only the outermost
    // one commits. Leaving the scope without commit() (an exception) rolls everything back.
    class Transaction {
    public:
        explicit Transaction(RegistryStore& store);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        RegistryStore* store_;
        bool done_ = false;
    };

    // Reads inside it see one moment of the store, whatever other processes write meanwhile.
    class Snapshot {
    public:
        explicit Snapshot(const RegistryStore& store);
        ~Snapshot();
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

    private:
        const RegistryStore* store_;
    };

    // Milliseconds a write waits for another process's transaction before giving up.
    void setBusyTimeout(int milliseconds);

    // SQLite's own check of the file; "ok" when sound. For tests and diagnostics.
    QString integrityCheck() const;

    // Limits on what the store accepts, like those of the Windows registry.
    static constexpr int kMaxKeyNameLength = 255;
    static constexpr int kMaxKeyDepth = 512;
    static constexpr int kMaxValueNameLength = 16383;
    static constexpr qsizetype kMaxValueSize = 16 * 1024 * 1024;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tesselvane
