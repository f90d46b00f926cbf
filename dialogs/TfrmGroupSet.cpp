#include "dialogs/TfrmGroupSet.h"

#include "controls/ErrorReport.h"
#include "controls/MessageBoxes.h"
#include "controls/TOpenSusieDialog.h"
#include "controls/TSelectFolderDialog.h"
#include "dialogs/TfrmPreview.h"
#include "picture/Wallpaper.h"
#include "settings/Groups.h"
#include "settings/RegIni.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace tesselvane {

namespace {

const QString kGroupSet = QStringLiteral("GroupSet");
const QString kFiles = QStringLiteral("Files");
const QString kPath = QStringLiteral("Path");
const QString kType = QStringLiteral("Type");
const QString kFolder = QStringLiteral("Folder");

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// The folder part with its trailing separator.
QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent, QRect place) {
    auto* result = new QPushButton(caption, parent);
    result->setObjectName(QLatin1String(name));
    result->setGeometry(place);
    result->setAutoDefault(false);
    return result;
}

// A radio button that stands as the title of a frame, masking the frame's line behind it.
QRadioButton* frameTitle(const char* name, const QString& caption, QWidget* parent, QPoint at) {
    auto* result = new QRadioButton(caption, parent);
    result->setObjectName(QLatin1String(name));
    result->setAutoFillBackground(true);
    result->adjustSize();
    result->move(at);
    return result;
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

TfrmGroupSet::TfrmGroupSet(RegIni& ini, TfrmPreview& preview, QWidget* parent)
    : FormDialog(parent), ini_(ini), preview_(preview) {
    setObjectName(QStringLiteral("frmGroupSet"));
    setModal(true);
    resize(430, 286);

    gbFile = new QGroupBox(this);
    gbFile->setObjectName(QStringLiteral("gbFile"));
    gbFile->setAccessibleName(QCoreApplication::translate("TfrmGroupSet", "ファイル指定"));
    gbFile->setGeometry(8, 10, 326, 198);
    lblPath = new QLabel(gbFile);
    lblPath->setObjectName(QStringLiteral("lblPath"));
    lblPath->setGeometry(10, 16, 306, 18);
    lstFileList = new QListWidget(gbFile);
    lstFileList->setObjectName(QStringLiteral("lstFileList"));
    lstFileList->setAccessibleName(QCoreApplication::translate("TfrmGroupSet", "ファイル"));
    lstFileList->setGeometry(10, 36, 226, 152);
    lstFileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    btnFileUp = button("btnFileUp", QCoreApplication::translate("TfrmGroupSet", "上へ"), gbFile,
                       {244, 36, 72, 24});
    btnFileDown = button("btnFileDown", QCoreApplication::translate("TfrmGroupSet", "下へ"), gbFile,
                         {244, 64, 72, 24});
    btnFileAdd = button("btnFileAdd", QCoreApplication::translate("TfrmGroupSet", "追加"), gbFile,
                        {244, 136, 72, 24});
    btnFileRemove = button("btnFileRemove", QCoreApplication::translate("TfrmGroupSet", "削除"),
                           gbFile, {244, 164, 72, 24});
    rbFile = frameTitle("rbFile", QCoreApplication::translate("TfrmGroupSet", "ファイル指定"), this,
                        {16, 2});

    gbDir = new QGroupBox(this);
    gbDir->setObjectName(QStringLiteral("gbDir"));
    gbDir->setAccessibleName(QCoreApplication::translate("TfrmGroupSet", "フォルダ指定"));
    gbDir->setGeometry(8, 222, 326, 56);
    edtDir = new QLineEdit(gbDir);
    edtDir->setObjectName(QStringLiteral("edtDir"));
    edtDir->setAccessibleName(QCoreApplication::translate("TfrmGroupSet", "フォルダ"));
    edtDir->setGeometry(10, 20, 226, 24);
    edtDir->setReadOnly(true);
    btnRef = button("btnRef", QCoreApplication::translate("TfrmGroupSet", "参照"), gbDir,
                    {244, 20, 72, 24});
    rbDir = frameTitle("rbDir", QCoreApplication::translate("TfrmGroupSet", "フォルダ指定"), this,
                       {16, 214});

    btnOK = button("btnOK", QStringLiteral("OK"), this, {342, 14, 80, 24});
    btnCancel = button("btnCancel", QCoreApplication::translate("TfrmGroupSet", "キャンセル"), this,
                       {342, 42, 80, 24});
    btnChange = button("btnChange", QCoreApplication::translate("TfrmGroupSet", "変更"), this,
                       {342, 84, 80, 24});
    chkPreview = new QCheckBox(QStringLiteral("Preview"), this);
    chkPreview->setObjectName(QStringLiteral("chkPreview"));
    chkPreview->setGeometry(342, 118, 84, 20);
    fixLayout();
    rememberPlace(ini, kGroupSet);
    QWidget* const order[] = {rbFile,        lstFileList, btnFileUp, btnFileDown, btnFileAdd,
                              btnFileRemove, rbDir,       edtDir,    btnRef,      btnOK,
                              btnCancel,     btnChange,   chkPreview};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    SelectFolderDialog1 = new TSelectFolderDialog(this);
    OpenSusieDialog1 = new TOpenSusieDialog(this);

    const auto guarded = [this](void (TfrmGroupSet::*handler)()) {
        return [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); };
    };
    connect(rbFile, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rbFileClick();
    });
    connect(rbDir, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rbDirClick();
    });
    connect(lstFileList, &QListWidget::itemSelectionChanged, this,
            guarded(&TfrmGroupSet::lstFileListClick));
    connect(btnFileUp, &QPushButton::clicked, this, guarded(&TfrmGroupSet::btnFileUpClick));
    connect(btnFileDown, &QPushButton::clicked, this, guarded(&TfrmGroupSet::btnFileDownClick));
    connect(btnFileAdd, &QPushButton::clicked, this, guarded(&TfrmGroupSet::btnFileAddClick));
    connect(btnFileRemove, &QPushButton::clicked, this, guarded(&TfrmGroupSet::btnFileRemoveClick));
    connect(btnChange, &QPushButton::clicked, this, guarded(&TfrmGroupSet::btnChangeClick));
    connect(chkPreview, &QCheckBox::toggled, this, guarded(&TfrmGroupSet::chkPreviewClick));
    connect(btnRef, &QPushButton::clicked, this, guarded(&TfrmGroupSet::btnRefClick));
    connect(btnOK, &QPushButton::clicked, this, guarded(&TfrmGroupSet::btnOKClick));
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

TfrmGroupSet::~TfrmGroupSet() = default;

void TfrmGroupSet::FormShow() {
    setWindowTitle(QCoreApplication::translate("TfrmGroupSet", "グループ「") + TargetGroup +
                   QCoreApplication::translate("TfrmGroupSet", "」の設定"));
    editList_.clear();
    {
        const QSignalBlocker quiet(lstFileList);
        lstFileList->clear();
    }
    lblPath->clear();
    edtDir->clear();
    rbFile->setChecked(true);
    const QString section = groupContentsSection(TargetGroup);
    if (ini_.ReadString(section, kType, QStringLiteral("0")) == QLatin1String("1")) {
        edtDir->setText(ini_.ReadString(section, kFolder, QString()));
        rbDir->setChecked(true);
    } else {
        ReadFileItems(ini_, TargetGroup, editList_);
    }
    if (chkPreview->isChecked())
        ShowPreview();
    RefreshFileList();
    UpdateControls();
}

void TfrmGroupSet::RefreshFileList() {
    const QSignalBlocker quiet(lstFileList);
    lstFileList->clear();
    for (const QString& path : editList_)
        lstFileList->addItem(fileNameOf(path));
}

void TfrmGroupSet::UpdateControls() {
    const bool fileMode = rbFile->isChecked();
    const bool selected = !lstFileList->selectedItems().isEmpty();
    gbFile->setEnabled(fileMode);
    lstFileList->setEnabled(fileMode);
    btnFileAdd->setEnabled(fileMode);
    btnFileRemove->setEnabled(fileMode && selected);
    btnFileUp->setEnabled(fileMode && selected);
    btnFileDown->setEnabled(fileMode && selected);
    btnChange->setEnabled(fileMode && selected);
    gbDir->setEnabled(!fileMode);
    edtDir->setEnabled(!fileMode);
    btnRef->setEnabled(!fileMode);
}

void TfrmGroupSet::SaveGroup() {
    tesselvane::SaveGroup(ini_, TargetGroup,
                          rbFile->isChecked() ? GroupKind::FileList : GroupKind::Folder,
                          edtDir->text(), editList_);
}

void TfrmGroupSet::ShowPreview() {
    preview_.show();
}

void TfrmGroupSet::HidePreview() {
    preview_.hide();
}

int TfrmGroupSet::focusedIndex() const {
    const int row = lstFileList->currentRow();
    return row >= 0 && row < editList_.size() ? row : -1;
}

void TfrmGroupSet::previewFocused() {
    const int row = focusedIndex();
    if (row >= 0)
        preview_.showPicture(editList_.at(row));
}

void TfrmGroupSet::rbFileClick() {
    UpdateControls();
}

void TfrmGroupSet::rbDirClick() {
    UpdateControls();
}

void TfrmGroupSet::lstFileListClick() {
    const int row = focusedIndex();
    if (row >= 0) {
        lblPath->setText(folderOf(editList_.at(row)));
        if (chkPreview->isChecked())
            previewFocused();
    }
    UpdateControls();
}

void TfrmGroupSet::moveFocused(int by) {
    const int from = focusedIndex();
    const int to = from + by;
    editList_.move(from, to);
    RefreshFileList();
    SaveGroup();
    const QSignalBlocker quiet(lstFileList);
    lstFileList->setCurrentRow(to, QItemSelectionModel::ClearAndSelect);
    UpdateControls();
}

void TfrmGroupSet::btnFileUpClick() {
    const int row = focusedIndex();
    if (row <= 0)
        return;
    moveFocused(-1);
}

void TfrmGroupSet::btnFileDownClick() {
    const int row = focusedIndex();
    if (row < 0 || lstFileList->selectedItems().isEmpty() || row == editList_.size() - 1)
        return;
    moveFocused(+1);
}

void TfrmGroupSet::btnFileAddClick() {
    OpenSusieDialog1->setOptions({TOpenOption::ofAllowMultiSelect, TOpenOption::ofFileMustExist,
                                  TOpenOption::ofHideReadOnly});
    OpenSusieDialog1->setInitialDir(ini_.ReadString(kFiles, kPath, QString()));
    if (!OpenSusieDialog1->Execute())
        return;
    const QStringList chosen = OpenSusieDialog1->Files();
    if (chosen.isEmpty())
        return;
    editList_.append(chosen);
    ini_.WriteString(kFiles, kPath, folderOf(chosen.first()));
    RefreshFileList();
    SaveGroup();
    UpdateControls();
}

void TfrmGroupSet::btnFileRemoveClick() {
    for (int row = lstFileList->count() - 1; row >= 0; --row) {
        if (lstFileList->item(row)->isSelected())
            editList_.removeAt(row);
    }
    RefreshFileList();
    SaveGroup();
    UpdateControls();
}

void TfrmGroupSet::btnChangeClick() {
    const int row = focusedIndex();
    if (row < 0)
        return;
    const WaitCursor wait;
    ChangeWallpaper(editList_.at(row));
}

void TfrmGroupSet::chkPreviewClick() {
    if (chkPreview->isChecked()) {
        ShowPreview();
        if (!lstFileList->selectedItems().isEmpty())
            previewFocused();
    } else {
        HidePreview();
    }
}

void TfrmGroupSet::btnRefClick() {
    SelectFolderDialog1->setInitialFolder(TSpecialFolder::sfCustom);
    // With nothing typed yet, the user's own pictures, as a desktop's tree starts with them.
    QString start = edtDir->text();
    if (start.trimmed().isEmpty()) {
        start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        if (!QFileInfo(start).isDir())
            start = QDir::homePath();
    }
    SelectFolderDialog1->setInitFolderName(start);
    SelectFolderDialog1->setRootFolder(TSpecialFolder::sfDesktop);
    if (SelectFolderDialog1->Execute())
        edtDir->setText(SelectFolderDialog1->FolderName());
}

void TfrmGroupSet::btnOKClick() {
    if (rbDir->isChecked() && edtDir->text().isEmpty()) {
        showWarning(this,
                    QCoreApplication::translate("TfrmGroupSet", "フォルダを選択してください"));
        edtDir->setFocus();
        return;
    }
    SaveGroup();
    accept();
}

void TfrmGroupSet::btnCancelClick() {
    reject();
}

}  // namespace tesselvane
