// The store with other processes: killed in the middle of writes, and written by two
// programs at once.

#include "GroupGenerations.h"
#include "RunProcess.h"
#include "StoreFixture.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// The writer's process, once it has begun to write and has written `written` generations.
pid_t startWriter(int first, int count, int written = 0) {
    const QByteArray program = QFile::encodeName(builtProgramFolder() + "store_writer");
    const QByteArray firstText = QByteArray::number(first);
    const QByteArray countText = QByteArray::number(count);
    int output[2];
    if (::pipe(output) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::close(output[0]);
        ::close(output[1]);
        ::execl(program.constData(), "store_writer", firstText.constData(), countText.constData(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(output[1]);
    if (pid > 0) {
        char c = 0;
        for (int lines = 0; lines <= written && ::read(output[0], &c, 1) == 1;)
            lines += c == '\n';
    }
    ::close(output[0]);
    return pid;
}

TEST(StoreProcesses, AKillAtAnyMomentLeavesEveryGroupWhollyOldOrNew) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> written(0, 3);
    std::uniform_int_distribution<int> delayMs(0, 10);
    std::set<int> generationsSeen;
    std::map<QString, int> previous;  // each group's contents after the last kill
    for (int kill = 0; kill < 60; ++kill) {
        const int first = kill * 1000;
        const pid_t pid = startWriter(first, 0, written(random));
        ASSERT_GT(pid, 0);
        // Spreads the kills over the next generation's writing; the test holds at any delay.
        ::usleep(static_cast<useconds_t>(delayMs(random) * 1000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended before it was killed";

        RegistryStore store(RegistryStore::defaultPath());
        ASSERT_EQ(store.integrityCheck(), "ok") << "after kill " << kill;
        RegIni ini(store);
        for (const QString& group : kGenerationGroups) {
            const auto generation = generationOf(ini, group);
            ASSERT_TRUE(generation)
                << "group " << group.toStdString() << " is a mix after kill " << kill;
            // Wholly the old contents or wholly a newer one.
            const int old = previous.count(group) ? previous[group] : -1;
            EXPECT_TRUE(*generation == old || *generation >= first)
                << group.toStdString() << " holds " << *generation << " after kill " << kill;
            previous[group] = *generation;
            generationsSeen.insert(*generation);
        }
        const QStringList names = readGroupNames(ini);
        if (!names.isEmpty()) {
            ASSERT_EQ(names.size(), 4);
            EXPECT_EQ(names.mid(0, 3), kGenerationGroups);
        }
    }
    // The kills fell while writing was under way, not only before it began.
    EXPECT_GT(generationsSeen.size(), 10u);
}

TEST(StoreProcesses, TwoProgramsWritingAtOnceBothSucceedAndNothingIsLost) {
    const pid_t writer = startWriter(0, 200);
    ASSERT_GT(writer, 0);
    const int kValues = 40;
    for (int i = 0; i < kValues; ++i) {
        const ProcessResult r = runBuiltProgram(
            "tesselvane-reg", {"add", "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\Concurrent", "/v",
                               QStringLiteral("v%1").arg(i), "/d", QString::number(i), "/f"});
        ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    }
    int status = 0;
    ::waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    RegistryStore store(RegistryStore::defaultPath());
    RegIni ini(store);
    for (int i = 0; i < kValues; ++i) {
        EXPECT_EQ(ini.ReadString("Concurrent", QStringLiteral("v%1").arg(i), ""),
                  QString::number(i));
    }
    for (const QString& group : kGenerationGroups)
        EXPECT_EQ(generationOf(ini, group), 199);
}

TEST(StoreProcesses, ProgramsOpeningANewStoreAtOnceAllSucceed) {
    // The first moments of a new store file are the ones where opening could say "busy".
    const QString reg = builtProgramFolder() + "tesselvane-reg";
    for (int round = 0; round < 10; ++round) {
        QFile::remove(RegistryStore::defaultPath());
        QFile::remove(RegistryStore::defaultPath() + "-wal");
        QFile::remove(RegistryStore::defaultPath() + "-shm");
        std::vector<std::unique_ptr<QProcess>> programs;
        for (int i = 0; i < 4; ++i) {
            programs.push_back(std::make_unique<QProcess>());
            programs.back()->start(reg, {"add", "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\Race", "/v",
                                         QStringLiteral("v%1").arg(i), "/d", "x", "/f"});
        }
        for (auto& program : programs) {
            ASSERT_TRUE(program->waitForFinished(30000));
            EXPECT_EQ(program->exitCode(), 0)
                << "round " << round << ": " << program->readAllStandardError().toStdString();
        }
        RegistryStore store(RegistryStore::defaultPath());
        RegIni ini(store);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ini.ReadString("Race", QStringLiteral("v%1").arg(i), ""), "x");
    }
}

}  // namespace
