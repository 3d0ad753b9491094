#include "FileChecksum.h"

#include "ExportLog.h"
#include "fileinfo/FileFacts.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/magic.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace vellora {

namespace {

// Large reads keep the disk streaming and the system calls few; one block per thread.
constexpr std::size_t kBlockBytes = 1 << 20;

// The kernel's views of itself: their files tell no size (or a made-up one) and some never
// end (/proc/PID/pagemap reads on through the whole address space). They have no content
// to check.
bool pseudoFileSystem(int fd)
{
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC:
    case BPF_FS_MAGIC:
    case SELINUX_MAGIC:
    case SMACK_MAGIC:
    case BINFMTFS_MAGIC:
        return true;
    default:
        return false;
    }
}

} // namespace

ChecksumReader::ChecksumReader(bool followLinks)
    : m_block(kBlockBytes), m_hash(EVP_MD_CTX_new()),
      m_openFlags(O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW))
{
}

ChecksumReader::~ChecksumReader()
{
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    EVP_MD_CTX_free(m_hash);
}

int ChecksumReader::folderFd(const QByteArray& folder)
{
    if (m_folderFd >= 0 && folder == m_folder)
        return m_folderFd;
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    m_folder = folder;
    m_folderFd = fileinfo::openFolder(folder);
    return m_folderFd;
}

QByteArray ChecksumReader::sha256(const QByteArray& folder, const QByteArray& name,
                                  const std::atomic_bool& stop)
{
    const int dir = folderFd(folder);
    if (dir < 0)
        return {};
    // Non-blocking, so that a FIFO put where the file was cannot hang the export; it is
    // refused just below as not a regular file.
    int fd;
    do {
        fd = ::openat(dir, name.constData(), m_openFlags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return {};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {};
    }
    if (pseudoFileSystem(fd)) {
        qCInfo(lcExport) << "no checksum for" << name << "in" << folder << "- a file of the kernel's own";
        ::close(fd);
        return {};
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    bool ok = m_hash && EVP_DigestInit_ex(m_hash, EVP_sha256(), nullptr) == 1;
    // The content is the size the file reports: a file that holds more (it grows while read,
    // or its file system does not tell sizes) gets no checksum rather than one of a part,
    // and no read goes on for ever.
    const auto expected = std::uint64_t(st.st_size);
    std::uint64_t total = 0;
    while (ok) {
        if (stop.load(std::memory_order_relaxed)) {
            ok = false;
            break;
        }
        const ssize_t got = ::read(fd, m_block.data(), m_block.size());
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        total += std::uint64_t(got);
        if (total > expected) {
            qCInfo(lcExport) << "no checksum for" << name << "in" << folder << "- longer than its size";
            ok = false;
            break;
        }
        ok = EVP_DigestUpdate(m_hash, m_block.data(), std::size_t(got)) == 1;
    }
    ::close(fd);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok || EVP_DigestFinal_ex(m_hash, digest, &length) != 1)
        return {};
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

} // namespace vellora
