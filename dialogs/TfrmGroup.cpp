#include "dialogs/TfrmGroup.h"

#include "controls/ErrorReport.h"
#include "controls/MessageBoxes.h"
#include "dialogs/TfrmGroupSet.h"
#include "settings/Groups.h"
#include "settings/RegIni.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QValidator>

namespace tesselvane {

namespace {

const QString kGroup = QStringLiteral("Group");

// Typing stops at the length a stored name may have, counted in the code page's bytes.
class GroupNameLength : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return groupNameBytes(input) <= kMaxGroupNameBytes ? Acceptable : Invalid;
    }
};

template <class Handler>
void onClick(QPushButton* button, Handler handler) {
    QObject::connect(button, &QPushButton::clicked, button,
                     [handler] { runGuarded([&handler] { handler(); }); });
}

}  // namespace

TfrmGroup::TfrmGroup(RegIni& ini, TfrmGroupSet& groupSet, QWidget* parent)
    : FormDialog(parent), ini_(ini), groupSet_(groupSet) {
    setObjectName(QStringLiteral("frmGroup"));
    setWindowTitle(QCoreApplication::translate("TfrmGroup", "グループメンテナンス"));
    setModal(true);
    resize(296, 244);

    GroupBox2 = new QGroupBox(QCoreApplication::translate("TfrmGroup", "グループ"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 4, 204, 232);
    edtGroup = new QLineEdit(GroupBox2);
    edtGroup->setObjectName(QStringLiteral("edtGroup"));
    edtGroup->setAccessibleName(QCoreApplication::translate("TfrmGroup", "グループ名"));
    edtGroup->setGeometry(10, 22, 122, 24);
    edtGroup->setValidator(new GroupNameLength(edtGroup));
    btnGroupAdd = new QPushButton(QCoreApplication::translate("TfrmGroup", "追加"), GroupBox2);
    btnGroupAdd->setObjectName(QStringLiteral("btnGroupAdd"));
    btnGroupAdd->setGeometry(138, 22, 58, 24);
    lstGroup = new QListWidget(GroupBox2);
    lstGroup->setObjectName(QStringLiteral("lstGroup"));
    lstGroup->setAccessibleName(QCoreApplication::translate("TfrmGroup", "グループ"));
    lstGroup->setGeometry(10, 52, 122, 170);
    lstGroup->setSelectionMode(QAbstractItemView::SingleSelection);
    btnSet = new QPushButton(QCoreApplication::translate("TfrmGroup", "設定..."), GroupBox2);
    btnSet->setObjectName(QStringLiteral("btnSet"));
    btnSet->setGeometry(138, 52, 58, 24);
    btnGroupRemove = new QPushButton(QCoreApplication::translate("TfrmGroup", "削除"), GroupBox2);
    btnGroupRemove->setObjectName(QStringLiteral("btnGroupRemove"));
    btnGroupRemove->setGeometry(138, 198, 58, 24);
    btnEnd = new QPushButton(QCoreApplication::translate("TfrmGroup", "終了"), this);
    btnEnd->setObjectName(QStringLiteral("btnEnd"));
    btnEnd->setGeometry(220, 12, 68, 24);
    fixLayout();
    rememberPlace(ini, kGroup);

    // Enter in the name adds it; no button is pressed by Enter elsewhere.
    for (QPushButton* button : {btnGroupAdd, btnSet, btnGroupRemove, btnEnd})
        button->setAutoDefault(false);
    connect(edtGroup, &QLineEdit::returnPressed, this, [this] {
        if (btnGroupAdd->isEnabled())
            runGuarded([this] { btnGroupAddClick(); });
    });
    connect(edtGroup, &QLineEdit::textChanged, this, [this] { edtGroupChange(); });
    connect(lstGroup, &QListWidget::itemSelectionChanged, this, [this] { lstGroupClick(); });
    onClick(btnGroupAdd, [this] { btnGroupAddClick(); });
    onClick(btnSet, [this] { btnSetClick(); });
    onClick(btnGroupRemove, [this] { btnGroupRemoveClick(); });
    onClick(btnEnd, [this] { btnEndClick(); });
}

QStringList TfrmGroup::listedNames() const {
    QStringList names;
    for (int i = 0; i < lstGroup->count(); ++i)
        names.append(lstGroup->item(i)->text());
    return names;
}

void TfrmGroup::UpdateControls() {
    btnGroupAdd->setEnabled(!edtGroup->text().isEmpty());
    const bool selected = !lstGroup->selectedItems().isEmpty();
    btnGroupRemove->setEnabled(selected);
    btnSet->setEnabled(selected);
}

void TfrmGroup::FormShow() {
    edtGroup->clear();
    const QSignalBlocker quiet(lstGroup);
    lstGroup->clear();
    lstGroup->addItems(readGroupNames(ini_));
    UpdateControls();
    edtGroup->setFocus();
}

void TfrmGroup::edtGroupChange() {
    UpdateControls();
}

void TfrmGroup::lstGroupClick() {
    UpdateControls();
}

void TfrmGroup::btnGroupAddClick() {
    const QStringList names = listedNames();
    const GroupNameCheck check = checkNewGroupName(edtGroup->text(), names);
    if (check.result == GroupNameCheck::Result::Empty)
        return;
    if (check.result != GroupNameCheck::Result::Accepted) {
        showWarning(this, check.message);
        return;
    }
    SaveGroupNames(ini_, names + QStringList{check.name});
    lstGroup->addItem(check.name);
    // Chosen at once: what a new group wants next is its pictures (設定...).
    lstGroup->setCurrentRow(lstGroup->count() - 1);
    edtGroup->clear();
    UpdateControls();
}

void TfrmGroup::btnSetClick() {
    const QList<QListWidgetItem*> selected = lstGroup->selectedItems();
    if (selected.isEmpty())
        return;
    groupSet_.TargetGroup = selected.first()->text();
    groupSet_.exec();
}

void TfrmGroup::btnGroupRemoveClick() {
    const int row = lstGroup->currentRow();
    if (row >= 0 && lstGroup->item(row)->isSelected()) {
        QStringList names = listedNames();
        removeGroup(ini_, names, row);
        const QSignalBlocker quiet(lstGroup);
        delete lstGroup->takeItem(row);
        lstGroup->clearSelection();
        lstGroup->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    }
    UpdateControls();
}

void TfrmGroup::btnEndClick() {
    SaveGroupNames(ini_, listedNames());
    close();
}

}  // namespace tesselvane
