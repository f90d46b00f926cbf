#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace tesselvane {

// The text an error carries, for people: the message of the program's own errors, what() of
// anything else.
QString errorText(std::exception_ptr error);

// The text of the general error report: the error's text with a full stop added when it has
// none (a Japanese one after Japanese text).
QString withFullStop(const QString& text);

// Runs a command or a timer tick; an error that escapes it is shown in the general error
// report and the program goes on.
void reportError(std::exception_ptr error);
template <class Command>
void runGuarded(Command&& command) {
    try {
        std::forward<Command>(command)();
    } catch (...) {
        reportError(std::current_exception());
    }
}

}  // namespace tesselvane
