#include "controls/TWinSpinEdit.h"

#include "controls/Beep.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QStyle>

#include <algorithm>
#include <optional>

namespace tesselvane {

namespace {

constexpr int kUpDownWidth = 15;
constexpr int kUpDownHeight = 17;
constexpr int kNoLimit = 32767;   // QLineEdit's own "no limit"
constexpr int kBorderHeight = 1;  // a thin border, as the platform draws around edits

// An optional sign and decimal digits, within 64 bits; nothing else.
std::optional<qint64> parseInt64(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    quint64 magnitude = 0;
    const quint64 limit = negative ? quint64{1} << 63 : (quint64{1} << 63) - 1;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const quint64 digit = c - u'0';
        if (magnitude > (limit - digit) / 10)
            return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    return negative ? static_cast<qint64>(~magnitude + 1) : static_cast<qint64>(magnitude);
}

// Keys that erase text without typing a character.
bool erases(const QKeyEvent* event) {
    return event->key() == Qt::Key_Delete || event->matches(QKeySequence::DeleteEndOfWord) ||
           event->matches(QKeySequence::DeleteStartOfWord) ||
           event->matches(QKeySequence::DeleteEndOfLine) ||
           event->matches(QKeySequence::DeleteCompleteLine);
}

}  // namespace

TWinSpinEdit::TWinSpinEdit(QWidget* parent) : QLineEdit(parent) {
    upDown_ = new UpDownButton(this);
    upDown_->setObjectName(QStringLiteral("upDown"));
    upDown_->setAccessibleName(QCoreApplication::translate("TWinSpinEdit", "増減"));
    upDown_->resize(kUpDownWidth, kUpDownHeight);
    upDown_->onClick = [this](Direction direction) { StepValue(upDown_, direction); };
    upDown_->onMouseUp = [this] { ResetUpDown(); };
    // Only what is typed or pasted (and then checked) may change the text.
    setAcceptDrops(false);
    setText(QStringLiteral("0"));
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange)
            OnChange(this);
    });
    UpdateEditRect();
}

TWinSpinEdit::~TWinSpinEdit() = default;

qint64 TWinSpinEdit::Value() {
    if (const auto value = parseInt64(text()))
        return *value;
    setValue(minValue_);
    return minValue_;
}

void TWinSpinEdit::setValue(qint64 value) {
    const QString wanted = QString::number(ClampValue(value));
    if (text() != wanted)
        setText(wanted);
}

int TWinSpinEdit::MaxLength() const {
    return maxLength() == kNoLimit ? 0 : maxLength();
}

void TWinSpinEdit::setMaxLength(int length) {
    QLineEdit::setMaxLength(length <= 0 ? kNoLimit : length);
}

qint64 TWinSpinEdit::ClampValue(qint64 value) const {
    if (maxValue_ == minValue_)
        return value;
    if (value < minValue_)
        return minValue_;
    if (value > maxValue_)
        return maxValue_;
    return value;
}

void TWinSpinEdit::StepValue(QObject*, Direction direction) {
    if (isReadOnly()) {
        beep();
        return;
    }
    // Formed without overflow detection: it wraps, as the 64-bit sum always has.
    const auto value = static_cast<quint64>(Value());
    const auto step = static_cast<quint64>(increment_);
    setValue(static_cast<qint64>(direction == Direction::Up ? value + step : value - step));
}

bool TWinSpinEdit::AcceptsChar(QChar key) {
    const char16_t code = key.unicode();
    bool accepted = key == u'+' || key == u'-' || (key >= u'0' && key <= u'9') ||
                    QString(key) == QLocale().decimalPoint() || (code < 32 && code != u'\r');
    if (!editorEnabled_ && accepted && (code >= 32 || code == u'\b'))
        accepted = false;
    return accepted;
}

int TWinSpinEdit::MinimumHeight() const {
    const int system = QFontMetrics(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).height();
    const int own = fontMetrics().height();
    return own + std::min(system, own) / 4 + 4 * kBorderHeight + 2;
}

void TWinSpinEdit::UpdateEditRect() {
    setTextMargins(0, 0, upDown_->width() + 1, 0);
}

void TWinSpinEdit::ResetUpDown() {
    upDown_->setPosition(0);
}

void TWinSpinEdit::checkRange() {
    const qint64 value = Value();
    if (ClampValue(value) != value)
        setValue(value);
}

void TWinSpinEdit::placeUpDown() {
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int buttonWidth = upDown_->width();
    upDown_->setGeometry(width() - buttonWidth - frame, frame, buttonWidth,
                         std::max(0, height() - 2 * frame));
}

void TWinSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up)
        StepValue(this, Direction::Up);
    else if (event->key() == Qt::Key_Down)
        StepValue(this, Direction::Down);

    if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Paste)) {
        if (!mayChangeText()) {
            event->accept();  // dropped without a word
            return;
        }
    } else if (!editorEnabled_ && erases(event)) {
        beep();
        event->accept();
        return;
    } else {
        // Delete is a key, not a character, however the platform spells it.
        const QString typed = event->text();
        const bool isCharacter = !typed.isEmpty() && typed != QStringLiteral("\x7f");
        if (isCharacter &&
            !std::all_of(typed.begin(), typed.end(), [this](QChar c) { return AcceptsChar(c); })) {
            beep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TWinSpinEdit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    checkRange();
}

void TWinSpinEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString typed = event->commitString();
    if (!std::all_of(typed.begin(), typed.end(), [this](QChar c) { return AcceptsChar(c); })) {
        beep();
        QInputMethodEvent dropped;
        QLineEdit::inputMethodEvent(&dropped);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void TWinSpinEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (autoSelect_ && !(QApplication::mouseButtons() & Qt::LeftButton))
        selectAll();
}

void TWinSpinEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    checkRange();
}

void TWinSpinEdit::resizeEvent(QResizeEvent* event) {
    if (height() < MinimumHeight()) {
        resize(width(), MinimumHeight());  // comes back here at the new height
        return;
    }
    QLineEdit::resizeEvent(event);
    placeUpDown();
    UpdateEditRect();
}

void TWinSpinEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange && height() < MinimumHeight())
        resize(width(), MinimumHeight());
}

void TWinSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (name != QLatin1String("edit-cut") && name != QLatin1String("edit-paste"))
            continue;
        // Dropped without a word when editing is off, whatever the menu shows.
        action->disconnect(this);
        const bool paste = name == QLatin1String("edit-paste");
        connect(action, &QAction::triggered, this, [this, paste] {
            if (!mayChangeText())
                return;
            if (paste)
                this->paste();
            else
                cut();
        });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

}  // namespace tesselvane
