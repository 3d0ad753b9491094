#include "ReadAhead.h"

#include "scan/PatternMatcher.h"
#include "scan/ScanLog.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace vellora::scan {

namespace {

// Entries a helper lists of one folder; a larger folder is listed on by the walk, so that
// what waits in memory stays small.
constexpr std::size_t kMaxEntriesAhead = 4096;

} // namespace

struct ReadAheadTicket
{
    enum class State { Queued, Running, Done, Taken, Abandoned };
    State state = State::Queued;
    std::shared_ptr<const FolderReader> parent;
    FolderId parentId;
    std::string name;
    std::size_t depth = 0;
    std::unique_ptr<FolderAhead> folder;
};

std::vector<RawEntry> FolderAhead::entries() const
{
    std::vector<RawEntry> out;
    out.reserve(kinds.size());
    std::size_t at = 0;
    for (const EntryKind kind : kinds) {
        const std::string_view name(names.data() + at);
        out.push_back({name, kind});
        at += name.size() + 1;
    }
    return out;
}

ReadAhead::ReadAhead(int maxHelpers, std::size_t maxFolders, const MaskSet* excluded)
    : m_maxHelpers(std::max(0, maxHelpers)), m_maxFolders(maxFolders),
      m_excluded(excluded && !excluded->isEmpty() ? excluded : nullptr)
{
}

ReadAhead::~ReadAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        for (auto& [priority, ticket] : m_queue)
            ticket->state = Ticket::State::Taken;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

bool ReadAhead::hasRoom() const
{
    std::lock_guard lock(m_mutex);
    return m_maxHelpers > 0 && m_held < m_maxFolders;
}

std::shared_ptr<ReadAhead::Ticket> ReadAhead::request(std::shared_ptr<const FolderReader> parent,
                                                      FolderId parentId, std::string name, std::size_t depth)
{
    std::lock_guard lock(m_mutex);
    if (m_maxHelpers == 0 || m_held >= m_maxFolders || m_stopping)
        return nullptr;
    // One more helper while the waiting requests outnumber the idle helpers: requests in
    // flight are what the walk waits on.
    if (int(m_queue.size()) >= m_idle && int(m_threads.size()) < m_maxHelpers) {
        try {
            m_threads.emplace_back(&ReadAhead::loop, this);
        } catch (const std::system_error& e) {
            qCDebug(lcScan) << "no read-ahead thread:" << e.what();
            if (m_threads.empty())
                return nullptr;
        }
    }
    auto ticket = std::make_shared<Ticket>();
    ticket->parent = std::move(parent);
    ticket->parentId = parentId;
    ticket->name = std::move(name);
    ticket->depth = depth;
    // Deeper first, then in the order asked: nearly the walk's own order.
    constexpr std::uint64_t kDeepest = (std::uint64_t(1) << 20) - 1;
    const std::uint64_t priority = ((kDeepest - std::min<std::uint64_t>(depth, kDeepest)) << 40) |
                                   (m_asked++ & ((std::uint64_t(1) << 40) - 1));
    m_queue.emplace(priority, ticket);
    ++m_held;
    m_wake.notify_one();
    return ticket;
}

bool ReadAhead::unqueue(const std::shared_ptr<Ticket>& ticket)
{
    if (ticket->state != Ticket::State::Queued)
        return false;
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        if (it->second == ticket) {
            m_queue.erase(it);
            break;
        }
    }
    ticket->state = Ticket::State::Taken;
    --m_held;
    return true;
}

void ReadAhead::drop(const std::shared_ptr<Ticket>& ticket)
{
    if (!ticket)
        return;
    std::lock_guard lock(m_mutex);
    if (unqueue(ticket))
        return;
    if (ticket->state == Ticket::State::Running) {
        ticket->state = Ticket::State::Abandoned; // its helper lets it go
    } else if (ticket->state == Ticket::State::Done) {
        ticket->state = Ticket::State::Taken;
        --m_held;
        std::unique_ptr<FolderAhead> folder = std::move(ticket->folder);
        dropChildren(folder.get());
    }
}

void ReadAhead::discard(std::unique_ptr<FolderAhead> folder)
{
    std::lock_guard lock(m_mutex);
    dropChildren(folder.get());
}

// With m_mutex held: what a folder never entered asked for is not needed either.
void ReadAhead::dropChildren(FolderAhead* folder)
{
    if (!folder)
        return;
    for (auto& [name, child] : folder->children) {
        if (!child || unqueue(child))
            continue;
        if (child->state == Ticket::State::Running) {
            child->state = Ticket::State::Abandoned;
        } else if (child->state == Ticket::State::Done) {
            child->state = Ticket::State::Taken;
            --m_held;
            std::unique_ptr<FolderAhead> grandchild = std::move(child->folder);
            dropChildren(grandchild.get());
        }
    }
}

std::unique_ptr<FolderAhead> ReadAhead::take(const std::shared_ptr<Ticket>& ticket)
{
    if (!ticket)
        return nullptr;
    std::unique_lock lock(m_mutex);
    // Not started: the walk is quicker reading it itself than waiting for a helper.
    if (unqueue(ticket))
        return nullptr;
    m_done.wait(lock, [&] { return ticket->state == Ticket::State::Done; });
    ticket->state = Ticket::State::Taken;
    --m_held;
    ticket->parent.reset();
    return std::move(ticket->folder);
}

void ReadAhead::read(Ticket& t)
{
    auto folder = std::make_unique<FolderAhead>();
    // Looked at first, without following a link or triggering an automount: a folder
    // another file system is mounted on is not opened (the walk does not enter it).
    folder->looked = t.parent->stat(t.name.c_str(), folder->info, false);
    if (folder->looked && folder->info.kind == EntryKind::Directory &&
        folder->info.id.sameMount(t.parentId)) {
        folder->reader = std::make_shared<FolderReader>(t.parent->openChild(t.name.c_str()));
        EntryBatch batch;
        while (folder->reader->isOpen() && folder->kinds.size() < kMaxEntriesAhead) {
            if (!folder->reader->read(batch)) {
                folder->listedAll = true;
                break;
            }
            for (const RawEntry& e : batch.entries()) {
                folder->names.append(e.name);
                folder->names.push_back('\0');
                folder->kinds.push_back(e.kind);
                // Its subfolders are next in the walk: asked for at once, deeper than it.
                if (e.kind == EntryKind::Directory && e.name != "." && e.name != ".." &&
                    !(m_excluded && m_excluded->matches(e.name)))
                    folder->children.emplace_back(
                        std::string(e.name),
                        request(folder->reader, folder->info.id, std::string(e.name), t.depth + 1));
            }
        }
    }
    t.folder = std::move(folder);
}

void ReadAhead::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        --m_idle;
        if (m_stopping)
            return;
        std::shared_ptr<Ticket> ticket = m_queue.begin()->second;
        m_queue.erase(m_queue.begin());
        ticket->state = Ticket::State::Running;
        lock.unlock();
        read(*ticket);
        ticket->parent.reset(); // the parent may close now; the walk holds it as long as it needs
        lock.lock();
        if (ticket->state == Ticket::State::Abandoned) {
            ticket->state = Ticket::State::Taken;
            --m_held;
            std::unique_ptr<FolderAhead> folder = std::move(ticket->folder);
            dropChildren(folder.get());
            continue;
        }
        ticket->state = Ticket::State::Done;
        m_done.notify_all();
    }
}

} // namespace vellora::scan
