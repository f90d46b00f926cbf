#include "tools/RegKeyName.h"

namespace tesselvane {

std::optional<QString> keyBelowCurrentUser(const QString& fullName) {
    for (const QLatin1String root : {QLatin1String("HKEY_CURRENT_USER"), QLatin1String("HKCU")}) {
        if (!fullName.startsWith(root, Qt::CaseInsensitive))
            continue;
        const QString rest = fullName.mid(root.size());
        if (rest.isEmpty())
            return QString();
        if (rest.startsWith(u'\\'))
            return rest.mid(1);
    }
    return std::nullopt;
}

QString currentUserKeyName(const QString& key) {
    QString name = QStringLiteral("HKEY_CURRENT_USER");
    if (!key.isEmpty())
        name += QLatin1Char('\\') + key;
    return name;
}

}  // namespace tesselvane
