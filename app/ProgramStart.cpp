#include "app/ProgramStart.h"
#include "platform/InterfaceLanguage.h"

#include "app/Scheduler.h"
#include "app/TesselvaneApplication.h"
#include "app/TfrmTask.h"
#include "controls/ErrorReport.h"
#include "controls/MessageBoxes.h"
#include "controls/SvgIconEngine.h"
#include "dialogs/TfrmGroup.h"
#include "dialogs/TfrmGroupSet.h"
#include "dialogs/TfrmJump.h"
#include "dialogs/TfrmOption.h"
#include "dialogs/TfrmPreview.h"
#include "dialogs/TfrmSetWeekday.h"
#include "dialogs/TfrmTime.h"
#include "picture/ExtensionPlugins.h"
#include "picture/JpegPrefetch.h"
#include "picture/PluginHost.h"
#include "picture/TDataModule1.h"
#include "picture/Wallpaper.h"
#include "platform/DesktopService.h"
#include "platform/HeapPolicy.h"
#include "platform/RegistryStore.h"
#include "platform/RunningCopyListener.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"
#include "settings/PictureListPrefetch.h"
#include "settings/RegIni.h"
#include "settings/SettingsError.h"
#include "slide/TfrmSlide.h"

#include <QCoreApplication>
#include <QIcon>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tesselvane {

namespace {

// A store that cannot be opened or read at start: said in the general error report, then the
// program ends (there is nothing it could do without its settings).
int reportAtStart(std::exception_ptr error) {
    reportError(error);
    return 1;
}

QtMessageHandler qtMessages = nullptr;

// Qt ends the process with SIGABRT when it cannot reach the screen the session names (an X
// server that is not there, a Wayland socket that is gone): say which, and end with status 1.
void screenUnreachable(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (qtMessages)
            qtMessages(type, context, message);
        return;
    }
    const bool wayland =
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        (qEnvironmentVariableIsEmpty("DISPLAY") ||
         qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("wayland")));
    const QString variable = QLatin1String(wayland ? "WAYLAND_DISPLAY" : "DISPLAY");
    std::fprintf(stderr, "tesselvane: %s\n",
                 qPrintable(interfaceText("ProgramStart", "画面に接続できません: %1=%2")
                                .arg(variable, qEnvironmentVariable(qPrintable(variable)))));
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

QString storeAtStartMessage(const StoreError& e) {
    const QString path = RegistryStore::defaultPath();
    switch (e.kind()) {
        case StoreError::Kind::Damaged:
            return interfaceText("ProgramStart",
                                 "設定のファイル %1 は壊れているか、設定のファイルではありません")
                .arg(path);
        case StoreError::Kind::Newer:
            return interfaceText("ProgramStart",
                                 "設定のファイル %1 は新しい版の Tesselvane が書いたものです")
                .arg(path);
        case StoreError::Kind::ReadOnly:
            return interfaceText("ProgramStart", "設定のファイル %1 に書き込めません").arg(path);
        case StoreError::Kind::Full:
            return interfaceText("ProgramStart", "ディスクがいっぱいで設定を保存できません (%1)")
                .arg(path);
        default:
            return interfaceText("ProgramStart",
                                 "キー \\SOFTWARE\\Morvanti\\TESSEL の作成に失敗しました");
    }
}

int runProgram(int argc, char* argv[], EarlyStart early) {
    if (early.pluginHelper.socket >= 0)
        PluginHost::shared().adopt(early.pluginHelper);
    keepHeapCompact();

    // Made when first needed: a second copy ends before, and the start's picture is read
    // while it is made.
    std::unique_ptr<TesselvaneApplication> application;
    const auto app = [&]() -> TesselvaneApplication& {
        if (!application) {
            qtMessages = qInstallMessageHandler(screenUnreachable);
            application = std::make_unique<TesselvaneApplication>(argc, argv);
            qInstallMessageHandler(qtMessages);
            QApplication::setApplicationName(QStringLiteral("Tesselvane"));
            QApplication::setWindowIcon(svgIcon(QStringLiteral(":/icons/tesselvane.svg")));
            // The window hides while the program is resident; only the exit commands end it.
            QApplication::setQuitOnLastWindowClosed(false);
        }
        return *application;
    };

    std::unique_ptr<RegistryStore> store;
    std::unique_ptr<RegIni> ini;
    try {
        store = std::make_unique<RegistryStore>(RegistryStore::defaultPath());
        ini = std::make_unique<RegIni>(*store);
    } catch (const StoreError& e) {
        app();
        return reportAtStart(std::make_exception_ptr(SettingsError(storeAtStartMessage(e))));
    } catch (...) {
        app();
        return reportAtStart(std::current_exception());
    }

    const std::unique_ptr<SingleInstance> instance =
        early.instance ? std::move(early.instance) : std::make_unique<SingleInstance>();
    if (!instance->isFirst())
        return turnAwaySecondCopy(argc > 1 && QByteArray(argv[1]).toUpper() == "-C");

    try {
        LoadOptions(*ini);
    } catch (...) {
        app();
        return reportAtStart(std::current_exception());
    }
    // The change due at start in a date mode is known before any window exists: its picture
    // is read on a second thread while the application and the windows are built.
    prefetchJpeg(early.prefetch ? std::move(early.prefetch) : prefetchStartPicture());
    prefetchPictureList(std::move(early.pictureList));
    app();

    int status = 0;
    {
        TDataModule1 dataModule1;
        DesktopService desktop(*store);
        desktopService = &desktop;

        std::unique_ptr<TfrmTask> frmTask;
        try {
            TfrmTask::Environment environment{*store, *ini, QApplication::arguments().mid(1),
                                              [] { return QDate::currentDate(); }, RandomDraw()};
            frmTask = std::make_unique<TfrmTask>(std::move(environment));
        } catch (...) {
            return reportAtStart(std::current_exception());
        }
        TfrmTask& task = *frmTask;
        applicationWindow = task.winId();
        // The dialogs are made when first opened and then live as long as the main window,
        // only shown and hidden: a run that only changes the wallpaper never builds one (nor
        // brings up the font machinery their controls need).
        std::unique_ptr<TfrmSetWeekday> frmSetWeekday;
        std::unique_ptr<TfrmTime> frmTime;
        std::unique_ptr<TfrmSlide> frmSlide;
        std::unique_ptr<TfrmOption> frmOption;
        std::unique_ptr<TfrmJump> frmJump;
        std::unique_ptr<TfrmPreview> frmPreview;
        std::unique_ptr<TfrmGroupSet> frmGroupSet;
        std::unique_ptr<TfrmGroup> frmGroup;
        // A dialog blocks the window that opens it, and that window's opener, as the toolbar's
        // dialogs block the toolbar: the icon's menu and the jump dialog stay usable beside
        // them, and so does the preview window beside the group contents dialog. (The windows
        // are deleted before their openers, in closeDialogs.)
        const auto modalTo = [](QDialog& dialog, QWidget* opener) {
            dialog.setParent(opener, dialog.windowFlags());
            dialog.setWindowModality(Qt::WindowModal);
        };
        task.openGroupDialog = [&] {
            if (!frmGroup) {
                frmPreview = std::make_unique<TfrmPreview>(*ini);
                frmGroupSet = std::make_unique<TfrmGroupSet>(*ini, *frmPreview);
                frmGroup = std::make_unique<TfrmGroup>(*ini, *frmGroupSet);
                modalTo(*frmGroup, &task);
                modalTo(*frmGroupSet, frmGroup.get());
            }
            frmGroup->exec();
        };
        task.openTimeDialog = [&] {
            if (!frmTime) {
                frmSetWeekday = std::make_unique<TfrmSetWeekday>(*ini, *task.groupBox());
                frmTime = std::make_unique<TfrmTime>(*ini, *frmSetWeekday);
                modalTo(*frmTime, &task);
                modalTo(*frmSetWeekday, frmTime.get());
            }
            frmTime->exec();
        };
        task.openSlideShow = [&] {
            if (!frmSlide) {
                frmSlide = std::make_unique<TfrmSlide>();
                modalTo(*frmSlide, &task);
            }
            frmSlide->exec();
        };
        task.openOptionDialog = [&] {
            if (!frmOption) {
                frmOption = std::make_unique<TfrmOption>();
                modalTo(*frmOption, &task);
            }
            frmOption->exec();
        };
        task.openJumpDialog = [&] {
            if (!frmJump)
                frmJump = std::make_unique<TfrmJump>(*ini, *task.groupBox(),
                                                     [&task] { task.cboGroupChange(); });
            frmJump->showJump();
        };
        // Gone before the main window whose group box some of them copy.
        const auto closeDialogs = [&] {
            frmGroupSet.reset();
            frmGroup.reset();
            frmPreview.reset();
            frmJump.reset();
            frmOption.reset();
            frmSlide.reset();
            frmSetWeekday.reset();
            frmTime.reset();
        };

        TerminationSignals termination([&task] { task.endProgram(); });
        // A second start brings the program forward, wherever it is, or gives it a command.
        RunningCopyListener secondStart(
            [&task](RunningCopyRequest request, const RunningCopyListener::Reply& reply) {
                task.runRemoteCommand(request, reply);
            },
            early.listening);
        // A log-off first asks whether we may end: save now, since it may be called off.
        QObject::connect(&app(), &QGuiApplication::commitDataRequest, &task,
                         [&task](QSessionManager&) { runGuarded([&task] { task.saveState(); }); });

        if (task.ShowMainWindowAtStart())
            task.show();
        // The first idle moment: the windows exist and the queue is empty.
        QTimer::singleShot(0, &task, [&task] { runGuarded([&task] { task.AppIdle(); }); });
        status = app().exec();

        // Only now, with the event loop over, go the picture list and the plug-ins.
        closeDialogs();
        frmTask.reset();
        PictureList.clear();
        FreePlugIns();
        applicationWindow = 0;
        desktopService = nullptr;
    }
    ini.reset();
    store.reset();
    // Everything is saved and the store is closed. Destroying the application object would
    // first bring up Qt's font machinery (a run that only changed the wallpaper never used
    // it) just to shut it down again: the process ends here instead.
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace tesselvane
