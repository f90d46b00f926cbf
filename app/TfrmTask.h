#pragma once

#include "app/Scheduler.h"
#include "platform/RunningCopyProtocol.h"
#include "settings/PictureListing.h"

#include <QDate>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QToolButton;
class QWindow;

namespace tesselvane {

class RegIni;
class RegistryStore;
class TVersionInfo;

// The main window: a one-row toolbar, and while the program is resident an icon in the
// notification area whose menu carries the everyday commands. It decides when the wallpaper
// changes and which picture comes next.
class TfrmTask : public QWidget {
public:
    // What the window takes from outside, so that tests can set the day and the dice.
    struct Environment {
        RegistryStore& store;
        RegIni& ini;
        QStringList arguments;  // the program's, without its own name
        std::function<QDate()> today = [] { return QDate::currentDate(); };
        RandomDraw random;  // seeded once per run when not given
        // Whether a notification area can show the icon; Qt's answer when not given.
        std::function<bool()> trayAvailable = nullptr;
        // Shows a desktop notification; false when the desktop has no notification service.
        // The session's service when not given.
        std::function<bool(const QString& title, const QString& text)> notify = nullptr;
    };

    explicit TfrmTask(Environment environment);
    ~TfrmTask() override;

    enum class State { Visible, Resident, Paused };
    State currentState() const;
    // Resident with the toolbar iconified, for want of a notification area to hold the icon.
    bool toolbarIconified() const { return resident_ && iconified_; }
    // Whether the toolbar is shown at start, or the program goes resident at once. Never for
    // a run that changes once: with nothing to change from it ends at once.
    bool ShowMainWindowAtStart() const { return showAtStart_ && !changeOnceAndEnd_; }

    // The commands.
    void spbtnExitClick();
    void spbtnStartClick();
    void spbtnGroupClick();
    void spbtnTimeClick();
    void spbtnTileClick();
    void spbtnCenterClick();
    void spbtnSlideClick();
    void spbtnOptionClick();
    void spbtnHelpClick();
    void cboGroupChange();
    void pmnuResizeClick();
    void pmnuNextClick();
    void pmnuBackClick();
    void pmnuJumpClick();
    void pmnuStopClick();
    void N5Click();  // "再表示": shows the current picture again
    void pmnuClearClick();
    void About1Click();  // "バージョン情報": the about box
    void pmnuExitClick();
    void PopupMenu1Popup();
    void dropFiles(const QStringList& paths);

    void NextPicture(bool back);
    // Every monitor's own picture (Option\MonitorPictures) drawn again for the monitors there
    // are now: one that came since gets its own.
    void redrawOwnPictures();
    void Timer1Timer();
    void LoadGroupNames();
    void AddTrayIcon();

    // The start-up action, run once at the first idle moment.
    void AppIdle();
    void RunStartup();

    // A second start of the program asks for it: the toolbar comes back as with the restore
    // command, or the window that holds the program's attention comes to the front.
    void bringForward();
    // A command switch of a second start (tesselvane --next, ...): does what the menu's
    // command does, where the menu would let it, and answers once done; a command that opens
    // a window answers once the window shows.
    using RemoteReply = std::function<void(const RunningCopyAnswer&)>;
    void runRemoteCommand(RunningCopyRequest request, const RemoteReply& reply);
    // The error of a change nobody asked for just now (at start, on the timer). While the
    // program is resident it waits for nobody: the icon's balloon, else a desktop
    // notification, else one error box at a time; always a line on stderr.
    void reportTimedError(std::exception_ptr error);

    // Saves what the window keeps (position, group, picture, tick count, options) and ends
    // the program's event loop with `status`. Every way of ending the program goes through
    // here.
    void endProgram(int status = 0);
    // The saves of the close query alone: a log-off asks for them and may yet be called off.
    void saveState();

    QComboBox* groupBox() const { return cboGroup; }
    QMenu* popupMenu() const { return PopupMenu1; }
    QTimer* timer() const { return Timer1; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    bool tileDown() const;
    QAction* menuItem(const char* name) const;

    // Opening the dialogs of the toolbar; until they exist the buttons open nothing.
    std::function<void()> openGroupDialog;
    std::function<void()> openTimeDialog;
    std::function<void()> openSlideShow;
    std::function<void()> openOptionDialog;
    std::function<void()> openJumpDialog;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The icon's menu, for a desktop without a notification area to hold the icon.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolbar();
    void buildPopupMenu();
    void FormCreate();
    void applyWeekdayGroup();
    void restoreToolbar();
    void setTileButtons(int tileWallpaper);
    void arrangeWallpaper(int tile);
    void setTrayTip(const QString& tip);
    void tryAddTrayIcon(int attempt);
    bool trayAvailable() const;
    QSystemTrayIcon* trayIconToShow();
    void placeResidentToolbar();
    void watchForTray();
    // The change due at start; its error when it failed, for the caller to say.
    std::exception_ptr changeAtStart();
    // The pictures of the current group: the start's listing while a run that changes once
    // holds one, PictureList otherwise.
    qsizetype pictureCount() const;
    // The pictures of a change whose primary picture is at `primary`: one per monitor when
    // each has its own (otherIndices_ chosen for the others), else that one.
    QStringList changeFiles(int primary);
    RunningCopyAnswer statusAnswer() const;
    void openToolbarMenu(QPoint at);

    Environment env_;
    bool showAtStart_ = true;
    bool changeOnceAndEnd_ = false;
    bool idleDone_ = false;
    bool exiting_ = false;
    bool changing_ = false;
    bool tickPending_ = false;
    bool paused_ = false;
    bool resident_ = false;
    bool iconified_ = false;
    QElapsedTimer iconifiedSince_;
    int trayAttempt_ = 0;
    QString attempted_;  // the picture the last change tried, for its error
    // The pictures the last change of the list gave the monitors, the primary's first, and
    // the other monitors' positions in the list.
    QStringList currentFiles_;
    std::vector<int> otherIndices_;
    QPointer<QWidget> timedErrorBox_;
    bool refusalSaid_ = false;  // a desktop's lasting refusal is said once a run
    QPointer<QWindow> watchedWindow_;

    QToolButton* spbtnExit = nullptr;
    QToolButton* spbtnStart = nullptr;
    QToolButton* spbtnGroup = nullptr;
    QToolButton* spbtnTime = nullptr;
    QToolButton* spbtnTile = nullptr;
    QToolButton* spbtnCenter = nullptr;
    QToolButton* spbtnSlide = nullptr;
    QComboBox* cboGroup = nullptr;
    QToolButton* spbtnOption = nullptr;
    QToolButton* spbtnHelp = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QString trayTip_;
    std::unique_ptr<TVersionInfo> VersionInfo1;
    std::optional<PictureListing> startListing_;
};

}  // namespace tesselvane
