#pragma once

#include "platform/RegValue.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace tesselvane {

class RegistryStore;

// One change a .reg file asks for. Key paths are relative to HKEY_CURRENT_USER.
struct RegFileChange {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    QString key;
    RegValue value;  // SetValue: the value; DeleteValue: its name
    int line = 0;    // where the file asks for it, from 1
};

struct RegFileError {
    int line = 0;
    QString reason;
};

// Reads a file of the "Windows Registry Editor Version 5.00" format (UTF-8, or UTF-16 with a
// byte-order mark). Only keys under HKEY_CURRENT_USER are accepted. Either every change
// is returned, or the first error with its line.
struct RegFileParse {
    std::vector<RegFileChange> changes;
    std::optional<RegFileError> error;
};
RegFileParse parseRegFile(const QByteArray& content);

constexpr qsizetype kMaxRegFileSize = 64 * 1024 * 1024;

// Applies parsed changes in one transaction: all of them, or on the first failure none, and
// the error names the line of the change that failed.
std::optional<RegFileError> applyRegFile(RegistryStore& store,
                                         const std::vector<RegFileChange>& changes);

// The key and everything below it as .reg text (UTF-8, CRLF line ends) that parseRegFile
// reads back as it was; `key` is relative to HKEY_CURRENT_USER and must exist. Line breaks in
// value names are written \n and \r. A key name with a line break cannot be written: then
// no text, and the error names the key.
struct RegFileExport {
    QByteArray content;
    std::optional<QString> error;
};
RegFileExport exportRegFile(const RegistryStore& store, const QString& key);

}  // namespace tesselvane
