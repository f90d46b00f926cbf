#include "platform/Collation.h"

#include "platform/FolderReader.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <numeric>
#include <string>
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
std::vector<Key> keysOf(qsizetype count, KeyMaker newKeyMaker) {
    const auto makeRange = [&](qsizetype begin, qsizetype end) {
        auto makeKey = newKeyMaker();
        std::vector<Key> keys;
        keys.reserve(static_cast<size_t>(end - begin));
        for (qsizetype i = begin; i < end; ++i)
            keys.push_back(makeKey(i));
        return keys;
    };
    constexpr qsizetype kWorthASecondThread = 20000;
    if (count < kWorthASecondThread || std::thread::hardware_concurrency() < 2) {
        return makeRange(0, count);
    }
    const qsizetype half = count / 2;
    std::vector<Key> secondHalf;
    std::thread helper([&] { secondHalf = makeRange(half, count); });
    std::vector<Key> keys = makeRange(0, half);
    helper.join();
    keys.reserve(static_cast<size_t>(count));
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
        const auto keys = keysOf<QString>(texts.size(), [&texts, skip] {
            return [&texts, skip](qsizetype i) { return texts.at(i).mid(skip).toCaseFolded(); };
        });
        order = sortedOrder(texts, keys,
                            [](const QString& a, const QString& b) { return a.compare(b); });
    } else {
        const auto keys = keysOf<QCollatorSortKey>(texts.size(), [&texts, skip] {
            return [&texts, skip, collator = userCollator()](qsizetype i) {
                return collator.sortKey(texts.at(i).mid(skip));
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

namespace {

// A byte string whose plain byte order is the order of the case-folded text's UTF-16 units:
// each unit is written as UTF-8 writes a code point of that value (surrogates included), an
// encoding that keeps the order. An ASCII path is only lowered, which most paths are.
void appendFoldedKey(std::string& key, const FileTree& paths, qsizetype i) {
    const std::string_view path = paths.at(i);
    if (paths.isAscii(i)) {
        for (const char c : path)
            key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        return;
    }
    for (const QChar c : paths.decoded(i).toCaseFolded()) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            key += static_cast<char>(u);
        } else if (u < 0x800) {
            key += static_cast<char>(0xC0 | (u >> 6));
            key += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            key += static_cast<char>(0xE0 | (u >> 12));
            key += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            key += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
}

// The paths' positions with their folded keys, and the order of the list on them: by key,
// ties by the paths' bytes, so that the order is total and one position is the n-th.
class FoldedOrder {
public:
    explicit FoldedOrder(const FileTree& paths) : paths_(paths) {
        items_.reserve(static_cast<size_t>(paths.size()));
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const auto begin = static_cast<std::uint32_t>(keys_.size());
            appendFoldedKey(keys_, paths, i);
            items_.push_back({begin, static_cast<std::uint32_t>(keys_.size() - begin),
                              static_cast<std::uint32_t>(i)});
        }
    }

    std::vector<std::uint32_t> sorted() {
        std::sort(items_.begin(), items_.end(),
                  [this](const Item& a, const Item& b) { return before(a, b); });
        std::vector<std::uint32_t> order;
        order.reserve(items_.size());
        for (const Item& item : items_)
            order.push_back(item.index);
        return order;
    }

    std::uint32_t nth(qsizetype n) {
        const auto at = items_.begin() + n;
        std::nth_element(items_.begin(), at, items_.end(),
                         [this](const Item& a, const Item& b) { return before(a, b); });
        return at->index;
    }

private:
    struct Item {
        std::uint32_t begin;
        std::uint32_t length;
        std::uint32_t index;
    };

    bool before(const Item& a, const Item& b) const {
        const std::string_view all(keys_);
        const int c = all.substr(a.begin, a.length).compare(all.substr(b.begin, b.length));
        if (c != 0)
            return c < 0;
        return paths_.at(a.index) < paths_.at(b.index);
    }

    const FileTree& paths_;
    std::string keys_;
    std::vector<Item> items_;
};

// The same for a real locale: collator keys, ties by the bytes.
class CollatedOrder {
public:
    explicit CollatedOrder(const FileTree& paths)
        : paths_(paths),
          keys_(keysOf<QCollatorSortKey>(paths.size(),
                                         [&paths] {
                                             return
                                                 [&paths, collator = userCollator()](qsizetype i) {
                                                     return collator.sortKey(paths.decoded(i));
                                                 };
                                         })),
          order_(static_cast<size_t>(paths.size())) {
        std::iota(order_.begin(), order_.end(), 0);
    }

    std::vector<std::uint32_t> sorted() {
        std::sort(order_.begin(), order_.end(),
                  [this](std::uint32_t a, std::uint32_t b) { return before(a, b); });
        return std::move(order_);
    }

    std::uint32_t nth(qsizetype n) {
        const auto at = order_.begin() + n;
        std::nth_element(order_.begin(), at, order_.end(),
                         [this](std::uint32_t a, std::uint32_t b) { return before(a, b); });
        return *at;
    }

private:
    bool before(std::uint32_t a, std::uint32_t b) const {
        const int c = keys_[a].compare(keys_[b]);
        if (c != 0)
            return c < 0;
        return paths_.at(a) < paths_.at(b);
    }

    const FileTree& paths_;
    std::vector<QCollatorSortKey> keys_;
    std::vector<std::uint32_t> order_;
};

}  // namespace

std::vector<std::uint32_t> orderIgnoringCase(const FileTree& paths) {
    if (isCLocale(QLocale()))
        return FoldedOrder(paths).sorted();
    return CollatedOrder(paths).sorted();
}

std::uint32_t nthIgnoringCase(const FileTree& paths, qsizetype n) {
    Q_ASSERT(n >= 0 && n < paths.size());
    if (isCLocale(QLocale()))
        return FoldedOrder(paths).nth(n);
    return CollatedOrder(paths).nth(n);
}

}  // namespace tesselvane
