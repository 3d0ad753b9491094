#include "scan/FolderReader.h"

#include "fileinfo/FolderPaths.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vellora::scan {

namespace {

// Large enough that a folder of a few thousand entries needs one or two reads.
constexpr std::size_t kBatchBytes = 64 * 1024;

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

std::atomic_bool g_kindsUnknown{false};
std::atomic_bool g_takenForShare{false};

EntryKind kindOfType(unsigned char t)
{
    switch (t) {
    case DT_REG:
        return EntryKind::Regular;
    case DT_DIR:
        return EntryKind::Directory;
    case DT_LNK:
        return EntryKind::Symlink;
    case DT_UNKNOWN:
        return EntryKind::Unknown;
    default:
        return EntryKind::Special; // FIFO, socket, devices, whiteouts
    }
}

EntryKind kindOfMode(unsigned mode)
{
    if (S_ISREG(mode))
        return EntryKind::Regular;
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    if (S_ISLNK(mode))
        return EntryKind::Symlink;
    return EntryKind::Special;
}

FolderId idOf(const struct statx& st)
{
    FolderId id;
    id.device = (std::uint64_t(st.stx_dev_major) << 32) | st.stx_dev_minor;
    id.mount = (st.stx_mask & STATX_MNT_ID) ? st.stx_mnt_id : 0;
    id.inode = st.stx_ino;
    return id;
}

int retryOpen(int dirFd, const char* name, int flags)
{
    int fd;
    do {
        fd = ::openat(dirFd, name, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

EntryBatch::EntryBatch() : m_buffer(kBatchBytes)
{
    m_entries.reserve(kBatchBytes / 32);
}

FolderReader& FolderReader::operator=(FolderReader&& o) noexcept
{
    if (this != &o) {
        close();
        m_fd = o.m_fd;
        m_error = o.m_error;
        o.m_fd = -1;
    }
    return *this;
}

FolderReader FolderReader::openPath(const QByteArray& path)
{
    FolderReader r;
    // A start folder deeper than the path limit is opened a slice at a time.
    r.m_fd = fileinfo::openFolderToRead(path);
    if (r.m_fd < 0)
        r.m_error = errno;
    return r;
}

FolderReader FolderReader::openChild(const char* name) const
{
    FolderReader r;
    r.m_fd = retryOpen(m_fd, name, kOpenFlags | O_NOFOLLOW);
    if (r.m_fd < 0)
        r.m_error = errno;
    return r;
}

void FolderReader::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool FolderReader::read(EntryBatch& batch)
{
    batch.m_entries.clear();
    if (m_fd < 0)
        return false;
    ssize_t n;
    do {
        n = ::getdents64(m_fd, batch.m_buffer.data(), batch.m_buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return false;
    const bool unknown = g_kindsUnknown.load(std::memory_order_relaxed);
    const char* p = batch.m_buffer.data();
    const char* end = p + n;
    while (p < end) {
        const auto* d = reinterpret_cast<const struct dirent64*>(p);
        batch.m_entries.push_back(
            {std::string_view(d->d_name), unknown ? EntryKind::Unknown : kindOfType(d->d_type)});
        p += d->d_reclen;
    }
    return true;
}

bool FolderReader::stat(const char* name, EntryInfo& out, bool wantSize) const
{
    struct statx st;
    const unsigned mask = STATX_TYPE | STATX_INO | STATX_MNT_ID | (wantSize ? STATX_SIZE | STATX_MTIME : 0u);
    if (::statx(m_fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC, mask, &st) != 0)
        return false;
    out.kind = kindOfMode(st.stx_mode);
    out.size = (wantSize && (st.stx_mask & STATX_SIZE)) ? std::int64_t(st.stx_size) : 0;
    out.mtime =
        (wantSize && (st.stx_mask & STATX_MTIME)) ? std::int64_t(st.stx_mtime.tv_sec) : EntryInfo::kNoTime;
    out.id = idOf(st);
    return true;
}

void FolderReader::setKindsUnknown(bool unknown)
{
    g_kindsUnknown = unknown;
}

void FolderReader::setTakenForShare(bool share)
{
    g_takenForShare = share;
}

bool FolderReader::onShare() const
{
    if (g_takenForShare.load(std::memory_order_relaxed))
        return true;
    struct statfs fs;
    if (m_fd < 0 || ::fstatfs(m_fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case V9FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CODA_SUPER_MAGIC:
    case NCP_SUPER_MAGIC:
    case OCFS2_SUPER_MAGIC:
    case FUSE_SUPER_MAGIC: // sshfs, rclone and the like; a FUSE disk is taken as remote too
        return true;
    default:
        return false;
    }
}

bool FolderReader::identify(FolderId& out) const
{
    struct statx st;
    if (::statx(m_fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_INO | STATX_MNT_ID, &st) !=
        0)
        return false;
    out = idOf(st);
    return true;
}

} // namespace vellora::scan
