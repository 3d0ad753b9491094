#pragma once
// Trees on disk for the comparison tests: files of any name bytes with set content and time,
// the rows of a tree read by a walk of the test's own, and that tree saved by the real JSON
// lines export.

#include "../common/MemoryRows.h"
#include "export/Export.h"
#include "fileinfo/FolderPaths.h"
#include "results/AppState.h"
#include "system/SystemData.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <QBuffer>
#include <QFile>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace fixtures {

// Writes root + rel (bytes; its folders made) with content and, unless 0, that time.
inline bool put(const QByteArray& root, const QByteArray& rel, const QByteArray& content, qint64 mtime = 0)
{
    const QByteArray path = root + rel;
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0755);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), std::size_t(content.size())) == content.size();
    ::close(fd);
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(mtime), 0}};
    return written && (mtime == 0 || ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0);
}

inline QByteArray contentOf(const QByteArray& path)
{
    QByteArray content;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    char block[4096];
    for (ssize_t got; fd >= 0 && (got = ::read(fd, block, sizeof block)) > 0;)
        content.append(block, got);
    if (fd >= 0)
        ::close(fd);
    return content;
}

// Every file below root (bytes ending with '/'), by path, as rows of the result table.
inline vellora::test::MemoryRows rowsOf(const QByteArray& root)
{
    std::vector<QByteArray> files;
    std::vector<QByteArray> folders{root};
    while (!folders.empty()) {
        const QByteArray folder = folders.back();
        folders.pop_back();
        DIR* dir = ::opendir(folder.constData());
        while (dirent* e = dir ? ::readdir(dir) : nullptr) {
            const QByteArray name(e->d_name);
            if (name == "." || name == "..")
                continue;
            struct stat st;
            if (::lstat((folder + name).constData(), &st) == 0 && S_ISDIR(st.st_mode))
                folders.push_back(folder + name + '/');
            else
                files.push_back(folder + name);
        }
        if (dir)
            ::closedir(dir);
    }
    std::sort(files.begin(), files.end());
    vellora::test::MemoryRows rows;
    for (const QByteArray& path : files) {
        const qsizetype slash = path.lastIndexOf('/');
        rows.add(vellora::fileinfo::pathText(path.mid(slash + 1)), QString(),
                 vellora::fileinfo::pathText(path.left(slash + 1)));
    }
    return rows;
}

// Rows of files below root saved as the export's JSON lines file at listing.
inline bool saveListing(const vellora::RowSource& rows, const QByteArray& root, const QString& listing,
                        bool checksum)
{
    vellora::AppState state;
    state.listed.listedText = vellora::fileinfo::pathText(root) + QStringLiteral("*.*");
    const vellora::SystemData system{QStringLiteral("2"), QStringLiteral("Debian"), QString(),
                                     QStringLiteral("6.1")};
    QFile out(listing);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const vellora::ExportRequest request{
        rows, state, system, QDateTime::currentDateTime(),
        {vellora::ExportKind::JsonLines, vellora::NameLayout::Single, checksum}};
    return vellora::writeExport(request, vellora::ExportTarget::stream(out)).ok;
}

// The tree at root, saved so.
inline bool saveListing(const QByteArray& root, const QString& listing, bool checksum)
{
    return saveListing(rowsOf(root), root, listing, checksum);
}

} // namespace fixtures
