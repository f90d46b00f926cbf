#include "dialogs/TfrmJump.h"

#include "controls/ErrorReport.h"
#include "controls/MessageBoxes.h"
#include "picture/PictureError.h"
#include "picture/Wallpaper.h"
#include "settings/Groups.h"
#include "settings/PictureGlobals.h"
#include "settings/RegIni.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace tesselvane {

namespace {

const QString kJump = QStringLiteral("Jump");
constexpr QSize kPreview(151, 111);

}  // namespace

TfrmJump::TfrmJump(RegIni& ini, QComboBox& mainGroupBox, std::function<void()> mainGroupChanged,
                   QWidget* parent)
    : FormDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                             Qt::MSWindowsFixedSizeDialogHint),
      ini_(ini),
      mainGroupBox_(mainGroupBox),
      mainGroupChanged_(std::move(mainGroupChanged)) {
    setObjectName(QStringLiteral("frmJump"));
    setWindowTitle(QCoreApplication::translate("TfrmJump", "ジャンプ"));
    setModal(false);
    setFixedSize(339, 186);
    rememberPlace(ini, kJump);

    cboGroup = new QComboBox(this);
    cboGroup->setObjectName(QStringLiteral("cboGroup"));
    cboGroup->setAccessibleName(QCoreApplication::translate("TfrmJump", "グループ"));
    cboGroup->setGeometry(8, 8, 160, 22);
    lstList = new QListWidget(this);
    lstList->setObjectName(QStringLiteral("lstList"));
    lstList->setAccessibleName(QCoreApplication::translate("TfrmJump", "ファイル"));
    lstList->setGeometry(8, 36, 160, 142);
    lstList->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(176, 8, kPreview.width() + 4, kPreview.height() + 4);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setStyleSheet(QStringLiteral("background: black;"));
    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(2, 2, kPreview.width(), kPreview.height());
    Image1->setAccessibleName(QCoreApplication::translate("TfrmJump", "プレビュー"));
    Image1->setAlignment(Qt::AlignCenter);
    btnOK = new QPushButton(QCoreApplication::translate("TfrmJump", "決定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(176, 150, 75, 26);
    btnCancel = new QPushButton(QCoreApplication::translate("TfrmJump", "ｷｬﾝｾﾙ"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(256, 150, 75, 26);

    connect(cboGroup, &QComboBox::activated, this,
            [this] { runGuarded([this] { cboGroupClick(); }); });
    connect(lstList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            runGuarded([this] { lstListClick(); });
    });
    connect(btnOK, &QPushButton::clicked, this, [this] { runGuarded([this] { btnOKClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

void TfrmJump::showJump() {
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TfrmJump::FormShow() {
    cboGroup->clear();
    for (int i = 0; i < mainGroupBox_.count(); ++i)
        cboGroup->addItem(mainGroupBox_.itemText(i));
    cboGroup->setCurrentIndex(mainGroupBox_.currentIndex());
    cboGroupClick();
    if (PictureIndex >= 0 && PictureIndex < jumpList_.size()) {
        lstList->setCurrentRow(PictureIndex);
        lstListClick();
    } else {
        lstList->setCurrentRow(-1);
        clearPreview();
    }
}

void TfrmJump::clearPreview() {
    Image1->clear();
}

void TfrmJump::cboGroupClick() {
    LoadPictureList(ini_, jumpList_,
                    cboGroup->currentIndex() >= 0 ? cboGroup->currentText() : QString());
    const QSignalBlocker quiet(lstList);
    lstList->clear();
    clearPreview();
    for (const QString& path : jumpList_)
        lstList->addItem(QFileInfo(path).fileName());
    btnOK->setEnabled(false);
}

void TfrmJump::lstListClick() {
    const int row = lstList->currentRow();
    if (row < 0 || row >= jumpList_.size())
        return;
    // A picture no reader takes leaves the preview empty; "決定" still hands it to the
    // change, which says what is wrong with it.
    btnOK->setEnabled(true);
    clearPreview();
    TBitmap picture;
    try {
        LoadPreviewPicture(picture, jumpList_.at(row));
    } catch (const PictureError&) {
        return;
    }
    if (picture.isEmpty())
        return;
    QImage image = picture.image;
    // Fitted at the screen's own pixels: on a scaled desktop a logical-sized picture blurs.
    const qreal ratio = Image1->devicePixelRatioF();
    FitBitmap(image, Image1->size() * ratio);
    QPixmap fitted = QPixmap::fromImage(image);
    fitted.setDevicePixelRatio(ratio);
    Image1->setPixmap(fitted);
}

void TfrmJump::btnOKClick() {
    const int row = lstList->currentRow();
    if (row < 0 || row >= jumpList_.size())
        return;
    // With a picture of its own on each monitor, the others get the ones that follow.
    QStringList files;
    for (qsizetype k = 0; k < picturesPerChange(); ++k)
        files.append(jumpList_.at((row + k) % jumpList_.size()));
    // The group by the name shown here: the main window's list may have changed since.
    const int group = cboGroup->currentIndex() < 0
                          ? -1
                          : mainGroupBox_.findText(cboGroup->currentText(),
                                                   Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (group < 0) {
        showWarning(this, QCoreApplication::translate("TfrmJump", "グループ %1 はもうありません")
                              .arg(cboGroup->currentText()));
        return;
    }
    mainGroupBox_.setCurrentIndex(group);
    mainGroupChanged_();
    PictureIndex = row;
    changeWallpapers(files);
    close();
}

void TfrmJump::btnCancelClick() {
    close();
}

}  // namespace tesselvane
