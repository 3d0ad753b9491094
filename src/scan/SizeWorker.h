#pragma once
// Sizes of matching files, read on a helper thread while the walk goes on reading folders.
// Asking each file for its size is most of a scan's time; the walk hands over batches of a
// few hundred names and takes the sizes back by result position, so the results keep the
// walk's order. When the helper falls behind, the walk sizes its batch
// itself, which keeps both threads busy and the queue (and the open folders it pins) short.

#include "scan/FolderReader.h"
#include "scan/ScanResults.h"

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

    void add(const std::shared_ptr<const FolderReader>& folder, std::string_view name);
    // Large enough to be worth a hand-over; the folder limit caps the descriptors held.
    [[nodiscard]] bool full() const { return count >= 256 || groups.size() >= 16; }
    void run();
};

class SizeWorker
{
public:
    SizeWorker() = default;
    ~SizeWorker();
    SizeWorker(const SizeWorker&) = delete;
    SizeWorker& operator=(const SizeWorker&) = delete;

    // Queues batch unless the helper is already behind; false leaves batch to the caller.
    [[nodiscard]] bool offer(SizeBatch& batch);
    // Batches finished so far, in no particular order.
    [[nodiscard]] std::vector<SizeBatch> takeDone();
    // Waits for every queued batch and returns the finished ones.
    [[nodiscard]] std::vector<SizeBatch> finish();

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake; // work queued, or stopping
    std::condition_variable m_idle; // the queue ran dry
    std::deque<SizeBatch> m_queue;
    std::vector<SizeBatch> m_done;
    bool m_busy = false;
    bool m_stop = false;
    bool m_noThread = false; // the system refused one: everything is sized by the caller
    std::thread m_thread;    // started at the first offer: small scans never pay for it
};

} // namespace vellora::scan
