#include "dialogs/TfrmTime.h"

#include "controls/ErrorReport.h"
#include "controls/ManualHelp.h"
#include "controls/TSelectFolderDialog.h"
#include "dialogs/TfrmSetWeekday.h"
#include "settings/Options.h"
#include "settings/RegIni.h"
#include "ui_TfrmTime.h"

namespace tesselvane {

namespace {

const QString kTime = QStringLiteral("Time");
constexpr int kHelpContext = 16;
constexpr int kModes = 6;

}  // namespace

TfrmTime::TfrmTime(RegIni& ini, TfrmSetWeekday& setWeekday, QWidget* parent)
    : FormDialog(parent), setWeekday_(setWeekday), ui_(std::make_unique<Ui::TfrmTime>()) {
    ui_->setupUi(this);
    fixLayout();
    rememberPlace(ini, kTime);
    setModal(true);
    SelectFolderDialog1 = new TSelectFolderDialog(this);
    SelectFolderDialog1->setObjectName(QStringLiteral("SelectFolderDialog1"));

    // The unit's buttons take the group's place in the tab order.
    QWidget* previous = ui_->spedtTime;
    for (int i = 0; i < ui_->rgTime->items().size(); ++i) {
        setTabOrder(previous, ui_->rgTime->button(i));
        previous = ui_->rgTime->button(i);
    }
    setTabOrder(previous, ui_->chkTimeBoot);

    for (int mode = 0; mode < kModes; ++mode) {
        connect(modeButton(mode), &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                OptClick();
        });
    }
    const auto guarded = [this](void (TfrmTime::*handler)()) {
        return [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); };
    };
    connect(ui_->spdPath, &QToolButton::clicked, this, guarded(&TfrmTime::spdPathClick));
    connect(ui_->btnWeekday, &QPushButton::clicked, this, guarded(&TfrmTime::btnWeekdayClick));
    connect(ui_->btnHelp, &QPushButton::clicked, this, guarded(&TfrmTime::btnHelpClick));
    connect(ui_->btnOK, &QPushButton::clicked, this, guarded(&TfrmTime::btnOKClick));
    connect(ui_->btnCancel, &QPushButton::clicked, this, guarded(&TfrmTime::btnCancelClick));
}

TfrmTime::~TfrmTime() = default;

QRadioButton* TfrmTime::modeButton(int mode) const {
    QRadioButton* const buttons[kModes] = {ui_->optEveryTime, ui_->optTimer,
                                           ui_->optEveryDay,  ui_->optEveryWeekday,
                                           ui_->optEveryWeek, ui_->optEveryMonth};
    return mode >= 0 && mode < kModes ? buttons[mode] : nullptr;
}

void TfrmTime::FormShow() {
    const TOptTime& time = MyOption.Time;
    // A mode out of range ticks nothing and leaves the buttons as they were.
    if (QRadioButton* button = modeButton(time.Option))
        button->setChecked(true);
    OptClick();
    ui_->edtPath->setText(time.Path);
    ui_->rgTime->setItemIndex(time.Scale);
    ui_->spedtTime->setValue(time.Value);
    ui_->chkTimeBoot->setChecked(time.TimeBoot);
    ui_->chkWeekday->setChecked(time.SetWeekday);
}

// Only the interval mode has an interval; everything else stays usable in every mode.
void TfrmTime::OptClick() {
    const bool timer = ui_->optTimer->isChecked();
    ui_->spedtTime->setEnabled(timer);
    ui_->rgTime->setEnabled(timer);
    ui_->chkTimeBoot->setEnabled(timer);
}

void TfrmTime::spdPathClick() {
    SelectFolderDialog1->setInitialFolder(TSpecialFolder::sfCustom);
    SelectFolderDialog1->setInitFolderName(ui_->edtPath->text());
    if (SelectFolderDialog1->Execute())
        ui_->edtPath->setText(SelectFolderDialog1->FolderName());
}

void TfrmTime::btnWeekdayClick() {
    setWeekday_.exec();
}

void TfrmTime::btnHelpClick() {
    showHelpContext(kHelpContext);
}

void TfrmTime::btnOKClick() {
    TOptTime& time = MyOption.Time;
    for (int mode = 0; mode < kModes; ++mode) {
        if (modeButton(mode)->isChecked())
            time.Option = mode;
    }
    time.Path = ui_->edtPath->text();
    time.Scale = ui_->rgTime->itemIndex();
    time.Value = static_cast<std::int32_t>(ui_->spedtTime->Value());
    time.TimeBoot = ui_->chkTimeBoot->isChecked();
    time.SetWeekday = ui_->chkWeekday->isChecked();
    accept();
}

void TfrmTime::btnCancelClick() {
    reject();
}

}  // namespace tesselvane
