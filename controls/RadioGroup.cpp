#include "controls/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace tesselvane {

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)) {}

void RadioGroup::setItems(const QStringList& items) {
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    items_ = items;
    for (int i = 0; i < items_.size(); ++i) {
        auto* b = new QRadioButton(items_[i], this);
        b->setObjectName(objectName() + QString::number(i));
        group_->addButton(b, i);
        b->show();
    }
    arrange();
}

void RadioGroup::setColumns(int columns) {
    columns_ = std::max(1, columns);
    arrange();
}

int RadioGroup::itemIndex() const {
    return group_->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (QAbstractButton* b = group_->button(index)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked unless told to let go.
    group_->setExclusive(false);
    for (QAbstractButton* b : group_->buttons())
        b->setChecked(false);
    group_->setExclusive(true);
}

QRadioButton* RadioGroup::button(int index) const {
    return qobject_cast<QRadioButton*>(group_->button(index));
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    arrange();
}

// Items fill the columns top to bottom, then left to right, in equal cells below the title.
void RadioGroup::arrange() {
    if (items_.isEmpty())
        return;
    const QRect inside = contentsRect().adjusted(8, 0, -4, -2);
    const int rows = (static_cast<int>(items_.size()) + columns_ - 1) / columns_;
    const int cellWidth = inside.width() / columns_;
    const int cellHeight = std::max(1, inside.height() / rows);
    for (int i = 0; i < items_.size(); ++i) {
        const int column = i / rows;
        const int row = i % rows;
        group_->button(i)->setGeometry(inside.left() + column * cellWidth,
                                       inside.top() + row * cellHeight, cellWidth, cellHeight);
    }
}

}  // namespace tesselvane
