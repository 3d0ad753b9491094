#pragma once
// What the tests of vellora-list share: a run of the command in the test's own process with its
// two streams captured, and files and trees made on the spot.

#include "cli/ListCommand.h"

#include <cstdio>
#include <fcntl.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace vellora::testing {

struct Captured
{
    int rc = -1;
    QStringList out; // lines
    QString err;
    QByteArray bytes; // out as written
};

inline const QDateTime kNow(QDate(2004, 5, 12), QTime(14, 30, 59));

inline QByteArray slurpBytes(std::FILE* f)
{
    std::fflush(f);
    std::rewind(f);
    QByteArray all;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        all.append(buf, qsizetype(n));
    std::fclose(f);
    return all;
}

// A run with the clock fixed at kNow; facts, when given, stand for the file system's. out:
// where the standard output goes (closed here), or null for a file read back into bytes.
inline Captured runList(const QStringList& args, bool interrupted = false, const FactSource* facts = nullptr,
                        std::FILE* out = nullptr)
{
    const bool readBack = !out;
    if (readBack)
        out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Captured c;
    {
        ListCommand cmd(out, err);
        cmd.interruptFlag() = interrupted;
        cmd.setClock([] { return kNow; });
        cmd.setFactSource(facts);
        c.rc = cmd.run(args);
    }
    if (readBack) {
        c.bytes = slurpBytes(out);
        c.out = QString::fromUtf8(c.bytes).split(QLatin1Char('\n'));
        if (c.out.last().isEmpty())
            c.out.removeLast();
    } else {
        std::fclose(out);
    }
    c.err = QString::fromUtf8(slurpBytes(err));
    return c;
}

// depth folders of 200 characters under root, one file per level ("f<level>.txt", level + 1
// bytes, changed at mtime), built through descriptors: their paths pass the kernel's limit.
inline void makeDeepTree(const QString& root, int depth, qint64 mtime)
{
    int dir = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(dir >= 0);
    const std::string name(200, 'd');
    for (int level = 0; level < depth; ++level) {
        const std::string file = "f" + std::to_string(level) + ".txt";
        const int fd = ::openat(dir, file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, std::string(std::size_t(level) + 1, 'x').data(), std::size_t(level) + 1),
                 ssize_t(level) + 1);
        const timespec times[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
        QCOMPARE(::futimens(fd, times), 0);
        ::close(fd);
        QCOMPARE(::mkdirat(dir, name.c_str(), 0755), 0);
        const int next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        QVERIFY(next >= 0);
        dir = next;
    }
    ::close(dir);
}

// A tree of makeDeepTree in a temporary folder, removed through descriptors at the end: its
// paths are too long for QTemporaryDir's own removal.
class DeepTree
{
public:
    DeepTree(int depth, qint64 mtime) : m_depth(depth) { makeDeepTree(m_dir.path(), depth, mtime); }
    ~DeepTree()
    {
        const std::string name(200, 'd');
        std::vector<int> folders{::open(QFile::encodeName(m_dir.path()).constData(), O_RDONLY | O_DIRECTORY)};
        while (int(folders.size()) <= m_depth && folders.back() >= 0)
            folders.push_back(::openat(folders.back(), name.c_str(), O_RDONLY | O_DIRECTORY));
        for (int level = int(folders.size()) - 1; level >= 0; --level) {
            ::unlinkat(folders[level], ("f" + std::to_string(level) + ".txt").c_str(), 0);
            ::unlinkat(folders[level], "new/Lista.txt", 0); // what a test wrote there
            ::unlinkat(folders[level], "new", AT_REMOVEDIR);
            ::unlinkat(folders[level], name.c_str(), AT_REMOVEDIR);
            ::close(folders[level]);
        }
    }
    DeepTree(const DeepTree&) = delete;
    DeepTree& operator=(const DeepTree&) = delete;
    [[nodiscard]] QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    int m_depth;
};

// The folder level folders deep in a tree of makeDeepTree (it holds f<level>.txt).
inline QByteArray deepFolder(const QString& root, int level)
{
    QByteArray path = QFile::encodeName(root);
    for (int k = 0; k < level; ++k)
        path += '/' + QByteArray(200, 'd');
    return path;
}

// Moves the test's process to another working folder until it goes out of scope.
class WorkingFolder
{
public:
    WorkingFolder() : m_back(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~WorkingFolder()
    {
        if (m_back >= 0 && ::fchdir(m_back) == 0)
            ::close(m_back);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    // One name at a time, so that the folder may lie past the kernel's path limit.
    [[nodiscard]] bool enter(const QByteArray& folder)
    {
        bool ok = ::chdir("/") == 0;
        for (const QByteArray& name : folder.split('/'))
            ok = ok && (name.isEmpty() || ::chdir(name.constData()) == 0);
        return ok;
    }

private:
    int m_back;
};

// A usage error: exit 2, nothing on standard output, one line naming the fault.
inline void expectUsageError(const QStringList& args, const QString& says)
{
    const Captured c = runList(args);
    QCOMPARE(c.rc, kExitUsage);
    QVERIFY(c.out.isEmpty());
    QCOMPARE(c.err, QStringLiteral("vellora-list: ") + says + QLatin1Char('\n'));
}

inline void makeFile(const QString& path, qint64 size, qint64 mtime = 0)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
    f.close();
    if (mtime) {
        timeval tv[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
        QVERIFY(::utimes(QFile::encodeName(path).constData(), tv) == 0);
    }
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}

} // namespace vellora::testing
