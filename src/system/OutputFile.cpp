#include "OutputFile.h"

#include "ErrorText.h"
#include "fileinfo/FileFacts.h"
#include "fileinfo/FolderPaths.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <QDir>
#include <QIODevice>
#include <QRandomGenerator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

namespace {

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// Links followed at most, as the kernel does.
constexpr int kMostLinks = 40;

const QString kNowhere = QStringLiteral("il collegamento non porta a nessun file");

int retryOpenAt(int base, const char* path, int flags, unsigned mode = 0)
{
    int fd;
    do {
        fd = ::openat(base, path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

// The written file's descriptor behind a buffer. Every write is checked: the first failure is
// kept and fails the commit, whatever the writer (a PDF engine or a picture writer ignores what
// its writes return) did with it.
class OutputDevice final : public QIODevice
{
public:
    explicit OutputDevice(int fd) : m_fd(fd)
    {
        m_buffer.reserve(kBufferBytes);
        QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    ~OutputDevice() override { (void)closeFile(); }
    OutputDevice(const OutputDevice&) = delete;
    OutputDevice& operator=(const OutputDevice&) = delete;

    [[nodiscard]] bool isSequential() const override { return true; }
    [[nodiscard]] int fd() const { return m_fd; }
    // errno of the first failed write, 0 when none failed.
    [[nodiscard]] int writeError() const { return m_error; }

    [[nodiscard]] bool flushBuffer()
    {
        const bool ok = writeAll(m_buffer.data(), qint64(m_buffer.size()));
        m_buffer.clear();
        return ok;
    }
    // 0, or the errno of the close (a network file system may report a failed write there).
    [[nodiscard]] int closeFile()
    {
        if (m_fd < 0)
            return 0;
        const int rc = ::close(m_fd);
        m_fd = -1;
        QIODevice::close();
        return rc == 0 || errno == EINTR ? 0 : errno;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        if (m_error != 0)
            return -1;
        if (qint64(m_buffer.size()) + length > kBufferBytes && !flushBuffer())
            return -1;
        if (length >= kBufferBytes)
            return writeAll(data, length) ? length : -1;
        m_buffer.append(data, std::size_t(length));
        return length;
    }

private:
    static constexpr qint64 kBufferBytes = 256 * 1024;

    bool writeAll(const char* data, qint64 length)
    {
        while (length > 0 && m_error == 0) {
            const ssize_t n = ::write(m_fd, data, std::size_t(length));
            if (n < 0 && errno == EINTR)
                continue; // a Ctrl+C: the writer looks at its stop flag between its writes
            if (n <= 0) {
                m_error = n < 0 ? errno : EIO;
                setErrorString(errnoCause(m_error));
                break;
            }
            data += n;
            length -= n;
        }
        return m_error == 0;
    }

    int m_fd;
    int m_error = 0;
    std::string m_buffer;
};

QString cannotWriteMessage(const QString& path, const QString& cause)
{
    return QStringLiteral("Impossibile scrivere il file %1: %2").arg(QDir::toNativeSeparators(path), cause);
}

void ignoreBrokenPipes()
{
    struct sigaction now = {};
    if (::sigaction(SIGPIPE, nullptr, &now) != 0 || now.sa_handler != SIG_DFL)
        return;
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

OutputFile::OutputFile(const QString& path)
{
    m_pathError = fileinfo::absolutePath(fileinfo::pathBytes(path), m_bytes);
    m_path = m_pathError == 0 ? fileinfo::pathText(m_bytes) : path;
}

OutputFile::~OutputFile()
{
    cancel();
}

bool OutputFile::fail(QString* error, const QString& cause)
{
    cancel();
    if (error)
        *error = cannotWriteMessage(m_path, cause);
    return false;
}

void OutputFile::closeFolder()
{
    if (m_folder >= 0)
        ::close(m_folder);
    m_folder = -1;
}

bool OutputFile::open(QString* error)
{
    cancel();
    ignoreBrokenPipes();
    if (m_pathError != 0)
        return fail(error, workingFolderCause(m_pathError));
    const qsizetype slash = m_bytes.lastIndexOf('/');
    m_name = m_bytes.mid(slash + 1);
    if (m_name.isEmpty()) // the root itself
        return fail(error, errnoCause(EISDIR));
    m_folder = fileinfo::openFolder(slash == 0 ? QByteArray("/") : m_bytes.left(slash));
    if (m_folder < 0)
        return fail(error, errnoCause(errno));

    QString cause;
    struct stat st;
    if (::fstatat(m_folder, m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            return fail(error, errnoCause(errno));
        return openTemporary(std::nullopt, cause) || fail(error, cause);
    }
    // A link: where the kernel's look-up leads decides (/dev/stdout and /dev/fd/N lead to a
    // pipe or a terminal only that way); a regular file is then replaced beside itself.
    if (S_ISLNK(st.st_mode)) {
        if (!linkTrusted(st, cause))
            return fail(error, cause);
        if (::fstatat(m_folder, m_name.constData(), &st, 0) != 0)
            return fail(error, errno == ENOENT ? kNowhere : errnoCause(errno));
        if (S_ISREG(st.st_mode) && !followLinks(cause))
            return fail(error, cause);
    }
    // A folder under the final name would otherwise only fail at the rename, after all the
    // work; a socket cannot be opened at all.
    if (S_ISDIR(st.st_mode))
        return fail(error, errnoCause(EISDIR));
    if (S_ISSOCK(st.st_mode))
        return fail(error, QStringLiteral("è un socket, non un file"));
    if (S_ISREG(st.st_mode))
        return openTemporary(st.st_mode & 07777, cause) || fail(error, cause);
    return openStream(cause) || fail(error, cause);
}

bool OutputFile::linkTrusted(const struct stat& link, QString& cause) const
{
    struct stat folder;
    if (::fstat(m_folder, &folder) != 0) {
        cause = errnoCause(errno);
        return false;
    }
    const bool shared = (folder.st_mode & (S_ISVTX | S_IWOTH)) != 0;
    if (shared && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid) {
        cause = QStringLiteral("è un collegamento di un altro utente in una cartella condivisa");
        return false;
    }
    return true;
}

bool OutputFile::followLinks(QString& cause)
{
    for (int links = 0;; ++links) {
        struct stat st;
        if (::fstatat(m_folder, m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            cause = errno == ENOENT ? kNowhere : errnoCause(errno);
            return false;
        }
        if (!S_ISLNK(st.st_mode))
            return true;
        if (links == kMostLinks) {
            cause = errnoCause(ELOOP);
            return false;
        }
        if (!linkTrusted(st, cause))
            return false;
        char target[PATH_MAX];
        const ssize_t n = ::readlinkat(m_folder, m_name.constData(), target, sizeof target);
        const int err = errno;
        const QByteArray to(target, n > 0 ? qsizetype(n) : 0);
        const qsizetype slash = to.lastIndexOf('/');
        m_name = to.mid(slash + 1);
        if (n <= 0 || m_name.isEmpty() || m_name == "." || m_name == "..") {
            cause = errnoCause(n < 0 ? err : EISDIR);
            return false;
        }
        if (slash < 0)
            continue; // in the same folder
        const QByteArray where = slash == 0 ? QByteArray("/") : to.left(slash);
        const int next =
            retryOpenAt(to.startsWith('/') ? AT_FDCWD : m_folder, where.constData(), kFolderFlags);
        if (next < 0) {
            cause = errno == ENOENT ? kNowhere : errnoCause(errno);
            return false;
        }
        closeFolder();
        m_folder = next;
    }
}

bool OutputFile::openStream(QString& cause)
{
    // No retry on EINTR: a FIFO without a reader blocks here, and a signal that interrupts the
    // wait asks for a stop (the export then writes nothing).
    // Links are the kernel's to follow here: /dev/fd/N leads to the descriptor itself.
    const int fd = ::openat(m_folder, m_name.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        cause = errnoCause(errno);
        return false;
    }
    m_device = std::make_unique<OutputDevice>(fd);
    return true;
}

namespace {

// The final name and a random ending, as long as names may be.
QByteArray temporaryName(const QByteArray& name)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray temp = name.left(NAME_MAX - 7) + '.';
    for (int k = 0; k < 6; ++k)
        temp += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return temp;
}

} // namespace

bool OutputFile::openTemporary(std::optional<unsigned> keepMode, QString& cause)
{
    // Readable by nobody else until the permissions of the file it replaces are set.
    const unsigned mode = keepMode ? 0600 : 0666;
    // A file without a name first, where the file system can make one: whatever stops the
    // program (a kill, a second Ctrl+C, a crash) leaves nothing in the target folder.
    // It is named through /proc when complete.
    int fd = ::access("/proc/self/fd", X_OK) == 0 ? retryOpenAt(m_folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode)
                                                  : -1;
    m_unnamed = fd >= 0;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        m_temp = temporaryName(m_name);
        fd = retryOpenAt(m_folder, m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        cause = errnoCause(errno);
        m_temp.clear();
        return false;
    }
    m_device = std::make_unique<OutputDevice>(fd);
    if (keepMode && ::fchmod(fd, *keepMode) != 0) {
        cause = errnoCause(errno);
        return false;
    }
    return true;
}

int OutputFile::nameUnnamed()
{
    // linkat cannot replace a file, so the complete file takes a temporary name first and is
    // renamed over the final one; the name lasts only until that rename.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_device->fd());
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temp = temporaryName(m_name);
        if (::linkat(AT_FDCWD, self.constData(), m_folder, m_temp.constData(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno != EEXIST)
            break;
    }
    const int err = errno;
    m_temp.clear();
    return err;
}

QIODevice& OutputFile::device()
{
    return *m_device;
}

bool OutputFile::commit(QString* error)
{
    if (!m_device)
        return fail(error, errnoCause(EBADF));
    int err = m_device->flushBuffer() ? 0 : m_device->writeError();
    if (err == 0)
        err = m_device->writeError();
    // On the disk before it takes the final name, as QSaveFile did; a device that cannot sync
    // says EINVAL.
    const bool file = m_unnamed || !m_temp.isEmpty();
    if (err == 0 && file && ::fdatasync(m_device->fd()) != 0 && errno != EINVAL)
        err = errno;
    if (err == 0 && m_unnamed)
        err = nameUnnamed();
    if (err == 0)
        err = m_device->closeFile();
    if (err == 0 && !m_temp.isEmpty() &&
        ::renameat(m_folder, m_temp.constData(), m_folder, m_name.constData()) != 0)
        err = errno;
    if (err != 0)
        return fail(error, errnoCause(err));
    m_temp.clear();
    m_device.reset();
    closeFolder();
    return true;
}

void OutputFile::cancel()
{
    m_device.reset();
    if (!m_temp.isEmpty())
        ::unlinkat(m_folder, m_temp.constData(), 0);
    m_temp.clear();
    closeFolder();
}

} // namespace vellora
