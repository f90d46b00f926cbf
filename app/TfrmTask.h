#pragma once

#include "app/Scheduler.h"
#include "settings/PictureListing.h"

#include <QDate>
#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QToolButton;

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
    };

    explicit TfrmTask(Environment environment);
    ~TfrmTask() override;

    enum class State { Visible, Resident, Paused };
    State currentState() const;
    // Resident with the toolbar iconified, for want of a notification area to hold the icon.
    bool toolbarIconified() const { return resident_ && iconified_; }
    // Whether the toolbar is shown at start, or the program goes resident at once.
    bool ShowMainWindowAtStart() const { return showAtStart_; }

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
    void Timer1Timer();
    void LoadGroupNames();
    void AddTrayIcon();

    // The start-up action, run once at the first idle moment.
    void AppIdle();
    void RunStartup();

    // A second start of the program asks for it: the toolbar comes back as with the restore
    // command, or the window that holds the program's attention comes to the front.
    void bringForward();

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
    void placeResidentToolbar();
    void watchForTray();
    // The change due at start; false when it failed (and was said).
    bool changeAtStart();
    // The pictures of the current group: the start's listing while a run that changes once
    // holds one, PictureList otherwise.
    qsizetype pictureCount() const;

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
    std::unique_ptr<TVersionInfo> VersionInfo1;
    std::optional<PictureListing> startListing_;
};

}  // namespace tesselvane
