#pragma once
// Folders read ahead of the walk. The walk enters folders one after the other in its fixed
// order; on a cold disk or a network share each folder costs several round trips (look at
// it, open it, list it). Helper threads do that for the folders the walk will enter next,
// deepest first, so that many requests are in flight while the walk keeps its order and
// finds each folder already listed. A folder not yet started when the walk reaches it is
// read by the walk itself; one being read is waited for.

#include "scan/FolderReader.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vellora {
class MaskSet;
}

namespace vellora::scan {

struct ReadAheadTicket;

// What a helper found for one folder: the entry as its parent lists it, and, when it is a
// folder of the same mount, the open folder, its first entries and the subfolders the
// helpers went on to read (a walk enters them next).
struct FolderAhead
{
    bool looked = false;                  // the entry was looked at (it may be gone)
    EntryInfo info;                       // lstat of the entry in its parent
    std::shared_ptr<FolderReader> reader; // open when the folder could be opened
    bool listedAll = false;               // every entry is below; otherwise the reader goes on
    std::string names;                    // entry names, each NUL-terminated, back to back
    std::vector<EntryKind> kinds;
    std::vector<std::pair<std::string, std::shared_ptr<ReadAheadTicket>>> children; // in entry order

    // The entries as the reader gives them (views into names).
    [[nodiscard]] std::vector<RawEntry> entries() const;
};

class ReadAhead
{
public:
    using Ticket = ReadAheadTicket;
    // Up to maxHelpers threads and maxFolders folders asked for and not yet taken. Folders
    // whose names excluded matches are never asked for: the walk does not enter them, and
    // opening them is the very cost their exclusion saves. excluded outlives this.
    ReadAhead(int maxHelpers, std::size_t maxFolders, const MaskSet* excluded = nullptr);
    ~ReadAhead(); // drops what has not started and waits for what has
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Whether another folder may be asked for now.
    [[nodiscard]] bool hasRoom() const;
    // Asks for the folder name of parent (whose identity is parentId), depth levels below
    // the start: deeper folders are read first, then in the order asked. Null when there is
    // no room or no helper.
    [[nodiscard]] std::shared_ptr<Ticket> request(std::shared_ptr<const FolderReader> parent,
                                                  FolderId parentId, std::string name, std::size_t depth);
    // The folder, waiting for it while it is being read; null when it was never started
    // (then the caller reads it itself).
    [[nodiscard]] std::unique_ptr<FolderAhead> take(const std::shared_ptr<Ticket>& ticket);
    // The walk will not enter it after all.
    void drop(const std::shared_ptr<Ticket>& ticket);
    // A folder taken but not entered: what it asked for goes too.
    void discard(std::unique_ptr<FolderAhead> folder);

private:
    bool unqueue(const std::shared_ptr<Ticket>& ticket); // with m_mutex held
    void dropChildren(FolderAhead* folder);              // with m_mutex held
    void loop();
    void read(Ticket& t);

    const int m_maxHelpers;
    const std::size_t m_maxFolders;
    const MaskSet* const m_excluded; // null or empty: every folder is read
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // work queued, or stopping
    std::condition_variable m_done; // a folder was read
    std::multimap<std::uint64_t, std::shared_ptr<Ticket>> m_queue;
    std::size_t m_held = 0;    // asked for and not taken
    std::uint64_t m_asked = 0; // order of asking
    int m_idle = 0;            // helpers waiting for work
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace vellora::scan
