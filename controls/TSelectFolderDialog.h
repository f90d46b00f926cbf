#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <set>

class QDialog;
class QLabel;

namespace tesselvane {

// The shell's special folders, for the top of the dialog's tree and the folder it selects
// first. Many have no folder on this desktop (platform/SpecialFolders.h).
enum class TSpecialFolder {
    sfCustom,  // as the top: the desktop; as the first selection: InitFolderName
    sfDesktop,
    sfPrograms,
    sfControls,
    sfPrinters,
    sfPersonal,
    sfFavorites,
    sfStartup,
    sfRecent,
    sfSendTo,
    sfBitnucket,
    sfStartMenu,
    sfDesktopDirectory,
    sfDrives,
    sfNetWork,
    sfNetHood,
    sfFonts,
    sfTemplates,
    sfCommon_StartMenu,
    sfCommon_Programs,
    sfCommon_Startup,
    sfCommon_DesktopDirectory,
    sfAppData,
    sfPrintHood,
};

// Only bifStatusText (the status line) and bifBrowseIncludeFiles (files are listed, and one
// may be chosen) change anything here: every item is a file-system path already.
enum class TSelectFolderOption {
    bifReturnOnlyFSDIRs,
    bifDontGoBelowDomain,
    bifStatusText,
    bifReturnFSAncestors,
    bifBrowseForComputer,
    bifBrowseForPrinter,
    bifBrowseIncludeFiles,
};
using TSelectFolderOptions = std::set<TSelectFolderOption>;

using NotifyEvent = std::function<void(QObject* sender)>;
using TSelChangedEvent = std::function<void(QObject* sender, const QString& path)>;

// Lets the user pick a folder below RootFolder in a modal dialog, and gives its path.
class TSelectFolderDialog : public QObject {
public:
    // The dialog opens over the window of `owner` when that is a widget.
    explicit TSelectFolderDialog(QObject* owner = nullptr);
    ~TSelectFolderDialog() override;

    // Shows the dialog modally; true when the user chose an item, FolderName then holds it.
    // False, showing nothing, when RootFolder has no folder on this desktop.
    bool Execute();

    // The chosen path as the dialog gives it: "/" or a path without a trailing "/". Kept
    // until the next Execute that ends with a choice.
    const QString& FolderName() const { return folderName_; }
    // The chosen item's name as the dialog shows it.
    const QString& DisplayName() const { return displayName_; }
    // The open dialog, nullptr while none is open.
    QDialog* DialogHandle() const;

    TSpecialFolder RootFolder() const { return rootFolder_; }
    void setRootFolder(TSpecialFolder folder) { rootFolder_ = folder; }
    TSpecialFolder InitialFolder() const { return initialFolder_; }
    void setInitialFolder(TSpecialFolder folder) { initialFolder_ = folder; }
    // Selected first when InitialFolder is sfCustom; one trailing "/" does not matter, and a
    // path that does not exist leaves the dialog's own first selection.
    const QString& InitFolderName() const { return initFolderName_; }
    void setInitFolderName(const QString& path) { initFolderName_ = path; }
    // Shown above the folders; nothing when empty.
    const QString& Title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    // The status line, shown with bifStatusText. Reaches an open dialog at once, also from
    // inside OnSelChanged.
    const QString& StatusText() const { return statusText_; }
    void setStatusText(const QString& text);
    const TSelectFolderOptions& Options() const { return options_; }
    void setOptions(TSelectFolderOptions options) { options_ = std::move(options); }

    // Once the dialog is open and has its first selection.
    const NotifyEvent& OnInitialized() const { return onInitialized_; }
    void setOnInitialized(NotifyEvent handler) { onInitialized_ = std::move(handler); }
    // On every change of the selected item or of the folder on view, with its path (empty
    // for none).
    const TSelChangedEvent& OnSelChanged() const { return onSelChanged_; }
    void setOnSelChanged(TSelChangedEvent handler) { onSelChanged_ = std::move(handler); }

private:
    enum class BrowseMessage { Initialized, SelChanged };
    class Browser;

    void BrowseCallback(BrowseMessage message, const QString& path = {});
    QString initialPath() const;

    QPointer<QDialog> dialog_;
    QPointer<Browser> browser_;
    QPointer<QLabel> statusLabel_;
    TSpecialFolder rootFolder_ = TSpecialFolder::sfDesktop;
    TSpecialFolder initialFolder_ = TSpecialFolder::sfDrives;
    QString folderName_;
    QString displayName_;
    QString title_;
    QString statusText_;
    TSelectFolderOptions options_{TSelectFolderOption::bifReturnOnlyFSDIRs};
    NotifyEvent onInitialized_;
    TSelChangedEvent onSelChanged_;
    QString initFolderName_;
};

}  // namespace tesselvane
