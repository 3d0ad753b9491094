#include "fileinfo/FileFacts.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

namespace fileinfo {

namespace {

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// The longest path the kernel resolves in one call, its NUL aside.
constexpr qsizetype kLongestPath = PATH_MAX - 1;

int retryOpenAt(int base, const char* path)
{
    int fd;
    do {
        fd = ::openat(base, path, kFolderFlags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Opens rel (no NUL inside) relative to base, in slices the kernel accepts, cut where a
// name ends. base stays open; the result is a new descriptor or -1.
int openRelative(int base, const char* rel, qsizetype len)
{
    int fd = base;
    qsizetype at = 0;
    while (at < len && rel[at] == '/')
        ++at;
    if (at == len)
        return retryOpenAt(base, ".");
    std::string slice;
    while (at < len) {
        qsizetype end = len;
        if (end - at > kLongestPath) {
            end = at + kLongestPath;
            while (end > at && rel[end] != '/')
                --end;
            if (end == at) { // a single name longer than any path: no file system has one
                if (fd != base)
                    ::close(fd);
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        slice.assign(rel + at, std::size_t(end - at));
        const int next = retryOpenAt(fd, slice.c_str());
        const int err = errno;
        if (fd != base)
            ::close(fd);
        if (next < 0) {
            errno = err;
            return -1;
        }
        fd = next;
        at = end;
        while (at < len && rel[at] == '/')
            ++at;
    }
    return fd;
}

} // namespace

int openFolder(const QByteArray& path)
{
    if (path.isEmpty() || path.contains('\0')) {
        errno = ENOENT;
        return -1;
    }
    if (path.size() <= kLongestPath)
        return retryOpenAt(AT_FDCWD, path.constData());
    if (path.startsWith('/')) {
        const int root = retryOpenAt(AT_FDCWD, "/");
        if (root < 0)
            return -1;
        const int fd = openRelative(root, path.constData(), path.size());
        const int err = errno;
        ::close(root);
        errno = err;
        return fd;
    }
    return openRelative(AT_FDCWD, path.constData(), path.size());
}

} // namespace fileinfo

namespace {

class FileSystemReader final : public FactReader
{
public:
    FileSystemReader() = default;
    ~FileSystemReader() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileSystemReader(const FileSystemReader&) = delete;
    FileSystemReader& operator=(const FileSystemReader&) = delete;

    FileFacts read(const QByteArray& folder, std::string_view name, unsigned want) override
    {
        FileFacts facts;
        // An entry name, never a path: a '/' would reach into another folder.
        if (name.empty() || name.find('/') != std::string_view::npos ||
            name.find('\0') != std::string_view::npos)
            return facts;
        const int dirFd = folderFd(folder);
        if (dirFd < 0)
            return facts;
        m_name.assign(name);
        if (want & Version) {
            OpenedFileStat st;
            facts.version = readVersionDataAt(dirFd, m_name.c_str(), &st);
            if (st.valid) {
                facts.statted = true;
                facts.size = st.size;
                facts.mtime = st.mtime;
            }
        }
        // Also when the file could not be opened (no read right): its size and date still show.
        // Not through a link, and only for a regular file: a folder or a link put where the
        // listed file was must not lend the row its own size and date.
        if ((want & Stat) && !facts.statted) {
            struct stat st;
            if (::fstatat(dirFd, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
                facts.statted = true;
                facts.size = st.st_size;
                facts.mtime = st.st_mtim.tv_sec;
            }
        }
        return facts;
    }

private:
    // Rows come folder by folder, and a folder's subfolders soon after it: a subfolder is
    // opened relative to the folder open now.
    int folderFd(const QByteArray& folder)
    {
        if (m_tried && (folder.constData() == m_folder.constData() || folder == m_folder))
            return m_fd;
        int fd;
        if (m_fd >= 0 && m_folder.endsWith('/') && folder.size() > m_folder.size() &&
            folder.startsWith(m_folder))
            fd = fileinfo::openRelative(m_fd, folder.constData() + m_folder.size(),
                                        folder.size() - m_folder.size());
        else
            fd = fileinfo::openFolder(folder);
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
        m_folder = folder;
        m_tried = true;
        return m_fd;
    }

    int m_fd = -1;
    bool m_tried = false;
    QByteArray m_folder; // the folder m_fd stands for (or failed to open)
    std::string m_name;  // NUL-terminated copy of the name
};

class FileSystemFacts final : public FactSource
{
public:
    std::unique_ptr<FactReader> reader() const override { return std::make_unique<FileSystemReader>(); }
};

} // namespace

const FactSource& fileSystemFacts()
{
    static const FileSystemFacts source;
    return source;
}

} // namespace vellora
