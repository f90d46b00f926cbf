#pragma once

// What a second start asks of the running copy, and what it answers: one line each way over
// the socket beside the single-instance lock.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace tesselvane {

enum class RunningCopyRequest {
    Forward,    // the toolbar back, or the window that holds the program's attention in front
    Next,       // as the menu's 次へ
    Previous,   // as 前へ
    Pause,      // the timer stopped, as 一時停止 when it runs
    Resume,     // the timer running again, as 一時停止 when it is stopped
    Redisplay,  // as 再表示
    Clear,      // as 壁紙を消す
    Jump,       // the jump dialog, in front
    Slide,      // the slide show of the chosen group
    Status,     // what the running copy is doing
};

// The line that asks for `request`, with its line break.
QByteArray requestLine(RunningCopyRequest request);
// The request a line asks for; nothing for a line that is not one (line break optional).
std::optional<RunningCopyRequest> requestFromLine(const QByteArray& line);

struct RunningCopyAnswer {
    bool done = true;
    QString error{};                          // why not, when not done
    QList<QPair<QString, QString>> status{};  // for Status: key and value, in order
};

// The line that carries `answer`, with its line break.
QByteArray answerLine(const RunningCopyAnswer& answer);
// The answer a line carries; nothing for a line that is not one.
std::optional<RunningCopyAnswer> answerFromLine(const QByteArray& line);

// A request is one short line; a caller that sends more is not one of ours. An answer holds
// paths and a message, so it may be longer, but never without end.
inline constexpr qint64 kLongestRequest = 64;
inline constexpr qint64 kLongestAnswer = 64 * 1024;

}  // namespace tesselvane
