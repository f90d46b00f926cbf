// The main window's commands: choosing and applying pictures, the toolbar and the menu.

#include "app/TfrmTask.h"

#include "controls/ErrorReport.h"
#include "controls/ManualHelp.h"
#include "controls/MessageBoxes.h"
#include "dialogs/TVersionInfo.h"
#include "picture/Wallpaper.h"
#include "platform/DesktopService.h"
#include "settings/Groups.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"
#include "settings/RegIni.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace tesselvane {

namespace {

// Marks a change under way, so that a tick falling due meanwhile (the sound plays in a local
// event loop) waits for it instead of starting a second one.
class ChangeUnderWay {
public:
    explicit ChangeUnderWay(bool& flag) : flag_(flag) { flag_ = true; }
    ~ChangeUnderWay() { flag_ = false; }

private:
    bool& flag_;
};

}  // namespace

void TfrmTask::NextPicture(bool back) {
    ChangeUnderWay underWay(changing_);
    if (changesByDate(MyOption.Time)) {
        const QString path =
            datePicturePath(MyOption.Time.Path, scheduleMode(MyOption.Time), env_.today());
        attempted_ = path;
        ChangeWallpaper(path);
        CurrentFile = path;
        return;
    }
    if (pictureCount() == 0)
        return;
    PictureIndex = nextListIndex(static_cast<int>(pictureCount()), PictureIndex, MyOption.Random,
                                 back, env_.random);
    const QStringList files = changeFiles(PictureIndex);
    attempted_ = files.first();
    currentFiles_.clear();
    changeWallpapers(files);
    CurrentFile = files.first();
    currentFiles_ = files;
}

QStringList TfrmTask::changeFiles(int primary) {
    const auto at = [this](int i) {
        return startListing_ ? startListing_->at(i) : PictureList.at(i);
    };
    QStringList files{at(primary)};
    const int others = picturesPerChange() - 1;
    if (others <= 0)
        return files;
    otherIndices_ = otherMonitorIndices(static_cast<int>(pictureCount()), primary, others,
                                        MyOption.Random, otherIndices_, env_.random);
    for (const int i : otherIndices_)
        files.append(at(i));
    return files;
}

void TfrmTask::redrawOwnPictures() {
    const int count = static_cast<int>(pictureCount());
    if (currentFiles_.size() < 2 || PictureIndex < 0 || PictureIndex >= count)
        return;
    const qsizetype wanted = picturesPerChange();
    if (wanted > currentFiles_.size()) {
        // The monitors there were keep their pictures; a new one gets one of its own.
        const std::vector<int> kept = otherIndices_;
        const QStringList shown = currentFiles_;
        currentFiles_ = changeFiles(PictureIndex);
        for (qsizetype k = 1; k < shown.size() && k < currentFiles_.size(); ++k) {
            currentFiles_[k] = shown[k];
            if (size_t(k - 1) < kept.size())
                otherIndices_[size_t(k - 1)] = kept[size_t(k - 1)];
        }
    }
    ChangeUnderWay underWay(changing_);
    changeWallpapers(currentFiles_);
}

void TfrmTask::Timer1Timer() {
    if (changing_) {
        // At most one tick waits; the rest of a long change delays the count.
        tickPending_ = true;
        return;
    }
    do {
        tickPending_ = false;
        ++TimerCount;
        if (TimerCount >= MyOption.Time.Value) {
            TimerCount = 0;
            NextPicture(false);
        }
    } while (tickPending_ && Timer1->isActive());
}

qsizetype TfrmTask::pictureCount() const {
    return startListing_ ? startListing_->size() : PictureList.size();
}

void TfrmTask::spbtnGroupClick() {
    startListing_.reset();
    const QString remembered = cboGroup->currentIndex() >= 0 ? cboGroup->currentText() : QString();
    if (openGroupDialog)
        openGroupDialog();
    LoadGroupNames();
    const int found = cboGroup->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0 && !remembered.isEmpty()) {
        cboGroup->setCurrentIndex(found);
        LoadPictureList(env_.ini, PictureList, remembered);
    }
}

void TfrmTask::spbtnTimeClick() {
    if (openTimeDialog)
        openTimeDialog();
}

// Tile (1) or centre (0) through the desktop's own value, then render the wallpaper the
// desktop has again, so that it shows in the new arrangement.
void TfrmTask::arrangeWallpaper(int tile) {
    RegIni desktop(env_.store, QStringLiteral("Control Panel"));
    const QString section = QStringLiteral("DeskTop");
    if (desktop.ReadInteger(section, QStringLiteral("TileWallpaper"), tile == 1 ? 0 : 1) == tile)
        return;
    const QString wallpaper = desktop.ReadString(section, QStringLiteral("Wallpaper"), QString());
    desktop.WriteInteger(section, QStringLiteral("TileWallpaper"), tile);
    // Each monitor's own picture is placed anew; the file holds them composed.
    if (currentFiles_.size() > 1)
        changeWallpapers(currentFiles_);
    else
        ChangeWallpaper(wallpaper);
}

void TfrmTask::spbtnTileClick() {
    arrangeWallpaper(1);
}

void TfrmTask::spbtnCenterClick() {
    arrangeWallpaper(0);
}

void TfrmTask::spbtnSlideClick() {
    if (cboGroup->currentIndex() < 0) {
        showWarning(
            this, QCoreApplication::translate("TfrmTaskCommands", "グループを選択してください。"));
        return;
    }
    if (openSlideShow)
        openSlideShow();
}

void TfrmTask::spbtnOptionClick() {
    if (openOptionDialog)
        openOptionDialog();
}

void TfrmTask::spbtnHelpClick() {
    showHelp(HelpCommand::Finder);
}

void TfrmTask::cboGroupChange() {
    startListing_.reset();
    LoadPictureList(env_.ini, PictureList,
                    cboGroup->currentIndex() >= 0 ? cboGroup->currentText() : QString());
}

void TfrmTask::pmnuResizeClick() {
    restoreToolbar();
}

void TfrmTask::pmnuNextClick() {
    NextPicture(false);
}

void TfrmTask::pmnuBackClick() {
    NextPicture(true);
}

void TfrmTask::pmnuJumpClick() {
    if (openJumpDialog)
        openJumpDialog();
}

void TfrmTask::pmnuStopClick() {
    // The mark says paused; only this command changes it (a restart may leave it set).
    if (paused_) {
        setTrayTip(QStringLiteral("TesselvaneMain"));
        Timer1->start();
    } else {
        setTrayTip(QCoreApplication::translate("TfrmTaskCommands", "TesselvaneMain(停止中)"));
        Timer1->stop();
    }
    paused_ = !paused_;
    menuItem("pmnuStop")->setChecked(paused_);
}

void TfrmTask::N5Click() {
    if (currentFiles_.size() > 1) {
        redrawOwnPictures();
        return;
    }
    ChangeUnderWay underWay(changing_);
    ChangeWallpaper(CurrentFile);
}

void TfrmTask::pmnuClearClick() {
    // The file, CurrentFile and PictureIndex stay: only the desktop loses its picture.
    if (desktopService)
        desktopService->setWallpaper(DesktopService::kNone, MyOption.UpdateReg);
}

void TfrmTask::About1Click() {
    QAction* about = menuItem("About1");
    about->setEnabled(false);
    VersionInfo1->Execute(this);
    about->setEnabled(true);
}

void TfrmTask::pmnuExitClick() {
    endProgram();
}

void TfrmTask::dropFiles(const QStringList& paths) {
    // Only the first file counts; CurrentFile and PictureIndex stay as they are.
    if (paths.isEmpty())
        return;
    ChangeUnderWay underWay(changing_);
    ChangeWallpaper(paths.first());
}

void TfrmTask::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmTask::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    event->acceptProposedAction();
    runGuarded([this, paths] { dropFiles(paths); });
}

}  // namespace tesselvane
