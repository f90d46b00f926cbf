#pragma once

#include "CalendarSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace tesselvane::bpi {

class CalendarDialog : public QDialog {
public:
    CalendarDialog(const CalendarSettings& settings, QWidget* parent);
    CalendarSettings settings() const;

private:
    QPushButton* colorButton(const QString& title, QColor* color, const char* objectName);

    QCheckBox* enabled_;
    QComboBox* corner_;
    QComboBox* size_;
    QColor text_;
    QColor background_;
};

}  // namespace tesselvane::bpi
