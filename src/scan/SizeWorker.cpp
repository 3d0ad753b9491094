#include "SizeWorker.h"

#include "scan/IoDepth.h"
#include "scan/ScanLog.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace vellora::scan {

namespace {

// Names per batch while requests are fast: few hand-overs. While they are slow: small
// batches, from at most two folders (each queued batch keeps its folders open).
constexpr std::size_t kFastBatch = 256;
constexpr std::size_t kSlowBatch = 8;
// Folders the queued batches may hold open together.
constexpr std::size_t kMaxQueuedFolders = 64;

std::atomic<long long> g_helperLagMs{0};

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void SizeBatch::add(const std::shared_ptr<const FolderReader>& folder, std::string_view name)
{
    if (groups.empty() || groups.back().folder != folder)
        groups.push_back({folder, 0});
    ++groups.back().count;
    names.append(name);
    names.push_back('\0');
    ++count;
}

void SizeBatch::run(const std::atomic_bool* giveUp)
{
    sizes.assign(count, ScanResults::kUnknownSize);
    if (withTimes)
        times.assign(count, EntryInfo::kNoTime);
    const char* name = names.data();
    std::size_t i = 0;
    for (const Group& g : groups) {
        for (std::size_t k = 0; k < g.count; ++k, ++i, name += std::strlen(name) + 1) {
            if (giveUp && giveUp->load(std::memory_order_relaxed))
                return;
            EntryInfo info;
            if (g.folder->stat(name, info, true) && info.kind == EntryKind::Regular) {
                sizes[i] = info.size;
                if (withTimes)
                    times[i] = info.mtime;
                continue;
            }
            // Removed or replaced since the folder was read, or in a folder readable but not
            // searchable, which names its files without letting anyone look at them: the
            // file was listed, so it keeps its row, its size unknown.
            qCDebug(lcScan) << "no size for" << name << std::strerror(errno);
        }
    }
}

SizeWorker::SizeWorker(int maxHelpers) : m_maxHelpers(std::max(0, maxHelpers)) {}

SizeWorker::~SizeWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

bool SizeWorker::full(const SizeBatch& batch) const
{
    const bool slow = m_slow.load(std::memory_order_relaxed);
    return batch.count >= (slow ? kSlowBatch : kFastBatch) || batch.groups.size() >= (slow ? 2u : 16u);
}

void SizeWorker::setHelperLag(std::chrono::milliseconds lag)
{
    g_helperLagMs = lag.count();
}

int SizeWorker::helpers() const
{
    std::lock_guard lock(m_mutex);
    return int(m_threads.size());
}

void SizeWorker::startHelper()
{
    try {
        m_threads.emplace_back(&SizeWorker::loop, this);
    } catch (const std::system_error& e) {
        // Out of threads: the walk sizes the rest itself.
        qCDebug(lcScan) << "no helper thread:" << e.what();
        m_noThread = m_threads.empty();
    }
}

bool SizeWorker::offer(SizeBatch& batch)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_maxHelpers == 0 || m_noThread)
            return false;
        if (m_threads.empty())
            startHelper();
        // Enough queued to keep every helper busy, few enough that the folders they hold
        // open stay a small number.
        if (m_noThread || m_queue.size() >= std::max<std::size_t>(4, 2 * m_threads.size()) ||
            m_queuedFolders + batch.groups.size() > kMaxQueuedFolders)
            return false;
        m_queuedFolders += batch.groups.size();
        m_queue.push_back(std::move(batch));
    }
    m_wake.notify_one();
    return true;
}

std::vector<SizeBatch> SizeWorker::takeDone()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_done, {});
}

std::vector<SizeBatch> SizeWorker::finish(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    const auto idle = [this] { return m_queue.empty() && m_busy == 0; };
    if (limit == std::chrono::milliseconds::max() || !m_idle.wait_for(lock, limit, idle)) {
        if (limit != std::chrono::milliseconds::max()) {
            m_giveUp = true;
            // What waits in the queue goes back unsized.
            while (!m_queue.empty()) {
                SizeBatch batch = std::move(m_queue.front());
                m_queue.pop_front();
                m_queuedFolders -= batch.groups.size();
                batch.sizes.assign(batch.count, ScanResults::kUnknownSize);
                batch.groups.clear();
                m_done.push_back(std::move(batch));
            }
        }
        m_idle.wait(lock, idle);
    }
    return std::exchange(m_done, {});
}

void SizeWorker::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, nothing left
        SizeBatch batch = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedFolders -= batch.groups.size();
        ++m_busy;
        lock.unlock();
        const long long start = nowNs();
        if (const long long lag = g_helperLagMs.load(std::memory_order_relaxed); lag > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(lag));
        batch.run(&m_giveUp);
        const bool slow = batch.count > 0 && (nowNs() - start) / (long long)batch.count > kSlowRequestNs;
        batch.groups.clear(); // the folders may close now, on this thread
        lock.lock();
        m_done.push_back(std::move(batch));
        --m_busy;
        // Slow answers: more requests in flight help, up to the limit.
        m_slow.store(slow, std::memory_order_relaxed);
        if (slow && int(m_threads.size()) < m_maxHelpers && !m_queue.empty())
            startHelper();
        if (m_queue.empty() && m_busy == 0)
            m_idle.notify_all();
    }
}

} // namespace vellora::scan
