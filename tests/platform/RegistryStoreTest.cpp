#include "TestFolders.h"
#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <future>
#include <string>
#include <thread>

using namespace tesselvane;
using ::testing::ElementsAre;

namespace {

QString storePath() {
    return test::scratchFolder() + QStringLiteral("store/registry.db");
}

QStringList names(const std::vector<RegValue>& values) {
    QStringList result;
    for (const RegValue& v : values)
        result.append(v.name);
    return result;
}

TEST(RegistryStore, KeyAndValueNamesMatchWithoutCaseAndKeepTheirSpelling) {
    RegistryStore store(storePath());
    store.setValue(QStringLiteral("Software\\Äpfel\\ΣΟΦΊΑ"),
                   RegValue::text(QStringLiteral("Größe"), "1"));

    // Unicode simple case folding: Ä/ä, Σ/σ and the final ς all match.
    EXPECT_TRUE(store.keyExists(QStringLiteral("SOFTWARE\\äPFEL\\σοφία")));
    EXPECT_TRUE(store.keyExists(QStringLiteral("software\\äpfel\\ςοφία")));
    EXPECT_EQ(store.storedKeyPath(QStringLiteral("SOFTWARE\\ÄPFEL\\σοφία")),
              QStringLiteral("Software\\Äpfel\\ΣΟΦΊΑ"));

    store.setValue(QStringLiteral("software\\äpfel\\σοφία"),
                   RegValue::text(QStringLiteral("GRÖSSE"), "x"));
    store.setValue(QStringLiteral("software\\äpfel\\σοφία"),
                   RegValue::text(QStringLiteral("GRÖßE"), "2"));
    const auto values = store.values(QStringLiteral("Software\\Äpfel\\ΣΟΦΊΑ"));
    ASSERT_TRUE(values);
    // ß does not fold to "ss" in simple folding: GRÖSSE is a value of its own.
    EXPECT_THAT(names(*values), ElementsAre(QStringLiteral("Größe"), QStringLiteral("GRÖSSE")));
    EXPECT_EQ((*values)[0].toText(), QStringLiteral("2"));
    // One key, however many spellings were used.
    EXPECT_THAT(*store.subkeyNames(QStringLiteral("software")),
                ElementsAre(QStringLiteral("Äpfel")));
}

TEST(RegistryStore, ValuesEnumerateInCreationOrderAndOverwritingKeepsThePlace) {
    RegistryStore store(storePath());
    const QString key = QStringLiteral("K");
    for (const char* name : {"c", "a", "b"})
        store.setValue(key, RegValue::text(QString::fromLatin1(name), "1"));
    store.setValue(key, RegValue::text(QStringLiteral("A"), QStringLiteral("new")));
    EXPECT_THAT(*store.valueNames(key), ElementsAre("c", "a", "b"));
    EXPECT_EQ(store.value(key, QStringLiteral("a"))->toText(), QStringLiteral("new"));

    EXPECT_TRUE(store.deleteValue(key, QStringLiteral("a")));
    EXPECT_FALSE(store.deleteValue(key, QStringLiteral("a")));
    store.setValue(key, RegValue::text(QStringLiteral("a"), "again"));
    EXPECT_THAT(*store.valueNames(key), ElementsAre("c", "b", "a"));
}

TEST(RegistryStore, SubkeysEnumerateByNameIgnoringCase) {
    RegistryStore store(storePath());
    for (const char* name : {"b", "A", "c", "B2"})
        store.createKey(QStringLiteral("P\\") + QLatin1String(name));
    EXPECT_THAT(*store.subkeyNames(QStringLiteral("P")), ElementsAre("A", "b", "B2", "c"));
    EXPECT_FALSE(store.subkeyNames(QStringLiteral("missing")));
    EXPECT_FALSE(store.values(QStringLiteral("missing")));
}

TEST(RegistryStore, DeletingAKeyDeletesItsSubtreeAndNothingElse) {
    RegistryStore store(storePath());
    store.setValue(QStringLiteral("Files\\a"), RegValue::text("File0000", "x"));
    store.setValue(QStringLiteral("Files\\a\\deep\\deeper"), RegValue::text("v", "x"));
    store.setValue(QStringLiteral("Files\\ab"), RegValue::text("File0000", "y"));
    store.setValue(QStringLiteral("Files"), RegValue::text("Path", "/p"));

    EXPECT_TRUE(store.deleteKey(QStringLiteral("FILES\\A")));
    EXPECT_FALSE(store.deleteKey(QStringLiteral("Files\\a")));
    EXPECT_FALSE(store.keyExists(QStringLiteral("Files\\a\\deep")));
    EXPECT_TRUE(store.keyExists(QStringLiteral("Files\\ab")));
    EXPECT_EQ(store.value(QStringLiteral("Files"), "Path")->toText(), "/p");

    // A new key of the same name starts empty.
    store.createKey(QStringLiteral("Files\\a\\deep"));
    EXPECT_TRUE(store.values(QStringLiteral("Files\\a\\deep"))->empty());

    // The root can only be emptied.
    EXPECT_TRUE(store.deleteKey(QString()));
    EXPECT_TRUE(store.keyExists(QString()));
    EXPECT_TRUE(store.subkeyNames(QString())->isEmpty());
}

TEST(RegistryStore, TypesAndDataAreKeptExactly) {
    RegistryStore store(storePath());
    const QByteArray binary("\x00\x01\xff\x7f", 4);
    store.setValue("T", RegValue::dword("d", 0xdeadbeef));
    store.setValue("T", RegValue{"b", RegType::Binary, binary});
    store.setValue("T", RegValue::text("e", "", RegType::Sz));
    store.setValue("T", RegValue::text("x", "%HOME%", RegType::ExpandSz));
    EXPECT_EQ(store.value("T", "d")->toDword(), 0xdeadbeefu);
    EXPECT_EQ(store.value("T", "b")->data, binary);
    EXPECT_EQ(store.value("T", "b")->type, RegType::Binary);
    // An empty text is a value, not an absent one.
    ASSERT_TRUE(store.value("T", "e"));
    EXPECT_TRUE(store.value("T", "e")->data.isEmpty());
    EXPECT_EQ(store.value("T", "x")->type, RegType::ExpandSz);
}

TEST(RegistryStore, RefusesNamesAndDataBeyondItsLimits) {
    RegistryStore store(storePath());
    const auto kindOf = [](auto&& f) {
        try {
            f();
        } catch (const StoreError& e) {
            return e.kind();
        }
        return StoreError::Kind::Failed;
    };
    EXPECT_EQ(kindOf([&] { store.createKey("a\\\\b"); }), StoreError::Kind::Invalid);
    EXPECT_EQ(kindOf([&] { store.createKey(QString(256, u'k')); }), StoreError::Kind::Invalid);
    EXPECT_NO_THROW(store.createKey(QString(255, u'k')));
    EXPECT_EQ(kindOf([&] { store.setValue("k", RegValue::text(QString(16384, u'n'), "")); }),
              StoreError::Kind::Invalid);
    EXPECT_EQ(kindOf([&] {
                  store.setValue("k", RegValue{"big", RegType::Binary,
                                               QByteArray(RegistryStore::kMaxValueSize + 1, 'x')});
              }),
              StoreError::Kind::Invalid);
    EXPECT_FALSE(store.keyExists("k"));
}

TEST(RegistryStore, ATransactionIsAllOrNothing) {
    RegistryStore store(storePath());
    store.setValue("G", RegValue::text("keep", "old"));
    try {
        RegistryStore::Transaction t(store);
        store.deleteKey("G");
        store.setValue("G", RegValue::text("new", "1"));
        throw std::runtime_error("interrupted");
    } catch (const std::runtime_error&) {
    }
    EXPECT_THAT(*store.valueNames("G"), ElementsAre("keep"));

    {
        RegistryStore::Transaction outer(store);
        {
            RegistryStore::Transaction inner(store);
            store.setValue("G", RegValue::text("nested", "1"));
            inner.commit();
        }
        // Not visible to another connection before the outermost commit.
        RegistryStore other(storePath());
        EXPECT_FALSE(other.value("G", "nested"));
        outer.commit();
    }
    RegistryStore other(storePath());
    EXPECT_TRUE(other.value("G", "nested"));
}

TEST(RegistryStore, AnInnerFailureKeepsTheOuterTransactionFromCommitting) {
    RegistryStore store(storePath());
    RegistryStore::Transaction outer(store);
    store.setValue("G", RegValue::text("a", "1"));
    { RegistryStore::Transaction inner(store); }  // ended without commit
    EXPECT_THROW(outer.commit(), StoreError);
    EXPECT_FALSE(store.keyExists("G"));
}

TEST(RegistryStore, FileAndFolderArePrivate) {
    const mode_t old = ::umask(0);
    {
        RegistryStore store(storePath());
        store.setValue("k", RegValue::text("v", "1"));
        RegistryStore second(storePath());  // keeps the WAL files in place while we look
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(storePath()).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        ASSERT_EQ(::stat(QFile::encodeName(storePath() + "-wal").constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(storePath()).absolutePath()).constData(), &st),
                  0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    ::umask(old);
}

TEST(RegistryStore, ADamagedFileIsReportedAndLeftAsItWas) {
    QDir().mkpath(QFileInfo(storePath()).absolutePath());
    QFile file(storePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray garbage(8192, 'G');
    file.write(garbage);
    file.close();
    try {
        RegistryStore store(storePath());
        FAIL() << "a damaged store opened";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("damaged"))) << e.message().toStdString();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
}

TEST(RegistryStore, AReadOnlyStoreReadsWhatWritersLeaveAndWritesNothing) {
    const auto writing = [](const std::function<void()>& write) {
        try {
            write();
        } catch (const StoreError& e) {
            return e.message();
        }
        return QStringLiteral("written");
    };
    {
        // No file: an empty store, and no file or folder made for it.
        RegistryStore empty(storePath(), RegistryStore::Access::ReadOnly);
        EXPECT_TRUE(empty.keyExists(QString()));
        EXPECT_TRUE(empty.subkeyNames(QString())->isEmpty());
        EXPECT_THAT(writing([&] { empty.createKey("k"); }).toStdString(),
                    ::testing::HasSubstr("reading only"));
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(storePath()).absolutePath()));
    }

    RegistryStore writer(storePath());
    writer.setValue("K", RegValue::text("v", "1"));
    RegistryStore reader(storePath(), RegistryStore::Access::ReadOnly);
    EXPECT_EQ(reader.value("K", "v")->toText(), "1");
    writer.setValue("K", RegValue::text("v", "2"));
    {
        RegistryStore::Snapshot snapshot(reader);
        EXPECT_EQ(reader.value("K", "v")->toText(), "2");
    }
    for (const auto& write : std::vector<std::function<void()>>{
             [&] { reader.setValue("K", RegValue::text("v", "3")); },
             [&] { reader.deleteKey("K"); },
             [&] { RegistryStore::Transaction t(reader); },
         }) {
        EXPECT_THAT(writing(write).toStdString(), ::testing::HasSubstr("reading only"));
    }
    EXPECT_EQ(writer.value("K", "v")->toText(), "2");
}

// Runs `body` in a child process and gives back what it returns. The child opens its own
// stores: no database connection of this process may be open when it starts.
std::string inChildProcess(const std::function<std::string()>& body) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::string answer;
        try {
            answer = body();
        } catch (const std::exception& e) {
            answer = e.what();
        }
        [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return answer;
}

TEST(RegistryStore, AWriteThatFindsNoRoomSaysSoAndLeavesTheStoreAsItWas) {
    {
        RegistryStore store(storePath());
        store.setValue("K", RegValue::text("kept", "1"));
    }
    const std::string message = inChildProcess([] {
        RegistryStore store(storePath());
        const qint64 used = std::max(QFileInfo(storePath()).size(),
                                     QFileInfo(storePath() + QStringLiteral("-wal")).size());
        // Files may grow a little, not by the megabyte the commit writes: as on a full disk.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit room{static_cast<rlim_t>(used + 65536), static_cast<rlim_t>(used + 65536)};
        ::setrlimit(RLIMIT_FSIZE, &room);
        try {
            store.setValue("K", RegValue{"big", RegType::Binary, QByteArray(1 << 20, 'x')});
        } catch (const StoreError& e) {
            return e.message().toStdString();
        }
        return std::string("written");
    });
    // SQLite's words for a write the system refused, not those of the rollback after it.
    EXPECT_THAT(message, ::testing::AllOf(::testing::HasSubstr("registry.db"),
                                          ::testing::AnyOf(::testing::HasSubstr("disk is full"),
                                                           ::testing::HasSubstr("disk I/O error")),
                                          ::testing::Not(::testing::HasSubstr("rollback"))));
    RegistryStore store(storePath());
    EXPECT_EQ(store.integrityCheck(), "ok");
    EXPECT_THAT(*store.valueNames("K"), ElementsAre("kept"));
}

TEST(RegistryStore, AWriterWaitsForAnotherOrReportsBusy) {
    RegistryStore first(storePath());
    RegistryStore second(storePath());
    second.setBusyTimeout(50);
    {
        RegistryStore::Transaction holding(first);
        first.setValue("k", RegValue::text("first", "1"));
        try {
            second.setValue("k", RegValue::text("second", "1"));
            FAIL() << "wrote while another held the store";
        } catch (const StoreError& e) {
            EXPECT_EQ(e.kind(), StoreError::Kind::Busy);
            EXPECT_TRUE(e.message().contains(QStringLiteral("busy")));
        }
        // Readers are never blocked by a writer.
        EXPECT_FALSE(second.value("k", "first"));
        holding.commit();
    }

    // With time to wait, both writers succeed: the second waits for the first to commit.
    second.setBusyTimeout(60000);
    std::promise<void> holds;
    std::promise<void> writing;
    std::thread holder([&] {
        RegistryStore::Transaction t(first);
        first.setValue("k", RegValue::text("third", "1"));
        holds.set_value();
        writing.get_future().wait();
        // Only makes it likelier that the second writer meets the lock; passes either way.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        t.commit();
    });
    holds.get_future().wait();
    writing.set_value();
    second.setValue("k", RegValue::text("fourth", "1"));
    holder.join();
    EXPECT_THAT(*second.valueNames("k"), ElementsAre("first", "third", "fourth"));
}

}  // namespace
