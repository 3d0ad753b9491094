#include "Scanner.h"

#include "scan/Attributes.h"
#include "scan/FolderReader.h"
#include "scan/IoDepth.h"
#include "scan/PatternMatcher.h"
#include "scan/ReadAhead.h"
#include "scan/ScanLog.h"
#include "scan/SizeWorker.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace vellora {

namespace {

using namespace scan;

// Open folders the walk keeps at once. Deeper trees close their shallower levels and open
// them again on the way back, so no tree depth can exhaust the process's descriptors; with
// the folders that size batches hold, a scan never has more than about 130 open.
constexpr std::size_t kMaxOpenFolders = 32;
// Levels kept open when a closed level is opened again: the walk goes back up through them next.
constexpr std::size_t kReopenKeep = 16;
// Size of a recorded file whose size is still being read.
constexpr std::int64_t kPending = -2;
// Size of a recorded file that the ranges left out once its size was read: taken out of the
// results when the walk ends.
constexpr std::int64_t kLeftOut = -3;

QByteArray trimBlanks(const QByteArray& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.mid(b, e - b);
}

struct Level
{
    std::shared_ptr<FolderReader> reader; // null while deeper levels use the descriptors
    FolderId id;
    std::string name;                    // in the parent folder; empty for the starting folder
    qsizetype pathLength = 0;            // of the walk's path buffer, final '/' included
    std::vector<std::string> subfolders; // the folders to enter, in enumeration order
    std::size_t next = 0;                // into subfolders
    std::vector<std::shared_ptr<ReadAhead::Ticket>> ahead; // of subfolders asked to be read ahead
    std::int64_t folderIndex = -1; // into the results once a file of this folder is recorded
};

// Folders read ahead at most (each keeps a folder open, so fewer when the process may open
// few files: the walk and the size batches keep about 130 open), and levels of the walk
// looked at for more to ask for.
constexpr long kFoldersAhead = 192;
constexpr std::size_t kLevelsAhead = 16;
constexpr std::size_t kAheadPerLevel = 4;
// A folder that takes longer than this to look at, open and list waited on the device.
constexpr std::chrono::microseconds kSlowFolder{300};
// How long an interrupted walk on a share waits for the sizes of what it recorded.
constexpr std::chrono::milliseconds kSizesAfterInterrupt{40};
constexpr int kMaxReadAheadHelpers = 32;

// The size and date ranges, in the terms of the walk: bytes and seconds since the epoch.
struct Ranges
{
    enum class Verdict { Keep, LeaveOut, Unreadable };

    explicit Ranges(const ListingFilters& f)
        : sizes(f.hasSizeRange()), times(f.hasDateRange()), minSize(f.minSize.value_or(0)),
          maxSize(f.maxSize.value_or(std::numeric_limits<std::int64_t>::max())), from(f.modifiedFromSecs()),
          until(f.modifiedUntilSecs())
    {
    }
    [[nodiscard]] bool on() const { return sizes || times; }
    [[nodiscard]] Verdict test(std::int64_t size, std::int64_t mtime) const
    {
        if ((sizes && size < 0) || (times && mtime == EntryInfo::kNoTime))
            return Verdict::Unreadable;
        if ((sizes && (size < minSize || size > maxSize)) || (times && (mtime < from || mtime >= until)))
            return Verdict::LeaveOut;
        return Verdict::Keep;
    }

    const bool sizes;
    const bool times;
    const std::int64_t minSize, maxSize;
    const std::int64_t from, until; // until: the first second after the range
};

// One folder is read once: its files are recorded while its entries stream in, and the
// names of its subfolders are kept for the descent, which reproduces the order of reading
// files first and subfolders after, without a second enumeration.
class Walker
{
public:
    Walker(const ListingFilters& filters, bool subfolders, ScanState& state, ScanResults& results,
           const FolderEnteredFn& onFolder)
        : m_masks(filters.masks), m_excluded(filters.exclusions), m_ranges(filters), m_subfolders(subfolders),
          m_state(state), m_results(results), m_onFolder(onFolder), m_sizer(ioDepth() - 1),
          m_ahead(subfolders ? std::min(ioDepth() - 1, kMaxReadAheadHelpers) : 0,
                  std::size_t(std::clamp((openFilesLimit() - 256) / 4, 0L, kFoldersAhead)), &m_excluded)
    {
    }

    bool run(const QByteArray& start)
    {
        const bool ok = walk(start);
        finish();
        return ok;
    }

private:
    [[nodiscard]] bool walk(const QByteArray& start);
    [[nodiscard]] bool interrupted() const { return m_state.interrupt.load(std::memory_order_relaxed); }
    void enterFolder();
    [[nodiscard]] bool listFolder(std::size_t index);
    [[nodiscard]] bool listEntries(std::size_t index, const std::vector<RawEntry>& entries);
    [[nodiscard]] bool descend(std::size_t parentIndex, const std::string& name,
                               const std::shared_ptr<ReadAhead::Ticket>& ticket);
    void askAhead();
    // Folders answer slowly (a cold disk, a share): from then on helpers read ahead. On a
    // warm cache the walk alone is quicker than handing folders over.
    void noteFolderTime(std::chrono::steady_clock::duration took)
    {
        // Most of the last 32 folders, not one that the system kept waiting for once.
        m_recentSlow = (m_recentSlow << 1) | (took > kSlowFolder ? 1u : 0u);
        if (std::popcount(m_recentSlow) >= 16)
            m_readAhead = true;
    }
    [[nodiscard]] bool ensureOpen(std::size_t index);
    void keepBudget();
    void record(Level& level, std::string_view name, std::int64_t size, bool counted = true);
    [[nodiscard]] bool inRanges(std::int64_t size, std::int64_t mtime);
    void removeLeftOut();
    void flushSizes();
    void apply(std::vector<SizeBatch>&& done);
    void finish();
    [[nodiscard]] static bool isOpen(const Level& l) { return l.reader && l.reader->isOpen(); }

    const MaskSet m_masks;
    const MaskSet m_excluded; // outlives m_ahead, which reads it
    const Ranges m_ranges;
    const bool m_subfolders;
    ScanState& m_state;
    ScanResults& m_results;
    const FolderEnteredFn& m_onFolder;

    QByteArray m_path; // the folder being read, ending with '/'
    std::vector<Level> m_levels;
    std::size_t m_open = 0; // open readers in m_levels
    EntryBatch m_batch;
    SizeWorker m_sizer;
    SizeBatch m_sizes; // files waiting for their size, the latest recorded ones
    ReadAhead m_ahead; // destroyed first: its helpers use the levels' folders
    bool m_readAhead = ioDepthGiven();
    bool m_onShare = false;         // the walk's file system (it never leaves it) is a network share
    bool m_givingUp = false;        // sizes left unknown by an interrupt are not unreadable files
    std::uint64_t m_listed = 0;     // recorded files no range leaves out
    std::uint64_t m_leftOut = 0;    // recorded files a range left out once sized
    std::uint32_t m_recentSlow = 0; // one bit per folder the walk read itself, latest lowest
};

void Walker::enterFolder()
{
    m_state.totCartelle.fetch_add(1, std::memory_order_relaxed);
    {
        QMutexLocker lock(&m_state.mutex);
        m_state.currentFolder = trimBlanks(m_path);
    }
    if (m_onFolder)
        m_onFolder(m_path);
}

void Walker::record(Level& level, std::string_view name, std::int64_t size, bool counted)
{
    if (level.folderIndex < 0) {
        level.folderIndex = std::int64_t(m_results.folders.size());
        m_results.folders.push_back(m_path.left(level.pathLength));
    }
    ScanResults::Entry e;
    e.nameOffset = m_results.names.size();
    e.nameLength = std::uint32_t(name.size());
    e.folder = std::uint32_t(level.folderIndex);
    e.size = size;
    m_results.names.append(name);
    m_results.entries.push_back(e);
    if (counted)
        m_state.totFile.store(++m_listed, std::memory_order_relaxed);
}

// Whether a file whose size and time are read lies in the ranges; one whose size or time
// could not be read cannot be said to, and is counted.
bool Walker::inRanges(std::int64_t size, std::int64_t mtime)
{
    const Ranges::Verdict v = m_ranges.test(size, mtime);
    if (v == Ranges::Verdict::Unreadable && !m_givingUp)
        m_state.unreadable.fetch_add(1, std::memory_order_relaxed);
    return v == Ranges::Verdict::Keep;
}

// The results without the files the ranges left out, in the same order; folders that keep
// no file go too.
void Walker::removeLeftOut()
{
    ScanResults kept;
    kept.entries.reserve(m_listed);
    std::vector<std::uint32_t> folderOf(m_results.folders.size(), UINT32_MAX);
    for (std::size_t i = 0; i < m_results.entries.size(); ++i) {
        ScanResults::Entry e = m_results.entries[i];
        if (e.size == kLeftOut)
            continue;
        std::uint32_t& folder = folderOf[e.folder];
        if (folder == UINT32_MAX) {
            folder = std::uint32_t(kept.folders.size());
            kept.folders.push_back(m_results.folders[e.folder]);
        }
        e.folder = folder;
        e.nameOffset = kept.names.size();
        kept.names.append(m_results.name(i));
        kept.entries.push_back(e);
    }
    m_results = std::move(kept);
}

bool Walker::listFolder(std::size_t index)
{
    FolderReader& reader = *m_levels[index].reader;
    while (reader.read(m_batch))
        if (!listEntries(index, m_batch.entries()))
            return false;
    return true;
}

bool Walker::listEntries(std::size_t index, const std::vector<RawEntry>& entries)
{
    Level& level = m_levels[index];
    FolderReader& reader = *level.reader;
    const bool testNames = !m_masks.matchesEverything();
    const bool excluding = !m_excluded.isEmpty();
    for (const RawEntry& raw : entries) {
        if (interrupted())
            return false;
        m_state.examined.fetch_add(1, std::memory_order_relaxed);
        const std::string_view name = raw.name;
        if (name == "." || name == "..")
            continue;
        // An excluded name is left alone whatever it is: a file is not listed, a folder not
        // entered, and neither needs looking at.
        if (excluding && m_excluded.matches(name))
            continue;
        EntryKind kind = raw.kind;
        EntryInfo info;
        info.size = kPending;
        if (kind == EntryKind::Unknown) {
            // The file system does not tell the kind with the name: ask only when the
            // answer matters, for a folder to enter or a name that matches.
            if (!m_subfolders && testNames && !m_masks.matches(name))
                continue;
            if (!reader.stat(name.data(), info, true))
                continue; // gone since the folder was read
            kind = info.kind;
        }
        if (kind == EntryKind::Directory) {
            if (m_subfolders)
                level.subfolders.emplace_back(name);
            continue;
        }
        // Write permission only moves a value within its range, so it is never asked for.
        if (!isListedFile(attributesOf(kind, name, false, false)))
            continue;
        if (testNames && !m_masks.matches(name))
            continue;
        if (info.size != kPending) {
            flushSizes(); // a batch covers consecutive results only
            if (!m_ranges.on() || inRanges(info.size, info.mtime))
                record(level, name, info.size);
            continue;
        }
        if (m_sizes.count == 0) {
            m_sizes.first = m_results.entries.size();
            m_sizes.withTimes = m_ranges.times;
        }
        m_sizes.add(level.reader, name);
        // Under a range a file counts once its size and date say it stays.
        record(level, name, kPending, !m_ranges.on());
        if (m_sizer.full(m_sizes))
            flushSizes();
    }
    return true;
}

// Asks helpers to read the folders the walk enters next: the subfolders of the deepest
// levels first, in their order, as far as there is room.
void Walker::askAhead()
{
    if (!m_readAhead)
        return;
    const std::size_t stop = m_levels.size() > kLevelsAhead ? m_levels.size() - kLevelsAhead : 0;
    for (std::size_t i = m_levels.size(); i-- > stop && m_ahead.hasRoom();) {
        Level& level = m_levels[i];
        if (!isOpen(level))
            continue;
        if (level.ahead.size() < level.next)
            level.ahead.resize(level.next); // entered already
        // A few per level: the room is for the folders entered soonest, and the helpers ask
        // for the subfolders of what they read themselves.
        const std::size_t until = std::min(level.subfolders.size(), level.next + kAheadPerLevel);
        while (level.ahead.size() < until && m_ahead.hasRoom()) {
            level.ahead.push_back(
                m_ahead.request(level.reader, level.id, level.subfolders[level.ahead.size()], i + 1));
            if (!level.ahead.back())
                return;
        }
    }
}

void Walker::flushSizes()
{
    if (m_sizes.count == 0)
        return;
    if (!m_sizer.offer(m_sizes)) {
        m_sizes.run();
        std::vector<SizeBatch> mine;
        mine.push_back(std::move(m_sizes));
        apply(std::move(mine));
    }
    apply(m_sizer.takeDone());
    m_sizes = SizeBatch();
}

void Walker::apply(std::vector<SizeBatch>&& done)
{
    for (const SizeBatch& b : done) {
        for (std::size_t i = 0; i < b.count; ++i) {
            std::int64_t& size = m_results.entries[b.first + i].size;
            size = b.sizes[i];
            if (!m_ranges.on())
                continue;
            const std::int64_t mtime = i < b.times.size() ? b.times[i] : EntryInfo::kNoTime;
            if (inRanges(size, mtime)) {
                ++m_listed;
            } else {
                size = kLeftOut;
                ++m_leftOut;
            }
        }
    }
    if (m_ranges.on())
        m_state.totFile.store(m_listed, std::memory_order_relaxed);
}

// Every recorded file gets its size, also after an interrupt and however busy the machine
// is: on a local disk the wait is bounded by the disk, never by a clock. Only a share may
// keep the user waiting for sizes nobody shows: there what is not sized soon stays unknown,
// and says so (kUnknownSize).
void Walker::finish()
{
    const bool giveUp = interrupted() && m_onShare;
    m_givingUp = giveUp;
    if (giveUp && m_sizes.count > 0) {
        m_sizes.sizes.assign(m_sizes.count, ScanResults::kUnknownSize);
        if (!m_sizer.slow())
            m_sizes.run();
        std::vector<SizeBatch> mine;
        mine.push_back(std::move(m_sizes));
        apply(std::move(mine));
        m_sizes = SizeBatch();
    }
    flushSizes();
    apply(m_sizer.finish(giveUp ? kSizesAfterInterrupt : std::chrono::milliseconds::max()));
    if (m_leftOut > 0) {
        removeLeftOut();
        m_state.totFile.store(m_results.entries.size(), std::memory_order_relaxed);
    }
}

bool Walker::descend(std::size_t parentIndex, const std::string& name,
                     const std::shared_ptr<ReadAhead::Ticket>& ticket)
{
    const auto started = std::chrono::steady_clock::now();
    std::unique_ptr<FolderAhead> ahead = m_ahead.take(ticket);
    // Unless the walk enters the folder, what the helpers read below it is let go.
    struct Discard
    {
        ReadAhead& ahead;
        std::unique_ptr<FolderAhead>& folder;
        ~Discard()
        {
            if (folder)
                ahead.discard(std::move(folder));
        }
    } discard{m_ahead, ahead};
    Level& parent = m_levels[parentIndex];
    EntryInfo info;
    // Looked at by name first: a folder that another file system is mounted on must not
    // even be opened (opening an automount point would mount it, maybe a dead network share).
    if (ahead ? !ahead->looked : !parent.reader->stat(name.c_str(), info, false))
        return true; // gone since the folder was read
    if (ahead)
        info = ahead->info;
    if (info.kind != EntryKind::Directory)
        return true; // replaced since the folder was read
    const bool otherFs = !info.id.sameMount(parent.id);
    if (!isEnteredFolder(attributesOf(EntryKind::Directory, name, false, otherFs)))
        return true;

    m_path.truncate(parent.pathLength);
    m_path.append(name.data(), qsizetype(name.size())).append('/');
    enterFolder();

    auto child =
        ahead ? ahead->reader : std::make_shared<FolderReader>(parent.reader->openChild(name.c_str()));
    if (!child || !child->isOpen()) {
        qCDebug(lcScan) << "cannot read" << m_path << std::strerror(child ? child->error() : 0);
        return true;
    }
    Level level;
    level.reader = std::move(child);
    level.id = info.id;
    level.name = name;
    level.pathLength = m_path.size();
    m_levels.push_back(std::move(level));
    ++m_open;
    keepBudget();
    const std::size_t index = m_levels.size() - 1;
    if (ahead && !listEntries(index, ahead->entries()))
        return false;
    if ((!ahead || !ahead->listedAll) && !listFolder(index))
        return false;
    if (!ahead)
        noteFolderTime(std::chrono::steady_clock::now() - started);
    if (ahead) {
        // The subfolders the helpers already asked for, matched by name in entry order.
        Level& entered = m_levels[index];
        auto next = ahead->children.begin();
        std::size_t matched = 0;
        for (std::size_t k = 0; k < entered.subfolders.size() && next != ahead->children.end(); ++k) {
            if (entered.subfolders[k] != next->first) {
                entered.ahead.push_back(nullptr);
                continue;
            }
            entered.ahead.push_back(std::move(next->second));
            matched = entered.ahead.size();
            ++next;
        }
        entered.ahead.resize(matched);
    }
    askAhead();
    return true;
}

void Walker::keepBudget()
{
    // The starting folder and the deepest level stay open; the shallowest others go first.
    for (std::size_t i = 1; m_open > kMaxOpenFolders && i + 1 < m_levels.size(); ++i) {
        if (isOpen(m_levels[i])) {
            m_levels[i].reader.reset(); // closes once no size batch needs it
            --m_open;
        }
    }
}

bool Walker::ensureOpen(std::size_t index)
{
    if (isOpen(m_levels[index]))
        return true;
    std::size_t from = index;
    while (!isOpen(m_levels[from]))
        --from; // the starting folder is always open
    const std::size_t keepFrom = index + 1 > kReopenKeep ? index + 1 - kReopenKeep : 0;
    FolderReader passing;
    for (std::size_t k = from + 1; k <= index; ++k) {
        const FolderReader& parent = isOpen(m_levels[k - 1]) ? *m_levels[k - 1].reader : passing;
        FolderReader r = parent.openChild(m_levels[k].name.c_str());
        FolderId id;
        // Renamed or replaced since it was read: its remaining subfolders are not ours to walk.
        if (!r.isOpen() || !r.identify(id) || !id.sameFolder(m_levels[k].id))
            return false;
        if (k >= keepFrom) {
            m_levels[k].reader = std::make_shared<FolderReader>(std::move(r));
            ++m_open;
        } else {
            passing = std::move(r);
        }
    }
    keepBudget();
    return true;
}

bool Walker::walk(const QByteArray& start)
{
    m_path = start;
    if (!m_path.isEmpty() && !m_path.endsWith('/'))
        m_path.append('/');
    enterFolder();

    Level root;
    root.reader = std::make_shared<FolderReader>(FolderReader::openPath(m_path));
    if (!root.reader->isOpen()) {
        qCDebug(lcScan) << "cannot read" << m_path << std::strerror(root.reader->error());
        return false;
    }
    if (!root.reader->identify(root.id))
        qCDebug(lcScan) << "cannot identify" << m_path; // no subfolder will count as ours
    m_onShare = root.reader->onShare();
    root.pathLength = m_path.size();
    m_levels.push_back(std::move(root));
    m_open = 1;
    const auto started = std::chrono::steady_clock::now();
    if (!listFolder(0) || !m_subfolders)
        return true;
    noteFolderTime(std::chrono::steady_clock::now() - started);
    askAhead();

    while (!m_levels.empty()) {
        const std::size_t top = m_levels.size() - 1;
        Level& level = m_levels[top];
        if (level.next >= level.subfolders.size()) {
            if (isOpen(level))
                --m_open;
            m_levels.pop_back();
            continue;
        }
        if (interrupted())
            break;
        const std::size_t k = level.next++;
        const std::shared_ptr<ReadAhead::Ticket> ticket = k < level.ahead.size() ? level.ahead[k] : nullptr;
        if (!ensureOpen(top)) {
            qCDebug(lcScan) << "lost track of" << m_path.left(level.pathLength);
            for (std::size_t j = k; j < level.ahead.size(); ++j)
                m_ahead.drop(level.ahead[j]);
            level.next = level.subfolders.size();
            continue;
        }
        const std::string name = level.subfolders[k];
        if (!descend(top, name, ticket))
            break;
        askAhead();
    }
    return true;
}

} // namespace

bool ScandisciCartella(const ListingFilters& filters, const QByteArray& folder, bool subfolders,
                       ScanState& state, ScanResults& results, const FolderEnteredFn& onFolder)
{
    Walker walker(filters, subfolders, state, results, onFolder);
    return walker.run(folder);
}

bool ScandisciCartella(const QString& pattern, const QByteArray& folder, bool subfolders, ScanState& state,
                       ScanResults& results, const FolderEnteredFn& onFolder)
{
    ListingFilters filters;
    filters.masks = QStringList{pattern};
    return ScandisciCartella(filters, folder, subfolders, state, results, onFolder);
}

} // namespace vellora
