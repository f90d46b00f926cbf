// The notification-area icon of the resident program and its menu.

#include "app/TfrmTask.h"

#include "controls/ErrorReport.h"
#include "platform/TrayWatch.h"
#include "settings/Options.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tesselvane {

namespace {

constexpr int kTrayAttempts = 5;
constexpr int kTrayRetryMs = 3000;

}  // namespace

void TfrmTask::AddTrayIcon() {
    if (!tray_) {
        tray_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
        tray_->setObjectName(QStringLiteral("TrayIcon"));
        tray_->setContextMenu(PopupMenu1);
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    runGuarded([this, reason] {
                        switch (reason) {
                            case QSystemTrayIcon::DoubleClick:
                                pmnuResizeClick();
                                break;
                            case QSystemTrayIcon::Trigger:
                            case QSystemTrayIcon::MiddleClick:
                                activateWindow();
                                QCoreApplication::processEvents();
                                break;
                            default:
                                break;  // the menu opens by itself
                        }
                    });
                });
    }
    // Each start begins with the plain tip.
    tray_->setToolTip(QStringLiteral("TesselvaneMain"));
    trayAttempt_ = 0;
    tryAddTrayIcon(++trayAttempt_);
}

// A notification area that is not there yet (the panel still starting) is waited for a few
// times, with a timer so that the program goes on meanwhile.
void TfrmTask::tryAddTrayIcon(int attempt) {
    if (attempt != trayAttempt_ || !tray_ || !resident_)
        return;
    placeResidentToolbar();
    if (trayAvailable() || attempt >= kTrayAttempts)
        return;
    QTimer::singleShot(kTrayRetryMs, this, [this, attempt] {
        if (attempt == trayAttempt_)
            tryAddTrayIcon(++trayAttempt_);
    });
}

bool TfrmTask::trayAvailable() const {
    return env_.trayAvailable ? env_.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

// While resident the toolbar hides behind the icon; with no notification area to show the
// icon it is iconified instead, so that the taskbar or the window list still leads back to
// the program.
void TfrmTask::placeResidentToolbar() {
    if (!resident_ || exiting_ || !tray_)
        return;
    if (trayAvailable()) {
        // Once shown, Qt keeps the icon in the notification area, through a panel restart.
        tray_->show();
        iconified_ = false;
        hide();
    } else if (!iconified_ || !isVisible()) {
        iconified_ = true;
        iconifiedSince_.start();
        showMinimized();
    }
}

// A notification area that comes or goes while the program is resident moves the toolbar.
void TfrmTask::watchForTray() {
    watchNotificationArea(this, [this] { runGuarded([this] { placeResidentToolbar(); }); });
}

void TfrmTask::setTrayTip(const QString& tip) {
    if (tray_)
        tray_->setToolTip(tip);
}

void TfrmTask::PopupMenu1Popup() {
    for (QAction* action : PopupMenu1->actions())
        action->setEnabled(true);
    menuItem("pmnuStop")->setEnabled(scheduleMode(MyOption.Time) == ScheduleMode::Interval);
    if (changesByDate(MyOption.Time)) {
        menuItem("pmnuNext")->setEnabled(false);
        menuItem("pmnuBack")->setEnabled(false);
    } else {
        menuItem("pmnuBack")->setEnabled(!MyOption.Random);
    }
}

}  // namespace tesselvane
