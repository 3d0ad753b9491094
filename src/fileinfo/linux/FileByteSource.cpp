#include "fileinfo/ByteSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora::fileinfo {

namespace {

// Never blocks on a FIFO, never becomes our controlling terminal.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

} // namespace

FileByteSource::FileByteSource(const QByteArray& path)
{
    // A name with an embedded NUL would silently open a different, shorter path.
    if (path.isEmpty() || path.contains('\0'))
        return;
    int fd;
    do {
        fd = ::open(path.constData(), kOpenFlags);
    } while (fd < 0 && errno == EINTR);
    adopt(fd);
}

FileByteSource::FileByteSource(int dirFd, const char* name)
{
    // An entry name, never a path: a '/' would reach into another folder.
    if (name == nullptr || *name == '\0' || std::strchr(name, '/') != nullptr)
        return;
    int fd;
    do {
        fd = ::openat(dirFd, name, kOpenFlags | O_NOFOLLOW);
    } while (fd < 0 && errno == EINTR);
    adopt(fd);
}

void FileByteSource::adopt(int fd)
{
    if (fd < 0)
        return;
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    m_statted = true;
    m_mtime = qint64(st.st_mtim.tv_sec);
    m_statSize = qint64(st.st_size);
    if (!S_ISREG(st.st_mode) || st.st_size < 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = quint64(st.st_size);
    // A version read takes a few pages of a file, most often its first one only: the
    // kernel's read-ahead would fetch (or, in a sparse file, fill) 128 KiB around each. A
    // small file has no more to fetch, and is spared the call.
    if (st.st_size > 16 * 1024)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
}

FileByteSource::~FileByteSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileByteSource::preadFully(quint64 offset, char* dst, quint64 len)
{
    while (len > 0) {
        if (offset > quint64(std::numeric_limits<off_t>::max()))
            return false;
        ++m_readCalls;
        const ssize_t got = ::pread(m_fd, dst, size_t(qMin<quint64>(len, 1u << 30)), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) { // error, or the file shrank since fstat
            m_failed = true;
            return false;
        }
        dst += got;
        offset += quint64(got);
        len -= quint64(got);
    }
    return true;
}

bool FileByteSource::read(quint64 offset, void* dst, quint64 len)
{
    if (m_fd < 0 || offset > m_size || len > m_size - offset)
        return false;
    if (len == 0)
        return true;
    if (offset >= m_windowStart && offset - m_windowStart <= m_windowLen &&
        len <= m_windowLen - (offset - m_windowStart)) {
        std::memcpy(dst, m_window.data() + (offset - m_windowStart), size_t(len));
        return true;
    }
    if (len > kWindowSize / 2)
        return preadFully(offset, static_cast<char*>(dst), len);
    // Start the window a little before the request: directory walks step back and forth.
    const quint64 start = offset - qMin<quint64>(offset % 512, kWindowSize / 2 - len);
    // Never shorter than the request (at most kWindowSize / 2 from start, see above).
    const quint64 wanted =
        qMax<quint64>(m_readCalls == 0 ? kFirstWindowSize : kWindowSize, offset - start + len);
    const quint64 windowLen = qMin<quint64>(wanted, m_size - start);
    m_windowLen = 0;
    if (!preadFully(start, m_window.data(), windowLen))
        return false;
    m_windowStart = start;
    m_windowLen = windowLen;
    std::memcpy(dst, m_window.data() + (offset - start), size_t(len));
    return true;
}

} // namespace vellora::fileinfo
