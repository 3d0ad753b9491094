#include "ScanTree.h"


#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scantest {

namespace {

bool fail(const char* what, const QByteArray& path)
{
    std::fprintf(stderr, "%s %s: %s\n", what, path.constData(), std::strerror(errno));
    return false;
}

void walkInto(const QByteArray& folder, bool subfolders, const vellora::PatternMatcher& matcher, dev_t device,
              std::vector<Found>& out)
{
    for (int pass = 0; pass < 2; ++pass) {
        DIR* d = ::opendir(folder.constData());
        if (!d)
            return;
        while (const dirent* e = ::readdir(d)) {
            const QByteArray name(e->d_name);
            if (name == "." || name == "..")
                continue;
            const QByteArray path = folder + name;
            struct stat st;
            if (::lstat(path.constData(), &st) != 0)
                continue;
            if (pass == 0 && S_ISREG(st.st_mode) &&
                matcher.matches(std::string_view(name.constData(), std::size_t(name.size()))))
                out.push_back({path, qint64(st.st_size)});
            if (pass == 1 && subfolders && S_ISDIR(st.st_mode) && st.st_dev == device)
                walkInto(path + '/', subfolders, matcher, device, out);
        }
        ::closedir(d);
    }
}

} // namespace

bool makeFile(const QByteArray& path, qint64 size)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail("create", path);
    const bool ok = ::ftruncate(fd, size) == 0;
    ::close(fd);
    return ok || fail("size", path);
}

bool makeDir(const QByteArray& path)
{
    return ::mkdir(path.constData(), 0755) == 0 || fail("mkdir", path);
}

bool makeLink(const QByteArray& target, const QByteArray& path)
{
    return ::symlink(target.constData(), path.constData()) == 0 || fail("symlink", path);
}

bool makeFifo(const QByteArray& path)
{
    return ::mkfifo(path.constData(), 0644) == 0 || fail("mkfifo", path);
}

void removeContents(const QByteArray& folder)
{
    DIR* d = ::opendir(folder.constData());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        struct stat st;
        if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            removeContents(path);
            ::rmdir(path.constData());
        } else {
            ::unlink(path.constData());
        }
    }
    ::closedir(d);
}

std::vector<Found> referenceWalk(const QByteArray& folder, bool subfolders,
                                 const vellora::PatternMatcher& matcher)
{
    std::vector<Found> out;
    struct stat st;
    if (::stat(folder.constData(), &st) == 0)
        walkInto(folder.endsWith('/') ? folder : folder + '/', subfolders, matcher, st.st_dev, out);
    return out;
}

std::vector<Found> listed(const vellora::ScanResults& results)
{
    std::vector<Found> out;
    out.reserve(results.size());
    for (std::size_t i = 0; i < results.size(); ++i)
        out.push_back({results.path(i), results.entries[i].size});
    return out;
}

} // namespace scantest
