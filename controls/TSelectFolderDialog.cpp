#include "controls/TSelectFolderDialog.h"

#include "platform/SpecialFolders.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <iterator>
#include <optional>
#include <utility>

namespace tesselvane {

namespace {

// By the ordinal of TSpecialFolder.
constexpr int kCsidl[] = {
    CSIDL_DESKTOP,
    CSIDL_DESKTOP,
    CSIDL_PROGRAMS,
    CSIDL_CONTROLS,
    CSIDL_PRINTERS,
    CSIDL_PERSONAL,
    CSIDL_FAVORITES,
    CSIDL_STARTUP,
    CSIDL_RECENT,
    CSIDL_SENDTO,
    CSIDL_BITBUCKET,
    CSIDL_STARTMENU,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_DRIVES,
    CSIDL_NETWORK,
    CSIDL_NETHOOD,
    CSIDL_FONTS,
    CSIDL_TEMPLATES,
    CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_COMMON_STARTUP,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_APPDATA,
    CSIDL_PRINTHOOD,
};
static_assert(std::size(kCsidl) == static_cast<size_t>(TSpecialFolder::sfPrintHood) + 1);

std::optional<QString> folderOf(TSpecialFolder folder) {
    return specialFolderPath(kCsidl[static_cast<int>(folder)]);
}

bool isAtOrBelow(const QString& path, const QString& top) {
    if (top == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == top || path.startsWith(top + QLatin1Char('/'));
}

// Runs `shown` when it is first shown, before any queued event of the dialog's loop.
class BrowseWindow : public QDialog {
public:
    using QDialog::QDialog;
    std::function<void()> shown;

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        if (shown)
            std::exchange(shown, {})();
    }
};

// Plain text: a title is no markup. The name says what the label is, the description what
// it says.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& role) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAccessibleName(role);
    return label;
}

void showText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleDescription(text);
}

QWidget* ownerWindow(QObject* owner) {
    auto* widget = qobject_cast<QWidget*>(owner);
    return widget ? widget->window() : nullptr;
}

}  // namespace

// Qt's own folder browser, kept to one folder and what lies below it.
class TSelectFolderDialog::Browser : public QFileDialog {
public:
    Browser(QWidget* parent, const QString& top, bool includeFiles);
    ~Browser() override;

    bool holds(const QString& path) const;
    // Shows the item's folder with the item selected; nothing for an item outside.
    void selectItem(const QString& path);

protected:
    void accept() override;

private:
    void returnToTop();
    QList<QUrl> placesBelowTop() const;

    QString top_;
    bool includeFiles_;
    QFileSystemModel* model_;
    QList<QUrl> userPlaces_;
    QStringList userHistory_;
};

TSelectFolderDialog::Browser::Browser(QWidget* parent, const QString& top, bool includeFiles)
    : QFileDialog(parent, {}, top), top_(top), includeFiles_(includeFiles) {
    setWindowFlags(Qt::Widget);
    // Qt's own widgets, so that we choose the first selection and see every change of it.
    setOption(DontUseNativeDialog);
    setFileMode(Directory);
    setOption(ShowDirsOnly, !includeFiles);
    setLabelText(LookIn, QCoreApplication::translate("TSelectFolderDialog", "場所:"));
    setLabelText(FileName, QCoreApplication::translate("TSelectFolderDialog", "フォルダ:"));
    setLabelText(Accept, QStringLiteral("OK"));
    setLabelText(Reject, QCoreApplication::translate("TSelectFolderDialog", "キャンセル"));
    // A folder has no file type to pick.
    for (const char* name : {"fileTypeLabel", "fileTypeCombo"}) {
        if (auto* widget = findChild<QWidget*>(QLatin1String(name)))
            widget->hide();
    }
    // QFileDialog stores its places and recent folders for the next one when it is
    // destroyed: keep the user's, not ours.
    userPlaces_ = sidebarUrls();
    userHistory_ = history();
    setSidebarUrls(placesBelowTop());
    setHistory({});
    // Qt sizes the places by the first one, "/" when the root is the desktop.
    if (auto* places = findChild<QListView*>(QStringLiteral("sidebar")))
        places->setMinimumWidth(places->sizeHintForColumn(0) + 2 * places->frameWidth() + 8);
    // Names only, as the shell's tree of folders; and the grip belongs to the window.
    setViewMode(List);
    setSizeGripEnabled(false);
    // Lined up with the title and the status line.
    if (layout())
        layout()->setContentsMargins({});

    // The back button, the look-in list and a typed path all change the folder on view, and
    // only the model sees every change.
    model_ = findChild<QFileSystemModel*>();
    connect(model_, &QFileSystemModel::rootPathChanged, this, [this](const QString& path) {
        if (!holds(path))
            QTimer::singleShot(0, this, [this] { returnToTop(); });
    });
}

TSelectFolderDialog::Browser::~Browser() {
    setSidebarUrls(userPlaces_);
    setHistory(userHistory_);
}

bool TSelectFolderDialog::Browser::holds(const QString& path) const {
    return QDir::isAbsolutePath(path) && isAtOrBelow(QDir::cleanPath(path), top_);
}

void TSelectFolderDialog::Browser::selectItem(const QString& path) {
    // Cleaning drops a trailing "/" too: "/a/b/" is the folder b.
    const QFileInfo item(QDir::cleanPath(path));
    if (!item.isAbsolute() || !item.exists() || !(item.isDir() || includeFiles_))
        return;
    const QString itemPath = item.filePath();
    // The top is on view already, and nothing above it may be.
    if (itemPath == top_ || !holds(itemPath))
        return;
    setDirectory(item.absolutePath());
    selectFile(itemPath);
    // Also the current item, so that the arrow keys go on from it.
    auto* view = findChild<QListView*>(QStringLiteral("listView"));
    if (view && view->model() == model_) {
        view->selectionModel()->setCurrentIndex(
            model_->index(itemPath),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void TSelectFolderDialog::Browser::accept() {
    const QString chosen = selectedFiles().value(0);
    // A path typed into the name box can lead anywhere.
    if (!holds(chosen))
        return;
    // In Directory mode Qt accepts folders only: a file passes by QFileDialog's check.
    if (includeFiles_ && QFileInfo(chosen).isFile()) {
        QDialog::accept();  // NOLINT(bugprone-parent-virtual-call)
        return;
    }
    QFileDialog::accept();
}

void TSelectFolderDialog::Browser::returnToTop() {
    // Qt names the list of drives above "/" by an empty or relative path.
    if (holds(model_->rootPath()))
        return;
    setDirectory(top_);
    emit directoryEntered(top_);
}

QList<QUrl> TSelectFolderDialog::Browser::placesBelowTop() const {
    QList<QUrl> places{QUrl::fromLocalFile(top_)};
    for (const auto location :
         {QStandardPaths::HomeLocation, QStandardPaths::DesktopLocation,
          QStandardPaths::DocumentsLocation, QStandardPaths::PicturesLocation}) {
        const QString path = QDir::cleanPath(QStandardPaths::writableLocation(location));
        const QUrl place = QUrl::fromLocalFile(path);
        if (!path.isEmpty() && holds(path) && QFileInfo(path).isDir() && !places.contains(place))
            places.append(place);
    }
    return places;
}

TSelectFolderDialog::TSelectFolderDialog(QObject* owner) : QObject(owner) {}

TSelectFolderDialog::~TSelectFolderDialog() = default;

QDialog* TSelectFolderDialog::DialogHandle() const {
    return dialog_;
}

void TSelectFolderDialog::setStatusText(const QString& text) {
    statusText_ = text;
    if (statusLabel_)
        showText(statusLabel_, text);
}

bool TSelectFolderDialog::Execute() {
    // One dialog at a time: a second would take over the first one's state.
    if (dialog_)
        return false;
    // sfCustom stands for the desktop as the top.
    const std::optional<QString> top = folderOf(rootFolder_);
    if (!top)
        return false;

    QPointer<BrowseWindow> window = new BrowseWindow(ownerWindow(parent()));
    window->setWindowTitle(QCoreApplication::translate("TSelectFolderDialog", "フォルダの参照"));
    window->setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(window);
    auto* titleLabel = makeLabel(window, "lblTitle",
                                 QCoreApplication::translate("TSelectFolderDialog", "タイトル"));
    showText(titleLabel, title_);
    titleLabel->setVisible(!title_.isEmpty());
    layout->addWidget(titleLabel);
    const bool includeFiles = options_.contains(TSelectFolderOption::bifBrowseIncludeFiles);
    auto* browser = new Browser(window, *top, includeFiles);
    layout->addWidget(browser, 1);
    auto* statusLabel =
        makeLabel(window, "lblStatus", QCoreApplication::translate("TSelectFolderDialog", "状態"));
    statusLabel->setVisible(options_.contains(TSelectFolderOption::bifStatusText));
    layout->addWidget(statusLabel);

    connect(browser, &QFileDialog::accepted, window, &QDialog::accept);
    connect(browser, &QFileDialog::rejected, window, &QDialog::reject);
    connect(browser, &QFileDialog::currentChanged, this,
            [this](const QString& path) { BrowseCallback(BrowseMessage::SelChanged, path); });
    connect(browser, &QFileDialog::directoryEntered, this, [this](const QString& path) {
        // Leaving the top is undone at once, and that reports the top.
        if (browser_ && browser_->holds(path))
            BrowseCallback(BrowseMessage::SelChanged, path);
    });
    window->shown = [this] { BrowseCallback(BrowseMessage::Initialized); };

    dialog_ = window;
    browser_ = browser;
    statusLabel_ = statusLabel;
    const bool chosen = window->exec() == QDialog::Accepted && window;
    if (chosen) {
        folderName_ = browser->selectedFiles().value(0);
        const QString name = QFileInfo(folderName_).fileName();
        displayName_ = name.isEmpty() ? folderName_ : name;
    }
    delete window;
    return chosen;
}

void TSelectFolderDialog::BrowseCallback(BrowseMessage message, const QString& path) {
    switch (message) {
        case BrowseMessage::Initialized:
            if (browser_)
                browser_->selectItem(initialPath());
            if (options_.contains(TSelectFolderOption::bifStatusText) && statusLabel_)
                showText(statusLabel_, statusText_);
            if (onInitialized_)
                onInitialized_(this);
            break;
        case BrowseMessage::SelChanged:
            if (onSelChanged_)
                onSelChanged_(this, path);
            break;
    }
}

QString TSelectFolderDialog::initialPath() const {
    if (initialFolder_ == TSpecialFolder::sfCustom)
        return initFolderName_;
    return folderOf(initialFolder_).value_or(QString());
}

}  // namespace tesselvane
