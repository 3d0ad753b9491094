#include "system/FileOps.h"
#include "system/ErrorText.h"

#include "system/Platform.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace vellora {

bool EsisteFile(const QByteArray& path)
{
    if (path.isEmpty() || path.contains('\0'))
        return false;
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0)
        return false;
    return !S_ISDIR(st.st_mode);
}

bool EliminaFile(const QByteArray& path, QString* errorText)
{
    return moveToTrash(path, errorText);
}

namespace {

// Where the last name of a path begins.
qsizetype nameStart(const QByteArray& path)
{
    return path.lastIndexOf('/') + 1;
}

// The same folder, and names that differ at most in letter case: Unicode case folding for
// UTF-8 names, ASCII letters only for other bytes.
bool caseChangeOnly(const QByteArray& oldPath, const QByteArray& newPath)
{
    const qsizetype at = nameStart(oldPath);
    if (nameStart(newPath) != at || oldPath.left(at) != newPath.left(at))
        return false;
    const QByteArray a = oldPath.mid(at), b = newPath.mid(at);
    if (QUtf8StringView(a).isValidUtf8() && QUtf8StringView(b).isValidUtf8())
        return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Whether the folder of path lists an entry of exactly that name, byte for byte. A file
// system that ignores case finds the old file under the new spelling, but lists only the old.
bool listedExactly(const QByteArray& path)
{
    const qsizetype at = nameStart(path);
    const QByteArray folder = at > 0 ? path.left(at) : QByteArray(".");
    const QByteArray name = path.mid(at);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return true; // cannot tell: taken as listed, so nothing is renamed over it
    bool found = false;
    while (const dirent* e = ::readdir(dir)) {
        if (name == e->d_name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool sameEntry(const QByteArray& a, const QByteArray& b)
{
    struct stat sa
    {
    }, sb{};
    return ::lstat(a.constData(), &sa) == 0 && ::lstat(b.constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

RenameResult failed(int err, QString* errorText)
{
    if (err == EEXIST || err == ENOTEMPTY)
        return RenameResult::TargetExists;
    if (errorText)
        *errorText = errnoCause(err);
    return RenameResult::Failed;
}

} // namespace

RenameResult renameNoReplace(const QByteArray& oldPath, const QByteArray& newPath, QString* errorText)
{
    if (oldPath.isEmpty() || newPath.isEmpty() || oldPath.contains('\0') || newPath.contains('\0'))
        return failed(EINVAL, errorText);
    if (oldPath == newPath)
        return RenameResult::Renamed;

    // On a file system that ignores letter case the new name of a case-only rename already
    // "exists": it is the file itself. Only then is a plain rename right: onto another name
    // of the same file (a hard link), rename() succeeds and does nothing.
    if (caseChangeOnly(oldPath, newPath) && sameEntry(oldPath, newPath) && !listedExactly(newPath)) {
        if (::rename(oldPath.constData(), newPath.constData()) == 0)
            return RenameResult::Renamed;
        return failed(errno, errorText);
    }

    if (::renameat2(AT_FDCWD, oldPath.constData(), AT_FDCWD, newPath.constData(), RENAME_NOREPLACE) == 0)
        return RenameResult::Renamed;
    const int err = errno;
    if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP)
        return failed(err, errorText);

    // File systems without the no-replace flag: a hard link fails atomically when the name
    // is taken; the old name goes only once the new one holds the file.
    if (::link(oldPath.constData(), newPath.constData()) == 0) {
        if (::unlink(oldPath.constData()) == 0)
            return RenameResult::Renamed;
        const int unlinkErr = errno;
        ::unlink(newPath.constData());
        return failed(unlinkErr, errorText);
    }
    const int linkErr = errno;
    if (linkErr != EPERM && linkErr != EOPNOTSUPP && linkErr != EXDEV)
        return failed(linkErr, errorText);

    // No hard links either (FAT, some network shares): check, then rename. The window between
    // the two is the best such a file system allows.
    struct stat st
    {
    };
    if (::lstat(newPath.constData(), &st) == 0)
        return RenameResult::TargetExists;
    if (::rename(oldPath.constData(), newPath.constData()) == 0)
        return RenameResult::Renamed;
    return failed(errno, errorText);
}

} // namespace vellora
