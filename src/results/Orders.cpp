// The eleven orders of the table. Every order is a stable sort of the display permutation
// on one key; text keys are ranked once (folders, extensions, versions and infos are few
// distinct texts) or, for names, turned into collation keys once per order, so that the
// sort itself never calls the collator.

#include "ResultRows.h"
#include "results/AppState.h"
#include "results/Formats.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>

namespace vellora {

namespace {

// Case is ignored and the user's locale decides the rest. The "C" locale's collator ignores
// case in compare() but not in its sort keys, so those texts are folded first.
class TextKeys
{
public:
    TextKeys() : m_collator(QLocale()), m_fold(QLocale().language() == QLocale::C)
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    [[nodiscard]] QCollatorSortKey key(const QString& s) const
    {
        return m_collator.sortKey(m_fold ? s.toCaseFolded() : s);
    }

    // Ranks of a few distinct texts: equal texts (by the collator) share a rank; the empty
    // text ranks 0, before any other.
    [[nodiscard]] std::vector<std::uint32_t> rank(const std::vector<QString>& texts) const
    {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(texts.size());
        for (const QString& t : texts)
            keys.push_back(key(t));
        std::vector<std::uint32_t> idx(texts.size());
        std::iota(idx.begin(), idx.end(), 0u);
        std::sort(idx.begin(), idx.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
        std::vector<std::uint32_t> ranks(texts.size(), 0);
        std::uint32_t r = 0;
        for (std::size_t i = 0; i < idx.size(); ++i) {
            if (texts[idx[i]].isEmpty()) {
                ranks[idx[i]] = 0;
                continue;
            }
            if (i == 0 || keys[idx[i - 1]].compare(keys[idx[i]]) != 0 || texts[idx[i - 1]].isEmpty())
                ++r;
            ranks[idx[i]] = r;
        }
        return ranks;
    }

private:
    QCollator m_collator;
    bool m_fold;
};

template <typename Key> void sortBy(ResultRows& rows, const std::vector<Key>& keys, bool descending)
{
    if (descending)
        std::stable_sort(rows.order.begin(), rows.order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keys[b] < keys[a]; });
    else
        std::stable_sort(rows.order.begin(), rows.order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
}

// The first 16 bytes of key i (pool bytes from offset[i] to offset[i + 1]) in two big-endian
// words, padded past the key's end with pad: nearly every comparison of two names ends
// there, on one cache line, without touching the keys.
using KeyPrefix = std::array<std::uint64_t, 2>;

KeyPrefix keyPrefix(const std::string& pool, const std::vector<std::uint64_t>& offset, std::size_t i,
                    unsigned pad)
{
    KeyPrefix out{};
    for (std::size_t w = 0; w < out.size(); ++w)
        for (std::uint64_t k = 0; k < 8; ++k) {
            const std::uint64_t at = offset[i] + 8 * w + k;
            out[w] = (out[w] << 8) | (at < offset[i + 1] ? static_cast<unsigned char>(pool[at]) : pad);
        }
    return out;
}

// How two prefixes order their keys: below or above 0 when they decide, 0 when the keys
// must be compared further (equal prefixes, or a first difference where a prefix holds
// ranOut, a byte that stands for "more follows elsewhere"; 0x100 for none).
int comparePrefixes(const KeyPrefix& a, const KeyPrefix& b, unsigned ranOut)
{
    for (std::size_t w = 0; w < a.size(); ++w) {
        if (a[w] == b[w])
            continue;
        const int shift = 56 - (__builtin_clzll(a[w] ^ b[w]) & ~7);
        if (((a[w] >> shift) & 0xff) == ranOut || ((b[w] >> shift) & 0xff) == ranOut)
            return 0;
        return a[w] < b[w] ? -1 : 1;
    }
    return 0;
}

// Stable sort of the display order by the rows' key prefixes (prefixOf(row)), less(a, b)
// deciding where they do not. The prefixes travel with the row numbers, so a comparison
// reads memory next to the last one instead of two rows anywhere in the table.
template <typename PrefixOf, typename Less>
void sortByPrefixes(std::vector<std::uint32_t>& order, PrefixOf prefixOf, unsigned ranOut, bool descending,
                    Less less)
{
    struct Item
    {
        KeyPrefix prefix;
        std::uint32_t row;
    };
    std::vector<Item> items;
    items.reserve(order.size());
    for (const std::uint32_t row : order)
        items.push_back({prefixOf(row), row});
    const auto before = [&](const Item& a, const Item& b) {
        const int c = comparePrefixes(a.prefix, b.prefix, ranOut);
        return c != 0 ? c < 0 : less(a.row, b.row);
    };
    if (descending)
        std::stable_sort(items.begin(), items.end(),
                         [&](const Item& a, const Item& b) { return before(b, a); });
    else
        std::stable_sort(items.begin(), items.end(), before);
    for (std::size_t k = 0; k < items.size(); ++k)
        order[k] = items[k].row;
}

// Names are many and mostly distinct: their keys are made once per order. The "C" locale
// compares case-folded code points, which byte keys of the folded UTF-8 reproduce without
// any collator call; other locales use the collator's own sort keys.
void sortByNameBytes(ResultRows& rows, bool descending)
{
    std::string pool;
    pool.reserve(rows.names.size());
    std::vector<std::uint64_t> offset(rows.size() + 1, 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ResultRows::Row& r = rows.rows[i];
        offset[i] = pool.size();
        if (!ResultRows::has(r, ColName))
            continue;
        const std::string_view base = baseNameOf(rows.name(r));
        bool ascii = true;
        for (char ch : base)
            ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
        if (ascii) {
            for (char ch : base)
                pool.push_back(ch >= 'A' && ch <= 'Z' ? char(ch + ('a' - 'A')) : ch);
        } else {
            pool.append(
                QString::fromUtf8(base.data(), qsizetype(base.size())).toCaseFolded().toUtf8().toStdString());
        }
    }
    offset[rows.size()] = pool.size();
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        const std::string_view ka(pool.data() + offset[a], offset[a + 1] - offset[a]);
        const std::string_view kb(pool.data() + offset[b], offset[b + 1] - offset[b]);
        return ka < kb;
    };
    sortByPrefixes(
        rows.order, [&](std::uint32_t i) { return keyPrefix(pool, offset, i, 0); }, 0x100, descending, less);
}

// Names by the collator's sort keys, made once per name.
void sortByCollatorKeys(ResultRows& rows, bool descending, const QCollator& collator)
{
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    const QCollatorSortKey emptyKey = collator.sortKey(QString());
    for (const ResultRows::Row& r : rows.rows) {
        if (!ResultRows::has(r, ColName)) {
            keys.push_back(emptyKey);
            continue;
        }
        const std::string_view base = baseNameOf(rows.name(r));
        keys.push_back(collator.sortKey(QString::fromUtf8(base.data(), qsizetype(base.size()))));
    }
    if (descending)
        std::stable_sort(rows.order.begin(), rows.order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keys[b].compare(keys[a]) < 0; });
    else
        std::stable_sort(rows.order.begin(), rows.order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
}

// How the locale's collator orders printable ASCII: one primary rank per character, read off
// the collator itself, and trusted only when every pair of characters sorts by those ranks
// too (a locale that makes one letter of "ch" or "aa" fails the check and keeps the collator's
// own keys). Worked out once per locale.
struct AsciiRanks
{
    bool usable = false;
    std::array<std::uint8_t, 128> rank{}; // 0: not a printable ASCII character
};

const AsciiRanks& asciiRanks(const QCollator& collator)
{
    static std::mutex mutex;
    static std::map<QString, AsciiRanks> cache;
    const std::lock_guard lock(mutex);
    auto [it, fresh] = cache.try_emplace(collator.locale().name());
    AsciiRanks& r = it->second;
    if (!fresh)
        return r;
    std::vector<char> chars;
    for (char c = 0x20; c < 0x7f; ++c)
        chars.push_back(c);
    const auto text = [](std::initializer_list<char> cs) {
        QString s;
        for (char c : cs)
            s += QLatin1Char(c);
        return s;
    };
    std::stable_sort(chars.begin(), chars.end(),
                     [&](char a, char b) { return collator.compare(text({a}), text({b})) < 0; });
    std::uint8_t next = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (i == 0 || collator.compare(text({chars[i - 1]}), text({chars[i]})) != 0)
            ++next;
        r.rank[std::size_t(chars[i])] = next;
    }
    // Every string of one and two characters, in rank order: neighbours must agree with the
    // collator, which then agrees on the whole list.
    std::vector<std::string> all;
    for (char a : chars) {
        all.push_back(std::string(1, a));
        for (char b : chars)
            all.push_back(std::string{a, b});
    }
    const auto ranks = [&r](const std::string& s) {
        std::string k;
        for (char c : s)
            k.push_back(char(r.rank[std::size_t(c)]));
        return k;
    };
    std::stable_sort(all.begin(), all.end(),
                     [&](const std::string& a, const std::string& b) { return ranks(a) < ranks(b); });
    r.usable = true;
    for (std::size_t i = 1; i < all.size() && r.usable; ++i) {
        const int byRank = ranks(all[i - 1]) == ranks(all[i]) ? 0 : -1;
        const int byCollator = collator.compare(QString::fromLatin1(all[i - 1]), QString::fromLatin1(all[i]));
        r.usable = (byCollator < 0 ? -1 : byCollator > 0 ? 1 : 0) == byRank;
    }
    return r;
}

// Names in the user's locale. Names of printable ASCII, nearly all of them, compare by the
// collator's ranks of their characters without a call to it; a name with anything else
// (accents, other scripts, control characters) goes to the collator where its ranks run out.
void sortByName(ResultRows& rows, bool descending)
{
    if (QLocale().language() == QLocale::C) {
        sortByNameBytes(rows, descending);
        return;
    }
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const AsciiRanks& table = asciiRanks(collator);
    if (!table.usable) {
        sortByCollatorKeys(rows, descending, collator);
        return;
    }
    const std::size_t n = rows.size();
    std::string pool;
    pool.reserve(rows.names.size());
    std::vector<std::uint64_t> offset(n + 1, 0);
    // Prefixes of the ranks, padded with 0 after the end of a name and with kRanOut after
    // the last rank of a name that goes on with other characters: two prefixes that first
    // differ where neither ran out decide the order without looking further.
    constexpr unsigned kRanOut = 0x80;
    std::vector<std::uint8_t> complete(n, 1); // every character of the name has a rank
    for (std::size_t i = 0; i < n; ++i) {
        const ResultRows::Row& r = rows.rows[i];
        offset[i] = pool.size();
        if (!ResultRows::has(r, ColName))
            continue;
        for (const char ch : baseNameOf(rows.name(r))) {
            const auto c = static_cast<unsigned char>(ch);
            const std::uint8_t k = c < 0x80 ? table.rank[c] : 0;
            if (k == 0) {
                complete[i] = 0;
                break;
            }
            pool.push_back(char(k));
        }
    }
    offset[n] = pool.size();
    const auto key = [&](std::uint32_t i) {
        return std::string_view(pool.data() + offset[i], offset[i + 1] - offset[i]);
    };
    const auto text = [&](std::uint32_t i) {
        const ResultRows::Row& r = rows.rows[i];
        if (!ResultRows::has(r, ColName))
            return QString();
        const std::string_view base = baseNameOf(rows.name(r));
        return QString::fromUtf8(base.data(), qsizetype(base.size()));
    };
    auto less = [&](std::uint32_t a, std::uint32_t b) {
        const std::string_view ka = key(a), kb = key(b);
        const std::size_t common = std::min(ka.size(), kb.size());
        if (const int c = std::memcmp(ka.data(), kb.data(), common); c != 0)
            return c < 0;
        // One key is the start of the other: a whole name before a longer one, a name whose
        // ranks ran out to the collator.
        if (ka.size() != kb.size() && complete[ka.size() < kb.size() ? a : b])
            return ka.size() < kb.size();
        if (ka.size() == kb.size() && complete[a] && complete[b])
            return false;
        return collator.compare(text(a), text(b)) < 0;
    };
    sortByPrefixes(
        rows.order, [&](std::uint32_t i) { return keyPrefix(pool, offset, i, complete[i] ? 0u : kRanOut); },
        kRanOut, descending, less);
}

void sortByExtension(ResultRows& rows)
{
    // Distinct extensions by their bytes, ranked once.
    QHash<QByteArray, std::uint32_t> index;
    std::vector<QString> texts{QString()};
    std::vector<std::uint32_t> rowExt(rows.size(), 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ResultRows::Row& r = rows.rows[i];
        if (!ResultRows::has(r, ColExt))
            continue;
        const std::string_view ext = extensionOf(rows.name(r));
        if (ext.empty())
            continue;
        const QByteArray bytes = QByteArray::fromRawData(ext.data(), qsizetype(ext.size()));
        auto it = index.constFind(bytes);
        if (it == index.constEnd()) {
            it = index.insert(QByteArray(ext.data(), qsizetype(ext.size())), std::uint32_t(texts.size()));
            texts.push_back(QString::fromUtf8(bytes));
        }
        rowExt[i] = *it;
    }
    const std::vector<std::uint32_t> ranks = TextKeys().rank(texts);
    for (std::uint32_t& k : rowExt)
        k = ranks[k];
    sortBy(rows, rowExt, false);
}

void sortByFolder(ResultRows& rows, bool descending)
{
    std::vector<QString> texts{QString()};
    texts.reserve(rows.folders.size() + 1);
    for (const QByteArray& f : rows.folders)
        texts.push_back(QString::fromUtf8(f));
    const std::vector<std::uint32_t> ranks = TextKeys().rank(texts);
    std::vector<std::uint32_t> keys(rows.size(), 0);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (ResultRows::has(rows.rows[i], ColFolder))
            keys[i] = ranks[rows.rows[i].folder + 1];
    sortBy(rows, keys, descending);
}

// Versions and infos share one interned table; an unfilled cell reads as the empty text.
void sortByInterned(ResultRows& rows, int column, bool descending)
{
    const std::vector<std::uint32_t> ranks = TextKeys().rank(rows.strings);
    std::vector<std::uint32_t> keys(rows.size(), 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ResultRows::Row& r = rows.rows[i];
        if (ResultRows::has(r, column))
            keys[i] = ranks[column == ColVersion ? r.version : r.info];
    }
    // Descending text order puts the empty text last, as the grouping of versions wants.
    sortBy(rows, keys, descending);
}

// Size and date orders read each file again: the fresh value is both the key and the text
// the cell shows afterwards. A file that cannot be read leaves its cell empty, and an empty
// cell sorts before every number.
void sortByStat(ResultRows& rows, int column, bool descending, const FactSource& facts)
{
    std::vector<std::int64_t> keys(rows.size(), std::numeric_limits<std::int64_t>::min());
    auto statRange = [&rows, &keys, &facts, column](std::size_t begin, std::size_t end) {
        const std::unique_ptr<FactReader> reader = facts.reader();
        for (std::size_t i = begin; i < end; ++i) {
            ResultRows::Row& r = rows.rows[i];
            if (!ResultRows::has(r, ColFolder)) // a row an interrupted fill left empty
                continue;
            const FileFacts f = reader->read(rows.folders[r.folder], rows.name(r), FactReader::Stat);
            ResultRows::mark(r, column, f.statted);
            if (!f.statted)
                continue;
            if (column == ColSize) {
                r.size = f.size;
                keys[i] = f.size;
            } else {
                r.mtime = f.mtime;
                // Dates compare to the minute, as their texts do.
                keys[i] = f.mtime >= 0 ? f.mtime / 60 : -((-f.mtime + 59) / 60);
            }
        }
    };
    // Two halves on two threads: the reads wait on the kernel, not on each other.
    const std::size_t n = rows.size();
    if (n >= 4096 && std::thread::hardware_concurrency() > 1) {
        std::thread other(statRange, n / 2, n);
        statRange(0, n / 2);
        other.join();
    } else {
        statRange(0, n);
    }
    sortBy(rows, keys, descending);
}

} // namespace

bool orderKeyShown(Order order, const ColumnProfile& optV)
{
    const OrderKey def = orderKey(order);
    if (def.column < 0)
        return false;
    switch (def.column) {
    case ColName:
    case ColFolder:
        return true;
    default:
        return optV[std::size_t(def.column)] == 1;
    }
}

bool sortRows(ResultRows& rows, Order order, const ColumnProfile& optV, const FactSource& facts)
{
    if (!orderKeyShown(order, optV))
        return false;
    const OrderKey def = orderKey(order);
    const bool descending = def.descending;
    switch (def.column) {
    case ColName:
        sortByName(rows, descending);
        break;
    case ColExt:
        sortByExtension(rows);
        break;
    case ColSize:
    case ColDate:
        sortByStat(rows, def.column, descending, facts);
        break;
    case ColVersion:
    case ColInfo:
        sortByInterned(rows, def.column, descending);
        break;
    case ColFolder:
        sortByFolder(rows, descending);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace vellora
