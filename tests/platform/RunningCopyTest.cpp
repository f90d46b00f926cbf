// The running copy's socket: a second start's request and the running copy's answer, one
// line each way.

#include "TestFolders.h"
#include "WaitUntil.h"
#include "platform/RunningCopyCall.h"
#include "platform/RunningCopyListener.h"
#include "platform/SingleInstance.h"

#include <QFile>
#include <QLocalSocket>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>

using namespace tesselvane;
using namespace std::chrono_literals;
using Outcome = RunningCopyCall::Outcome;

namespace {

const RunningCopyRequest kEveryRequest[] = {
    RunningCopyRequest::Forward, RunningCopyRequest::Next,   RunningCopyRequest::Previous,
    RunningCopyRequest::Pause,   RunningCopyRequest::Resume, RunningCopyRequest::Redisplay,
    RunningCopyRequest::Clear,   RunningCopyRequest::Jump,   RunningCopyRequest::Slide,
    RunningCopyRequest::Status};

// The call made from a thread of its own, while this one runs the listener's events.
RunningCopyCall callWhileListening(RunningCopyRequest request,
                                   std::chrono::milliseconds connectPatience = 0ms) {
    auto call = std::async(std::launch::async,
                           [=] { return callRunningCopy(request, connectPatience, 30s); });
    EXPECT_TRUE(test::waitUntil([&] { return call.wait_for(0s) == std::future_status::ready; }));
    return call.get();
}

bool sameAnswer(const RunningCopyAnswer& a, const RunningCopyAnswer& b) {
    return a.done == b.done && a.error == b.error && a.status == b.status;
}

TEST(RunningCopyProtocol, EveryRequestAndAnswerIsOneLineAndNothingElseReadsAsOne) {
    for (const RunningCopyRequest request : kEveryRequest) {
        const QByteArray line = requestLine(request);
        EXPECT_EQ(line.count('\n'), 1);
        EXPECT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(requestFromLine(line), request) << line.constData();
    }
    for (const char* notOne : {"", "\n", "forwardx\n", "quit\n", "NEXT\n", " next\n"})
        EXPECT_FALSE(requestFromLine(notOne)) << notOne;

    const RunningCopyAnswer answers[] = {
        {},
        {.done = false, .error = QStringLiteral("壁紙 \"a\nb\" を読み込めません")},
        {.status = {{"group", "夏"}, {"picture", "/p/with\nline break\tand\\slash.jpg"}}},
    };
    for (const RunningCopyAnswer& answer : answers) {
        const QByteArray line = answerLine(answer);
        EXPECT_EQ(line.count('\n'), 1);
        const auto back = answerFromLine(line);
        ASSERT_TRUE(back) << line.constData();
        EXPECT_TRUE(sameAnswer(*back, answer)) << line.constData();
    }
    for (const char* notOne :
         {"", "{}", "[]", "nonsense", R"({"done":1})", R"({"done":true,"status":[["a"]]})",
          R"({"done":true,"status":[["a",1]]})", "{\"done\":true}\n{}"})
        EXPECT_FALSE(answerFromLine(notOne)) << notOne;
    EXPECT_FALSE(answerFromLine("\"" + QByteArray(kLongestAnswer + 1, 'x') + "\""));
}

TEST(RunningCopyTest, EachRequestReachesTheHandlerAndItsAnswerTheCaller) {
    QList<RunningCopyRequest> heard;
    RunningCopyListener listener(
        [&](RunningCopyRequest request, const RunningCopyListener::Reply& reply) {
            heard.append(request);
            if (request == RunningCopyRequest::Status)
                reply({.status = {{"mode", "1"}}});
            else if (request == RunningCopyRequest::Clear)
                reply({.done = false, .error = "refused"});
            else if (request != RunningCopyRequest::Jump)  // dropped unanswered
                reply({});
        });
    ASSERT_TRUE(listener.isListening());
    for (const RunningCopyRequest request : kEveryRequest) {
        const RunningCopyCall call = callWhileListening(request);
        ASSERT_EQ(call.outcome, Outcome::Answered) << requestLine(request).constData();
        EXPECT_EQ(call.answer.done,
                  request != RunningCopyRequest::Clear && request != RunningCopyRequest::Jump);
        if (request == RunningCopyRequest::Status) {
            EXPECT_THAT(call.answer.status,
                        ::testing::ElementsAre(QPair<QString, QString>("mode", "1")));
        }
    }
    EXPECT_THAT(heard, ::testing::ElementsAreArray(kEveryRequest));
}

TEST(RunningCopyTest, ASecondStartReachesACopyThatListensLateOrTookOverALeftSocket) {
    // A socket file nobody listens on, as a killed copy leaves it: no copy runs.
    const int listening = listenForRunningCopyCalls();
    ASSERT_GE(listening, 0);
    ::close(listening);
    ASSERT_TRUE(QFile::exists(SingleInstance::requestSocket()));
    EXPECT_EQ(callRunningCopy(RunningCopyRequest::Status, 0ms, 1s).outcome, Outcome::NoRunningCopy);

    // A copy still starting: the call tries again until it listens.
    int calls = 0;
    auto second = std::async(std::launch::async, [] { return askRunningCopyForward(60s); });
    RunningCopyListener listener(
        [&calls](RunningCopyRequest, const RunningCopyListener::Reply& reply) {
            ++calls;
            reply({});
        });
    ASSERT_TRUE(listener.isListening());
    EXPECT_TRUE(test::waitUntil([&] { return second.wait_for(0s) == std::future_status::ready; }));
    EXPECT_TRUE(second.get());
    EXPECT_EQ(calls, 1);
}

TEST(RunningCopyTest, CallsMadeWhileTheCopyStartsWaitInTheSocketItMadeFirst) {
    const int listening = listenForRunningCopyCalls();
    ASSERT_GE(listening, 0);
    auto early = std::async(std::launch::async,
                            [] { return callRunningCopy(RunningCopyRequest::Status, 0ms, 60s); });
    // Connected at once, though nothing reads yet.
    RunningCopyListener listener(
        [](RunningCopyRequest, const RunningCopyListener::Reply& reply) { reply({}); }, listening);
    EXPECT_TRUE(test::waitUntil([&] { return early.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(early.get().outcome, Outcome::Answered);
}

TEST(RunningCopyTest, AnUnknownRequestIsAnsweredAsSuchAndNeverHandled) {
    int calls = 0;
    RunningCopyListener listener(
        [&calls](RunningCopyRequest, const RunningCopyListener::Reply&) { ++calls; });
    for (const QByteArray& data : {QByteArray("quit\n"), QByteArray("forwardx\n")}) {
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::requestSocket());
        ASSERT_TRUE(socket.waitForConnected(30000));
        socket.write(data);
        ASSERT_TRUE(test::waitUntil([&] { return socket.canReadLine(); }));
        const auto answer = answerFromLine(socket.readLine());
        ASSERT_TRUE(answer);
        EXPECT_FALSE(answer->done);
        EXPECT_TRUE(answer->error.contains(QString::fromUtf8(data.trimmed())));
    }
    // A caller that sends no line break, ever, is hung up on.
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::requestSocket());
    ASSERT_TRUE(socket.waitForConnected(30000));
    socket.write(QByteArray(kLongestRequest + 10, 'a'));
    EXPECT_TRUE(test::waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(calls, 0);
}

TEST(RunningCopyTest, ACallerOfAnotherUserIsTurnedAwayUnheard) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root, to call as another user";
    // A folder and a socket another user can reach, so that only the peer check stands.
    for (const QString& folder : {test::testRoot(), SingleInstance::runtimeFolder()})
        ::chmod(QFile::encodeName(folder).constData(), 0711);
    const int listening = listenForRunningCopyCalls();
    ASSERT_GE(listening, 0);
    ::chmod(QFile::encodeName(SingleInstance::requestSocket()).constData(), 0777);
    int calls = 0;
    RunningCopyListener listener(
        [&calls](RunningCopyRequest, const RunningCopyListener::Reply& reply) {
            ++calls;
            reply({});
        },
        listening);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setuid(65534) != 0)
            ::_exit(100);
        const auto call = callRunningCopy(RunningCopyRequest::Status, 0ms, 30s);
        ::_exit(static_cast<int>(call.outcome));
    }
    int status = 0;
    ASSERT_TRUE(test::waitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(Outcome::NoAnswer));
    EXPECT_EQ(calls, 0);
}

}  // namespace
