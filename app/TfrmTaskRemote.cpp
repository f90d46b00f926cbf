// The main window's commands as a second start gives them (tesselvane --next, ...), through
// the running copy's socket.

#include "app/TfrmTask.h"

#include "controls/ErrorReport.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

namespace tesselvane {

namespace {

RunningCopyAnswer refused(const QString& why) {
    return {.done = false, .error = why};
}

}  // namespace

void TfrmTask::runRemoteCommand(RunningCopyRequest request, const RemoteReply& reply) {
    if (exiting_) {
        reply(refused(
            QCoreApplication::translate("TfrmTaskRemote", "Tesselvane は終わるところです")));
        return;
    }
    // What the menu greys out cannot be asked for either.
    const bool listMode = !changesByDate(MyOption.Time);
    const bool intervalMode = scheduleMode(MyOption.Time) == ScheduleMode::Interval;
    try {
        switch (request) {
            case RunningCopyRequest::Forward:
                bringForward();
                break;
            case RunningCopyRequest::Next:
            case RunningCopyRequest::Previous: {
                const bool back = request == RunningCopyRequest::Previous;
                if (!listMode) {
                    reply(refused(QCoreApplication::translate(
                        "TfrmTaskRemote", "日付で変えるモードでは次へ・前へは使えません")));
                    return;
                }
                if (back && MyOption.Random) {
                    reply(refused(QCoreApplication::translate(
                        "TfrmTaskRemote", "ランダムに選ぶときは前へ戻れません")));
                    return;
                }
                back ? pmnuBackClick() : pmnuNextClick();
                break;
            }
            case RunningCopyRequest::Pause:
            case RunningCopyRequest::Resume:
                if (!intervalMode) {
                    reply(refused(QCoreApplication::translate(
                        "TfrmTaskRemote", "一時停止は間隔で変えるモードでだけ使えます")));
                    return;
                }
                if (paused_ != (request == RunningCopyRequest::Pause))
                    pmnuStopClick();
                break;
            case RunningCopyRequest::Redisplay:
                N5Click();
                break;
            case RunningCopyRequest::Clear:
                pmnuClearClick();
                break;
            case RunningCopyRequest::Jump:
                pmnuJumpClick();
                break;
            case RunningCopyRequest::Slide:
                if (cboGroup->currentIndex() < 0) {
                    reply(refused(QCoreApplication::translate("TfrmTaskRemote",
                                                              "グループを選択してください。")));
                    return;
                }
                if (QApplication::activeModalWidget()) {
                    reply(refused(QCoreApplication::translate("TfrmTaskRemote",
                                                              "ほかのウィンドウが開いています")));
                    return;
                }
                // The show keeps its window until it ends: answered once it is on the screen.
                QTimer::singleShot(0, this, [reply] { reply({}); });
                spbtnSlideClick();
                return;
            case RunningCopyRequest::Status:
                reply(statusAnswer());
                return;
        }
        reply({});
    } catch (...) {
        // Said to the caller, and in the box the menu's command would have shown.
        reply(refused(errorText(std::current_exception())));
        reportError(std::current_exception());
    }
}

RunningCopyAnswer TfrmTask::statusAnswer() const {
    RunningCopyAnswer answer;
    const auto add = [&answer](const char* key, const QString& value) {
        answer.status.append({QLatin1String(key), value});
    };
    add("group", cboGroup->currentIndex() >= 0 ? cboGroup->currentText() : QString());
    add("picture", CurrentFile.isEmpty() ? QString() : QFileInfo(CurrentFile).absoluteFilePath());
    add("mode", QString::number(MyOption.Time.Option));
    add("paused", currentState() == State::Paused ? QStringLiteral("yes") : QStringLiteral("no"));
    QString next;
    if (Timer1->isActive()) {
        // The tick under way, then the ticks still to come before the change.
        const qint64 ticksLeft = std::max<qint64>(0, MyOption.Time.Value - TimerCount - 1);
        const qint64 inMs = Timer1->remainingTime() + ticksLeft * Timer1->interval();
        const QDateTime at = QDateTime::currentDateTime().addMSecs(inMs);
        next = at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate);
    }
    add("next", next);
    return answer;
}

}  // namespace tesselvane
