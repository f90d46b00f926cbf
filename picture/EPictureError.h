#pragma once

#include <QString>

#include <stdexcept>

namespace tesselvane {

// A picture that a built-in reader could not read: damaged, too large, or memory short.
// The message names the file and says what is wrong; it reaches the general error report.
class EPictureError : public std::runtime_error {
public:
    explicit EPictureError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// The largest picture the program reads: 2^28 pixels (16384 x 16384), 1 GiB at 32 bits.
constexpr qint64 kMaxPicturePixels = qint64{1} << 28;

}  // namespace tesselvane
