#include "Comparison.h"

#include "CompareLog.h"
#include "fileinfo/FolderPaths.h"
#include "Moves.h"
#include "PathSort.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace vellora {

namespace {

constexpr std::uint32_t kNone = ComparedFile::kNone;

// How far ahead the loops over a side ask the memory for what they will need: with a million
// files in no common order, every look-up would otherwise wait for memory two or three times.
constexpr std::uint32_t kAhead = 16;

std::uint64_t pathHash(std::string_view path)
{
    return std::hash<std::string_view>{}(path);
}

// The after side's files by path: open addressing over their paths and indexes, a few bytes a
// file, where a node-based map would take several times the listing itself.
class PathIndex
{
public:
    explicit PathIndex(const ListedFiles& files)
    {
        std::size_t capacity = 16;
        while (capacity < std::size_t(files.count()) * 2)
            capacity <<= 1;
        m_slots.assign(capacity, Slot{});
        m_mask = capacity - 1;
    }

    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&m_slots[hash & m_mask]); }
    // The path of the first file at hash's place, on its way from memory.
    void prefetchPath(std::uint64_t hash) const { __builtin_prefetch(m_slots[hash & m_mask].path); }

    // Adds file i at path, or gives the file that has that path already.
    std::uint32_t insert(std::string_view path, std::uint64_t hash, std::uint32_t i)
    {
        Slot* slot = lookUp(path, hash);
        if (slot->index != kNone)
            return slot->index;
        *slot = Slot{path.data(), std::uint32_t(path.size()), std::uint32_t(hash >> 32), i};
        return kNone;
    }

    [[nodiscard]] std::uint32_t find(std::string_view path, std::uint64_t hash) const
    {
        return const_cast<PathIndex*>(this)->lookUp(path, hash)->index;
    }

private:
    struct Slot
    {
        const char* path = nullptr;
        std::uint32_t length = 0;
        std::uint32_t hash = 0; // the upper half of the path's hash: most misses end here
        std::uint32_t index = kNone;
    };

    Slot* lookUp(std::string_view path, std::uint64_t hash)
    {
        for (std::size_t at = hash & m_mask;; at = (at + 1) & m_mask) {
            Slot& slot = m_slots[at];
            if (slot.index == kNone ||
                (slot.hash == std::uint32_t(hash >> 32) && slot.length == path.size() &&
                 std::memcmp(slot.path, path.data(), path.size()) == 0))
                return &slot;
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
};

class Comparer
{
public:
    Comparer(const ListedFiles& before, ListedFiles& after, const CompareOptions& options)
        : m_before(before), m_after(after), m_options(options), m_toAfter(std::size_t(before.count()), kNone),
          m_toBefore(std::size_t(after.count()), kNone)
    {
    }

    CompareOutcome run()
    {
        if (!match() || !hashWhatIsNeeded())
            return std::move(m_outcome);
        std::vector<std::uint32_t> removed, added;
        for (std::uint32_t b = 0; b < std::uint32_t(m_before.count()); ++b)
            if (m_toAfter[b] == kNone)
                removed.push_back(b);
        for (std::uint32_t a = 0; a < std::uint32_t(m_after.count()); ++a)
            if (m_toBefore[a] == kNone)
                added.push_back(a);
        m_moved = pairMoves(m_before, m_after, removed, added);
        collectRows();
        m_outcome.ok = true;
        return std::move(m_outcome);
    }

private:
    bool duplicate(std::uint32_t file, const ListedFiles& side)
    {
        m_outcome.error =
            QStringLiteral("Impossibile confrontare %1: il file %2 vi compare due volte.")
                .arg(side.source, fileinfo::pathText(QByteArray(side.relative(file).data(),
                                                                qsizetype(side.relative(file).size()))));
        return false;
    }

    static std::vector<std::uint64_t> hashes(const ListedFiles& side)
    {
        std::vector<std::uint64_t> out(std::size_t(side.count()));
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = pathHash(side.relative(qsizetype(i)));
        return out;
    }

    // Every file of before with the file of after at the same path.
    bool match()
    {
        PathIndex index(m_after);
        const std::vector<std::uint64_t> afterHashes = hashes(m_after);
        const auto nAfter = std::uint32_t(m_after.count());
        for (std::uint32_t a = 0; a < nAfter; ++a) {
            if (a + kAhead < nAfter)
                index.prefetch(afterHashes[a + kAhead]);
            if (index.insert(m_after.relative(a), afterHashes[a], a) != kNone)
                return duplicate(a, m_after);
        }
        const std::vector<std::uint64_t> beforeHashes = hashes(m_before);
        const auto nBefore = std::uint32_t(m_before.count());
        for (std::uint32_t b = 0; b < nBefore; ++b) {
            if (b + kAhead < nBefore)
                index.prefetch(beforeHashes[b + kAhead]);
            if (b + kAhead / 2 < nBefore)
                index.prefetchPath(beforeHashes[b + kAhead / 2]);
            const std::uint32_t a = index.find(m_before.relative(b), beforeHashes[b]);
            if (a == kNone)
                continue;
            if (m_toBefore[a] != kNone)
                return duplicate(b, m_before);
            m_toAfter[b] = a;
            m_toBefore[a] = b;
        }
        return true;
    }

    // The after side's checksums where the before side has them and size and time cannot
    // tell: a file of the same size (an edit may keep size and time), and an added file of
    // the size of a removed one (it may be the same file, moved).
    bool hashWhatIsNeeded()
    {
        if (!m_options.hasher)
            return true;
        std::vector<std::uint32_t> needed;
        const auto lacks = [&](std::uint32_t a) { return !m_after.hasSha256(a); };
        if (m_options.hashAll) {
            for (std::uint32_t a = 0; a < std::uint32_t(m_after.count()); ++a)
                if (lacks(a))
                    needed.push_back(a);
        } else if (m_before.checksums) {
            std::unordered_set<std::int64_t> removedSizes;
            for (std::uint32_t b = 0; b < std::uint32_t(m_before.count()); ++b) {
                const std::uint32_t a = m_toAfter[b];
                if (a == kNone && m_before.hasSha256(b))
                    removedSizes.insert(m_before.size(b));
                else if (a != kNone && m_before.hasSha256(b) && lacks(a) &&
                         m_before.size(b) == m_after.size(a))
                    needed.push_back(a);
            }
            for (std::uint32_t a = 0; a < std::uint32_t(m_after.count()); ++a)
                if (m_toBefore[a] == kNone && lacks(a) && removedSizes.count(m_after.size(a)))
                    needed.push_back(a);
            std::sort(needed.begin(), needed.end()); // the side's own order: one folder at a time
        }
        if (needed.empty())
            return true;
        qCInfo(lcCompare) << "hashing" << needed.size() << "files of" << m_after.source;
        if (!m_options.hasher->hash(m_after, needed)) {
            m_outcome.interrupted = true;
            return false;
        }
        m_outcome.unhashed = std::count_if(needed.begin(), needed.end(), lacks);
        return true;
    }

    std::uint8_t versionChanges(std::uint32_t b, std::uint32_t a) const
    {
        if (!m_before.versions || !m_after.versions || (!m_before.hasVersion(b) && !m_after.hasVersion(a)))
            return 0;
        const std::array<std::string_view, 4> x = m_before.versionParts(b), y = m_after.versionParts(a);
        std::uint8_t changed = 0;
        for (std::size_t i = 0; i < 4; ++i)
            if (x[i] != y[i])
                changed |= std::uint8_t(VersionChanged << i);
        return changed;
    }

    ComparedFile judge(std::uint32_t b, std::uint32_t a) const
    {
        std::uint8_t changed = versionChanges(b, a);
        if (m_before.size(b) != m_after.size(a))
            changed |= SizeChanged;
        if (m_before.mtime(b) != m_after.mtime(a))
            changed |= DateChanged;
        const bool byContent = m_before.hasSha256(b) && m_after.hasSha256(a);
        if (byContent && m_before.sha256(b) != m_after.sha256(a))
            changed |= Sha256Changed;
        const std::uint8_t telling = byContent ? changed & ~DateChanged : changed;
        return telling ? ComparedFile{b, a, FileState::Changed, changed}
                       : ComparedFile{b, a, FileState::Unchanged, 0};
    }

    void collectRows()
    {
        auto& counts = m_outcome.counts;
        auto& rows = m_outcome.files;
        const auto nBefore = std::uint32_t(m_before.count());
        for (std::uint32_t b = 0; b < nBefore; ++b) {
            if (b + kAhead < nBefore && m_toAfter[b + kAhead] != kNone)
                m_after.prefetch(m_toAfter[b + kAhead]);
            ComparedFile row;
            if (m_toAfter[b] != kNone)
                row = judge(b, m_toAfter[b]);
            else if (m_moved.to[b] != kNone)
                row = ComparedFile{b, m_moved.to[b], FileState::Moved, 0};
            else
                row = ComparedFile{b, kNone, FileState::Removed, 0};
            ++counts[std::size_t(row.state)];
            if (row.state != FileState::Unchanged || m_options.keepUnchanged)
                rows.push_back(row);
        }
        for (std::uint32_t a = 0; a < std::uint32_t(m_after.count()); ++a) {
            if (m_toBefore[a] == kNone && m_moved.from[a] == kNone) {
                rows.push_back(ComparedFile{kNone, a, FileState::Added, 0});
                ++counts[std::size_t(FileState::Added)];
            }
        }
        std::vector<std::uint32_t> order(rows.size());
        for (std::uint32_t i = 0; i < std::uint32_t(order.size()); ++i)
            order[i] = i;
        sortByPath(order, [&](std::uint32_t i) { return comparedPath(rows[i], m_before, m_after); });
        std::vector<ComparedFile> sorted;
        sorted.reserve(rows.size());
        for (const std::uint32_t i : order)
            sorted.push_back(rows[i]);
        rows = std::move(sorted);
    }

    const ListedFiles& m_before;
    ListedFiles& m_after;
    const CompareOptions& m_options;
    std::vector<std::uint32_t> m_toAfter;  // by before's index: the file at the same path
    std::vector<std::uint32_t> m_toBefore; // by after's index
    MovedFiles m_moved;
    CompareOutcome m_outcome;
};

} // namespace

QString fileStateWord(FileState state)
{
    switch (state) {
    case FileState::Added:
        return QStringLiteral("aggiunto");
    case FileState::Removed:
        return QStringLiteral("rimosso");
    case FileState::Moved:
        return QStringLiteral("spostato");
    case FileState::Changed:
        return QStringLiteral("modificato");
    case FileState::Unchanged:
        return QStringLiteral("invariato");
    }
    return {};
}

QStringList changedFieldWords(std::uint8_t fields)
{
    static const char* const words[] = {"dimensione", "data",        "sha256",  "versione",
                                        "produttore", "descrizione", "prodotto"};
    QStringList out;
    for (int bit = 0; bit < 7; ++bit)
        if (fields & (1u << bit))
            out << QLatin1String(words[bit]);
    return out;
}

std::string_view comparedPath(const ComparedFile& row, const ListedFiles& before, const ListedFiles& after)
{
    return row.after != ComparedFile::kNone ? after.relative(row.after) : before.relative(row.before);
}

CompareOutcome compareListings(const ListedFiles& before, ListedFiles& after, const CompareOptions& options)
{
    if (before.count() >= qsizetype(kNone) || after.count() >= qsizetype(kNone)) {
        CompareOutcome outcome;
        outcome.error = QStringLiteral("Impossibile confrontare %1: troppi file.").arg(before.source);
        return outcome;
    }
    return Comparer(before, after, options).run();
}

} // namespace vellora
