#include "app/TfrmTask.h"

#include "platform/DesktopService.h"

#include "controls/ErrorReport.h"
#include "controls/ManualHelp.h"
#include "controls/MessageBoxes.h"
#include "controls/SvgIconEngine.h"
#include "controls/WindowFont.h"
#include "dialogs/TVersionInfo.h"
#include "picture/ExtensionPlugins.h"
#include "picture/TDataModule1.h"
#include "platform/ProgramPaths.h"
#include "settings/Groups.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"
#include "settings/PictureListPrefetch.h"
#include "settings/RegIni.h"
#include "settings/WeekdayKeys.h"
#include "settings/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <cstdio>
#include <random>

namespace tesselvane {

namespace {

const QString kTask = QStringLiteral("Task");
const QString kTime = QStringLiteral("Time");

RandomDraw clockSeededDraw() {
    auto engine = std::make_shared<std::mt19937>(
        std::random_device{}() ^ static_cast<unsigned>(QDateTime::currentMSecsSinceEpoch()));
    return
        [engine](int count) { return std::uniform_int_distribution<int>(0, count - 1)(*engine); };
}

}  // namespace

TfrmTask::TfrmTask(Environment environment) : env_(std::move(environment)) {
    if (!env_.random)
        env_.random = clockSeededDraw();
    changeOnceAndEnd_ =
        !env_.arguments.isEmpty() && env_.arguments.first().toUpper() == QLatin1String("-C");
    setObjectName(QStringLiteral("frmTask"));
    setWindowTitle(QStringLiteral("Tesselvane"));
    // A fixed frame with the system menu and the minimise box only.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                   Qt::CustomizeWindowHint);
    setFixedSize(397, 31);
    setFont(windowFont());
    setAcceptDrops(true);
    buildToolbar();
    buildPopupMenu();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] {
        try {
            Timer1Timer();
        } catch (...) {
            reportTimedError(std::current_exception());
        }
    });
    VersionInfo1 = std::make_unique<TVersionInfo>();
    VersionInfo1->Title = QCoreApplication::translate("TfrmTask", "バージョン情報");
    VersionInfo1->ApplicationName = QStringLiteral("Tesselvane");
    VersionInfo1->Author = QStringLiteral("Morvanti");
    VersionInfo1->URL = QStringLiteral("https://morvanti.example/tesselvane/");
    FormCreate();
    watchForTray();
    if (desktopService)
        desktopService->setRedrawOwnPictures([this] { redrawOwnPictures(); });
}

TfrmTask::~TfrmTask() {
    if (desktopService)
        desktopService->setRedrawOwnPictures({});
    // The plug-ins asked about at load are not left being asked after the window.
    try {
        waitForPlugIns();
    } catch (...) {
        // What went wrong there is no one's to hear now.
    }
}

void TfrmTask::buildToolbar() {
    struct Button {
        QToolButton*& button;
        const char* name;
        int left;
        const char* hint;
        const char* icon;
        void (TfrmTask::*command)();
    };
    const Button buttons[] = {
        {spbtnExit, "spbtnExit", 4, QT_TRANSLATE_NOOP("TfrmTask", "終了"), "exit",
         &TfrmTask::spbtnExitClick},
        {spbtnStart, "spbtnStart", 32, QT_TRANSLATE_NOOP("TfrmTask", "開始"), "start",
         &TfrmTask::spbtnStartClick},
        {spbtnGroup, "spbtnGroup", 56, QT_TRANSLATE_NOOP("TfrmTask", "ｸﾞﾙｰﾌﾟの編集"), "group",
         &TfrmTask::spbtnGroupClick},
        {spbtnTime, "spbtnTime", 84, QT_TRANSLATE_NOOP("TfrmTask", "時間の設定"), "time",
         &TfrmTask::spbtnTimeClick},
        {spbtnTile, "spbtnTile", 112, QT_TRANSLATE_NOOP("TfrmTask", "画面全体に表示"), "tile",
         &TfrmTask::spbtnTileClick},
        {spbtnCenter, "spbtnCenter", 136, QT_TRANSLATE_NOOP("TfrmTask", "中央に表示"), "center",
         &TfrmTask::spbtnCenterClick},
        {spbtnSlide, "spbtnSlide", 164, QT_TRANSLATE_NOOP("TfrmTask", "ｽﾗｲﾄﾞ"), "slide",
         &TfrmTask::spbtnSlideClick},
        {spbtnOption, "spbtnOption", 340, QT_TRANSLATE_NOOP("TfrmTask", "ｵﾌﾟｼｮﾝ"), "option",
         &TfrmTask::spbtnOptionClick},
        {spbtnHelp, "spbtnHelp", 368, QT_TRANSLATE_NOOP("TfrmTask", "ﾍﾙﾌﾟ"), "help",
         &TfrmTask::spbtnHelpClick},
    };
    for (const Button& b : buttons) {
        b.button = new QToolButton(this);
        b.button->setObjectName(QLatin1String(b.name));
        b.button->setGeometry(b.left, 3, 25, 25);
        b.button->setAutoRaise(true);  // flat
        const QString hint = QCoreApplication::translate("TfrmTask", b.hint);
        b.button->setToolTip(hint);
        b.button->setAccessibleName(hint);  // screen readers see no icon
        b.button->setIcon(svgIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.icon))));
        b.button->setIconSize(QSize(16, 16));
        const auto run = [this, command = b.command] {
            runGuarded([this, command] { (this->*command)(); });
        };
        if (&b.button == &spbtnTile || &b.button == &spbtnCenter) {
            // A button of the pair acts when it goes down, however that happens: a click, or
            // the toggle that assistive technology offers, which sends no click.
            b.button->setCheckable(true);
            connect(b.button, &QToolButton::toggled, this, [run](bool down) {
                if (down)
                    run();
            });
        } else {
            connect(b.button, &QToolButton::clicked, this, run);
        }
    }
    // Tile and centre are one group: pressing one releases the other; tile starts pressed.
    auto* group = new QButtonGroup(this);
    group->addButton(spbtnTile);
    group->addButton(spbtnCenter);
    group->setExclusive(true);
    setTileButtons(1);

    cboGroup = new QComboBox(this);
    cboGroup->setObjectName(QStringLiteral("cboGroup"));
    cboGroup->setGeometry(195, 5, 142, 21);
    cboGroup->setEditable(false);
    cboGroup->setToolTip(QCoreApplication::translate("TfrmTask", "ｸﾞﾙｰﾌﾟ"));
    cboGroup->setAccessibleName(QCoreApplication::translate("TfrmTask", "ｸﾞﾙｰﾌﾟ"));
    // Qt names a combo box by its current text once something is chosen; what it is for
    // stays in its description.
    cboGroup->setAccessibleDescription(QCoreApplication::translate("TfrmTask", "ｸﾞﾙｰﾌﾟ"));
    connect(cboGroup, &QComboBox::activated, this,
            [this] { runGuarded([this] { cboGroupChange(); }); });

    // F1 reaches the window whichever control has the focus.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this,
            [] { runGuarded([] { showHelp(HelpCommand::Contents); }); });
    // The keyboard's way to a context menu where the Menu key is missing.
    auto* menu = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    menu->setContext(Qt::WindowShortcut);
    connect(menu, &QShortcut::activated, this,
            [this] { openToolbarMenu(mapToGlobal(QPoint(0, height()))); });
}

void TfrmTask::buildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    struct Item {
        const char* name;
        const char* caption;
        void (TfrmTask::*command)();
    };
    const Item items[] = {
        {"pmnuResize", QT_TRANSLATE_NOOP("TfrmTask", "元のｻｲｽﾞに戻す(&R)"),
         &TfrmTask::pmnuResizeClick},
        {nullptr, nullptr, nullptr},
        {"pmnuNext", QT_TRANSLATE_NOOP("TfrmTask", "次へ(&N)"), &TfrmTask::pmnuNextClick},
        {"pmnuBack", QT_TRANSLATE_NOOP("TfrmTask", "前へ(&P)"), &TfrmTask::pmnuBackClick},
        {"pmnuJump", QT_TRANSLATE_NOOP("TfrmTask", "ジャンプ(&J)"), &TfrmTask::pmnuJumpClick},
        {nullptr, nullptr, nullptr},
        {"pmnuStop", QT_TRANSLATE_NOOP("TfrmTask", "一時停止(&S)"), &TfrmTask::pmnuStopClick},
        {nullptr, nullptr, nullptr},
        {"N5", QT_TRANSLATE_NOOP("TfrmTask", "再表示(&F)"), &TfrmTask::N5Click},
        {"pmnuClear", QT_TRANSLATE_NOOP("TfrmTask", "壁紙を消す(&C)"), &TfrmTask::pmnuClearClick},
        {nullptr, nullptr, nullptr},
        {"About1", QT_TRANSLATE_NOOP("TfrmTask", "バージョン情報...(&I)"), &TfrmTask::About1Click},
        {"pmnuExit", QT_TRANSLATE_NOOP("TfrmTask", "終了(&Z)"), &TfrmTask::pmnuExitClick},
    };
    for (const Item& item : items) {
        if (!item.name) {
            PopupMenu1->addSeparator();
            continue;
        }
        QAction* action =
            PopupMenu1->addAction(QCoreApplication::translate("TfrmTask", item.caption));
        action->setObjectName(QLatin1String(item.name));
        connect(action, &QAction::triggered, this, [this, command = item.command] {
            runGuarded([this, command] { (this->*command)(); });
        });
    }
    menuItem("pmnuStop")->setCheckable(true);
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
}

QAction* TfrmTask::menuItem(const char* name) const {
    return PopupMenu1->findChild<QAction*>(QLatin1String(name));
}

bool TfrmTask::tileDown() const {
    return spbtnTile->isChecked();
}

void TfrmTask::setTileButtons(int tileWallpaper) {
    // Showing the stored arrangement is no command.
    const QSignalBlocker quietTile(spbtnTile);
    const QSignalBlocker quietCenter(spbtnCenter);
    if (tileWallpaper == 0)
        spbtnCenter->setChecked(true);
    if (tileWallpaper == 1)
        spbtnTile->setChecked(true);
}

void TfrmTask::FormCreate() {
    RegIni& ini = env_.ini;
    // Where the Windows folder was, a folder that must be there; without it nothing works.
    if (!QDir().mkpath(windowsFolder())) {
        showError(this, QCoreApplication::translate("TfrmTask",
                                                    "Windowsディレクトリの取得に失敗しました。"));
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        exiting_ = true;
        return;
    }
    PictureList.clear();
    move(readWindowPosition(ini, kTask));
    TimerCount = ini.ReadInteger(kTime, QStringLiteral("Count"), 0);
    {
        RegIni controlPanel(env_.store, QStringLiteral("Control Panel"));
        setTileButtons(controlPanel.ReadInteger(QStringLiteral("DeskTop"),
                                                QStringLiteral("TileWallpaper"), 0));
    }
    LoadGroupNames();
    cboGroup->setCurrentIndex(ini.ReadInteger(kTask, QStringLiteral("Default"), -1));
    PictureIndex = ini.ReadInteger(kTask, QStringLiteral("Index"), -1);
    if (MyOption.Time.SetWeekday && !changesByDate(MyOption.Time))
        applyWeekdayGroup();
    const QString group = cboGroup->currentIndex() >= 0 ? cboGroup->currentText() : QString();
    if (changeOnceAndEnd_ && scheduleMode(MyOption.Time) == ScheduleMode::AtStart &&
        !group.isEmpty()) {
        // One change and the end: the one picture it takes is found without the whole list.
        std::optional<PictureListing> listing = takePrefetchedListing(group);
        startListing_ = listing ? std::move(*listing) : PictureListing::load(ini, group);
    } else if (!takePrefetchedPictureList(group, PictureList)) {
        LoadPictureList(ini, PictureList, group);
    }
    if (PictureIndex > pictureCount() - 1)
        PictureIndex = 0;
    Susie1->setPluginPath(MyOption.PluginPath);
    Susie1->InJpeg = MyOption.UseJpeg;
    // Asked in the background while the first picture is read.
    startLoadingPlugIns();
    Timer1->stop();
    CurrentFile.clear();

    // Going resident at start: a date mode, or a group to change from.
    showAtStart_ = !(changesByDate(MyOption.Time) || cboGroup->currentIndex() >= 0);
}

void TfrmTask::applyWeekdayGroup() {
    const QString key = weekdayKey(env_.today());
    const QString name = env_.ini.ReadString(key, QStringLiteral("GroupName"), QString());
    for (int i = 0; i < cboGroup->count(); ++i) {
        if (cboGroup->itemText(i).compare(name, Qt::CaseInsensitive) == 0) {
            cboGroup->setCurrentIndex(i);
            PictureIndex = env_.ini.ReadInteger(key, QStringLiteral("Index"), -1);
            return;
        }
    }
}

void TfrmTask::LoadGroupNames() {
    cboGroup->clear();
    cboGroup->addItems(readGroupNames(env_.ini));
    cboGroup->setCurrentIndex(-1);
}

void TfrmTask::AppIdle() {
    if (idleDone_ || exiting_)
        return;
    idleDone_ = true;
    if (showAtStart_) {
        // Changing once needs a group to change from; a script must not wait for a window.
        if (changeOnceAndEnd_) {
            std::fprintf(stderr, "tesselvane: %s\n",
                         qPrintable(QCoreApplication::translate(
                             "TfrmTask",
                             "グループが選ばれていないので壁紙を変えられません "
                             "(ツールバーでグループを選んでください)")));
            endProgram(1);
        }
        return;
    }
    RunStartup();
}

void TfrmTask::RunStartup() {
    if (scheduleMode(MyOption.Time) == ScheduleMode::Interval) {
        if (cboGroup->currentIndex() < 0)
            return;
        std::exception_ptr failed;
        if (MyOption.Time.TimeBoot) {
            failed = changeAtStart();
        } else {
            CurrentFile = PictureIndex >= 0 && PictureIndex < PictureList.size()
                              ? PictureList.at(PictureIndex)
                              : QString();
        }
        spbtnStartClick();
        if (failed)
            reportTimedError(failed);
        return;
    }
    const std::exception_ptr failed = changeAtStart();
    if (changeOnceAndEnd_) {
        if (failed)
            reportError(failed);
        // A script that changes the wallpaper learns from the status whether it did.
        endProgram(failed ? 1 : 0);
        return;
    }
    spbtnStartClick();
    // Said once the program is resident, the way every change nobody is watching is said.
    if (failed)
        reportTimedError(failed);
}

// A change that fails is said, and the start goes on: stopping here would leave the program
// running with no window and no icon, holding the lock against every other start.
std::exception_ptr TfrmTask::changeAtStart() {
    try {
        NextPicture(false);
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

TfrmTask::State TfrmTask::currentState() const {
    if (!resident_)
        return State::Visible;
    return paused_ && !Timer1->isActive() ? State::Paused : State::Resident;
}

void TfrmTask::spbtnStartClick() {
    if (!changesByDate(MyOption.Time) && cboGroup->currentIndex() < 0) {
        showWarning(this, QCoreApplication::translate("TfrmTask", "グループを選択してください。"));
        cboGroup->setFocus();
        return;
    }
    resident_ = true;
    Timer1->setInterval(timerIntervalMs(MyOption.Time.Scale, Timer1->interval()));
    if (scheduleMode(MyOption.Time) == ScheduleMode::Interval)
        Timer1->start();
    AddTrayIcon();
}

void TfrmTask::restoreToolbar() {
    resident_ = false;
    iconified_ = false;
    if (tray_)
        tray_->hide();
    Timer1->stop();
    showNormal();
    raise();
    activateWindow();
}

namespace {

// A modal window that holds the program's attention, in sight again even when minimised.
void raiseModal(QWidget* modal) {
    if (modal->windowState() & Qt::WindowMinimized)
        modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
    modal->show();
    modal->raise();
    modal->activateWindow();
}

}  // namespace

void TfrmTask::bringForward() {
    if (exiting_)
        return;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        raiseModal(modal);
        return;
    }
    if (resident_) {
        pmnuResizeClick();
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void TfrmTask::spbtnExitClick() {
    endProgram();
}

void TfrmTask::saveState() {
    RegIni& ini = env_.ini;
    RegIni::Batch batch(ini, kTask);
    writeWindowPosition(ini, kTask, frameGeometry().topLeft());
    ini.WriteInteger(kTask, QStringLiteral("Index"), PictureIndex);
    ini.WriteInteger(kTask, QStringLiteral("Default"), cboGroup->currentIndex());
    if (MyOption.Time.SetWeekday && !changesByDate(MyOption.Time)) {
        ini.WriteInteger(weekdayKey(env_.today()), QStringLiteral("Index"), PictureIndex);
    }
    ini.WriteInteger(kTime, QStringLiteral("Count"), TimerCount);
    SaveOptions(ini);
    batch.commit();
}

void TfrmTask::endProgram(int status) {
    if (exiting_)
        return;
    exiting_ = true;
    Timer1->stop();
    if (tray_)
        tray_->hide();
    try {
        saveState();
    } catch (...) {
        // The program ends all the same; what could not be saved is said.
        reportError(std::current_exception());
    }
    hide();
    // The picture list and the extension plug-ins stay until the event loop has ended: a
    // log-off that another program calls off must find them still there.
    QCoreApplication::exit(status);
}

void TfrmTask::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window system's window, for the clicks that reach it while a dialog blocks it.
    if (windowHandle() && watchedWindow_ != windowHandle()) {
        watchedWindow_ = windowHandle();
        watchedWindow_->installEventFilter(this);
    }
}

bool TfrmTask::eventFilter(QObject* watched, QEvent* event) {
    // A click on the toolbar while a dialog holds the program (perhaps minimised, out of
    // sight) brings that dialog up, rather than doing nothing.
    if (watched == windowHandle() && event->type() == QEvent::MouseButtonPress) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != this)
            raiseModal(modal);
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmTask::closeEvent(QCloseEvent* event) {
    // Closing is always allowed, and always the program's end.
    event->accept();
    endProgram();
}

void TfrmTask::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (resident_) {
        // The iconified toolbar opened from the taskbar: that is the restore command. A window
        // manager that cannot iconify (a tiling one) says "normal" at once; the toolbar then
        // stays in sight and the program resident, rather than stopping its changes.
        constexpr qint64 kRefusalWithinMs = 1000;
        if (iconified_ && isVisible() && !(windowState() & Qt::WindowMinimized) &&
            iconifiedSince_.hasExpired(kRefusalWithinMs))
            QTimer::singleShot(0, this, [this] {
                // A late echo of an earlier request is followed by the window system's word
                // on the iconify: only a toolbar still not minimised then was restored.
                if (resident_ && iconified_ && !(windowState() & Qt::WindowMinimized))
                    runGuarded([this] { pmnuResizeClick(); });
            });
        return;
    }
    if (!(windowState() & Qt::WindowMinimized))
        return;
    // Minimising sends the program to the notification area instead of the taskbar.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    QTimer::singleShot(0, this, [this] { runGuarded([this] { spbtnStartClick(); }); });
}

}  // namespace tesselvane
