#pragma once

#include <QString>

#include <stdexcept>

namespace tesselvane {

// An error of the settings store as the user sees it: one of the store's fixed Japanese
// texts naming the key or value. It reaches the program's general error report.
class ERegistryException : public std::runtime_error {
public:
    explicit ERegistryException(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}

    const QString& message() const { return message_; }

private:
    QString message_;
};

}  // namespace tesselvane
