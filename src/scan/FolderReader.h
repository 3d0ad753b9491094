#pragma once
// The file-system side of the walk, kept behind one small interface so the walk itself has
// no system calls in it. On Linux a folder is an open descriptor and every entry is reached
// relative to it, so deep trees cost no path look-ups and links are never followed.

#include <cstdint>
#include <QByteArray>
#include <string_view>
#include <vector>

namespace vellora::scan {

// What an entry is, as lstat would tell: links are links, not their targets.
enum class EntryKind : std::uint8_t { Unknown, Regular, Directory, Symlink, Special };

// Which file system and mount a folder belongs to, and which folder it is.
struct FolderId
{
    std::uint64_t device = 0;
    std::uint64_t mount = 0; // 0 when the system does not tell
    std::uint64_t inode = 0;

    [[nodiscard]] bool sameMount(const FolderId& o) const
    {
        return device == o.device && (mount == 0 || o.mount == 0 || mount == o.mount);
    }
    [[nodiscard]] bool sameFolder(const FolderId& o) const { return sameMount(o) && inode == o.inode; }
};

struct EntryInfo
{
    static constexpr std::int64_t kNoTime = INT64_MIN;

    EntryKind kind = EntryKind::Unknown;
    std::int64_t size = 0;
    std::int64_t mtime = kNoTime; // seconds since the epoch, asked for with the size
    FolderId id;
};

// One raw entry of a batch; name points into the batch buffer and is NUL-terminated.
struct RawEntry
{
    std::string_view name;
    EntryKind kind = EntryKind::Unknown;
};

class EntryBatch;

// An open folder. Move-only; closes itself.
class FolderReader
{
public:
    FolderReader() = default;
    ~FolderReader() { close(); }
    FolderReader(FolderReader&& o) noexcept : m_fd(o.m_fd), m_error(o.m_error) { o.m_fd = -1; }
    FolderReader& operator=(FolderReader&& o) noexcept;
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // The starting folder: a link naming it is followed, as the user chose that path.
    [[nodiscard]] static FolderReader openPath(const QByteArray& path);
    // A subfolder by its name in this folder; a link there is never followed.
    [[nodiscard]] FolderReader openChild(const char* name) const;

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    void close();
    // errno of the last failed open, for the log.
    [[nodiscard]] int error() const { return m_error; }

    // Fills batch with the next entries in the order the file system returns them ("." and
    // ".." included); false at the end of the folder or on a read error.
    [[nodiscard]] bool read(EntryBatch& batch);

    // lstat semantics on an entry of this folder; size and modification time only when
    // wantSize. Never triggers an automount.
    [[nodiscard]] bool stat(const char* name, EntryInfo& out, bool wantSize) const;
    // The folder itself.
    [[nodiscard]] bool identify(FolderId& out) const;
    // Whether the folder lies on a network share or a user-space file system (FUSE), where
    // a request may wait on another machine; a local disk answers whatever the load.
    [[nodiscard]] bool onShare() const;

    // Some file systems (older XFS, several network and FUSE ones) give no kind with the
    // names; tests use this to walk such a folder on any file system.
    static void setKindsUnknown(bool unknown);
    // Tests use this to walk a local folder as if it were on a share.
    static void setTakenForShare(bool share);

private:
    int m_fd = -1;
    int m_error = 0;
};

class EntryBatch
{
public:
    EntryBatch();
    [[nodiscard]] const std::vector<RawEntry>& entries() const { return m_entries; }

private:
    friend class FolderReader;
    std::vector<char> m_buffer;
    std::vector<RawEntry> m_entries;
};

} // namespace vellora::scan
