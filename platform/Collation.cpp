#include "platform/Collation.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <iterator>
#include <numeric>
#include <thread>
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

namespace {

// One key per text, made by `makeKey` (a fresh one per thread: collators are not shared
// between threads). Long lists are split over two threads, as making the keys is most of
// the work of sorting them.
template <class Key, class KeyMaker>
std::vector<Key> keysOf(const QStringList& texts, KeyMaker newKeyMaker) {
    const auto makeRange = [&](qsizetype begin, qsizetype end) {
        auto makeKey = newKeyMaker();
        std::vector<Key> keys;
        keys.reserve(static_cast<size_t>(end - begin));
        for (qsizetype i = begin; i < end; ++i)
            keys.push_back(makeKey(texts.at(i)));
        return keys;
    };
    constexpr qsizetype kWorthASecondThread = 20000;
    if (texts.size() < kWorthASecondThread || std::thread::hardware_concurrency() < 2) {
        return makeRange(0, texts.size());
    }
    const qsizetype half = texts.size() / 2;
    std::vector<Key> secondHalf;
    std::thread helper([&] { secondHalf = makeRange(half, texts.size()); });
    std::vector<Key> keys = makeRange(0, half);
    helper.join();
    keys.reserve(static_cast<size_t>(texts.size()));
    std::move(secondHalf.begin(), secondHalf.end(), std::back_inserter(keys));
    return keys;
}

}  // namespace

void sortIgnoringCase(QStringList& texts, qsizetype sharedPrefixLength) {
    const qsizetype skip = std::max<qsizetype>(0, sharedPrefixLength);
    // Keys first: comparing keys is far cheaper than collating the texts again for every
    // comparison of the sort.
    std::vector<qsizetype> order;
    if (isCLocale(QLocale())) {
        const auto keys = keysOf<QString>(texts, [skip] {
            return [skip](const QString& text) { return text.mid(skip).toCaseFolded(); };
        });
        order = sortedOrder(texts, keys,
                            [](const QString& a, const QString& b) { return a.compare(b); });
    } else {
        const auto keys = keysOf<QCollatorSortKey>(texts, [skip] {
            return [skip, collator = userCollator()](const QString& text) {
                return collator.sortKey(text.mid(skip));
            };
        });
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
