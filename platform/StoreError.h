#pragma once

#include <QString>

#include <stdexcept>

namespace tesselvane {

// Raised by the per-user store. The message is for people: it says what failed and, where it
// helps, what the user can do about it.
class StoreError : public std::runtime_error {
public:
    enum class Kind {
        Failed,   // the database refused or could not do the operation
        Busy,     // another process held the store longer than we were willing to wait
        Invalid,  // a key or value name, or data, that the store does not accept
    };

    StoreError(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind_(kind), message_(message) {}

    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }

private:
    Kind kind_;
    QString message_;
};

}  // namespace tesselvane
