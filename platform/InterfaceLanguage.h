#pragma once

#include <QString>

class QObject;

namespace tesselvane {

enum class InterfaceLanguage { Japanese, English };

// The language of the windows, menus and messages: TESSELVANE_LANG ("ja" or "en") when set,
// else the locale for messages (LC_ALL, else LC_MESSAGES, else LANG): Japanese under a
// Japanese locale and under C and POSIX (the texts as they are written), English under any
// other.
InterfaceLanguage interfaceLanguage();

// The same rule for these values of the variables.
InterfaceLanguage interfaceLanguageFor(const QString& override, const QString& lcAll,
                                       const QString& lcMessages, const QString& lang);

// `source` (UTF-8) of `context` in the interface's language: QCoreApplication::translate once
// the application exists, before it (the first steps of the start, the command line) the
// program's own translation directly.
QString interfaceText(const char* context, const char* source);

// Installs the interface's texts in the user's language: in Japanese, as written, with Qt's
// own texts (file dialogs, context menus, standard buttons) in Japanese too, silently missing
// where the system lacks them; in English, the program's translation, Qt's own texts being
// English already. The translators belong to `owner`.
void installInterfaceTexts(QObject* owner);

}  // namespace tesselvane
