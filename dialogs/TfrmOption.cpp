#include "dialogs/TfrmOption.h"

#include "controls/ErrorReport.h"
#include "controls/TSelectFolderDialog.h"
#include "picture/ExtensionPlugins.h"
#include "picture/PictureError.h"
#include "picture/TDataModule1.h"
#include "picture/Wallpaper.h"
#include "platform/ScreenFit.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"
#include "ui_TfrmOption.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTabBar>

namespace tesselvane {

TfrmOption::TfrmOption(QWidget* parent)
    : FormDialog(parent), ui_(std::make_unique<Ui::TfrmOption>()) {
    ui_->setupUi(this);
    fixLayout();
    setModal(true);
    // Five tabs side by side, as the dialog was drawn: the style's own padding would push the
    // last one behind scroll buttons.
    ui_->PageControl1->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { padding: 3px 6px; }"));
    SelectFolderDialog1 = new TSelectFolderDialog(this);
    SelectFolderDialog1->setObjectName(QStringLiteral("SelectFolderDialog1"));

    // The timing's buttons take the group's place in the tab order.
    QWidget* previous = ui_->btnSound;
    for (int i = 0; i < ui_->rgTimming->items().size(); ++i) {
        setTabOrder(previous, ui_->rgTimming->button(i));
        previous = ui_->rgTimming->button(i);
    }
    setTabOrder(previous, ui_->lstPlugIn);

    const auto guarded = [this](void (TfrmOption::*handler)()) {
        return [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); };
    };
    connect(ui_->optAuto, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optAutoClick();
    });
    connect(ui_->optManual, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optManualClick();
    });
    connect(ui_->chkSound, &QCheckBox::toggled, this, [this] { chkSoundClick(); });
    // How to fit means something only while fitting is on.
    connect(ui_->chkFitScreen, &QCheckBox::toggled, ui_->cboFitStyle, &QWidget::setEnabled);
    connect(ui_->btnSound, &QPushButton::clicked, this, guarded(&TfrmOption::btnSoundClick));
    connect(ui_->Button4, &QPushButton::clicked, this, guarded(&TfrmOption::Button4Click));
    connect(ui_->btnSetting, &QPushButton::clicked, this, guarded(&TfrmOption::btnSettingClick));
    connect(ui_->btnUpdate, &QPushButton::clicked, this, guarded(&TfrmOption::btnUpdateClick));
    connect(ui_->btnOk, &QPushButton::clicked, this, guarded(&TfrmOption::btnOkClick));
    connect(ui_->btnCancel, &QPushButton::clicked, this, guarded(&TfrmOption::btnCancelClick));
    FormCreate();
}

TfrmOption::~TfrmOption() = default;

// Later openings show the tab that was on view when the dialog last closed.
void TfrmOption::FormCreate() {
    ui_->PageControl1->setCurrentWidget(ui_->TabSheet1);
}

void TfrmOption::FormShow() {
    ui_->chkUpdateIni->setChecked(MyOption.UpdateReg);
    ui_->chkRandom->setChecked(MyOption.Random);
    ui_->chkFitScreen->setChecked(MyOption.FitScreen);
    ui_->cboFitStyle->setCurrentIndex(static_cast<int>(fitStyleFromStored(MyOption.FitStyle)));
    ui_->cboFitStyle->setEnabled(MyOption.FitScreen);
    ui_->cboMonitors->setCurrentIndex(MyOption.MonitorPictures ? 1 : 0);
    (MyOption.SlideMode == 1 ? ui_->optManual : ui_->optAuto)->setChecked(true);
    ui_->speTime->setValue(MyOption.SlideTime);
    ui_->edtPlugPath->setText(MyOption.PluginPath);
    ui_->chkJpeg->setChecked(MyOption.UseJpeg);
    ui_->chkSound->setChecked(MyOption.UseSound);
    chkSoundClick();
    ui_->edtSoundFile->setText(MyOption.SoundFile);
    ui_->rgTimming->setItemIndex(MyOption.SoundPos);
    ui_->lstPlugIn->clear();
    waitForPlugIns();
    for (const TTesselPlugin& plugin : PlugIns)
        ui_->lstPlugIn->addItem(plugin.Name);

    // Centred on the screen, not on the window that opened it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmOption::optAutoClick() {
    ui_->speTime->setEnabled(true);
}

void TfrmOption::optManualClick() {
    ui_->speTime->setEnabled(false);
}

// The labels stay as they are; only what edits the sound follows the box.
void TfrmOption::chkSoundClick() {
    const bool on = ui_->chkSound->isChecked();
    ui_->edtSoundFile->setEnabled(on);
    ui_->btnSound->setEnabled(on);
    ui_->rgTimming->setEnabled(on);
}

void TfrmOption::btnSoundClick() {
    // Made when first needed: a file dialog starts a file-system watcher thread, which a
    // run that only changes the wallpaper should not pay for.
    if (!OpenDialog1) {
        OpenDialog1 = new QFileDialog(this);
        OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
        // Qt's own dialog, as for folders: the same look, and the program decides what it
        // shows.
        OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
        OpenDialog1->setViewMode(QFileDialog::List);
    }
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // The file systems here tell letter case apart; sound files come in both.
    OpenDialog1->setNameFilter(
        QCoreApplication::translate("TfrmOption", "サウンドファイル (*.wav *.WAV)"));
    const QString current = ui_->edtSoundFile->text();
    if (!current.isEmpty()) {
        OpenDialog1->setDirectory(QFileInfo(current).absolutePath());
        OpenDialog1->selectFile(current);
    } else {
        // Not the folder the program happened to be started from.
        OpenDialog1->setDirectory(QDir::homePath());
    }
    if (OpenDialog1->exec() == QDialog::Accepted && !OpenDialog1->selectedFiles().isEmpty())
        ui_->edtSoundFile->setText(OpenDialog1->selectedFiles().constFirst());
}

void TfrmOption::Button4Click() {
    SelectFolderDialog1->setTitle(
        QCoreApplication::translate("TfrmOption", "Susieプラグインの存在場所"));
    if (SelectFolderDialog1->Execute())
        ui_->edtPlugPath->setText(SelectFolderDialog1->FolderName());
}

void TfrmOption::btnSettingClick() {
    const int row = ui_->lstPlugIn->currentRow();
    if (row < 0 || !ui_->lstPlugIn->currentItem()->isSelected())
        return;
    QImage picture;
    if (!CurrentFile.isEmpty() && QFileInfo(CurrentFile).isFile() && Susie1) {
        // A picture that cannot be read is no picture: the settings open all the same.
        try {
            Susie1->LoadPicture(CurrentFile);
            picture = Susie1->Bitmap().image;
        } catch (const PictureError&) {
        }
    }
    openPlugInSettings(static_cast<std::size_t>(row), applicationWindow, picture);
}

void TfrmOption::btnUpdateClick() {
    MyOption.UpdateReg = ui_->chkUpdateIni->isChecked();
    MyOption.Random = ui_->chkRandom->isChecked();
    MyOption.FitScreen = ui_->chkFitScreen->isChecked();
    MyOption.FitStyle = ui_->cboFitStyle->currentIndex();
    MyOption.MonitorPictures = ui_->cboMonitors->currentIndex() == 1;
    MyOption.SlideMode = ui_->optAuto->isChecked() ? 0 : 1;
    MyOption.SlideTime = static_cast<std::int32_t>(ui_->speTime->Value());
    MyOption.PluginPath = ui_->edtPlugPath->text();
    MyOption.UseJpeg = ui_->chkJpeg->isChecked();
    MyOption.UseSound = ui_->chkSound->isChecked();
    MyOption.SoundFile = ui_->edtSoundFile->text();
    MyOption.SoundPos = static_cast<std::uint8_t>(ui_->rgTimming->itemIndex());
    if (Susie1) {
        Susie1->InJpeg = MyOption.UseJpeg;
        // Every apply unloads the plug-ins and looks at the folder again, changed or not.
        Susie1->setPluginPath(MyOption.PluginPath);
    }
}

void TfrmOption::btnOkClick() {
    btnUpdateClick();
    accept();
}

void TfrmOption::btnCancelClick() {
    reject();
}

// Escape is bound to no button here; only the close box and the buttons close the dialog.
void TfrmOption::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tesselvane
