#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

namespace tesselvane {

// A small up-down (spin) button: two arrows stacked, each click (and each repeat while one
// is held) reported, never acting on anything itself. It counts clicks in a position of its
// own, -32768 to 32767, which its owner may put back to 0.
class UpDownButton : public QWidget {
public:
    enum class Direction { Up, Down };

    explicit UpDownButton(QWidget* parent = nullptr);

    std::function<void(Direction)> onClick;
    std::function<void()> onMouseUp;

    int position() const { return position_; }
    void setPosition(int position);

    // The half of the button that `point` lies in.
    Direction directionAt(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void click(Direction direction);

    QTimer repeat_;
    Direction held_ = Direction::Up;
    bool pressed_ = false;
    int position_ = 0;
};

}  // namespace tesselvane
