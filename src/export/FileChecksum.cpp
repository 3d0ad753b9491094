#include "FileChecksum.h"

#include "fileinfo/FileFacts.h"

#include <cerrno>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

namespace {

// Large reads keep the disk streaming and the system calls few; one block per thread.
constexpr std::size_t kBlockBytes = 1 << 20;

} // namespace

ChecksumReader::ChecksumReader() : m_block(kBlockBytes), m_hash(EVP_MD_CTX_new()) {}

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
    bool ok = m_hash && EVP_DigestInit_ex(m_hash, EVP_sha256(), nullptr) == 1;
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
