#include "platform/FileSearch.h"

#include "platform/FolderReader.h"

#include <algorithm>

namespace tesselvane {

namespace {

char16_t upperAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c;
}

// Iterative matching with one backtrack point for the last "*": linear in practice, and no
// pattern can make it recurse deeply.
bool matches(QStringView name, QStringView pattern) {
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' ||
                    upperAscii(pattern[p].unicode()) == upperAscii(name[n].unicode()))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool matchesWildcard(const QString& name, const QString& pattern) {
    if (matches(name, pattern))
        return true;
    if (pattern.endsWith(QLatin1String(".*")) && !name.contains(u'.')) {
        return matches(name, QStringView(pattern).chopped(2));
    }
    return false;
}

QStringList findFiles(const QString& folder, const QString& pattern) {
    QStringList names;
    FolderReader reader(folder);
    FolderEntry entry;
    while (reader.next(entry)) {
        if (matchesWildcard(entry.name, pattern))
            names.append(entry.name);
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const qsizetype n = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t x = upperAscii(a[i].unicode());
            const char16_t y = upperAscii(b[i].unicode());
            if (x != y)
                return x < y;
        }
        if (a.size() != b.size())
            return a.size() < b.size();
        return a < b;
    });
    return names;
}

}  // namespace tesselvane
