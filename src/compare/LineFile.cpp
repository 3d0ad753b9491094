#include "LineFile.h"

#include "fileinfo/FileFacts.h"
#include "fileinfo/FolderPaths.h"
#include "system/ErrorText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

namespace {

constexpr std::size_t kBlockBytes = std::size_t(8) << 20;
// How often the reader of a list looks at the interrupt and tells its progress.
constexpr std::int64_t kProgressBytes = std::int64_t(4) << 20;

// The file at path, of any length: its folder opened slice by slice when the path is longer
// than the kernel takes, the file then opened inside it.
int openAnyLength(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray("./") : path.left(slash + 1);
    const QByteArray name = path.mid(slash + 1);
    if (name.isEmpty())
        return fileinfo::openFolder(path); // told apart below as a folder
    const int dir = fileinfo::openFolder(folder);
    if (dir < 0)
        return -1;
    int fd;
    do {
        // Non-blocking: a FIFO in the listing's place cannot hang the reader, and is refused
        // below as not a regular file.
        fd = ::openat(dir, name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    const int err = errno;
    ::close(dir);
    errno = err;
    return fd;
}

} // namespace

LineFile::LineFile(std::size_t padding) : m_padding(padding) {}

LineFile::~LineFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LineFile::open(const QByteArray& path, QString* cause)
{
    m_fd = openAnyLength(path);
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        *cause = errnoCause(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *cause =
            S_ISDIR(st.st_mode) ? QStringLiteral("è una cartella") : QStringLiteral("non è un file normale");
        return false;
    }
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags >= 0)
        (void)::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_fileSize = st.st_size;
    m_capacity = kBlockBytes;
    m_buffer = std::make_unique<char[]>(m_capacity + m_padding);
    return true;
}

bool LineFile::fill()
{
    // What is left of the block is one line's start: it moves to the front, and a line longer
    // than the whole block makes the block larger.
    const std::size_t left = m_end - m_begin;
    if (left == m_capacity) {
        std::unique_ptr<char[]> bigger = std::make_unique<char[]>(2 * m_capacity + m_padding);
        std::memcpy(bigger.get(), m_buffer.get() + m_begin, left);
        m_buffer = std::move(bigger);
        m_capacity *= 2;
    } else if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, left);
    }
    m_begin = 0;
    m_end = left;
    while (m_end < m_capacity) {
        const ssize_t got = ::read(m_fd, m_buffer.get() + m_end, m_capacity - m_end);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_cause = errnoCause(errno);
            return false;
        }
        if (got == 0) {
            m_eof = true;
            break;
        }
        m_end += std::size_t(got);
        m_bytesRead += got;
    }
    std::memset(m_buffer.get() + m_end, 0, m_capacity + m_padding - m_end);
    return true;
}

bool LineFile::next(std::string_view& line)
{
    if (!m_buffer)
        return false;
    for (;;) {
        const char* from = m_buffer.get() + m_begin;
        const auto* newline = static_cast<const char*>(std::memchr(from, '\n', m_end - m_begin));
        if (newline) {
            line = std::string_view(from, std::size_t(newline - from));
            m_begin += line.size() + 1;
            ++m_lineNumber;
            return true;
        }
        if (m_eof) {
            if (m_begin == m_end)
                return false;
            line = std::string_view(from, m_end - m_begin); // the last line, without '\n'
            m_begin = m_end;
            ++m_lineNumber;
            return true;
        }
        if (!fill())
            return false;
    }
}

std::size_t LineFile::capacityFrom(std::string_view line) const
{
    return std::size_t(m_buffer.get() + m_capacity + m_padding - line.data());
}

ReadOutcome readLines(const QByteArray& path, const char* what, std::size_t padding,
                      const std::function<QString(LineFile& file, std::string_view line)>& line,
                      const std::atomic_bool* interrupt, const ReadProgressFn& progress)
{
    ReadOutcome outcome;
    const auto failed = [&](const QString& cause) {
        outcome.error = QStringLiteral("Impossibile leggere %1 %2: %3.")
                            .arg(QLatin1String(what), fileinfo::pathText(path), cause);
        return outcome;
    };
    LineFile file(padding);
    QString cause;
    if (!file.open(path, &cause))
        return failed(cause);
    std::int64_t nextReport = 0;
    std::string_view text;
    while (file.next(text)) {
        if (file.bytesRead() >= nextReport) {
            nextReport = file.bytesRead() + kProgressBytes;
            if (interrupt && interrupt->load(std::memory_order_relaxed)) {
                outcome.interrupted = true;
                return outcome;
            }
            if (progress)
                progress(file.bytesRead(), file.fileSize());
        }
        cause = line(file, text);
        if (!cause.isEmpty())
            return failed(QStringLiteral("riga %1, %2").arg(file.lineNumber()).arg(cause));
    }
    if (!file.cause().isEmpty())
        return failed(file.cause());
    if (progress)
        progress(file.bytesRead(), file.fileSize());
    outcome.ok = true;
    return outcome;
}

} // namespace vellora
