#include "WaitUntil.h"
#include "platform/RunningCopyCall.h"
#include "platform/RunningCopyListener.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <future>

using namespace tesselvane;
using namespace std::chrono_literals;

namespace {

void runEventsFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(RunningCopyTest, ASecondStartReachesTheRunningCopyEvenWhenItListensLate) {
    int calls = 0;
    // The second start comes while the first is still starting: it tries again until the
    // first one listens.
    auto second = std::async(std::launch::async, [] { return askRunningCopyForward(3s); });
    runEventsFor(200);
    RunningCopyListener listener([&calls] { ++calls; });
    ASSERT_TRUE(listener.isListening());
    EXPECT_TRUE(test::waitUntil([&] { return second.wait_for(0s) == std::future_status::ready; }));
    EXPECT_TRUE(second.get());
    EXPECT_TRUE(test::waitUntil([&] { return calls == 1; }));

    EXPECT_TRUE(askRunningCopyForward(0ms));
    EXPECT_TRUE(test::waitUntil([&] { return calls == 2; }));
}

TEST(RunningCopyTest, ASocketLeftByACopyThatDiedIsTakenOver) {
    // A socket file nobody listens on, as a killed copy leaves it.
    const QByteArray path = QFile::encodeName(SingleInstance::requestSocket());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(path)));
    EXPECT_FALSE(askRunningCopyForward(100ms));

    int calls = 0;
    RunningCopyListener listener([&calls] { ++calls; });
    ASSERT_TRUE(listener.isListening());
    EXPECT_TRUE(askRunningCopyForward(0ms));
    EXPECT_TRUE(test::waitUntil([&] { return calls == 1; }));
}

TEST(RunningCopyTest, OnlyTheOneRequestIsHeard) {
    int calls = 0;
    RunningCopyListener listener([&calls] { ++calls; });
    ASSERT_TRUE(listener.isListening());
    const QByteArray callsSent[] = {"forwardx\n", "quit\n", QByteArray(100, 'a'), "forw"};
    for (const QByteArray& data : callsSent) {
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::requestSocket());
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(data);
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
    }
    // The one request, sent last, is heard once the others have been turned away.
    EXPECT_TRUE(askRunningCopyForward(0ms));
    EXPECT_TRUE(test::waitUntil([&] { return calls > 0; }));
    EXPECT_EQ(calls, 1);
}

}  // namespace
