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
#include <limits>
#include <memory>
#include <numeric>
#include <thread>

namespace vellora {

namespace {

enum class Mode { TextAscending, TextDescending, NumericAscending, NumericDescending };

struct OrderKey
{
    int column;
    Mode mode;
};

OrderKey orderSpec(int order)
{
    switch (order) {
    case 0:
        return {ColName, Mode::TextAscending};
    case 1:
        return {ColName, Mode::TextDescending};
    case 2:
        return {ColExt, Mode::TextAscending};
    case 3:
        return {ColSize, Mode::NumericAscending};
    case 4:
        return {ColSize, Mode::NumericDescending};
    case 5:
        return {ColDate, Mode::NumericAscending};
    case 6:
        return {ColDate, Mode::NumericDescending};
    case 7:
        return {ColVersion, Mode::TextDescending};
    case 8:
        return {ColInfo, Mode::TextAscending};
    case 9:
        return {ColFolder, Mode::TextAscending};
    case 10:
        return {ColFolder, Mode::TextDescending};
    default:
        return {-1, Mode::TextAscending};
    }
}

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

// Names are many and mostly distinct: their keys are made once per order. The "C" locale
// compares case-folded code points, which byte keys of the folded UTF-8 reproduce without
// any collator call; other locales use the collator's own sort keys.
void sortByNameBytes(ResultRows& rows, bool descending)
{
    std::string pool;
    pool.reserve(rows.names.size());
    std::vector<std::uint64_t> offset(rows.size() + 1, 0);
    std::vector<std::uint64_t> prefix(rows.size(), 0); // first 8 key bytes, big-endian
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
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::uint64_t p = 0;
        for (std::uint64_t k = 0; k < 8; ++k) {
            const std::uint64_t at = offset[i] + k;
            p = (p << 8) | (at < offset[i + 1] ? static_cast<unsigned char>(pool[at]) : 0u);
        }
        prefix[i] = p;
    }
    auto less = [&](std::uint32_t a, std::uint32_t b) {
        if (prefix[a] != prefix[b])
            return prefix[a] < prefix[b];
        const std::string_view ka(pool.data() + offset[a], offset[a + 1] - offset[a]);
        const std::string_view kb(pool.data() + offset[b], offset[b + 1] - offset[b]);
        return ka < kb;
    };
    if (descending)
        std::stable_sort(rows.order.begin(), rows.order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return less(b, a); });
    else
        std::stable_sort(rows.order.begin(), rows.order.end(), less);
}

void sortByName(ResultRows& rows, bool descending)
{
    if (QLocale().language() == QLocale::C) {
        sortByNameBytes(rows, descending);
        return;
    }
    // One pass, one collator: splitting the keys over two threads measured slower (the
    // collator's allocations contend).
    const TextKeys text;
    const QCollatorSortKey emptyKey = text.key(QString());
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    for (const ResultRows::Row& r : rows.rows) {
        if (!ResultRows::has(r, ColName)) {
            keys.push_back(emptyKey);
            continue;
        }
        const std::string_view base = baseNameOf(rows.name(r));
        keys.push_back(text.key(QString::fromUtf8(base.data(), qsizetype(base.size()))));
    }
    if (descending)
        std::stable_sort(rows.order.begin(), rows.order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keys[b].compare(keys[a]) < 0; });
    else
        std::stable_sort(rows.order.begin(), rows.order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
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

bool orderKeyShown(int order, const ColumnProfile& optV)
{
    const OrderKey def = orderSpec(order);
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

bool sortRows(ResultRows& rows, int order, const ColumnProfile& optV, const FactSource& facts)
{
    if (!orderKeyShown(order, optV))
        return false;
    const OrderKey def = orderSpec(order);
    const bool descending = def.mode == Mode::TextDescending || def.mode == Mode::NumericDescending;
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
