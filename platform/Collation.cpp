#include "Collation.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <vector>

namespace tesselvane {

namespace {

QCollator userCollator() {
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// WORKAROUND: Qt's collator for the C locale makes case-sensitive sort keys whatever its
// case setting, so in that locale we fold case ourselves and compare code points.
bool isCLocale(const QLocale& locale) {
    return locale.language() == QLocale::C;
}

}  // namespace

int compareIgnoringCase(const QString& a, const QString& b) {
    if (isCLocale(QLocale()))
        return a.compare(b, Qt::CaseInsensitive);
    return userCollator().compare(a, b);
}

namespace {

// Sorts the positions of `texts` by their keys, ties by the texts' code points.
template <class Key, class Compare>
std::vector<qsizetype> sortedOrder(const QStringList& texts, const std::vector<Key>& keys,
                                   Compare compare) {
    std::vector<qsizetype> order(static_cast<size_t>(texts.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int c = compare(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]);
        if (c != 0)
            return c < 0;
        return texts.at(a) < texts.at(b);
    });
    return order;
}

}  // namespace

void sortIgnoringCase(QStringList& texts) {
    // One key per text: comparing keys is far cheaper than collating the texts again for
    // every comparison of the sort.
    std::vector<qsizetype> order;
    if (isCLocale(QLocale())) {
        std::vector<QString> keys;
        keys.reserve(static_cast<size_t>(texts.size()));
        for (const QString& text : texts)
            keys.push_back(text.toCaseFolded());
        order = sortedOrder(texts, keys,
                            [](const QString& a, const QString& b) { return a.compare(b); });
    } else {
        const QCollator collator = userCollator();
        std::vector<QCollatorSortKey> keys;
        keys.reserve(static_cast<size_t>(texts.size()));
        for (const QString& text : texts)
            keys.push_back(collator.sortKey(text));
        order = sortedOrder(texts, keys, [](const QCollatorSortKey& a, const QCollatorSortKey& b) {
            return a.compare(b);
        });
    }

    QStringList sorted;
    sorted.reserve(texts.size());
    for (qsizetype i : order)
        sorted.append(std::move(texts[i]));
    texts = std::move(sorted);
}

}  // namespace tesselvane
