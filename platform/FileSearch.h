#pragma once

#include <QString>
#include <QStringList>

namespace tesselvane {

// Windows wildcard matching: "*" any run of characters, "?" exactly one, ASCII letters
// without regard to case; a final ".*" also matches a name without extension ("a.*" matches
// "a"), so "*.*" matches every name.
bool matchesWildcard(const QString& name, const QString& pattern);

// Names of the entries of `folder` (files, folders, hidden ones and links alike) that match
// `pattern`, ordered by name with ASCII letters compared as upper case, as the file systems
// of Windows list them; programs that take "the first match" then behave the same every time.
// A missing or unreadable folder gives an empty list.
QStringList findFiles(const QString& folder, const QString& pattern);

}  // namespace tesselvane
