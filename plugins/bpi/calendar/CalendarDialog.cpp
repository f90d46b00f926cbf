#include "CalendarDialog.h"

#include "SettingsDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tesselvane::bpi {

namespace {

QIcon swatch(const QColor& color) {
    QPixmap pixmap(32, 16);
    pixmap.fill(color);
    // A frame, so that white shows on a white button.
    QPainter painter(&pixmap);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

}  // namespace

CalendarDialog::CalendarDialog(const CalendarSettings& settings, QWidget* parent)
    : QDialog(parent), text_(settings.text), background_(settings.background) {
    setWindowTitle(QCoreApplication::translate("CalendarDialog", "カレンダーの設定"));

    // The other controls stay editable while it is off, so that the calendar can be set up
    // before it first appears.
    enabled_ = new QCheckBox(QCoreApplication::translate("CalendarDialog", "壁紙に使う"), this);
    enabled_->setObjectName(QStringLiteral("enabled"));
    enabled_->setChecked(settings.enabled);

    corner_ = new QComboBox(this);
    corner_->setObjectName(QStringLiteral("corner"));
    // In the order of Corner.
    corner_->addItems({QCoreApplication::translate("CalendarDialog", "左上"),
                       QCoreApplication::translate("CalendarDialog", "右上"),
                       QCoreApplication::translate("CalendarDialog", "左下"),
                       QCoreApplication::translate("CalendarDialog", "右下")});
    corner_->setCurrentIndex(int(settings.corner));

    size_ = new QComboBox(this);
    size_->setObjectName(QStringLiteral("size"));
    size_->addItems({QCoreApplication::translate("CalendarDialog", "小"),
                     QCoreApplication::translate("CalendarDialog", "中"),
                     QCoreApplication::translate("CalendarDialog", "大")});
    size_->setCurrentIndex(int(settings.size));

    auto* form = new QFormLayout;
    form->addRow(enabled_);
    form->addRow(QCoreApplication::translate("CalendarDialog", "位置"), corner_);
    form->addRow(QCoreApplication::translate("CalendarDialog", "文字の色"),
                 colorButton(QCoreApplication::translate("CalendarDialog", "文字の色"), &text_,
                             "textColor"));
    form->addRow(QCoreApplication::translate("CalendarDialog", "背景の色"),
                 colorButton(QCoreApplication::translate("CalendarDialog", "背景の色"),
                             &background_, "backgroundColor"));
    form->addRow(QCoreApplication::translate("CalendarDialog", "大きさ"), size_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancelButtons(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* CalendarDialog::colorButton(const QString& title, QColor* color,
                                         const char* objectName) {
    auto* button = new QPushButton(this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setIcon(swatch(*color));
    button->setIconSize(QSize(32, 16));
    connect(button, &QPushButton::clicked, this, [this, button, title, color] {
        QColorDialog chooser(*color, this);
        chooser.setWindowTitle(title);
        if (chooser.exec() != QDialog::Accepted)
            return;
        *color = chooser.selectedColor();
        button->setIcon(swatch(*color));
    });
    return button;
}

CalendarSettings CalendarDialog::settings() const {
    CalendarSettings result;
    result.enabled = enabled_->isChecked();
    result.corner = Corner(std::clamp(corner_->currentIndex(), 0, 3));
    result.size = CalendarSize(std::clamp(size_->currentIndex(), 0, 2));
    result.text = text_;
    result.background = background_;
    return result;
}

}  // namespace tesselvane::bpi
