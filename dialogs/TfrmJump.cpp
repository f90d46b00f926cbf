#include "TfrmJump.h"

#include "ErrorReport.h"
#include "Groups.h"
#include "PictureGlobals.h"
#include "RegIni.h"
#include "Wallpaper.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QComboBox>
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
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ini_(ini),
      mainGroupBox_(mainGroupBox),
      mainGroupChanged_(std::move(mainGroupChanged)) {
    setObjectName(QStringLiteral("frmJump"));
    setWindowTitle(QStringLiteral("ジャンプ"));
    setModal(false);
    setFixedSize(339, 186);

    cboGroup_ = new QComboBox(this);
    cboGroup_->setObjectName(QStringLiteral("cboGroup"));
    cboGroup_->setGeometry(8, 8, 160, 22);
    lstList_ = new QListWidget(this);
    lstList_->setObjectName(QStringLiteral("lstList"));
    lstList_->setGeometry(8, 36, 160, 142);
    lstList_->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(176, 8, kPreview.width() + 4, kPreview.height() + 4);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setStyleSheet(QStringLiteral("background: black;"));
    Image1_ = new QLabel(panel);
    Image1_->setObjectName(QStringLiteral("Image1"));
    Image1_->setGeometry(2, 2, kPreview.width(), kPreview.height());
    Image1_->setAlignment(Qt::AlignCenter);
    btnOK_ = new QPushButton(QStringLiteral("決定"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnOK_->setGeometry(176, 150, 75, 26);
    btnCancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    btnCancel_->setGeometry(256, 150, 75, 26);

    connect(cboGroup_, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cboGroupClick(); }); });
    connect(lstList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            RunGuarded([this] { lstListClick(); });
    });
    connect(btnOK_, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnOKClick(); }); });
    connect(btnCancel_, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

void TfrmJump::ShowJump() {
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    show();
}

void TfrmJump::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmJump::FormShow() {
    move(ReadWindowPosition(ini_, kJump));
    cboGroup_->clear();
    for (int i = 0; i < mainGroupBox_.count(); ++i)
        cboGroup_->addItem(mainGroupBox_.itemText(i));
    cboGroup_->setCurrentIndex(mainGroupBox_.currentIndex());
    cboGroupClick();
    if (PictureIndex >= 0 && PictureIndex < jumpList_.size()) {
        lstList_->setCurrentRow(PictureIndex);
        lstListClick();
    } else {
        lstList_->setCurrentRow(-1);
        ClearPreview();
    }
}

void TfrmJump::ClearPreview() {
    Image1_->clear();
}

void TfrmJump::cboGroupClick() {
    LoadPictureList(ini_, jumpList_,
                    cboGroup_->currentIndex() >= 0 ? cboGroup_->currentText() : QString());
    const QSignalBlocker quiet(lstList_);
    lstList_->clear();
    ClearPreview();
    for (const QString& path : jumpList_)
        lstList_->addItem(QFileInfo(path).fileName());
    btnOK_->setEnabled(false);
}

void TfrmJump::lstListClick() {
    const int row = lstList_->currentRow();
    if (row < 0 || row >= jumpList_.size())
        return;
    TBitmap picture;
    LoadPreviewPicture(picture, jumpList_.at(row));
    QImage image = picture.Image;
    FitBitmap(image, Image1_->size());
    Image1_->setPixmap(QPixmap::fromImage(image));
    btnOK_->setEnabled(true);
}

void TfrmJump::btnOKClick() {
    const int row = lstList_->currentRow();
    if (row < 0 || row >= jumpList_.size())
        return;
    const QString path = jumpList_.at(row);
    mainGroupBox_.setCurrentIndex(cboGroup_->currentIndex());
    mainGroupChanged_();
    PictureIndex = row;
    ChangeWallpaper(path);
    close();
}

void TfrmJump::btnCancelClick() {
    close();
}

// However it closes (its buttons, Escape), it remembers where it was.
void TfrmJump::done(int result) {
    WriteWindowPosition(ini_, kJump, frameGeometry().topLeft());
    QDialog::done(result);
}

}  // namespace tesselvane
