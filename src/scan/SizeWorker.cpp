#include "SizeWorker.h"

#include "scan/ScanLog.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace vellora::scan {

namespace {

// Queued batches at most: enough to keep the helper busy, few enough that the folders they
// hold open stay a small number.
constexpr std::size_t kMaxQueued = 4;

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

void SizeBatch::run()
{
    sizes.resize(count);
    const char* name = names.data();
    std::size_t i = 0;
    for (const Group& g : groups) {
        for (std::size_t k = 0; k < g.count; ++k, ++i, name += std::strlen(name) + 1) {
            EntryInfo info;
            if (g.folder->stat(name, info, true) && info.kind == EntryKind::Regular) {
                sizes[i] = info.size;
                continue;
            }
            // Removed or replaced since the folder was read, or in a folder readable but not
            // searchable, which names its files without letting anyone look at them: the
            // file was listed, so it keeps its row, its size unknown.
            qCDebug(lcScan) << "no size for" << name << std::strerror(errno);
            sizes[i] = ScanResults::kUnknownSize;
        }
    }
}

SizeWorker::~SizeWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool SizeWorker::offer(SizeBatch& batch)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.size() >= kMaxQueued || m_noThread)
            return false;
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread(&SizeWorker::loop, this);
            } catch (const std::system_error& e) {
                // Out of threads: the walk simply sizes everything itself.
                qCDebug(lcScan) << "no helper thread:" << e.what();
                m_noThread = true;
                return false;
            }
        }
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

std::vector<SizeBatch> SizeWorker::finish()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
    return std::exchange(m_done, {});
}

void SizeWorker::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, nothing left
        SizeBatch batch = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        batch.run();
        batch.groups.clear(); // the folders may close now, on this thread
        lock.lock();
        m_done.push_back(std::move(batch));
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}

} // namespace vellora::scan
