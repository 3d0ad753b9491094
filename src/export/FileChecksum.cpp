#include "FileChecksum.h"

#include "fileinfo/FileFacts.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

namespace {

// Large reads keep the disk streaming and the system calls few; one block per thread.
constexpr std::size_t kBlockBytes = 1 << 20;

} // namespace

ChecksumReader::ChecksumReader() : m_block(kBlockBytes) {}

ChecksumReader::~ChecksumReader()
{
    if (m_folderFd >= 0)
        ::close(m_folderFd);
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
        fd = ::openat(dir, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return {};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {};
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_hash.reset();
    bool ok = true;
    for (;;) {
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
        m_hash.addData(QByteArrayView(m_block.data(), qsizetype(got)));
    }
    ::close(fd);
    return ok ? m_hash.result().toHex() : QByteArray();
}

} // namespace vellora
