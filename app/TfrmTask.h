#pragma once

#include "Scheduler.h"

#include <QDate>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

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
    };

    explicit TfrmTask(Environment environment);
    ~TfrmTask() override;

    enum class State { Visible, Resident, Paused };
    State CurrentState() const;
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
    void N5Click();  // redisplay
    void pmnuClearClick();
    void About1Click();
    void pmnuExitClick();
    void PopupMenu1Popup();
    void DropFiles(const QStringList& paths);

    void NextPicture(bool back);
    void Timer1Timer();
    void LoadGroupNames();
    void AddTrayIcon();

    // The start-up action, run once at the first idle moment.
    void AppIdle();
    void RunStartup();

    // Saves what the window keeps (position, group, picture, tick count, options) and ends
    // the program's event loop. Every way of ending the program goes through here.
    void Exit();
    // The saves of the close query alone: a log-off asks for them and may yet be called off.
    void SaveState();

    QComboBox* GroupBox() const { return cboGroup_; }
    QMenu* PopupMenu() const { return PopupMenu1_; }
    QTimer* Timer() const { return Timer1_; }
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    bool TileDown() const;
    QAction* MenuItem(const char* name) const;

    // Opening the dialogs of the toolbar; until they exist the buttons open nothing.
    std::function<void()> OpenGroupDialog;
    std::function<void()> OpenTimeDialog;
    std::function<void()> OpenSlideShow;
    std::function<void()> OpenOptionDialog;
    std::function<void()> OpenJumpDialog;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolbar();
    void buildPopupMenu();
    void FormCreate();
    void ApplyWeekdayGroup();
    void RestoreToolbar();
    void SetTileButtons(int tileWallpaper);
    void ChangeAndRecord(const QString& path);
    void ArrangeWallpaper(int tile);
    void SetTrayTip(const QString& tip);
    void TryAddTrayIcon(int attempt);

    Environment env_;
    bool showAtStart_ = true;
    bool changeOnceAndEnd_ = false;
    bool idleDone_ = false;
    bool exiting_ = false;
    bool changing_ = false;
    bool tickPending_ = false;
    bool paused_ = false;
    int trayAttempt_ = 0;

    QToolButton* spbtnExit_ = nullptr;
    QToolButton* spbtnStart_ = nullptr;
    QToolButton* spbtnGroup_ = nullptr;
    QToolButton* spbtnTime_ = nullptr;
    QToolButton* spbtnTile_ = nullptr;
    QToolButton* spbtnCenter_ = nullptr;
    QToolButton* spbtnSlide_ = nullptr;
    QComboBox* cboGroup_ = nullptr;
    QToolButton* spbtnOption_ = nullptr;
    QToolButton* spbtnHelp_ = nullptr;
    QTimer* Timer1_ = nullptr;
    QMenu* PopupMenu1_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<TVersionInfo> VersionInfo1_;
};

}  // namespace tesselvane
