// The notification-area icon of the resident program and its menu.

#include "app/TfrmTask.h"

#include "controls/ErrorReport.h"
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

// A tray that is not there yet (the panel still starting) is waited for a few times, with a
// timer so that the program goes on meanwhile. Shown in the end all the same: Qt puts the
// icon in place by itself once a tray appears, as it does when the panel restarts.
void TfrmTask::tryAddTrayIcon(int attempt) {
    if (attempt != trayAttempt_ || !tray_ || isVisible())
        return;
    if (QSystemTrayIcon::isSystemTrayAvailable() || attempt >= kTrayAttempts) {
        tray_->show();
        return;
    }
    QTimer::singleShot(kTrayRetryMs, this, [this, attempt] {
        if (attempt == trayAttempt_)
            tryAddTrayIcon(++trayAttempt_);
    });
}

void TfrmTask::setTrayTip(const QString& tip) {
    if (tray_)
        tray_->setToolTip(tip);
}

void TfrmTask::PopupMenu1Popup() {
    const int mode = MyOption.Time.Option;
    for (QAction* action : PopupMenu1->actions())
        action->setEnabled(true);
    menuItem("pmnuStop")->setEnabled(mode == 1);
    if (mode >= 2) {
        menuItem("pmnuNext")->setEnabled(false);
        menuItem("pmnuBack")->setEnabled(false);
    } else {
        menuItem("pmnuBack")->setEnabled(!MyOption.Random);
    }
}

}  // namespace tesselvane
