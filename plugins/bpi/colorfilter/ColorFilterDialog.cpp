#include "ColorFilterDialog.h"

#include "SettingsDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tesselvane::bpi {

ColorFilterDialog::ColorFilterDialog(const FilterSettings& settings, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("ColorFilterDialog", "色フィルターの設定"));

    // The effect stays selectable while it is off, so that it can be chosen beforehand.
    enabled_ = new QCheckBox(QCoreApplication::translate("ColorFilterDialog", "壁紙に使う"), this);
    enabled_->setObjectName(QStringLiteral("enabled"));
    enabled_->setChecked(settings.enabled);

    auto* group = new QGroupBox(QCoreApplication::translate("ColorFilterDialog", "効果"), this);
    grayscale_ =
        new QRadioButton(QCoreApplication::translate("ColorFilterDialog", "グレースケール"), group);
    grayscale_->setObjectName(QStringLiteral("grayscale"));
    sepia_ = new QRadioButton(QCoreApplication::translate("ColorFilterDialog", "セピア"), group);
    sepia_->setObjectName(QStringLiteral("sepia"));
    (settings.mode == FilterMode::Grayscale ? grayscale_ : sepia_)->setChecked(true);
    auto* choices = new QVBoxLayout(group);
    choices->addWidget(grayscale_);
    choices->addWidget(sepia_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enabled_);
    layout->addWidget(group);
    layout->addWidget(okCancelButtons(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

FilterSettings ColorFilterDialog::settings() const {
    FilterSettings result;
    result.enabled = enabled_->isChecked();
    result.mode = grayscale_->isChecked() ? FilterMode::Grayscale : FilterMode::Sepia;
    return result;
}

}  // namespace tesselvane::bpi
