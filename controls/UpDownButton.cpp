#include "controls/UpDownButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace tesselvane {

UpDownButton::UpDownButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    connect(&repeat_, &QTimer::timeout, this, [this] {
        // The first repeat waits longer, as with every held button of the platform.
        repeat_.setInterval(style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatRate));
        click(held_);
    });
}

void UpDownButton::setPosition(int position) {
    position_ = std::clamp(position, -32768, 32767);
}

UpDownButton::Direction UpDownButton::directionAt(QPoint point) const {
    return point.y() < height() / 2 ? Direction::Up : Direction::Down;
}

void UpDownButton::click(Direction direction) {
    setPosition(position_ + (direction == Direction::Up ? 1 : -1));
    if (onClick)
        onClick(direction);
}

void UpDownButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    held_ = directionAt(event->position().toPoint());
    pressed_ = true;
    update();
    repeat_.start(style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatThreshold));
    click(held_);
}

void UpDownButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        repeat_.stop();
        pressed_ = false;
        update();
        if (onMouseUp)
            onMouseUp();
    }
    QWidget::mouseReleaseEvent(event);
}

void UpDownButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        repeat_.stop();
        pressed_ = false;
    }
    QWidget::changeEvent(event);
}

void UpDownButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int half = height() / 2;
    const QRect halves[] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (const Direction direction : {Direction::Up, Direction::Down}) {
        QStyleOption option;
        option.initFrom(this);
        option.rect = halves[direction == Direction::Up ? 0 : 1];
        const bool down = pressed_ && held_ == direction;
        option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        option.rect.adjust(2, 1, -2, -1);
        style()->drawPrimitive(direction == Direction::Up ? QStyle::PE_IndicatorArrowUp
                                                          : QStyle::PE_IndicatorArrowDown,
                               &option, &painter, this);
    }
}

}  // namespace tesselvane
