#pragma once

class QObject;

namespace tesselvane {

// Qt's own texts (file dialogs, context menus, standard buttons) in Japanese, as the rest of
// the interface is, whatever the user's locale. Silently English where the system lacks Qt's
// translations. The translator belongs to `owner`.
void installJapaneseQtTexts(QObject* owner);

}  // namespace tesselvane
