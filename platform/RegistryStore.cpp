#include "platform/RegistryStore.h"

#include "platform/ProgramPaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unordered_map>

namespace tesselvane {

namespace {

constexpr int kSchemaVersion = 1;
constexpr qint64 kRootId = 1;
constexpr int kDefaultBusyTimeoutMs = 10000;
constexpr useconds_t kBusyRetryMicroseconds = 5000;

const char* const kSchema = R"sql(
CREATE TABLE key(
    id     INTEGER PRIMARY KEY,
    parent INTEGER,
    name   TEXT NOT NULL,
    folded TEXT NOT NULL
);
CREATE UNIQUE INDEX key_child ON key(parent, folded);
CREATE TABLE value(
    id     INTEGER PRIMARY KEY,   -- grows with every new value: the enumeration order
    key    INTEGER NOT NULL,
    name   TEXT NOT NULL,
    folded TEXT NOT NULL,
    type   INTEGER NOT NULL,
    data   BLOB NOT NULL
);
CREATE UNIQUE INDEX value_name ON value(key, folded);
INSERT INTO key(id, parent, name, folded) VALUES (1, NULL, '', '');
)sql";

QString fold(const QString& name) {
    return name.toCaseFolded();
}

QStringList splitKeyPath(const QString& path) {
    QStringView view(path);
    if (view.startsWith(u'\\'))
        view = view.mid(1);
    if (view.endsWith(u'\\'))
        view = view.chopped(1);
    if (view.isEmpty())
        return {};
    QStringList parts;
    for (QStringView part : view.split(u'\\')) {
        if (part.isEmpty()) {
            throw StoreError(StoreError::Kind::Invalid,
                             QStringLiteral("Invalid key name \"%1\": empty part.").arg(path));
        }
        if (part.size() > RegistryStore::kMaxKeyNameLength) {
            throw StoreError(StoreError::Kind::Invalid,
                             QStringLiteral("Invalid key name \"%1\": a part is longer than %2 "
                                            "characters.")
                                 .arg(path)
                                 .arg(RegistryStore::kMaxKeyNameLength));
        }
        parts.append(part.toString());
    }
    if (parts.size() > RegistryStore::kMaxKeyDepth) {
        throw StoreError(StoreError::Kind::Invalid,
                         QStringLiteral("Invalid key name: more than %1 levels.")
                             .arg(RegistryStore::kMaxKeyDepth));
    }
    return parts;
}

}  // namespace

class RegistryStore::Impl {
public:
    Impl(const QString& path, Access access) : path_(path), readOnly_(access == Access::ReadOnly) {
        try {
            open();
        } catch (...) {
            close();  // the destructor does not run for a constructor that throws
            throw;
        }
    }

    ~Impl() { close(); }

    void close() {
        for (auto& [sql, stmt] : statements_)
            sqlite3_finalize(stmt);
        statements_.clear();
        sqlite3_close(db_);
        db_ = nullptr;
    }

    // A prepared statement in use; it is reset when the scope ends so that no read
    // transaction stays open by accident.
    class Query {
    public:
        Query(Impl& impl, const char* sql) : impl_(impl), stmt_(impl.prepare(sql)) {}
        ~Query() {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
        }
        Query(const Query&) = delete;
        Query& operator=(const Query&) = delete;

        Query& bind(int index, qint64 v) {
            impl_.check(sqlite3_bind_int64(stmt_, index, v), "bind");
            return *this;
        }
        Query& bind(int index, const QString& v) { return bind(index, v.toUtf8()); }
        Query& bind(int index, const QByteArray& v) {
            // An empty QByteArray may have a null pointer, which SQLite would store as NULL.
            static const char kEmpty = '\0';
            const char* data = v.isEmpty() ? &kEmpty : v.constData();
            impl_.check(
                sqlite3_bind_blob64(stmt_, index, data, static_cast<sqlite3_uint64>(v.size()),
                                    SQLITE_TRANSIENT),
                "bind");
            return *this;
        }
        Query& bindText(int index, const QByteArray& v) {
            impl_.check(sqlite3_bind_text64(stmt_, index, v.constData(),
                                            static_cast<sqlite3_uint64>(v.size()), SQLITE_TRANSIENT,
                                            SQLITE_UTF8),
                        "bind");
            return *this;
        }
        Query& bindText(int index, const QString& v) { return bindText(index, v.toUtf8()); }

        // True while there is a row to read.
        bool step() {
            const int rc = sqlite3_step(stmt_);
            if (rc == SQLITE_ROW)
                return true;
            if (rc == SQLITE_DONE)
                return false;
            impl_.fail(rc, "step");
        }
        void run() {
            while (step()) {
            }
        }

        qint64 int64(int column) const { return sqlite3_column_int64(stmt_, column); }
        QString text(int column) const {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
            return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column));
        }
        QByteArray blob(int column) const {
            const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
            return QByteArray(p, sqlite3_column_bytes(stmt_, column));
        }

    private:
        Impl& impl_;
        sqlite3_stmt* stmt_;
    };

    // The error of the call that returned `rc`: taken before any other call on the connection,
    // which would replace SQLite's message with its own.
    StoreError error(int rc, const char* what) const {
        const int primary = rc & 0xff;
        const QString detail = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
            return StoreError(StoreError::Kind::Busy,
                              QStringLiteral("The settings store %1 is busy: another program kept "
                                             "it locked too long. Try again.")
                                  .arg(path_));
        }
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
            return StoreError(StoreError::Kind::Damaged,
                              QStringLiteral("The settings store %1 is damaged or is not a "
                                             "settings store (%2).")
                                  .arg(path_, detail));
        }
        StoreError::Kind kind = StoreError::Kind::Failed;
        if (primary == SQLITE_FULL)
            kind = StoreError::Kind::Full;
        else if (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM)
            kind = StoreError::Kind::ReadOnly;
        return StoreError(kind, QStringLiteral("The settings store %1 failed (%2: %3).")
                                    .arg(path_, QString::fromLatin1(what), detail));
    }

    [[noreturn]] void fail(int rc, const char* what) const { throw error(rc, what); }

    void check(int rc, const char* what) const {
        if (rc != SQLITE_OK)
            fail(rc, what);
    }

    void exec(const char* sql) { check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), "exec"); }

    sqlite3_stmt* prepare(const char* sql) {
        auto it = statements_.find(sql);
        if (it != statements_.end())
            return it->second;
        sqlite3_stmt* stmt = nullptr;
        check(sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr),
              "prepare");
        statements_.emplace(sql, stmt);
        return stmt;
    }

    // Runs `step` again while the store says "busy" without having waited: SQLite answers so
    // at once where waiting could deadlock (a reader that needs the write lock, as turning a
    // new file to WAL does), or while another program recovers the file.
    template <class Step>
    auto retryWhileBusy(Step&& step) {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            try {
                return step();
            } catch (const StoreError& e) {
                if (e.kind() != StoreError::Kind::Busy || waited.elapsed() >= kDefaultBusyTimeoutMs)
                    throw;
            }
            ::usleep(kBusyRetryMicroseconds);
        }
    }

    // Runs `body` inside a transaction: a write transaction takes the write lock at once
    // (BEGIN IMMEDIATE) so that two writers queue instead of failing half-way. One that met
    // "busy" was rolled back whole, so it can run again.
    template <class Body>
    auto inTransaction(bool write, Body&& body) {
        if (depth_ > 0)
            return body();
        return retryWhileBusy([&] { return runTransaction(write, body); });
    }

    template <class Body>
    auto runTransaction(bool write, Body& body) {
        begin(write);
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                commit();
            } else {
                auto result = body();
                commit();
                return result;
            }
        } catch (...) {
            abandon();
            throw;
        }
    }

    void begin(bool write) {
        if (write && readOnly_) {
            throw StoreError(
                StoreError::Kind::ReadOnly,
                QStringLiteral("The settings store %1 is open for reading only.").arg(path_));
        }
        if (depth_++ > 0)
            return;
        forgetKeys();
        try {
            exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
        } catch (...) {
            depth_ = 0;
            throw;
        }
    }

    // Leaves a transaction without committing it: the outermost one then rolls back, everything
    // its inner ones did included. Never raises: destructors call it.
    void abandon() noexcept {
        if (depth_ == 0)
            return;
        rollbackOnly_ = true;
        if (--depth_ > 0)
            return;
        forgetKeys();
        rollbackOnly_ = false;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    // Commits a transaction; the outermost one commits, unless an inner one was abandoned.
    void commit() {
        if (depth_ == 0)
            return;
        if (--depth_ > 0)
            return;
        forgetKeys();
        const bool innerFailed = rollbackOnly_;
        rollbackOnly_ = false;
        if (innerFailed) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw StoreError(StoreError::Kind::Failed,
                             QStringLiteral("A step of the change failed; nothing was saved."));
        }
        const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            return;
        // A full disk may have ended the transaction already: the rollback then fails with a
        // message of its own.
        const StoreError failed = error(rc, "commit");
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw failed;
    }

    std::optional<qint64> findKey(const QStringList& parts) {
        qint64 id = kRootId;
        QString foldedPath;
        for (const QString& part : parts) {
            const QString folded = fold(part);
            foldedPath += u'\\';
            foldedPath += folded;
            if (auto cached = keyCache_.constFind(foldedPath); cached != keyCache_.constEnd()) {
                id = *cached;
                continue;
            }
            Query q(*this, "SELECT id FROM key WHERE parent = ?1 AND folded = ?2");
            q.bind(1, id).bindText(2, folded);
            if (!q.step())
                return std::nullopt;
            id = q.int64(0);
            if (depth_ > 0)
                keyCache_.insert(foldedPath, id);
        }
        return id;
    }

    qint64 createKey(const QStringList& parts) {
        qint64 id = kRootId;
        QString foldedPath;
        for (const QString& part : parts) {
            const QString folded = fold(part);
            foldedPath += u'\\';
            foldedPath += folded;
            if (auto cached = keyCache_.constFind(foldedPath); cached != keyCache_.constEnd()) {
                id = *cached;
                continue;
            }
            std::optional<qint64> child;
            {
                Query q(*this, "SELECT id FROM key WHERE parent = ?1 AND folded = ?2");
                q.bind(1, id).bindText(2, folded);
                if (q.step())
                    child = q.int64(0);
            }
            if (!child) {
                Query insert(*this, "INSERT INTO key(parent, name, folded) VALUES (?1, ?2, ?3)");
                insert.bind(1, id).bindText(2, part).bindText(3, folded).run();
                child = sqlite3_last_insert_rowid(db_);
            }
            id = *child;
            keyCache_.insert(foldedPath, id);
        }
        return id;
    }

    // Ids may change once the lock is released or a subtree is deleted.
    void forgetKeys() {
        keyCache_.clear();
        pathCache_.clear();
    }

    // The id of the key at `path`, created with its parents when `create`. Within a
    // transaction the answer is remembered by the path text, so that a batch of writes to
    // one key splits and folds its path once.
    std::optional<qint64> resolve(const QString& path, bool create) {
        if (depth_ > 0) {
            if (auto cached = pathCache_.constFind(path); cached != pathCache_.constEnd())
                return *cached;
        }
        const QStringList parts = splitKeyPath(path);
        const std::optional<qint64> id = create ? createKey(parts) : findKey(parts);
        if (id && depth_ > 0)
            pathCache_.insert(path, *id);
        return id;
    }

    void deleteSubtree(qint64 id) {
        forgetKeys();
        {
            Query q(*this,
                    "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
                    "SELECT key.id FROM key JOIN sub ON key.parent = sub.id) "
                    "DELETE FROM value WHERE key IN sub");
            q.bind(1, id).run();
        }
        if (id == kRootId) {
            Query q(*this, "DELETE FROM key WHERE id <> 1");
            q.run();
            return;
        }
        Query q(*this,
                "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
                "SELECT key.id FROM key JOIN sub ON key.parent = sub.id) "
                "DELETE FROM key WHERE id IN sub");
        q.bind(1, id).run();
    }

    const QString& path() const { return path_; }
    sqlite3* db() const { return db_; }

    void setBusyTimeout(int ms) { sqlite3_busy_timeout(db_, ms); }

private:
    void connect(const QByteArray& name, int flags) {
        const int rc = sqlite3_open_v2(name.constData(), &db_, flags, nullptr);
        if (rc != SQLITE_OK)
            fail(rc, "open");
        sqlite3_extended_result_codes(db_, 1);
        setBusyTimeout(kDefaultBusyTimeoutMs);
    }

    void open() {
        if (readOnly_) {
            openForReading();
            return;
        }
        const QFileInfo info(path_);
        const QString folder = info.absolutePath();
        // The folder is private like the file: settings name the user's folders and files.
        const bool folderIsNew = !QFileInfo::exists(folder);
        if (folderIsNew && QDir().mkpath(folder)) {
            QFile::setPermissions(
                folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        if (!QFileInfo(folder).isDir()) {
            throw StoreError(
                StoreError::Kind::ReadOnly,
                QStringLiteral("Cannot create the folder %1 for the settings store.").arg(folder));
        }
        // Create the file ourselves so that it never exists, even for a moment, with wider
        // permissions than 0600; SQLite gives its -wal and -shm files the same mode.
        const QByteArray nativePath = QFile::encodeName(path_);
        const int fd = ::open(nativePath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            throw StoreError(StoreError::Kind::Failed,
                             QStringLiteral("Cannot open the settings store %1: %2.")
                                 .arg(path_, QString::fromLocal8Bit(strerror(errno))));
        }
        struct stat st {};
        if (::fstat(fd, &st) == 0 && (st.st_mode & 0777) != 0600 && st.st_uid == ::geteuid()) {
            ::fchmod(fd, 0600);
        }
        ::close(fd);

        connect(nativePath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        retryWhileBusy([&] { prepareFile(); });
    }

    void openForReading() {
        if (!QFileInfo::exists(path_)) {
            openEmpty();
            return;
        }
        const QByteArray nativePath = QFile::encodeName(path_);
        connect(nativePath, SQLITE_OPEN_READONLY);
        const int rc = retryWhileBusy([&] { return firstRead(); });
        if (rc != SQLITE_OK) {
            // A reader shares the writers' index in the -shm file beside the store; in a folder
            // that cannot be written it cannot be made. Without a -wal file no program is
            // writing (it could not make one either), so the file is read as it stands.
            const int primary = rc & 0xff;
            if ((primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN) ||
                QFileInfo::exists(path_ + QStringLiteral("-wal"))) {
                fail(rc, "open");
            }
            close();
            connect("file:" + nativePath.toPercentEncoding("/") + "?immutable=1",
                    SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        }
        const qint64 version = retryWhileBusy([&] { return schemaVersion(); });
        if (version == 0) {  // a file no program has made a store yet
            close();
            openEmpty();
        } else if (version > kSchemaVersion) {
            throwNewerVersion();
        }
    }

    // What it takes to read the file: SQLite's error code, for the caller to judge.
    int firstRead() {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_schema", -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW)
                rc = SQLITE_OK;
        }
        sqlite3_finalize(stmt);
        if ((rc & 0xff) == SQLITE_BUSY)
            fail(rc, "open");
        return rc;
    }

    // The store with nothing in it but its root, for reading where there is no file.
    void openEmpty() {
        connect(":memory:", SQLITE_OPEN_READWRITE);
        exec(kSchema);
        exec("PRAGMA query_only = 1");
    }

    [[noreturn]] void throwNewerVersion() const {
        throw StoreError(StoreError::Kind::Newer,
                         QStringLiteral("The settings store %1 was written by a newer version "
                                        "of Tesselvane.")
                             .arg(path_));
    }

    void prepareFile() {
        // WAL lets readers go on while a writer works; FULL makes each commit durable.
        exec("PRAGMA journal_mode = WAL");
        exec("PRAGMA synchronous = FULL");

        // Only a new file takes the write lock here, so opening never waits for a writer.
        if (schemaVersion() == 0) {
            inTransaction(true, [&] {
                if (schemaVersion() != 0)
                    return;  // another process was first
                exec(kSchema);
                exec("PRAGMA user_version = 1");
            });
        }
        if (schemaVersion() > kSchemaVersion)
            throwNewerVersion();
    }

    qint64 schemaVersion() {
        Query q(*this, "PRAGMA user_version");
        return q.step() ? q.int64(0) : 0;
    }

    QString path_;
    bool readOnly_ = false;
    sqlite3* db_ = nullptr;
    int depth_ = 0;
    // Set when a nested transaction ended without commit: the outermost must not commit.
    bool rollbackOnly_ = false;
    std::unordered_map<const char*, sqlite3_stmt*> statements_;
    // Key ids resolved while a transaction holds the database still.
    QHash<QString, qint64> keyCache_;
    QHash<QString, qint64> pathCache_;
};

RegistryStore::RegistryStore(const QString& path, Access access)
    : impl_(std::make_unique<Impl>(path, access)) {}

RegistryStore::~RegistryStore() = default;

QString RegistryStore::defaultPath() {
    return configFolder() + QStringLiteral("registry.db");
}

const QString& RegistryStore::path() const {
    return impl_->path();
}

bool RegistryStore::keyExists(const QString& key) const {
    return impl_->inTransaction(false, [&] { return impl_->resolve(key, false).has_value(); });
}

std::optional<QString> RegistryStore::storedKeyPath(const QString& key) const {
    return impl_->inTransaction(false, [&]() -> std::optional<QString> {
        const auto id = impl_->resolve(key, false);
        if (!id)
            return std::nullopt;
        QStringList names;
        qint64 current = *id;
        while (current != kRootId) {
            Impl::Query q(*impl_, "SELECT parent, name FROM key WHERE id = ?1");
            q.bind(1, current);
            if (!q.step())
                return std::nullopt;
            names.prepend(q.text(1));
            current = q.int64(0);
        }
        return names.join(u'\\');
    });
}

void RegistryStore::createKey(const QString& key) {
    impl_->inTransaction(true, [&] { impl_->resolve(key, true); });
}

bool RegistryStore::deleteKey(const QString& key) {
    return impl_->inTransaction(true, [&] {
        const auto id = impl_->resolve(key, false);
        if (!id)
            return false;
        impl_->deleteSubtree(*id);
        return true;
    });
}

std::optional<QStringList> RegistryStore::subkeyNames(const QString& key) const {
    return impl_->inTransaction(false, [&]() -> std::optional<QStringList> {
        const auto id = impl_->resolve(key, false);
        if (!id)
            return std::nullopt;
        Impl::Query q(*impl_, "SELECT name FROM key WHERE parent = ?1 ORDER BY folded, name");
        q.bind(1, *id);
        QStringList names;
        while (q.step())
            names.append(q.text(0));
        return names;
    });
}

std::optional<std::vector<RegValue>> RegistryStore::values(const QString& key) const {
    return impl_->inTransaction(false, [&]() -> std::optional<std::vector<RegValue>> {
        const auto id = impl_->resolve(key, false);
        if (!id)
            return std::nullopt;
        Impl::Query q(*impl_, "SELECT name, type, data FROM value WHERE key = ?1 ORDER BY id");
        q.bind(1, *id);
        std::vector<RegValue> result;
        while (q.step()) {
            result.push_back(RegValue{q.text(0), static_cast<RegType>(q.int64(1)), q.blob(2)});
        }
        return result;
    });
}

std::optional<QStringList> RegistryStore::valueNames(const QString& key) const {
    return impl_->inTransaction(false, [&]() -> std::optional<QStringList> {
        const auto id = impl_->resolve(key, false);
        if (!id)
            return std::nullopt;
        Impl::Query q(*impl_, "SELECT name FROM value WHERE key = ?1 ORDER BY id");
        q.bind(1, *id);
        QStringList names;
        while (q.step())
            names.append(q.text(0));
        return names;
    });
}

std::optional<RegValue> RegistryStore::value(const QString& key, const QString& name) const {
    return impl_->inTransaction(false, [&]() -> std::optional<RegValue> {
        const auto id = impl_->resolve(key, false);
        if (!id)
            return std::nullopt;
        Impl::Query q(*impl_, "SELECT name, type, data FROM value WHERE key = ?1 AND folded = ?2");
        q.bind(1, *id).bindText(2, fold(name));
        if (!q.step())
            return std::nullopt;
        return RegValue{q.text(0), static_cast<RegType>(q.int64(1)), q.blob(2)};
    });
}

void RegistryStore::setValue(const QString& key, const RegValue& value) {
    if (value.name.size() > kMaxValueNameLength) {
        throw StoreError(StoreError::Kind::Invalid,
                         QStringLiteral("Invalid value name: longer than %1 characters.")
                             .arg(kMaxValueNameLength));
    }
    if (value.data.size() > kMaxValueSize) {
        throw StoreError(StoreError::Kind::Invalid,
                         QStringLiteral("The data of value \"%1\" is larger than %2 bytes.")
                             .arg(value.name)
                             .arg(kMaxValueSize));
    }
    impl_->inTransaction(true, [&] {
        const qint64 id = *impl_->resolve(key, true);
        Impl::Query q(
            *impl_,
            "INSERT INTO value(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
            "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, "
            "data = excluded.data");
        q.bind(1, id)
            .bindText(2, value.name)
            .bindText(3, fold(value.name))
            .bind(4, static_cast<qint64>(value.type))
            .bind(5, value.data)
            .run();
    });
}

bool RegistryStore::deleteValue(const QString& key, const QString& name) {
    return impl_->inTransaction(true, [&] {
        const auto id = impl_->resolve(key, false);
        if (!id)
            return false;
        Impl::Query q(*impl_, "DELETE FROM value WHERE key = ?1 AND folded = ?2");
        q.bind(1, *id).bindText(2, fold(name)).run();
        return sqlite3_changes(impl_->db()) > 0;
    });
}

void RegistryStore::setBusyTimeout(int milliseconds) {
    impl_->setBusyTimeout(milliseconds);
}

QString RegistryStore::integrityCheck() const {
    Impl::Query q(*impl_, "PRAGMA integrity_check");
    QStringList lines;
    while (q.step())
        lines.append(q.text(0));
    return lines.join(u'\n');
}

RegistryStore::Transaction::Transaction(RegistryStore& store) : store_(&store) {
    store_->impl_->begin(true);
}

RegistryStore::Transaction::~Transaction() {
    if (!done_)
        store_->impl_->abandon();
}

void RegistryStore::Transaction::commit() {
    if (done_)
        return;
    done_ = true;
    store_->impl_->commit();
}

RegistryStore::Snapshot::Snapshot(const RegistryStore& store) : store_(&store) {
    store_->impl_->begin(false);
}

RegistryStore::Snapshot::~Snapshot() {
    // Nothing was written, so ending it cannot lose anything.
    try {
        store_->impl_->commit();
    } catch (const StoreError&) {
    }
}

QString RegistryStore::foldedName(const QString& name) {
    return fold(name);
}

}  // namespace tesselvane
