#pragma once

#include <QString>

#include <stdexcept>

namespace tesselvane {

// An error whose message is for people: it says what failed and, where it helps, what the
// user can do about it. The general error report shows message() as it stands; what() is
// the same text in UTF-8, for logs and tests.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}

    const QString& message() const { return message_; }

private:
    QString message_;
};

}  // namespace tesselvane
