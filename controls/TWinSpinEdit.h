#pragma once

#include "controls/UpDownButton.h"

#include <QLineEdit>

#include <functional>

namespace tesselvane {

// A single-line entry of a whole number with a small up-down button inside its right edge.
// The number is never kept apart from the text: Value reads the text as a signed 64-bit
// integer, and every write of Value writes the text, brought into MinValue..MaxValue (a range
// that applies only while the two differ). The text is brought into range at every key
// release, loss of focus, step and write; typed characters other than digits, signs and the
// decimal separator are refused with a beep.
class TWinSpinEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(qint64 Value READ Value WRITE setValue)
    Q_PROPERTY(qint64 MinValue READ MinValue WRITE setMinValue)
    Q_PROPERTY(qint64 MaxValue READ MaxValue WRITE setMaxValue)
    Q_PROPERTY(qint64 Increment READ Increment WRITE setIncrement)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE setEditorEnabled)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE setMaxLength)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE setAutoSelect)

public:
    using Direction = UpDownButton::Direction;

    explicit TWinSpinEdit(QWidget* parent = nullptr);
    ~TWinSpinEdit() override;

    // The text as a number; text that is none is replaced by MinValue (brought into range),
    // which is then the result.
    qint64 Value();
    void setValue(qint64 value);

    qint64 MinValue() const { return minValue_; }
    void setMinValue(qint64 value) { minValue_ = value; }
    qint64 MaxValue() const { return maxValue_; }
    void setMaxValue(qint64 value) { maxValue_ = value; }
    qint64 Increment() const { return increment_; }
    void setIncrement(qint64 value) { increment_ = value; }
    // Off: the text cannot be typed, erased, cut or pasted; the steps still work.
    bool EditorEnabled() const { return editorEnabled_; }
    void setEditorEnabled(bool enabled) { editorEnabled_ = enabled; }
    // The most characters the text may hold; 0 for no limit.
    int MaxLength() const;
    void setMaxLength(int length);
    // All the text is selected when the control gets the focus other than by a click.
    bool AutoSelect() const { return autoSelect_; }
    void setAutoSelect(bool on) { autoSelect_ = on; }

    // `value` within the range (unchanged while MinValue equals MaxValue).
    qint64 ClampValue(qint64 value) const;
    // One Increment up or down, from the up-down button (`sender`) or an arrow key; a beep
    // and nothing else on a read-only control.
    virtual void StepValue(QObject* sender, Direction direction);
    // Whether a typed character may reach the text.
    virtual bool AcceptsChar(QChar key);

    // The lowest height at which the text shows whole; the control never gets lower.
    int MinimumHeight() const;
    // Keeps typed text out from under the up-down button.
    void UpdateEditRect();
    // Puts the up-down button's own count back to 0.
    void ResetUpDown();
    UpDownButton* upDown() const { return upDown_; }

    // The text changed: by typing, a step, bringing it into range, or a write of Value.
    std::function<void(QObject* sender)> OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool mayChangeText() const { return editorEnabled_ && !isReadOnly(); }
    void checkRange();
    void placeUpDown();

    qint64 minValue_ = 0;
    qint64 maxValue_ = 0;
    qint64 increment_ = 1;
    bool editorEnabled_ = true;
    bool autoSelect_ = true;
    UpDownButton* upDown_ = nullptr;
};

}  // namespace tesselvane
