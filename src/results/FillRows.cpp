// The table fill: the part of a scan that reads each file's date and version data. It runs
// on two threads (version reads dominate on large trees), more while the files answer
// slowly; the outcome is the same as a fill row after row, including where an interrupt
// leaves the first empty row.

#include "results/Formats.h"
#include "ResultTable.h"
#include "scan/IoDepth.h"

#include <QHash>
#include <QLoggingCategory>

#include <algorithm>
#include <chrono>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

Q_DECLARE_LOGGING_CATEGORY(lcResults)

namespace vellora {

namespace {

// Files this small cannot hold an executable header, let alone a version resource.
constexpr std::int64_t kSmallestExecutable = 64;
constexpr std::size_t kChunkRows = 64;

// Version and info texts met by one fill thread; merged into the table's strings after.
struct LocalStrings
{
    QHash<QString, std::uint32_t> index{{QString(), 0}};
    std::vector<QString> texts{QString()};

    std::uint32_t intern(const QString& s)
    {
        if (s.isEmpty())
            return 0;
        auto it = index.constFind(s);
        if (it != index.constEnd())
            return *it;
        const auto i = std::uint32_t(texts.size());
        texts.push_back(s);
        index.insert(s, i);
        return i;
    }
};

struct Worker
{
    explicit Worker(const FactSource& facts) : reader(facts.reader()) {}
    LocalStrings strings;
    std::unique_ptr<FactReader> reader;
    std::size_t firstUnfilled = std::numeric_limits<std::size_t>::max(); // storage index
    std::size_t firstError = std::numeric_limits<std::size_t>::max();
};

struct Shared
{
    Shared(ResultRows& r, const FillOptions& o, const std::atomic_bool& i, const FactSource& f)
        : rows(r), options(o), interrupt(i), facts(f)
    {
    }

    ResultRows& rows;
    const FillOptions& options;
    const std::atomic_bool& interrupt;
    const FactSource& facts;
    std::atomic<std::size_t> nextChunk{0};
    std::vector<std::uint8_t> chunkOwner; // which worker filled each chunk
    bool wantDate = false;
    bool wantVersion = false;

    // Workers join while the files answer slowly, up to maxWorkers; all under mutex.
    std::mutex mutex;
    int maxWorkers = 1;
    bool closed = false;             // no worker may join any more
    std::deque<Worker> workers;      // in place: a worker holds an open folder
    std::deque<std::thread> threads; // of workers 1 and on; worker 0 is the caller
};

// Fills rows [begin, end); returns false when interrupted before row `stoppedAt`.
bool fillRange(Shared& sh, Worker& w, std::size_t begin, std::size_t end)
{
    const ColumnProfile& optV = sh.options.optV;
    for (std::size_t i = begin; i < end; ++i) {
        if (sh.options.beforeRow)
            sh.options.beforeRow(qsizetype(i) + 1);
        if (sh.interrupt.load(std::memory_order_relaxed)) {
            w.firstUnfilled = std::min(w.firstUnfilled, i);
            return false;
        }
        ResultRows::Row& row = sh.rows.rows[i];
        std::uint8_t filled = (1u << ColName) | (1u << ColExt) | (1u << ColFolder);
        if (optV[ColSize] == 1 && row.size >= 0) // a size the scan could not read stays empty
            filled |= 1u << ColSize;
        if (sh.wantDate || sh.wantVersion) {
            const QByteArray& folder = sh.rows.folders[row.folder];
            const std::string_view name = sh.rows.name(row);
            bool failed = false;
            bool dated = false;
            if (sh.wantVersion) {
                VersionData vd;
                // Files this small cannot hold a resource: their texts are empty, unread.
                if (row.size >= kSmallestExecutable || row.size < 0) {
                    // One open serves the version and the date.
                    const FileFacts f = w.reader->read(
                        folder, name, FactReader::Version | (sh.wantDate ? FactReader::Stat : 0u));
                    vd = f.version;
                    if (sh.wantDate && f.statted) {
                        row.mtime = f.mtime;
                        filled |= 1u << ColDate;
                    }
                    dated = true;
                } else {
                    vd.readable = true;
                }
                if (optV[ColVersion] == 1) {
                    if (vd.readable) {
                        row.version = w.strings.intern(vd.fileVersion);
                        filled |= 1u << ColVersion;
                    } else {
                        failed = true;
                    }
                }
                if (optV[ColInfo] == 1) {
                    // An unreadable file has no info text: empty, as without a resource.
                    row.info = w.strings.intern(vd.readable ? vd.info(sh.options.infoKind) : QString());
                    filled |= 1u << ColInfo;
                }
            }
            // Small files and fills without version columns look the date up on its own.
            if (sh.wantDate && !dated) {
                const FileFacts f = w.reader->read(folder, name, FactReader::Stat);
                if (f.statted) {
                    row.mtime = f.mtime;
                    filled |= 1u << ColDate;
                }
            }
            if (sh.wantDate && !(filled & (1u << ColDate)))
                failed = true;
            if (failed)
                w.firstError = std::min(w.firstError, i);
        }
        row.filled = filled;
    }
    return true;
}

void runWorker(Shared& sh, Worker& w, std::uint8_t id);

// A chunk whose rows took long waited on the device: one more worker keeps one more request
// in flight, as long as rows remain.
void maybeAddWorker(Shared& sh, long long ns, std::size_t rows)
{
    // A row is several requests (open, read, close): slow when it takes several slow ones.
    if (rows == 0 || ns / (long long)rows < 5 * kSlowRequestNs)
        return;
    std::lock_guard lock(sh.mutex);
    if (sh.closed || int(sh.workers.size()) >= sh.maxWorkers ||
        sh.nextChunk.load() * kChunkRows >= sh.rows.rows.size())
        return;
    Worker& w = sh.workers.emplace_back(sh.facts);
    const auto id = std::uint8_t(sh.workers.size() - 1);
    try {
        sh.threads.emplace_back([&sh, &w, id] { runWorker(sh, w, id); });
    } catch (const std::system_error&) {
        sh.workers.pop_back(); // out of threads: the others go on
        sh.maxWorkers = int(sh.workers.size());
    }
}

void runWorker(Shared& sh, Worker& w, std::uint8_t id)
{
    const std::size_t n = sh.rows.rows.size();
    for (;;) {
        const std::size_t chunk = sh.nextChunk.fetch_add(1);
        const std::size_t begin = chunk * kChunkRows;
        if (begin >= n)
            return;
        sh.chunkOwner[chunk] = id;
        const auto start = std::chrono::steady_clock::now();
        const std::size_t end = std::min(n, begin + kChunkRows);
        if (!fillRange(sh, w, begin, end)) {
            // Chunks claimed later stay unclaimed; the merge clears whatever lies past the
            // first unfilled row anyway.
            return;
        }
        maybeAddWorker(
            sh,
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                .count(),
            end - begin);
    }
}

} // namespace

FillResult fillRows(ScanResults&& scan, const FillOptions& options, const std::atomic_bool& interrupt)
{
    FillResult result;
    ResultRows& rows = result.rows;
    rows.names = std::move(scan.names);
    rows.folders = std::move(scan.folders);
    rows.rows.resize(scan.entries.size());
    for (std::size_t i = 0; i < scan.entries.size(); ++i) {
        const ScanResults::Entry& e = scan.entries[i];
        ResultRows::Row& r = rows.rows[i];
        r.nameOffset = e.nameOffset;
        r.nameLength = std::uint16_t(std::min<std::uint32_t>(e.nameLength, 0xffff));
        r.folder = e.folder;
        r.size = e.size;
    }
    scan.entries = {};
    rows.resetOrder();

    const std::size_t n = rows.rows.size();
    Shared sh(rows, options, interrupt, options.facts ? *options.facts : fileSystemFacts());
    sh.wantDate = options.optV[ColDate] == 1;
    sh.wantVersion = options.optV[ColVersion] == 1 || options.optV[ColInfo] == 1;
    sh.chunkOwner.assign((n + kChunkRows - 1) / kChunkRows, 0xff);

    // A given number of threads is kept; otherwise the fill starts with the cores (two at
    // most: the reads share one disk) and adds workers while files answer slowly.
    int threads = options.threads;
    sh.maxWorkers = threads;
    if (threads <= 0) {
        const bool reads = (sh.wantDate || sh.wantVersion) && n > 4 * kChunkRows;
        const int depth = ioDepth();
        threads = reads ? std::min(depth, int(std::clamp(std::thread::hardware_concurrency(), 1u, 2u))) : 1;
        sh.maxWorkers = reads ? std::min(depth, 128) : 1;
    }
    {
        std::lock_guard lock(sh.mutex);
        for (int t = 0; t < threads; ++t)
            sh.workers.emplace_back(sh.facts);
        for (int t = 1; t < threads; ++t) {
            Worker& w = sh.workers[std::size_t(t)];
            sh.threads.emplace_back([&sh, &w, t] { runWorker(sh, w, std::uint8_t(t)); });
        }
    }
    runWorker(sh, sh.workers[0], 0);
    {
        std::lock_guard lock(sh.mutex);
        sh.closed = true;
    }
    for (std::thread& th : sh.threads)
        th.join();
    std::deque<Worker>& workers = sh.workers;

    // The filled rows are the unbroken prefix: rows past the first unfilled one are emptied
    // even when another thread already wrote them, as if the fill had gone row by row.
    std::size_t prefix = n;
    std::size_t firstError = std::numeric_limits<std::size_t>::max();
    for (const Worker& w : workers) {
        prefix = std::min(prefix, w.firstUnfilled);
        firstError = std::min(firstError, w.firstError);
    }
    for (std::size_t c = 0; c < sh.chunkOwner.size(); ++c)
        if (sh.chunkOwner[c] == 0xff)
            prefix = std::min(prefix, c * kChunkRows);

    // Merge the texts of the workers into one table and point the rows at it.
    LocalStrings merged;
    std::vector<std::vector<std::uint32_t>> remap(workers.size());
    for (std::size_t t = 0; t < workers.size(); ++t)
        for (const QString& s : workers[t].strings.texts)
            remap[t].push_back(merged.intern(s));
    for (std::size_t i = 0; i < n; ++i) {
        ResultRows::Row& r = rows.rows[i];
        if (i >= prefix) {
            r.filled = 0;
            r.version = r.info = 0;
            continue;
        }
        if (workers.size() > 1) {
            const auto& map = remap[sh.chunkOwner[i / kChunkRows]];
            r.version = map[r.version];
            r.info = map[r.info];
        }
    }
    if (workers.size() == 1)
        rows.strings = std::move(workers[0].strings.texts);
    else
        rows.strings = std::move(merged.texts);

    result.filledRows = qsizetype(prefix);
    result.interrupted = prefix < n;
    result.versionError = firstError < prefix;
    return result;
}

} // namespace vellora
