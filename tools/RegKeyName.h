#pragma once

#include <QString>

#include <optional>

namespace tesselvane {

// "HKEY_CURRENT_USER\A\B", "HKCU\A\B" (any letter case) -> "A\B"; "HKCU" -> "".
// nullopt for any other root.
std::optional<QString> keyBelowCurrentUser(const QString& fullName);

// "A\B" -> "HKEY_CURRENT_USER\A\B"; "" -> "HKEY_CURRENT_USER".
QString currentUserKeyName(const QString& key);

}  // namespace tesselvane
