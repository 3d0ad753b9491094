#pragma once
// Sizes of matching files, read on a helper thread while the walk goes on reading folders.
// Asking each file for its size is most of a scan's time; the walk hands over batches of a
// few hundred names and takes the sizes back by result position, so the results keep the
// walk's order. When the helper falls behind, the walk sizes its batch
// itself, which keeps both threads busy and the queue (and the open folders it pins) short.

#include "scan/FolderReader.h"
#include "scan/ScanResults.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace vellora::scan {

// Files of consecutive results, possibly from several folders.
struct SizeBatch
{
    struct Group
    {
        std::shared_ptr<const FolderReader> folder; // kept open until the batch ran
        std::size_t count = 0;                      // names of this folder, in order
    };
    std::vector<Group> groups;
    std::string names;     // NUL-terminated names, in walk order
    std::size_t first = 0; // result index of the first name
    std::size_t count = 0;
    std::vector<std::int64_t> sizes; // filled by run(): a size, or ScanResults::kUnknownSize
    bool withTimes = false;          // run() fills times too (a date range is on)
    std::vector<std::int64_t> times; // modification times, or EntryInfo::kNoTime

    void add(const std::shared_ptr<const FolderReader>& folder, std::string_view name);
    // Sizes every name; once give_up is set the rest stay unknown.
    void run(const std::atomic_bool* giveUp = nullptr);
};

// Sizes batches on helper threads while the walk reads on. One helper suffices while the
// file system answers fast; while it answers slowly (a cold disk, a share) more helpers
// start, up to maxHelpers, and batches get smaller so that they share the work.
class SizeWorker
{
public:
    // maxHelpers 0: the walk sizes every batch itself.
    explicit SizeWorker(int maxHelpers = 1);
    ~SizeWorker();
    SizeWorker(const SizeWorker&) = delete;
    SizeWorker& operator=(const SizeWorker&) = delete;

    // Whether batch should be handed over now.
    [[nodiscard]] bool full(const SizeBatch& batch) const;
    // Queues batch unless the helpers are already behind; false leaves batch to the caller.
    [[nodiscard]] bool offer(SizeBatch& batch);
    // Batches finished so far, in no particular order.
    [[nodiscard]] std::vector<SizeBatch> takeDone();
    // Waits for every queued batch and returns the finished ones. With a limit, what is not
    // sized by then stays unknown (an interrupted scan on a slow share, whose rows nobody
    // shows, must not keep the user waiting).
    [[nodiscard]] std::vector<SizeBatch>
    finish(std::chrono::milliseconds limit = std::chrono::milliseconds::max());
    // Whether the files answer slowly.
    [[nodiscard]] bool slow() const { return m_slow.load(std::memory_order_relaxed); }
    // Helper threads started so far (measurements and tests).
    [[nodiscard]] int helpers() const;
    // Tests make every helper wait this long before each batch, as on a machine whose cores
    // are all busy.
    static void setHelperLag(std::chrono::milliseconds lag);

private:
    void loop();
    void startHelper(); // with m_mutex held

    const int m_maxHelpers;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // work queued, or stopping
    std::condition_variable m_idle; // the queue ran dry
    std::deque<SizeBatch> m_queue;
    std::size_t m_queuedFolders = 0; // groups of the queued batches
    std::vector<SizeBatch> m_done;
    int m_busy = 0;
    bool m_stopping = false;
    bool m_noThread = false; // the system refused one: the rest is sized by the caller
    std::atomic_bool m_slow{false};
    std::atomic_bool m_giveUp{false};
    std::vector<std::thread> m_threads; // the first starts at the first offer
};

} // namespace vellora::scan
