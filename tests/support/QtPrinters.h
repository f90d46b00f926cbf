#pragma once

// Lets GoogleTest print Qt values readably in failure messages. Included into every test
// source by the build.

#include <QByteArray>
#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << "bytes \"" << bytes.toStdString() << '"';
}
