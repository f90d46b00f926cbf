// The notification-area icon of the resident program and its menu.

#include "app/TfrmTask.h"

#include "controls/ErrorReport.h"
#include "controls/MessageBoxes.h"
#include "platform/DesktopBackend.h"
#include "platform/DesktopNotification.h"
#include "platform/TrayWatch.h"
#include "settings/Options.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace tesselvane {

namespace {

constexpr int kTrayAttempts = 5;
constexpr int kTrayRetryMs = 3000;

// Whether the desktop refuses every change until someone allows it.
bool isRefusal(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const DesktopRefusal&) {
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

void TfrmTask::AddTrayIcon() {
    // Each start begins with the plain tip.
    setTrayTip(QStringLiteral("TesselvaneMain"));
    trayAttempt_ = 0;
    tryAddTrayIcon(++trayAttempt_);
}

// Made only once Qt may be asked about the notification area: see notificationAreaCanBeAsked.
QSystemTrayIcon* TfrmTask::trayIconToShow() {
    if (tray_ || !(env_.trayAvailable || notificationAreaCanBeAsked()))
        return tray_;
    tray_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
    tray_->setObjectName(QStringLiteral("TrayIcon"));
    tray_->setContextMenu(PopupMenu1);
    tray_->setToolTip(trayTip_);
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
    return tray_;
}

// A notification area that is not there yet (the panel still starting) is waited for a few
// times, with a timer so that the program goes on meanwhile.
void TfrmTask::tryAddTrayIcon(int attempt) {
    if (attempt != trayAttempt_ || !resident_)
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
    if (env_.trayAvailable)
        return env_.trayAvailable();
    return notificationAreaCanBeAsked() && QSystemTrayIcon::isSystemTrayAvailable();
}

// While resident the toolbar hides behind the icon; with no notification area to show the
// icon it is iconified instead, so that the taskbar or the window list still leads back to
// the program.
void TfrmTask::placeResidentToolbar() {
    if (!resident_ || exiting_)
        return;
    if (trayAvailable() && trayIconToShow()) {
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

// A notification area that comes or goes while the program is resident moves the toolbar;
// for a new StatusNotifier watcher the icon is shown afresh, so that it learns of it.
void TfrmTask::watchForTray() {
    watchNotificationArea(this, [this](bool newWatcher) {
        runGuarded([this, newWatcher] {
            if (newWatcher && tray_ && resident_)
                tray_->hide();
            placeResidentToolbar();
        });
    });
}

void TfrmTask::setTrayTip(const QString& tip) {
    trayTip_ = tip;
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

// One menu: the icon's, opened on the toolbar by a right click, the Menu key or Shift+F10.
void TfrmTask::contextMenuEvent(QContextMenuEvent* event) {
    openToolbarMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                : mapToGlobal(QPoint(0, height())));
    event->accept();
}

void TfrmTask::openToolbarMenu(QPoint at) {
    if (exiting_)
        return;
    PopupMenu1->popup(at);  // prepared as it opens (PopupMenu1Popup)
}

void TfrmTask::reportTimedError(std::exception_ptr error) {
    const QString text = withFullStop(errorText(error));
    // The session's journal keeps what nobody may have seen.
    if (attempted_.isEmpty())
        std::fprintf(stderr, "tesselvane: %s\n", qPrintable(text));
    else
        std::fprintf(stderr, "tesselvane: %s: %s\n", qPrintable(attempted_), qPrintable(text));
    if (isRefusal(error) && std::exchange(refusalSaid_, true))
        return;
    const bool unattended = resident_ && (iconified_ || !isVisible());
    if (!unattended) {
        reportError(error);
        return;
    }
    if (tray_ && tray_->isVisible() && QSystemTrayIcon::supportsMessages()) {
        tray_->showMessage(QStringLiteral("Tesselvane"), text, QSystemTrayIcon::Critical);
        return;
    }
    const auto notify = env_.notify ? env_.notify : notifyDesktop;
    if (notify(QStringLiteral("Tesselvane"), text))
        return;
    // The last resort is the box, one at a time, and it stops nothing: the changes go on.
    if (!timedErrorBox_)
        timedErrorBox_ = openErrorReport(this, text);
}

}  // namespace tesselvane
