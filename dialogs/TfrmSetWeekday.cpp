#include "dialogs/TfrmSetWeekday.h"

#include "controls/ErrorReport.h"
#include "settings/RegIni.h"
#include "settings/WeekdayKeys.h"
#include "ui_TfrmSetWeekday.h"

#include <QComboBox>

namespace tesselvane {

namespace {

const QString kSetWeekday = QStringLiteral("SetWeekday");
const QString kGroupName = QStringLiteral("GroupName");

}  // namespace

TfrmSetWeekday::TfrmSetWeekday(RegIni& ini, const QComboBox& mainGroupBox, QWidget* parent)
    : FormDialog(parent),
      ini_(ini),
      mainGroupBox_(mainGroupBox),
      ui_(std::make_unique<Ui::TfrmSetWeekday>()) {
    ui_->setupUi(this);
    fixLayout();
    rememberPlace(ini, kSetWeekday);
    setModal(true);
    connect(ui_->btnOK, &QPushButton::clicked, this,
            [this] { runGuarded([this] { btnOKClick(); }); });
    connect(ui_->btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

TfrmSetWeekday::~TfrmSetWeekday() = default;

QComboBox* TfrmSetWeekday::dayList(int day) const {
    QComboBox* const lists[kWeekdays] = {ui_->cboGroup1, ui_->cboGroup2, ui_->cboGroup3,
                                         ui_->cboGroup4, ui_->cboGroup5, ui_->cboGroup6,
                                         ui_->cboGroup7};
    return day >= 0 && day < kWeekdays ? lists[day] : nullptr;
}

void TfrmSetWeekday::FormShow() {
    QStringList groups;
    for (int i = 0; i < mainGroupBox_.count(); ++i)
        groups.append(mainGroupBox_.itemText(i));
    for (int day = 0; day < kWeekdays; ++day) {
        QComboBox* list = dayList(day);
        list->clear();
        list->addItems(groups);
        const QString name = ini_.ReadString(weekdayKey(day), kGroupName, QString());
        // The lists' own search, which ignores letter case.
        list->setCurrentIndex(name.isEmpty() ? -1 : list->findText(name, Qt::MatchFixedString));
    }
}

void TfrmSetWeekday::btnOKClick() {
    RegIni::Batch batch(ini_, kGroupName);
    for (int day = 0; day < kWeekdays; ++day) {
        const QComboBox* list = dayList(day);
        ini_.WriteString(weekdayKey(day), kGroupName,
                         list->currentIndex() >= 0 ? list->currentText() : QString());
    }
    batch.commit();
    accept();
}

void TfrmSetWeekday::btnCancelClick() {
    reject();
}

}  // namespace tesselvane
