#include "app/FileOps.h"
#include "system/ErrorText.h"

#include "system/Platform.h"

#include <cerrno>
#include <cstdio>
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
    // "exists": it is the file itself. Only then is a plain rename right.
    if (sameEntry(oldPath, newPath)) {
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
