#pragma once

// Drives a modal window from inside the event loop that shows it: the test arranges what to
// do with the next modal window, then makes the call that opens it (and returns when it
// closes).

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace tesselvane::test {

// Runs `action` once a modal window other than the one on top now is shown; gives up after
// `timeoutMs` (the call under test then returns by itself, or the test's own timeout ends it).
// A window the action leaves open (a failed expectation inside it) is closed, so that the
// test goes on to report it instead of waiting for ever.
inline void onNextModal(std::function<void(QWidget* modal)> action, int timeoutMs = 5000) {
    QPointer<QWidget> before = QApplication::activeModalWidget();
    auto* poll = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        *waited += poll->interval();
        if (modal && modal != before && modal->isVisible()) {
            poll->deleteLater();
            poll->stop();
            QPointer<QWidget> shown = modal;
            action(modal);
            if (shown && shown->isVisible())
                shown->close();
        } else if (*waited > timeoutMs) {
            poll->deleteLater();
            poll->stop();
        }
    });
    poll->start(10);
}

}  // namespace tesselvane::test
