#include "NextModal.h"
#include "ProgramFixture.h"
#include "TestFolders.h"
#include "WaitUntil.h"
#include "app/TfrmTask.h"
#include "controls/ErrorReport.h"
#include "controls/MessageBoxes.h"
#include "picture/TDataModule1.h"
#include "picture/Wallpaper.h"
#include "platform/DesktopService.h"
#include "platform/InterfaceLanguage.h"
#include "platform/RegistryStore.h"
#include "platform/Screen.h"
#include "platform/Sound.h"
#include "settings/Groups.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"
#include "settings/RegIni.h"
#include "slide/TMorvSlide.h"
#include "slide/TfrmSlide.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <optional>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::ElementsAre;
using State = TfrmTask::State;

namespace {

class TfrmTaskTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        PictureList.clear();
        PictureIndex = -1;
        CurrentFile.clear();
        TimerCount = 0;
    }
    void TearDown() override {
        task_.reset();
        dataModule_.reset();
        ProgramFixture::TearDown();
    }

    void group(const QString& name, const QStringList& files) {
        QStringList names = readGroupNames(*ini_);
        if (!names.contains(name)) {
            names.append(name);
            SaveGroupNames(*ini_, names);
        }
        SaveGroup(*ini_, name, GroupKind::FileList, QString(), files);
    }

    void set(const QString& section, const QString& ident, const QString& value) {
        ini_->WriteString(section, ident, value);
    }

    // The window as the program creates it: options loaded first, the data module before it.
    TfrmTask& create(QStringList arguments = {}, std::deque<int> draws = {}) {
        LoadOptions(*ini_, MyOption, QStringLiteral("/nonexistent-program-folder/"));
        dataModule_ = std::make_unique<TDataModule1>();
        draws_ = std::move(draws);
        TfrmTask::Environment env{*store_,
                                  *ini_,
                                  std::move(arguments),
                                  [this] { return today_; },
                                  [this](int count) {
                                      drawCounts_.push_back(count);
                                      const int v = draws_.empty() ? 0 : draws_.front();
                                      if (!draws_.empty())
                                          draws_.pop_front();
                                      return v;
                                  },
                                  [this] { return trayPresent_; },
                                  [this](const QString&, const QString& text) {
                                      notified_.append(text);
                                      return notificationService_;
                                  }};
        task_ = std::make_unique<TfrmTask>(std::move(env));
        return *task_;
    }

    // The colour of the wallpaper last applied; black for "no wallpaper".
    QRgb shown() {
        if (calls_->isEmpty() || calls_->last().file.isEmpty())
            return qRgb(0, 0, 0);
        return QImage(WallpaperFile()).pixel(0, 0);
    }

    QToolButton* button(const char* name) {
        return task_->findChild<QToolButton*>(QLatin1String(name));
    }
    void trigger(const char* item) { task_->menuItem(item)->trigger(); }

    std::unique_ptr<TDataModule1> dataModule_;
    std::unique_ptr<TfrmTask> task_;
    QDate today_{2026, 7, 4};  // a Saturday
    std::deque<int> draws_;
    std::vector<int> drawCounts_;
    bool trayPresent_ = true;           // whether a notification area can show the icon
    bool notificationService_ = false;  // whether the desktop shows notifications
    QStringList notified_;
};

TEST_F(TfrmTaskTest, TheToolbarAsDesigned) {
    TfrmTask& task = create();
    EXPECT_EQ(task.windowTitle(), "Tesselvane");
    EXPECT_EQ(task.size(), QSize(397, 31));
    EXPECT_EQ(task.minimumSize(), task.maximumSize());
    const std::pair<const char*, std::pair<int, const char*>> expected[] = {
        {"spbtnExit", {4, "終了"}},
        {"spbtnStart", {32, "開始"}},
        {"spbtnGroup", {56, "ｸﾞﾙｰﾌﾟの編集"}},
        {"spbtnTime", {84, "時間の設定"}},
        {"spbtnTile", {112, "画面全体に表示"}},
        {"spbtnCenter", {136, "中央に表示"}},
        {"spbtnSlide", {164, "ｽﾗｲﾄﾞ"}},
        {"spbtnOption", {340, "ｵﾌﾟｼｮﾝ"}},
        {"spbtnHelp", {368, "ﾍﾙﾌﾟ"}},
    };
    for (const auto& [name, where] : expected) {
        QToolButton* b = button(name);
        ASSERT_TRUE(b) << name;
        EXPECT_EQ(b->x(), where.first) << name;
        EXPECT_EQ(b->size(), QSize(25, 25)) << name;
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(where.second)) << name;
        EXPECT_TRUE(b->autoRaise()) << name;
        EXPECT_FALSE(b->icon().isNull()) << name;
    }
    EXPECT_EQ(task.groupBox()->x(), 195);
    EXPECT_EQ(task.groupBox()->width(), 142);
    EXPECT_FALSE(task.groupBox()->isEditable());
    QStringList captions;
    for (QAction* a : task.popupMenu()->actions())
        captions.append(a->isSeparator() ? "-" : a->text());
    EXPECT_THAT(captions, ElementsAre("元のｻｲｽﾞに戻す(&R)", "-", "次へ(&N)", "前へ(&P)",
                                      "ジャンプ(&J)", "-", "一時停止(&S)", "-", "再表示(&F)",
                                      "壁紙を消す(&C)", "-", "バージョン情報...(&I)", "終了(&Z)"));
}

// Without Qt's own SVG plug-ins (a system that lacks them) the buttons still show their pictures.
TEST_F(TfrmTaskTest, TheButtonsArePaintedWithoutQtsImagePlugins) {
    const QStringList paths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({scratchFolder()});
    TfrmTask& task = create();
    for (QToolButton* b : task.findChildren<QToolButton*>()) {
        const QImage icon = b->icon().pixmap(16, 16).toImage();
        int opaque = 0;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x)
                opaque += qAlpha(icon.pixel(x, y)) > 128 ? 1 : 0;
        }
        EXPECT_GT(opaque, 16) << b->objectName().toStdString();
    }
    QCoreApplication::setLibraryPaths(paths);
}

TEST_F(TfrmTaskTest, InEnglishTheToolbarTheMenuADialogAndAMessageAreEnglish) {
    for (const char* language : {"en", "ja"}) {
        SCOPED_TRACE(language);
        qputenv("TESSELVANE_LANG", language);
        QObject texts;
        installInterfaceTexts(&texts);
        const bool english = std::string(language) == "en";
        TfrmTask& task = create();
        EXPECT_EQ(button("spbtnStart")->accessibleName(), english ? "Start" : "開始");
        EXPECT_EQ(button("spbtnGroup")->toolTip(), english ? "Edit groups" : "ｸﾞﾙｰﾌﾟの編集");
        EXPECT_EQ(task.menuItem("pmnuNext")->text(), english ? "&Next" : "次へ(&N)");
        EXPECT_EQ(QCoreApplication::translate("TfrmOption", "オプション"),
                  english ? "Options" : "オプション");
        EXPECT_EQ(QCoreApplication::translate("BmpReader", "ビットマップ画像 %1 は不正です"),
                  english ? "The bitmap %1 is invalid" : "ビットマップ画像 %1 は不正です");
        // Qt's own texts: English already, or Japanese beside the Japanese interface.
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:") == "Look in:", english);
        task_.reset();
    }
    qunsetenv("TESSELVANE_LANG");
}

TEST_F(TfrmTaskTest, AFirstRunShowsTheToolbarAndChangesNothing) {
    TfrmTask& task = create();
    EXPECT_TRUE(task.ShowMainWindowAtStart());
    EXPECT_EQ(task.pos(), QPoint(0, 0));
    EXPECT_EQ(task.groupBox()->currentIndex(), -1);
    task.show();
    task.AppIdle();
    EXPECT_TRUE(calls_->isEmpty());
    EXPECT_EQ(task.currentState(), State::Visible);
    EXPECT_FALSE(task.trayIcon());
}

TEST_F(TfrmTaskTest, CreationRestoresWhatTheLastRunSaved) {
    group("a", {picture("a1.bmp", Qt::red)});
    group("b", {picture("b1.bmp", Qt::green), picture("b2.bmp", Qt::blue),
                picture("b3.bmp", Qt::yellow)});
    set("Task", "Left", "120");
    set("Task", "Top", "80");
    set("Task", "Default", "1");
    set("Task", "Index", "7");  // past the end of three: starts again at 0
    set("Time", "Count", "2");
    store_->setValue("Control Panel\\Desktop", RegValue::text("TileWallpaper", "0"));
    TfrmTask& task = create();
    EXPECT_EQ(task.pos(), QPoint(120, 80));
    EXPECT_EQ(task.groupBox()->currentText(), "b");
    EXPECT_EQ(PictureList.size(), 3);
    EXPECT_EQ(PictureIndex, 0);
    EXPECT_EQ(TimerCount, 2);
    EXPECT_FALSE(task.tileDown());
    EXPECT_FALSE(task.ShowMainWindowAtStart());  // a group is selected: resident at once
}

TEST_F(TfrmTaskTest, StoredPositionsOutOfRangeAndIndexesAtTheEdges) {
    group("a", {picture("a1.bmp", Qt::red)});
    set("Task", "Default", "5");
    set("Task", "Index", "-1");
    store_->setValue("Control Panel\\Desktop", RegValue::text("TileWallpaper", "2"));
    TfrmTask& task = create();
    EXPECT_EQ(task.groupBox()->currentIndex(), -1);
    EXPECT_TRUE(PictureList.isEmpty());
    EXPECT_EQ(PictureIndex, -1);   // -1 stays -1
    EXPECT_TRUE(task.tileDown());  // left as designed
    EXPECT_TRUE(task.ShowMainWindowAtStart());
}

TEST_F(TfrmTaskTest, TheWeekdaysGroupIsTakenWhenItExists) {
    group("weekend", {picture("w1.bmp", Qt::red), picture("w2.bmp", Qt::green)});
    group("work", {picture("k1.bmp", Qt::blue)});
    set("Time", "SetWeekday", "1");
    set("Task", "Default", "1");
    set("Time\\Saturday", "GroupName", "WEEKEND");
    set("Time\\Saturday", "Index", "1");
    create();
    EXPECT_EQ(task_->groupBox()->currentText(), "weekend");
    EXPECT_EQ(PictureIndex, 1);
    task_.reset();

    // A weekday naming a group that is gone: the stored group and index stay.
    set("Time\\Saturday", "GroupName", "holidays");
    set("Task", "Index", "0");
    create();
    EXPECT_EQ(task_->groupBox()->currentText(), "work");
    EXPECT_EQ(PictureIndex, 0);
}

TEST_F(TfrmTaskTest, StartWithoutAGroupWarnsAndStays) {
    TfrmTask& task = create();
    task.show();
    button("spbtnStart")->click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].kind, MessageKind::Warning);
    EXPECT_EQ(boxes_[0].caption, "警告");
    EXPECT_EQ(boxes_[0].text, "グループを選択してください。");
    EXPECT_EQ(task.currentState(), State::Visible);
    button("spbtnSlide")->click();
    EXPECT_EQ(boxes_.size(), 2u);
}

TEST_F(TfrmTaskTest, TheSlideButtonShowsTheCurrentGroupModally) {
    group("g", {picture("1.bmp", Qt::red), picture("2.bmp", Qt::green)});
    group("other", {picture("3.bmp", Qt::blue)});
    TfrmTask& task = create();
    TfrmSlide frmSlide;
    task.openSlideShow = [&frmSlide] { frmSlide.exec(); };
    task.show();
    task.groupBox()->setCurrentIndex(0);
    task.cboGroupChange();
    bool shown = false;
    onNextModal([&](QWidget* modal) {
        shown = true;
        EXPECT_EQ(modal, &frmSlide);
        EXPECT_EQ(frmSlide.MorvSlide1->Files(), PictureList);
        EXPECT_EQ(frmSlide.MorvSlide1->picture().pixelColor(0, 0), QColor(Qt::red));
        frmSlide.mnuExit->trigger();
    });
    button("spbtnSlide")->click();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(frmSlide.isVisible());
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(task.currentState(), State::Visible);
}

TEST_F(TfrmTaskTest, StartGoesResidentAndRunsTheTimerInIntervalModeOnly) {
    group("g", {picture("1.bmp", Qt::red)});
    set("Time", "Option", "1");
    set("Time", "Scale", "1");
    TfrmTask& task = create();
    task.groupBox()->setCurrentIndex(0);
    task.show();
    task.spbtnStartClick();
    EXPECT_EQ(task.currentState(), State::Resident);
    EXPECT_TRUE(task.timer()->isActive());
    EXPECT_EQ(task.timer()->interval(), 60000);
    ASSERT_TRUE(task.trayIcon());
    EXPECT_EQ(task.trayIcon()->toolTip(), "TesselvaneMain");
    EXPECT_TRUE(calls_->isEmpty());  // starting never changes the wallpaper

    task.pmnuResizeClick();
    EXPECT_EQ(task.currentState(), State::Visible);
    EXPECT_FALSE(task.timer()->isActive());

    MyOption.Time.Option = 0;
    task.spbtnStartClick();
    EXPECT_FALSE(task.timer()->isActive());
}

TEST_F(TfrmTaskTest, MinimisingSendsTheProgramToTheNotificationArea) {
    group("g", {picture("1.bmp", Qt::red)});
    TfrmTask& task = create();
    task.groupBox()->setCurrentIndex(0);
    task.show();
    task.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(waitUntil([&] { return task.currentState() == State::Resident; }));
    EXPECT_FALSE(task.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(task.isVisible());
}

TEST_F(TfrmTaskTest, WithoutANotificationAreaTheResidentToolbarStaysIconifiedInTheTaskbar) {
    group("g", {picture("1.bmp", Qt::red)});
    set("Time", "Option", "1");
    trayPresent_ = false;
    TfrmTask& task = create();
    task.groupBox()->setCurrentIndex(0);
    task.show();

    // Minimising is the start command; it must not run again for the toolbar it iconifies.
    // (This platform, like a tiling window manager, cannot iconify: the toolbar stays in
    // sight, and the program resident.)
    task.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(waitUntil([&] { return task.currentState() == State::Resident; }));
    EXPECT_TRUE(task.toolbarIconified());
    EXPECT_TRUE(task.isVisible());
    EXPECT_TRUE(task.timer()->isActive());
    EXPECT_TRUE(boxes_.empty());

    // A notification area that appears while the program waits for one takes the icon, and
    // the toolbar leaves the taskbar.
    trayPresent_ = true;
    EXPECT_TRUE(waitUntil([&] { return !task.isVisible(); }));
    EXPECT_FALSE(task.toolbarIconified());
    EXPECT_EQ(task.currentState(), State::Resident);
    EXPECT_TRUE(task.trayIcon()->isVisible());
}

TEST_F(TfrmTaskTest, ASecondStartBringsTheToolbarBack) {
    group("g", {picture("1.bmp", Qt::red)});
    set("Time", "Option", "1");
    TfrmTask& task = create();
    task.groupBox()->setCurrentIndex(0);
    task.spbtnStartClick();
    ASSERT_EQ(task.currentState(), State::Resident);
    task.bringForward();
    EXPECT_EQ(task.currentState(), State::Visible);
    EXPECT_TRUE(task.isVisible());
    EXPECT_FALSE(task.timer()->isActive());
    EXPECT_FALSE(task.trayIcon()->isVisible());
    // Asked again while shown, it stays as it is.
    task.bringForward();
    EXPECT_EQ(task.currentState(), State::Visible);
}

TEST_F(TfrmTaskTest, AStartUpChangeThatFailsIsSaidAndTheStartGoesOn) {
    QFile bad(scratchFolder() + "bad.bmp");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM not a bitmap");
    bad.close();
    group("g", {scratchFolder() + "bad.bmp"});
    set("Task", "Default", "0");
    set("Time", "Option", "0");

    // Resident at once: the error is said where nobody needs to answer it. With no
    // notification area for the icon's balloon: a desktop notification, else a box that
    // blocks nothing.
    trayPresent_ = false;
    notificationService_ = true;
    TfrmTask* task = &create();
    task->AppIdle();
    EXPECT_EQ(task->currentState(), State::Resident);
    EXPECT_TRUE(task->toolbarIconified());
    ASSERT_EQ(notified_.size(), 1);
    EXPECT_TRUE(notified_[0].contains("bad.bmp"));
    EXPECT_TRUE(boxes_.empty());
    task_.reset();
    notificationService_ = false;
    task = &create();
    task->AppIdle();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].kind, MessageKind::Report);
    EXPECT_EQ(task->currentState(), State::Resident);
    task_.reset();
    boxes_.clear();

    // Changing once, the program ends after the box, and says by its status that it failed.
    task = &create({"-C"});
    QTimer::singleShot(0, task, [task] { task->AppIdle(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 1);
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(ini_->ReadString("Task", "Index", ""), "0");  // saved all the same
}

TEST_F(TfrmTaskTest, ADesktopThatRefusesEveryChangeIsSaidOnceAndTheChangesGoOnTrying) {
    group("g", {picture("1.bmp", Qt::red), picture("2.bmp", Qt::green)});
    set("Task", "Default", "0");
    set("Time", "Option", "1");
    set("Time", "Value", "1");
    recording_->failWith = "locked by policy";
    recording_->refuse = true;
    trayPresent_ = false;
    notificationService_ = true;
    TfrmTask& task = create();
    task.AppIdle();
    ASSERT_EQ(task.currentState(), State::Resident);
    auto* timer = task.findChild<QTimer*>("Timer1");
    for (int tick = 0; tick < 3; ++tick)
        QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_EQ(notified_, QStringList{"locked by policy."});
    recording_->failWith.reset();
    QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_EQ(calls_->size(), 1);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(TfrmTaskTest, PauseKeepsTheCountAndChangesTheTip) {
    group("g", {picture("1.bmp", Qt::red)});
    set("Time", "Option", "1");
    TfrmTask& task = create();
    task.groupBox()->setCurrentIndex(0);
    task.spbtnStartClick();
    TimerCount = 1;
    trigger("pmnuStop");
    EXPECT_EQ(task.currentState(), State::Paused);
    EXPECT_EQ(task.trayIcon()->toolTip(), "TesselvaneMain(停止中)");
    EXPECT_TRUE(task.menuItem("pmnuStop")->isChecked());
    trigger("pmnuStop");
    EXPECT_EQ(task.currentState(), State::Resident);
    EXPECT_EQ(task.trayIcon()->toolTip(), "TesselvaneMain");
    EXPECT_EQ(TimerCount, 1);
}

TEST_F(TfrmTaskTest, TheMenuIsPreparedForTheMode) {
    TfrmTask& task = create();
    const auto enabled = [&](const char* item) { return task.menuItem(item)->isEnabled(); };
    for (int mode = 0; mode <= 5; ++mode) {
        for (const bool random : {false, true}) {
            MyOption.Time.Option = mode;
            MyOption.Random = random;
            task.PopupMenu1Popup();
            EXPECT_EQ(enabled("pmnuStop"), mode == 1) << mode;
            EXPECT_EQ(enabled("pmnuNext"), mode <= 1) << mode;
            EXPECT_EQ(enabled("pmnuBack"), mode <= 1 && !random) << mode << random;
            for (const char* always :
                 {"pmnuResize", "pmnuJump", "N5", "pmnuClear", "About1", "pmnuExit"}) {
                EXPECT_TRUE(enabled(always)) << always;
            }
        }
    }
}

TEST_F(TfrmTaskTest, TheToolbarsMenuIsTheIconsMenuPreparedTheSameWay) {
    set("Time", "Option", "2");
    TfrmTask& task = create();
    task.show();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10),
                            task.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(task.findChild<QToolButton*>("spbtnGroup"), &click);
    ASSERT_TRUE(QTest::qWaitFor([&] { return task.popupMenu()->isVisible(); }));
    EXPECT_FALSE(task.menuItem("pmnuNext")->isEnabled());  // a date mode
    task.popupMenu()->close();
}

TEST_F(TfrmTaskTest, CommandsFromASecondStartDoWhatTheMenuAllows) {
    const QStringList files{picture("1.bmp", Qt::red), picture("2.bmp", Qt::green)};
    group("g", files);
    set("Task", "Default", "0");
    set("Time", "Option", "1");
    set("Time", "Scale", "2");  // seconds
    set("Time", "Value", "5");
    TfrmTask& task = create();
    task.AppIdle();  // resident, the timer running, no change at start
    const auto ask = [&task](RunningCopyRequest request) {
        std::optional<RunningCopyAnswer> answer;
        task.runRemoteCommand(request, [&answer](const RunningCopyAnswer& a) { answer = a; });
        return answer.value_or(RunningCopyAnswer{.done = false, .error = "unanswered"});
    };
    const auto status = [&] {
        QMap<QString, QString> values;
        for (const auto& [key, value] : ask(RunningCopyRequest::Status).status)
            values.insert(key, value);
        return values;
    };
    EXPECT_TRUE(ask(RunningCopyRequest::Next).done);
    EXPECT_TRUE(ask(RunningCopyRequest::Next).done);
    EXPECT_EQ(shown(), qRgb(0, 255, 0));
    EXPECT_TRUE(ask(RunningCopyRequest::Previous).done);
    EXPECT_EQ(shown(), qRgb(255, 0, 0));

    // Each says the state it wants: asked twice, it stays.
    for (int twice = 0; twice < 2; ++twice)
        EXPECT_TRUE(ask(RunningCopyRequest::Pause).done);
    EXPECT_EQ(task.currentState(), State::Paused);
    EXPECT_EQ(status(), (QMap<QString, QString>{{"group", "g"},
                                                {"picture", files[0]},
                                                {"mode", "1"},
                                                {"paused", "yes"},
                                                {"next", ""}}));
    for (int twice = 0; twice < 2; ++twice)
        EXPECT_TRUE(ask(RunningCopyRequest::Resume).done);
    EXPECT_EQ(task.currentState(), State::Resident);
    // Five ticks of a second from the status on, told to the second.
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime next = QDateTime::fromString(status().value("next"), Qt::ISODate);
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_GT(next, before.addSecs(3));
    EXPECT_LE(next, after.addSecs(5));

    EXPECT_TRUE(ask(RunningCopyRequest::Clear).done);
    EXPECT_TRUE(calls_->last().file.isEmpty());
    EXPECT_TRUE(ask(RunningCopyRequest::Redisplay).done);
    EXPECT_EQ(shown(), qRgb(255, 0, 0));

    // What the menu greys out is refused, with the reason.
    MyOption.Random = true;
    EXPECT_FALSE(ask(RunningCopyRequest::Previous).done);
    MyOption.Time.Option = 2;
    for (const auto greyed : {RunningCopyRequest::Next, RunningCopyRequest::Pause}) {
        const RunningCopyAnswer answer = ask(greyed);
        EXPECT_FALSE(answer.done);
        EXPECT_FALSE(answer.error.isEmpty());
    }
}

TEST_F(TfrmTaskTest, ChangingOnceWithNoGroupToChangeFromEndsAtOnce) {
    TfrmTask* task = &create({"-C"});
    EXPECT_FALSE(task->ShowMainWindowAtStart());
    QTimer::singleShot(0, task, [task] { task->AppIdle(); });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 1);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(TfrmTaskTest, NextAndPreviousWalkTheListAndRecordThePicture) {
    const QStringList files{picture("1.bmp", Qt::red), picture("2.bmp", Qt::green),
                            picture("3.bmp", Qt::blue)};
    group("g", files);
    set("Task", "Default", "0");
    TfrmTask& task = create();
    trigger("pmnuNext");
    EXPECT_EQ(PictureIndex, 0);
    EXPECT_EQ(CurrentFile, files[0]);
    EXPECT_EQ(shown(), qRgb(255, 0, 0));
    trigger("pmnuBack");
    EXPECT_EQ(PictureIndex, 2);
    EXPECT_EQ(shown(), qRgb(0, 0, 255));
    trigger("pmnuNext");
    EXPECT_EQ(PictureIndex, 0);

    // An empty list: nothing happens at all.
    task.groupBox()->setCurrentIndex(-1);
    task.cboGroupChange();
    const auto before = calls_->size();
    trigger("pmnuNext");
    EXPECT_EQ(calls_->size(), before);
    EXPECT_EQ(CurrentFile, files[0]);
}

TEST_F(TfrmTaskTest, RandomOrderDrawsOverOneFewerThanTheList) {
    group("g",
          {picture("1.bmp", Qt::red), picture("2.bmp", Qt::green), picture("3.bmp", Qt::blue)});
    set("Task", "Default", "0");
    set("Option", "Random", "1");
    create({}, {1, 1, 0});
    trigger("pmnuNext");  // -1 -> 1
    trigger("pmnuNext");  // draw 1 equals 1 -> 2
    trigger("pmnuNext");  // draw 0 -> 0
    EXPECT_EQ(PictureIndex, 0);
    EXPECT_THAT(drawCounts_, ElementsAre(2, 2, 2));
}

TEST_F(TfrmTaskTest, DateModesTakeTheDatesFileAndRemoveTheWallpaperWithoutOne) {
    const QString folder = scratchFolder() + "dates/";
    picture("dates/a0704.bmp", Qt::red);
    picture("dates/w007.bmp", Qt::green);  // Saturday
    set("Time", "Path", folder);
    set("Time", "Option", "2");
    TfrmTask& task = create();
    EXPECT_FALSE(task.ShowMainWindowAtStart());
    task.NextPicture(false);
    EXPECT_EQ(CurrentFile, folder + "a0704.bmp");
    EXPECT_EQ(shown(), qRgb(255, 0, 0));
    MyOption.Time.Option = 3;
    task.NextPicture(true);
    EXPECT_EQ(shown(), qRgb(0, 255, 0));
    today_ = QDate(2026, 7, 5);
    MyOption.Time.Option = 2;
    task.NextPicture(false);
    EXPECT_EQ(CurrentFile, "");
    EXPECT_EQ(calls_->last().file, "");
    EXPECT_EQ(PictureIndex, -1);  // the list is not touched
}

TEST_F(TfrmTaskTest, TicksChangeEveryValueUnits) {
    group("g", {picture("1.bmp", Qt::red), picture("2.bmp", Qt::green)});
    set("Task", "Default", "0");
    set("Time", "Option", "1");
    set("Time", "Value", "2");
    TfrmTask& task = create();
    std::vector<int> changesAfterTick;
    for (int tick = 1; tick <= 6; ++tick) {
        task.Timer1Timer();
        changesAfterTick.push_back(static_cast<int>(calls_->size()));
    }
    EXPECT_THAT(changesAfterTick, ElementsAre(0, 1, 1, 2, 2, 3));
    MyOption.Time.Value = 0;
    task.Timer1Timer();
    task.Timer1Timer();
    EXPECT_EQ(calls_->size(), 5);
}

TEST_F(TfrmTaskTest, ATickDuringAChangeWaitsForIt) {
    group("g", {picture("1.bmp", Qt::red), picture("2.bmp", Qt::green)});
    set("Task", "Default", "0");
    set("Time", "Option", "1");
    set("Time", "Value", "1");
    set("Option", "UseSound", "1");
    set("Option", "SoundFile", "/x.wav");
    TfrmTask& task = create();
    task.groupBox()->setCurrentIndex(0);
    task.spbtnStartClick();
    bool first = true;
    // The sound plays in a local event loop; three ticks fall due during the first change.
    setSoundObserver([&](const QString&) {
        if (!std::exchange(first, false))
            return;
        for (int i = 0; i < 3; ++i)
            task.Timer1Timer();
    });
    task.Timer1Timer();
    setSoundObserver({});
    // One change, then the one waiting tick: two changes, not four.
    EXPECT_EQ(calls_->size(), 2);
}

TEST_F(TfrmTaskTest, RedisplayClearAndDroppedFiles) {
    const QString red = picture("1.bmp", Qt::red);
    group("g", {red});
    set("Task", "Default", "0");
    create();
    trigger("pmnuNext");
    trigger("pmnuClear");
    EXPECT_EQ(calls_->last().file, "");
    EXPECT_EQ(CurrentFile, red);  // stays
    EXPECT_EQ(PictureIndex, 0);
    trigger("N5");
    EXPECT_EQ(shown(), qRgb(255, 0, 0));

    const QString blue = picture("long/" + QString(200, u'x') + "/blue.bmp", Qt::blue);
    task_->dropFiles({blue, picture("green.bmp", Qt::green)});
    EXPECT_EQ(shown(), qRgb(0, 0, 255));  // the first only, whatever its length
    EXPECT_EQ(CurrentFile, red);
}

TEST_F(TfrmTaskTest, TileAndCentreRenderTheDesktopsWallpaperAgain) {
    const QString red = picture("1.bmp", Qt::red);
    store_->setValue("Control Panel\\Desktop", RegValue::text("Wallpaper", red));
    TfrmTask& task = create();
    store_->setValue("Control Panel\\Desktop", RegValue::text("TileWallpaper", "1"));
    task.spbtnTileClick();
    EXPECT_TRUE(calls_->isEmpty());  // already tiled: nothing at all
    task.spbtnCenterClick();
    ASSERT_EQ(calls_->size(), 1);
    EXPECT_EQ(calls_->last().style, WallpaperStyle::Centered);
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "TileWallpaper")->toText(), "0");
    task.spbtnTileClick();
    EXPECT_EQ(calls_->last().style, WallpaperStyle::Tiled);
    EXPECT_EQ(shown(), qRgb(255, 0, 0));
}

// Assistive technology toggles the pair's buttons without a click; the stored arrangement
// shown at creation is no command.
TEST_F(TfrmTaskTest, ThePairActsWhenAButtonGoesDownHoweverItGoesDown) {
    store_->setValue("Control Panel\\Desktop", RegValue::text("TileWallpaper", "1"));
    TfrmTask& task = create();
    EXPECT_TRUE(button("spbtnTile")->isChecked());
    EXPECT_TRUE(calls_->isEmpty());
    button("spbtnCenter")->toggle();
    EXPECT_FALSE(button("spbtnTile")->isChecked());
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "TileWallpaper")->toText(), "0");
    button("spbtnCenter")->click();  // already down: stays down, changes nothing
    EXPECT_TRUE(button("spbtnCenter")->isChecked());
    button("spbtnTile")->click();
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "TileWallpaper")->toText(), "1");
    EXPECT_EQ(task.tileDown(), true);
}

TEST_F(TfrmTaskTest, ExitSavesEverythingTheWindowKeeps) {
    group("a", {picture("1.bmp", Qt::red)});
    group("b", {picture("2.bmp", Qt::green), picture("3.bmp", Qt::blue)});
    set("Time", "SetWeekday", "1");
    TfrmTask& task = create();
    task.move(33, 44);
    task.groupBox()->setCurrentIndex(1);
    task.cboGroupChange();
    task.NextPicture(false);
    task.NextPicture(false);
    TimerCount = 5;
    MyOption.Random = true;
    trigger("pmnuExit");
    const auto read = [&](const char* section, const char* ident) {
        return ini_->ReadString(section, ident, "-");
    };
    EXPECT_EQ(read("Task", "Index"), "1");
    EXPECT_EQ(read("Task", "Default"), "1");
    EXPECT_EQ(read("Time", "Count"), "5");
    EXPECT_EQ(read("Option", "Random"), "1");
    EXPECT_EQ(read("Time\\Saturday", "Index"), "1");
    EXPECT_NE(read("Task", "Left"), "-");
}

TEST_F(TfrmTaskTest, TheStartupActionOfEachMode) {
    const QStringList files{picture("1.bmp", Qt::red), picture("2.bmp", Qt::green)};
    group("g", files);
    set("Task", "Default", "0");
    set("Task", "Index", "1");

    // Mode 1 without TimeBoot: no change, the stored picture is the current one.
    set("Time", "Option", "1");
    TfrmTask* task = &create({"-c"});
    task->AppIdle();
    EXPECT_TRUE(calls_->isEmpty());
    EXPECT_EQ(CurrentFile, files[1]);
    EXPECT_EQ(task->currentState(), State::Resident);  // "-C" means nothing in mode 1
    EXPECT_TRUE(task->timer()->isActive());
    task_.reset();

    // Mode 1 with TimeBoot: the next picture at once.
    set("Time", "TimeBoot", "1");
    task = &create();
    task->AppIdle();
    EXPECT_EQ(shown(), qRgb(255, 0, 0));
    task_.reset();

    // Mode 0: the next picture, then resident; with "-C" the program ends after saving.
    set("Time", "Option", "0");
    set("Task", "Index", "0");
    task = &create({"-C"});
    task->AppIdle();
    EXPECT_EQ(shown(), qRgb(0, 255, 0));
    EXPECT_EQ(ini_->ReadString("Task", "Index", ""), "1");
    EXPECT_FALSE(task->trayIcon());
}

TEST_F(TfrmTaskTest, ChangingOnceFromAFolderGroupTakesTheNextPictureOfTheSortedList) {
    const QString folder = scratchFolder() + "album";
    picture("album/b.bmp", Qt::green);
    picture("album/A.bmp", Qt::red);
    picture("album/sub/a2.bmp", Qt::blue);
    SaveGroupNames(*ini_, {"album"});
    SaveGroup(*ini_, "album", GroupKind::Folder, folder, {});
    set("Task", "Default", "0");
    set("Time", "Option", "0");
    // A.bmp, b.bmp, sub/a2.bmp: from each index the next one, and round to the first.
    const std::pair<const char*, QRgb> steps[] = {
        {"0", qRgb(0, 255, 0)}, {"1", qRgb(0, 0, 255)}, {"2", qRgb(255, 0, 0)}};
    for (const auto& [index, colour] : steps) {
        set("Task", "Index", index);
        TfrmTask& task = create({"-C"});
        task.AppIdle();
        EXPECT_EQ(shown(), colour) << index;
        EXPECT_EQ(ini_->ReadString("Task", "Index", ""), QString::number((atoi(index) + 1) % 3));
        EXPECT_EQ(CurrentFile.section('/', -1),
                  QStringList({"b.bmp", "a2.bmp", "A.bmp"})[atoi(index)]);
        task_.reset();
    }
}

TEST_F(TfrmTaskTest, AnErrorInACommandIsReportedAndTheProgramGoesOn) {
    QFile bad(scratchFolder() + "bad.bmp");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM not a bitmap");
    bad.close();
    group("g", {scratchFolder() + "bad.bmp", picture("ok.bmp", Qt::red)});
    set("Task", "Default", "0");
    TfrmTask& task = create();
    task.show();
    trigger("pmnuNext");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].kind, MessageKind::Report);
    EXPECT_EQ(boxes_[0].caption, "Tesselvane");
    EXPECT_EQ(boxes_[0].text, "ビットマップ画像 " + scratchFolder() + "bad.bmp は不正です。");
    trigger("pmnuNext");
    EXPECT_EQ(shown(), qRgb(255, 0, 0));
    EXPECT_EQ(task.currentState(), State::Visible);
}

}  // namespace
