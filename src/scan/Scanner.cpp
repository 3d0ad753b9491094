#include "Scanner.h"

#include "scan/Attributes.h"
#include "scan/FolderReader.h"
#include "scan/PatternMatcher.h"
#include "scan/ScanLog.h"
#include "scan/SizeWorker.h"

#include <algorithm>
#include <cstring>
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
    std::string name;              // in the parent folder; empty for the starting folder
    qsizetype pathLength = 0;      // of the walk's path buffer, final '/' included
    std::string subfolders;        // the folders to enter, NUL-terminated names in enumeration order
    std::size_t next = 0;          // into subfolders
    std::int64_t folderIndex = -1; // into the results once a file of this folder is recorded
};

// One folder is read once: its files are recorded while its entries stream in, and the
// names of its subfolders are kept for the descent, which reproduces the order of reading
// files first and subfolders after, without a second enumeration.
class Walker
{
public:
    Walker(const QString& pattern, bool subfolders, ScanState& state, ScanResults& results,
           const FolderEnteredFn& onFolder)
        : m_matcher(pattern), m_subfolders(subfolders), m_state(state), m_results(results),
          m_onFolder(onFolder)
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
    [[nodiscard]] bool descend(std::size_t parentIndex, const char* name);
    [[nodiscard]] bool ensureOpen(std::size_t index);
    void keepBudget();
    void record(Level& level, std::string_view name, std::int64_t size);
    void flushSizes();
    void apply(std::vector<SizeBatch>&& done);
    void finish();
    [[nodiscard]] static bool isOpen(const Level& l) { return l.reader && l.reader->isOpen(); }

    const PatternMatcher m_matcher;
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

void Walker::record(Level& level, std::string_view name, std::int64_t size)
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
    m_state.totFile.store(m_results.entries.size(), std::memory_order_relaxed);
}

bool Walker::listFolder(std::size_t index)
{
    Level& level = m_levels[index];
    FolderReader& reader = *level.reader;
    const bool testNames = !m_matcher.matchesEverything();
    bool completed = true;
    while (completed && reader.read(m_batch)) {
        for (const RawEntry& raw : m_batch.entries()) {
            if (interrupted()) {
                completed = false;
                break;
            }
            m_state.examined.fetch_add(1, std::memory_order_relaxed);
            const std::string_view name = raw.name;
            if (name == "." || name == "..")
                continue;
            EntryKind kind = raw.kind;
            EntryInfo info;
            info.size = kPending;
            if (kind == EntryKind::Unknown) {
                // The file system does not tell the kind with the name: ask only when the
                // answer matters, for a folder to enter or a name that matches.
                if (!m_subfolders && testNames && !m_matcher.matches(name))
                    continue;
                if (!reader.stat(name.data(), info, true))
                    continue; // gone since the folder was read
                kind = info.kind;
            }
            if (kind == EntryKind::Directory) {
                if (m_subfolders) {
                    level.subfolders.append(name);
                    level.subfolders.push_back('\0');
                }
                continue;
            }
            // Write permission only moves a value within its range, so it is never asked for.
            if (!isListedFile(attributesOf(kind, name, false, false)))
                continue;
            if (testNames && !m_matcher.matches(name))
                continue;
            if (info.size != kPending) {
                flushSizes(); // a batch covers consecutive results only
                record(level, name, info.size);
                continue;
            }
            if (m_sizes.count == 0)
                m_sizes.first = m_results.entries.size();
            m_sizes.add(level.reader, name);
            record(level, name, kPending);
            if (m_sizes.full())
                flushSizes();
        }
    }
    return completed;
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
            m_results.entries[b.first + i].size = b.sizes[i];
        }
    }
}

// Every recorded file gets its size, also after an interrupt.
void Walker::finish()
{
    flushSizes();
    apply(m_sizer.finish());
}

bool Walker::descend(std::size_t parentIndex, const char* name)
{
    Level& parent = m_levels[parentIndex];
    EntryInfo info;
    // Looked at by name first: a folder that another file system is mounted on must not
    // even be opened (opening an automount point would mount it, maybe a dead network share).
    if (!parent.reader->stat(name, info, false) || info.kind != EntryKind::Directory)
        return true; // gone or replaced since the folder was read
    const bool otherFs = !info.id.sameMount(parent.id);
    if (!isEnteredFolder(attributesOf(EntryKind::Directory, name, false, otherFs)))
        return true;

    m_path.truncate(parent.pathLength);
    m_path.append(name).append('/');
    enterFolder();

    auto child = std::make_shared<FolderReader>(parent.reader->openChild(name));
    if (!child->isOpen()) {
        qCDebug(lcScan) << "cannot read" << m_path << std::strerror(child->error());
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
    return listFolder(m_levels.size() - 1);
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
    root.pathLength = m_path.size();
    m_levels.push_back(std::move(root));
    m_open = 1;
    if (!listFolder(0) || !m_subfolders)
        return true;

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
        const char* name = level.subfolders.data() + level.next;
        level.next += std::strlen(name) + 1;
        if (!ensureOpen(top)) {
            qCDebug(lcScan) << "lost track of" << m_path.left(level.pathLength);
            level.next = level.subfolders.size();
            continue;
        }
        if (!descend(top, name))
            break;
    }
    return true;
}

} // namespace

bool ScandisciCartella(const QString& pattern, const QByteArray& folder, bool subfolders, ScanState& state,
                       ScanResults& results, const FolderEnteredFn& onFolder)
{
    Walker walker(pattern, subfolders, state, results, onFolder);
    return walker.run(folder);
}

} // namespace vellora
