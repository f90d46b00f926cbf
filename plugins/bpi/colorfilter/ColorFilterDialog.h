#pragma once

#include "ColorFilter.h"

#include <QDialog>

class QCheckBox;
class QRadioButton;

namespace tesselvane::bpi {

class ColorFilterDialog : public QDialog {
public:
    ColorFilterDialog(const FilterSettings& settings, QWidget* parent);
    FilterSettings settings() const;

private:
    QCheckBox* enabled_;
    QRadioButton* grayscale_;
    QRadioButton* sepia_;
};

}  // namespace tesselvane::bpi
