#include "ExportRecords.h"

#include "FileChecksum.h"
#include "results/AppState.h"
#include "results/RowSource.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace vellora {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressEvery = std::chrono::milliseconds(50);
// Rows a reader takes at a time. Checksums go one file at a time: a few big files side by
// side in the table would otherwise all fall to one thread while the others wait.
constexpr qsizetype kChunkRows = 16;

struct Worker
{
    Worker(const FactSource& facts, const RecordPlan& plan) : reader(facts.reader())
    {
        if (plan.checksum)
            hasher = std::make_unique<ChecksumReader>(plan.followLinks);
    }
    std::unique_ptr<FactReader> reader;
    std::unique_ptr<ChecksumReader> hasher;
};

// Fills one block of records on all workers at once; one block at a time, so each worker's
// reader and open folder serve one thread only.
class Filler
{
public:
    Filler(const RowSource& rows, const RecordPlan& plan, int threads, std::atomic_bool& stop)
        : m_rows(rows), m_plan(plan), m_stop(stop)
    {
        for (int t = 0; t < threads; ++t)
            m_workers.emplace_back(rows.facts(), plan);
    }

    void fill(std::vector<ExportRecord>& block, qsizetype first, qsizetype count)
    {
        block.resize(std::size_t(count));
        const qsizetype chunk = m_plan.checksum ? 1 : kChunkRows;
        std::atomic<qsizetype> next{0};
        const auto work = [&](Worker& w) {
            for (;;) {
                const qsizetype begin = next.fetch_add(chunk);
                if (begin >= count)
                    return;
                for (qsizetype i = begin; i < std::min(count, begin + chunk); ++i) {
                    if (m_stop.load(std::memory_order_relaxed))
                        return;
                    read(w, block[std::size_t(i)], first + i);
                    done.fetch_add(1, std::memory_order_relaxed);
                }
            }
        };
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < m_workers.size(); ++t)
            pool.emplace_back(work, std::ref(m_workers[t]));
        work(m_workers[0]);
        for (std::thread& th : pool)
            th.join();
    }

    std::atomic<qsizetype> done{0};

private:
    // What waits on the files: their facts and checksums. The cells are the writer's to make.
    void read(Worker& w, ExportRecord& rec, qsizetype row) const
    {
        rec.number = row;
        if (m_plan.facts != 0) {
            const FileFacts f = m_rows.readFacts(*w.reader, row, m_plan.facts);
            rec.statted = f.statted;
            rec.size = f.size;
            rec.mtime = f.mtime;
            rec.version = f.version;
        }
        if (m_plan.checksum) {
            rec.sha256.clear();
            rec.unhashed = false;
        }
        if (w.hasher) {
            if (!m_rows.recordedChecksum(row, rec.sha256))
                rec.sha256 = w.hasher->sha256(m_rows.folderBytes(row), m_rows.nameBytes(row), m_stop);
            rec.unhashed = rec.sha256.isEmpty();
        }
    }

    const RowSource& m_rows;
    const RecordPlan& m_plan;
    std::atomic_bool& m_stop;
    std::deque<Worker> m_workers; // in place: a worker holds an open folder
};

int threadCount(const RecordPlan& plan)
{
    if (plan.threads > 0)
        return plan.threads;
    if (plan.facts == 0 && !plan.checksum)
        return 1; // the cells alone: nothing to wait for
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

} // namespace

RecordReader::RecordReader(const RowSource& rows, const RecordPlan& plan, const std::atomic_bool* interrupt)
    : m_rows(rows), m_plan(plan), m_interrupt(interrupt)
{
}

bool RecordReader::interrupted() const
{
    return m_interrupted;
}

bool RecordReader::run(const std::function<bool(const ExportRecord&)>& write, const ProgressFn& progress)
{
    m_interrupted = false;
    const qsizetype n = m_rows.rowCount();
    std::atomic_bool stop{false};
    Filler filler(m_rows, m_plan, threadCount(m_plan), stop);
    // Checksums take long per row: smaller blocks keep the writer and the progress close.
    const qsizetype blockRows = m_plan.checksum ? 256 : 4096;
    std::vector<ExportRecord> blocks[2];
    Clock::time_point lastReport = Clock::now();

    const auto interruptAsked = [&] { return m_interrupt && m_interrupt->load(std::memory_order_relaxed); };
    const auto report = [&] {
        if (progress && Clock::now() - lastReport >= kProgressEvery) {
            lastReport = Clock::now();
            progress(filler.done.load(std::memory_order_relaxed), n);
        }
    };
    // Without files to read there is nothing to wait for: a block is made where it is written,
    // rather than handed between threads (each hand-over waits for the scheduler).
    const bool readsFiles = m_plan.facts != 0 || m_plan.checksum;
    const auto launch = [&](int b, qsizetype first) {
        const qsizetype count = std::min(blockRows, n - first + 1);
        return std::async(readsFiles ? std::launch::async : std::launch::deferred,
                          [&filler, &blocks, b, first, count] { filler.fill(blocks[b], first, count); });
    };
    // The readers look at the stop flag only: the user's interrupt is passed on from here,
    // which also keeps the progress moving while a big file is read.
    const auto await = [&](std::future<void>& f) {
        if (!readsFiles) {
            f.wait(); // makes the block now
            return;
        }
        while (f.wait_for(kProgressEvery) != std::future_status::ready) {
            if (interruptAsked())
                stop = true;
            report();
        }
    };

    const bool compared = m_rows.comparison() != nullptr;
    std::future<void> pending;
    if (n > 0)
        pending = launch(0, 1);
    int b = 0;
    for (qsizetype first = 1; first <= n; first += blockRows, b ^= 1) {
        await(pending);
        if (interruptAsked() || stop.load()) {
            m_interrupted = interruptAsked();
            return false;
        }
        std::future<void> next;
        if (first + blockRows <= n)
            next = launch(b ^ 1, first + blockRows);
        for (ExportRecord& rec : blocks[b]) {
            // The cells are made here, where the writer reads them at once, and let go here.
            rec.name = m_rows.text(rec.number, ColName);
            rec.extension = m_rows.text(rec.number, ColExt);
            rec.folder = m_rows.text(rec.number, ColFolder);
            rec.folderBytes = m_rows.folderBytes(rec.number);
            rec.nameBytes = m_rows.nameBytes(rec.number);
            if (compared) {
                ComparedRow c = m_rows.comparedRow(rec.number);
                rec.state = std::move(c.state);
                rec.changed = std::move(c.changed);
                rec.relative = std::move(c.relative);
                rec.previous = std::move(c.previous);
            }
            const bool written = write(rec);
            rec.name = rec.extension = rec.folder = rec.state = QString();
            rec.folderBytes = rec.nameBytes = rec.relative = rec.previous = QByteArray();
            rec.changed = QStringList();
            if (!written) {
                stop = true; // the block being read is dropped; its future waits for it
                return false;
            }
        }
        report();
        pending = std::move(next);
    }
    if (progress)
        progress(n, n);
    return true;
}

} // namespace vellora
