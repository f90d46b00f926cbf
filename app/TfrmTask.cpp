#include "TfrmTask.h"

#include "DataModule1.h"
#include "ErrorReport.h"
#include "ExtensionPlugins.h"
#include "Groups.h"
#include "Help.h"
#include "MessageBoxes.h"
#include "Options.h"
#include "PictureGlobals.h"
#include "ProgramPaths.h"
#include "RegIni.h"
#include "TVersionInfo.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

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

QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
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
    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(1000);
    connect(Timer1_, &QTimer::timeout, this, [this] { RunGuarded([this] { Timer1Timer(); }); });
    VersionInfo1_ = std::make_unique<TVersionInfo>();
    VersionInfo1_->Title = QStringLiteral("バージョン情報");
    VersionInfo1_->ApplicationName = QStringLiteral("Tesselvane");
    VersionInfo1_->Author = QStringLiteral("Morvanti");
    VersionInfo1_->URL = QStringLiteral("https://morvanti.example/tesselvane/");
    FormCreate();
}

TfrmTask::~TfrmTask() = default;

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
        {spbtnExit_, "spbtnExit", 4, "終了", "exit", &TfrmTask::spbtnExitClick},
        {spbtnStart_, "spbtnStart", 32, "開始", "start", &TfrmTask::spbtnStartClick},
        {spbtnGroup_, "spbtnGroup", 56, "ｸﾞﾙｰﾌﾟの編集", "group", &TfrmTask::spbtnGroupClick},
        {spbtnTime_, "spbtnTime", 84, "時間の設定", "time", &TfrmTask::spbtnTimeClick},
        {spbtnTile_, "spbtnTile", 112, "画面全体に表示", "tile", &TfrmTask::spbtnTileClick},
        {spbtnCenter_, "spbtnCenter", 136, "中央に表示", "center", &TfrmTask::spbtnCenterClick},
        {spbtnSlide_, "spbtnSlide", 164, "ｽﾗｲﾄﾞ", "slide", &TfrmTask::spbtnSlideClick},
        {spbtnOption_, "spbtnOption", 340, "ｵﾌﾟｼｮﾝ", "option", &TfrmTask::spbtnOptionClick},
        {spbtnHelp_, "spbtnHelp", 368, "ﾍﾙﾌﾟ", "help", &TfrmTask::spbtnHelpClick},
    };
    for (const Button& b : buttons) {
        b.button = new QToolButton(this);
        b.button->setObjectName(QLatin1String(b.name));
        b.button->setGeometry(b.left, 3, 25, 25);
        b.button->setAutoRaise(true);  // flat
        b.button->setToolTip(QString::fromUtf8(b.hint));
        b.button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.icon))));
        b.button->setIconSize(QSize(16, 16));
        connect(b.button, &QToolButton::clicked, this, [this, command = b.command] {
            RunGuarded([this, command] { (this->*command)(); });
        });
    }
    // Tile and centre are one group: pressing one releases the other; tile starts pressed.
    auto* group = new QButtonGroup(this);
    for (QToolButton* b : {spbtnTile_, spbtnCenter_}) {
        b->setCheckable(true);
        group->addButton(b);
    }
    group->setExclusive(true);
    spbtnTile_->setChecked(true);

    cboGroup_ = new QComboBox(this);
    cboGroup_->setObjectName(QStringLiteral("cboGroup"));
    cboGroup_->setGeometry(195, 5, 142, 21);
    cboGroup_->setEditable(false);
    cboGroup_->setToolTip(QStringLiteral("ｸﾞﾙｰﾌﾟ"));
    connect(cboGroup_, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cboGroupChange(); }); });

    // F1 reaches the window whichever control has the focus.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this,
            [] { RunGuarded([] { OpenHelp(HelpCommand::Contents); }); });
}

void TfrmTask::buildPopupMenu() {
    PopupMenu1_ = new QMenu(this);
    PopupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    struct Item {
        const char* name;
        const char* caption;
        void (TfrmTask::*command)();
    };
    const Item items[] = {
        {"pmnuResize", "元のｻｲｽﾞに戻す(&R)", &TfrmTask::pmnuResizeClick},
        {nullptr, nullptr, nullptr},
        {"pmnuNext", "次へ(&N)", &TfrmTask::pmnuNextClick},
        {"pmnuBack", "前へ(&P)", &TfrmTask::pmnuBackClick},
        {"pmnuJump", "ジャンプ(&J)", &TfrmTask::pmnuJumpClick},
        {nullptr, nullptr, nullptr},
        {"pmnuStop", "一時停止(&S)", &TfrmTask::pmnuStopClick},
        {nullptr, nullptr, nullptr},
        {"N5", "再表示(&F)", &TfrmTask::N5Click},
        {"pmnuClear", "壁紙を消す(&C)", &TfrmTask::pmnuClearClick},
        {nullptr, nullptr, nullptr},
        {"About1", "バージョン情報...(&I)", &TfrmTask::About1Click},
        {"pmnuExit", "終了(&Z)", &TfrmTask::pmnuExitClick},
    };
    for (const Item& item : items) {
        if (!item.name) {
            PopupMenu1_->addSeparator();
            continue;
        }
        QAction* action = PopupMenu1_->addAction(QString::fromUtf8(item.caption));
        action->setObjectName(QLatin1String(item.name));
        connect(action, &QAction::triggered, this, [this, command = item.command] {
            RunGuarded([this, command] { (this->*command)(); });
        });
    }
    MenuItem("pmnuStop")->setCheckable(true);
    connect(PopupMenu1_, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
}

QAction* TfrmTask::MenuItem(const char* name) const {
    return PopupMenu1_->findChild<QAction*>(QLatin1String(name));
}

bool TfrmTask::TileDown() const {
    return spbtnTile_->isChecked();
}

void TfrmTask::SetTileButtons(int tileWallpaper) {
    if (tileWallpaper == 0)
        spbtnCenter_->setChecked(true);
    if (tileWallpaper == 1)
        spbtnTile_->setChecked(true);
}

void TfrmTask::FormCreate() {
    RegIni& ini = env_.ini;
    // Where the Windows folder was, a folder that must be there; without it nothing works.
    if (!QDir().mkpath(windowsFolder())) {
        ShowError(this, QStringLiteral("Windowsディレクトリの取得に失敗しました。"));
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        exiting_ = true;
        return;
    }
    PictureList.clear();
    move(ReadWindowPosition(ini, kTask));
    TimerCount = ini.ReadInteger(kTime, QStringLiteral("Count"), 0);
    {
        RegIni controlPanel(env_.store, QStringLiteral("Control Panel"));
        SetTileButtons(controlPanel.ReadInteger(QStringLiteral("DeskTop"),
                                                QStringLiteral("TileWallpaper"), 0));
    }
    LoadGroupNames();
    cboGroup_->setCurrentIndex(ini.ReadInteger(kTask, QStringLiteral("Default"), -1));
    PictureIndex = ini.ReadInteger(kTask, QStringLiteral("Index"), -1);
    if (MyOption.Time.SetWeekday && (MyOption.Time.Option == 0 || MyOption.Time.Option == 1))
        ApplyWeekdayGroup();
    LoadPictureList(ini, PictureList,
                    cboGroup_->currentIndex() >= 0 ? cboGroup_->currentText() : QString());
    if (PictureIndex > PictureList.size() - 1)
        PictureIndex = 0;
    Susie1->SetPluginPath(MyOption.PluginPath);
    Susie1->InJpeg = MyOption.UseJpeg;
    LoadPlugIns();
    Timer1_->stop();
    CurrentFile.clear();

    // Going resident at start: a date mode, or a group to change from.
    showAtStart_ = !(MyOption.Time.Option > 1 || cboGroup_->currentIndex() >= 0);
}

void TfrmTask::ApplyWeekdayGroup() {
    const QString key = WeekdayKey(env_.today());
    const QString name = env_.ini.ReadString(key, QStringLiteral("GroupName"), QString());
    for (int i = 0; i < cboGroup_->count(); ++i) {
        if (cboGroup_->itemText(i).compare(name, Qt::CaseInsensitive) == 0) {
            cboGroup_->setCurrentIndex(i);
            PictureIndex = env_.ini.ReadInteger(key, QStringLiteral("Index"), -1);
            return;
        }
    }
}

void TfrmTask::LoadGroupNames() {
    cboGroup_->clear();
    cboGroup_->addItems(ReadGroupNames(env_.ini));
    cboGroup_->setCurrentIndex(-1);
}

void TfrmTask::AppIdle() {
    if (idleDone_ || exiting_)
        return;
    idleDone_ = true;
    if (showAtStart_)
        return;
    RunStartup();
}

void TfrmTask::RunStartup() {
    if (MyOption.Time.Option == 1) {
        if (cboGroup_->currentIndex() < 0)
            return;
        if (MyOption.Time.TimeBoot) {
            NextPicture(false);
        } else {
            CurrentFile = PictureIndex >= 0 && PictureIndex < PictureList.size()
                              ? PictureList.at(PictureIndex)
                              : QString();
        }
        spbtnStartClick();
        return;
    }
    NextPicture(false);
    if (changeOnceAndEnd_) {
        Exit();
        return;
    }
    spbtnStartClick();
}

TfrmTask::State TfrmTask::CurrentState() const {
    if (isVisible())
        return State::Visible;
    return paused_ && !Timer1_->isActive() ? State::Paused : State::Resident;
}

void TfrmTask::spbtnStartClick() {
    if ((MyOption.Time.Option == 0 || MyOption.Time.Option == 1) && cboGroup_->currentIndex() < 0) {
        ShowWarning(this, QStringLiteral("グループを選択してください。"));
        cboGroup_->setFocus();
        return;
    }
    hide();
    Timer1_->setInterval(TimerIntervalMs(MyOption.Time.Scale, Timer1_->interval()));
    if (MyOption.Time.Option == 1)
        Timer1_->start();
    AddTrayIcon();
}

void TfrmTask::RestoreToolbar() {
    if (tray_)
        tray_->hide();
    Timer1_->stop();
    showNormal();
    raise();
    activateWindow();
}

void TfrmTask::spbtnExitClick() {
    Exit();
}

void TfrmTask::SaveState() {
    RegIni& ini = env_.ini;
    RegIni::Batch batch(ini, kTask);
    WriteWindowPosition(ini, kTask, frameGeometry().topLeft());
    ini.WriteInteger(kTask, QStringLiteral("Index"), PictureIndex);
    ini.WriteInteger(kTask, QStringLiteral("Default"), cboGroup_->currentIndex());
    if (MyOption.Time.SetWeekday && (MyOption.Time.Option == 0 || MyOption.Time.Option == 1)) {
        ini.WriteInteger(WeekdayKey(env_.today()), QStringLiteral("Index"), PictureIndex);
    }
    ini.WriteInteger(kTime, QStringLiteral("Count"), TimerCount);
    SaveOptions(ini);
    batch.Commit();
}

void TfrmTask::Exit() {
    if (exiting_)
        return;
    exiting_ = true;
    Timer1_->stop();
    if (tray_)
        tray_->hide();
    try {
        SaveState();
    } catch (...) {
        // The program ends all the same; what could not be saved is said.
        ReportError(std::current_exception());
    }
    hide();
    // The picture list and the extension plug-ins stay until the event loop has ended: a
    // log-off that another program calls off must find them still there.
    QCoreApplication::exit(0);
}

void TfrmTask::closeEvent(QCloseEvent* event) {
    // Closing is always allowed, and always the program's end.
    event->accept();
    Exit();
}

void TfrmTask::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized))
        return;
    // Minimising sends the program to the notification area instead of the taskbar.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    QTimer::singleShot(0, this, [this] { RunGuarded([this] { spbtnStartClick(); }); });
}

}  // namespace tesselvane
