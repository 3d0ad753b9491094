// The walk on real trees with byte-exact names, checked against a plain reference walk: each
// folder read twice with readdir (files first, then subfolders, depth first), every entry
// lstat'ed by full path, no folder of another file system entered.

#include "scan/FolderReader.h"
#include "scan/ListingFilters.h"
#include "scan/PatternMatcher.h"
#include "scan/Scanner.h"
#include "scan/SizeWorker.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vellora;

namespace {

// Paths are bytes; each helper returns false (and prints why) on failure.
bool ok(int rc, const QByteArray& path)
{
    if (rc != 0)
        qWarning("%s: %s", path.constData(), std::strerror(errno));
    return rc == 0;
}

bool makeFile(const QByteArray& path, qint64 size = 0) // sparse: no disk space is used
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const int rc = fd < 0 ? -1 : ::ftruncate(fd, size);
    if (fd >= 0)
        ::close(fd);
    return ok(rc, path);
}

bool makeDir(const QByteArray& path)
{
    return ok(::mkdir(path.constData(), 0755), path);
}

// "name/" makes a folder, "name" an empty file.
bool makeTree(const QByteArray& root, std::initializer_list<const char*> entries)
{
    bool all = true;
    for (const QByteArray e : entries)
        all = all && (e.endsWith('/') ? makeDir(root + e.chopped(1)) : makeFile(root + e));
    return all;
}

// One line per file: path (bytes kept one to one) and size.
QString line(const QByteArray& path, qint64 size)
{
    return QString::fromLatin1(path) + u' ' + QString::number(size);
}

void walkInto(const QByteArray& folder, bool subfolders, const PatternMatcher& matcher, dev_t device,
              QStringList& out)
{
    for (int pass = 0; pass < 2; ++pass) {
        DIR* d = ::opendir(folder.constData());
        if (!d)
            return;
        while (const dirent* e = ::readdir(d)) {
            const QByteArray name(e->d_name);
            const QByteArray path = folder + name;
            struct stat st;
            if (name == "." || name == ".." || ::lstat(path.constData(), &st) != 0)
                continue;
            if (pass == 0 && S_ISREG(st.st_mode) &&
                matcher.matches(std::string_view(name.constData(), std::size_t(name.size()))))
                out << line(path, st.st_size);
            if (pass == 1 && subfolders && S_ISDIR(st.st_mode) && st.st_dev == device)
                walkInto(path + '/', subfolders, matcher, device, out);
        }
        ::closedir(d);
    }
}

QStringList referenceWalk(const QByteArray& root, bool subfolders, const QString& pattern)
{
    QStringList out;
    struct stat st;
    if (::stat(root.constData(), &st) == 0)
        walkInto(root, subfolders, PatternMatcher(pattern), st.st_dev, out);
    return out;
}

struct Scan
{
    bool ok = false;
    ScanState state;
    ScanResults results;

    QStringList listed() const
    {
        QStringList out;
        for (std::size_t i = 0; i < results.size(); ++i)
            out << line(results.path(i), results.entries[i].size);
        return out;
    }
};

void run(Scan& s, const QByteArray& folder, bool subfolders, const QString& pattern = QStringLiteral("*.*"),
         const FolderEnteredFn& onFolder = {}, bool kindsUnknown = false)
{
    scan::FolderReader::setKindsUnknown(kindsUnknown);
    s.ok = ScandisciCartella(pattern, folder, subfolders, s.state, s.results, onFolder);
    scan::FolderReader::setKindsUnknown(false);
}

QByteArray rootOf(const QTemporaryDir& dir)
{
    return QFile::encodeName(dir.path()) + '/';
}

// The trees of walkMatchesReference; folders gets every folder the walk enters.
void buildTree(const QString& tree, const QByteArray& root, bool subfolders, std::vector<QByteArray>& folders,
               bool& mounted)
{
    if (tree == u"mixed") {
        const char* exts[] = {".txt", ".TXT", ".c", "", ".Txt.bak"};
        for (int i = 0, n = 0; i < 40; ++i) {
            // Each new folder hangs below an earlier one.
            const QByteArray parent = folders[std::size_t((i * 7) % folders.size())];
            folders.push_back(parent + (i % 6 == 0 ? "." : "") + "d" + QByteArray::number(i) + '/');
            QVERIFY(makeDir(folders.back()) && makeFile(folders.back() + "own.txt", i));
            for (int f = 0; f < 1 + i % 4; ++f, ++n)
                QVERIFY(makeFile(parent + "f" + QByteArray::number(n) + exts[n % 5], n));
        }
    } else if (tree == u"big") {
        for (qint64 size :
             {qint64(0), qint64(3), (qint64(1) << 31) - 1, qint64(1) << 31, qint64(1) << 32, qint64(5) << 30})
            QVERIFY(makeFile(root + "f" + QByteArray::number(size), size));
        int n = 0;
        for (int count : {520, 257, 256, 1, 0, 30}) {
            folders.push_back(root + "d" + QByteArray::number(count) + '/');
            QVERIFY(makeDir(folders.back()));
            for (int i = 0; i < count; ++i, ++n)
                QVERIFY(
                    makeFile(folders.back() + "f" + QByteArray::number(n) + (n % 3 ? ".dat" : ".txt"), n));
        }
    } else if (tree == u"deep") {
        for (QByteArray dir = root; folders.size() < 401; dir += "d/") {
            QVERIFY(makeFile(dir + "f.txt", dir.size()) && makeDir(dir + "side") &&
                    makeFile(dir + "side/s.txt", dir.size()) && makeDir(dir + "d"));
            folders.insert(folders.end(), {dir + "side/", dir + "d/"});
        }
    } else if (tree == u"odd") {
        folders.push_back(root + "caf\xe9 dir/");
        QVERIFY(makeDir(folders.back()));
        for (const char* n : {"caf\xe9.txt", " lead.txt", "trail .txt", "a b.txt", "tab\there.txt",
                              "line\nbreak.txt", "\u212Aelvin.txt", "star*.txt", "q?.txt"})
            QVERIFY(makeFile(folders.back() + n, qint64(std::strlen(n))));
    } else if (tree == u"special") {
        QVERIFY(makeTree(root,
                         {"real.txt", "sub/", "sub/inner.txt", ".hidden.txt", ".dotdir/", ".dotdir/in.txt"}));
        QVERIFY(::symlink("real.txt", root + "x.txt") == 0);            // link named like a match
        QVERIFY(::symlink("sub", root + "linked dir") == 0);            // link to a folder
        QVERIFY(::symlink("..", root + "sub/loop") == 0);               // loop to the parent
        QVERIFY(::symlink(root.constData(), root + "sub/to top") == 0); // loop to the top
        QVERIFY(::symlink("missing.txt", root + "dangling.txt") == 0);  // points nowhere
        QVERIFY(::symlink("self.txt", root + "self.txt") == 0);         // points at itself
        QVERIFY(::mkfifo(root + "pipe.txt", 0644) == 0 && ::mkfifo(root + "sub/pipe", 0644) == 0);
        QVERIFY(makeDir(root + "mnt"));
        mounted = ::mount("tmpfs", root + "mnt", "tmpfs", 0, "size=64k") == 0;
        QVERIFY(!mounted || makeFile(root + "mnt/mounted.txt"));
        if (subfolders)
            folders.insert(folders.end(), {root + "sub/", root + ".dotdir/"});
        if (subfolders && !mounted)
            folders.push_back(root + "mnt/");
    }
}

// The tree of filtersOnTree: path, size, modification time (local). The starting folder is
// named like a folder the exclusions leave out deeper down.
struct FilterFile
{
    const char* path;
    qint64 size;
    const char* when = "2026-06-01 12:00:00";
};
const FilterFile kFilterTree[] = {
    {"a.exe", 0, "2026-10-31 23:59:59"},
    {"b.dll", 1024, "2026-11-01 00:00:00"},
    {"c.ocx", 1025, "2026-11-15 12:00:00"},
    {"readme.txt", 1023, "2026-11-30 23:59:00"},
    {"notes.TMP", 2048, "2026-12-01 00:00:00"},
    {".git/HEAD.exe", 10, "2026-11-10 10:00:00"},
    {".git/config", 10},
    {"src/main.exe", 1 << 20, "2026-11-20 08:00:00"},
    {"src/x.tmp", 5},
    {"src/deep/y.dll", 2047},
    {"src/deep/.git/obj.exe", 100},
    {"src/deep/cache.exe/inner.dll", 1024},
    {"src/deep/node_modules/lib.dll", 4096},
};
constexpr int kFilterTreeFolders = 7;

bool makeFilterTree(const QByteArray& root)
{
    if (!makeDir(root.chopped(1)))
        return false;
    for (const FilterFile& f : kFilterTree) {
        const QByteArray path = root + f.path;
        for (qsizetype slash = path.indexOf('/', root.size()); slash > 0;
             slash = path.indexOf('/', slash + 1))
            ::mkdir(path.left(slash).constData(), 0755);
        const qint64 secs =
            QDateTime::fromString(QString::fromLatin1(f.when), QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                .toSecsSinceEpoch();
        const timespec times[2] = {{time_t(secs), 0}, {time_t(secs), 0}};
        if (!makeFile(path, f.size) || !ok(::utimensat(AT_FDCWD, path.constData(), times, 0), path))
            return false;
    }
    return true;
}

// The folders of the tree opened since watching began, by anyone (the walk, its helpers).
struct OpenWatch
{
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QHash<int, QByteArray> folders;
    ~OpenWatch() { ::close(fd); }
    void watch(const QByteArray& folder)
    {
        folders[::inotify_add_watch(fd, folder.constData(), IN_OPEN)] = folder;
    }
    QSet<QByteArray> opened() const
    {
        QSet<QByteArray> out;
        alignas(inotify_event) char buf[4096];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) {
            for (const char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                out.insert(folders.value(e->wd));
                p += sizeof(inotify_event) + e->len;
            }
        }
        return out;
    }
};

} // namespace

class TestScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walkMatchesReference_data()
    {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("kindsUnknown"); // the folder listing does not give each entry's kind
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<int>("files");  // how many the reference finds, when the tree fixes it
        QTest::addColumn<int>("stopAt"); // interrupt on entering this folder (1 is the start)
        QTest::addColumn<bool>("share"); // the tree is taken for a network share
        const auto row = [](const char* tag, const char* tree, const char* pattern, bool kindsUnknown = false,
                            bool subfolders = true, int files = -1, int stopAt = 0, bool share = false) {
            QTest::newRow(tag) << QString::fromLatin1(tree) << QString::fromLatin1(pattern) << kindsUnknown
                               << subfolders << files << stopAt << share;
        };
        // Files and folders mixed in every folder of a tree several levels deep.
        row("mixed, everything", "mixed", "*.*");
        row("mixed, suffix, any case", "mixed", "*.txt");
        row("mixed, prefix", "mixed", "f1*");
        row("mixed, everything, kinds not given", "mixed", "*.*", true);
        row("mixed, suffix, kinds not given", "mixed", "*.txt", true);
        // An interrupt keeps exactly the start of the full walk, each file with its size,
        // also while the size helpers lag far behind (a machine whose cores are all busy).
        // Only on a share may the sizes the helpers did not reach stay unknown.
        row("interrupted at the start", "mixed", "*.*", false, true, -1, 1);
        row("interrupted in the second folder", "mixed", "*.*", false, true, -1, 2);
        row("interrupted deep in the tree", "mixed", "*.*", false, true, -1, 20);
        row("interrupted in the last folder", "mixed", "*.*", false, true, -1, 41);
        row("interrupted deep in a share", "mixed", "*.*", false, true, -1, 20, true);
        // More files than are sized in one go, and sizes beyond 32 bits.
        row("big folders", "big", "*");
        row("big folders, suffix", "big", "*.txt");
        // Deeper than the descriptors the process may open; side folders on the way back up.
        row("deep chain", "deep", "*");
        // Names that are not UTF-8 or hold blanks, tabs, line breaks, stars: recorded byte
        // for byte, so the path reaches the file again.
        row("odd names", "odd", "  *.txt ", false, true, 9);
        row("empty", "empty", "*", false, true, 0);
        // Links, loops, dangling links, FIFOs and a mounted file system (as root): nothing
        // listed twice, nothing entered through a link or into the mount, no hang on a FIFO.
        row("special entries", "special", "*.TXT", false, true, 4);
        row("special entries, kinds not given", "special", "*.TXT", true, true, 4);
        // The one-folder scope, given without the final separator: the walk adds it.
        row("special entries, one folder", "special", "*.TXT", true, false, 2);
    }
    void walkMatchesReference()
    {
        QFETCH(QString, tree);
        QFETCH(QString, pattern);
        QFETCH(bool, kindsUnknown);
        QFETCH(bool, subfolders);
        QFETCH(int, files);
        QFETCH(int, stopAt);
        QFETCH(bool, share);
        scan::SizeWorker::setHelperLag(std::chrono::milliseconds(stopAt ? 100 : 0));
        scan::FolderReader::setTakenForShare(share);
        const auto restore = qScopeGuard([] {
            scan::SizeWorker::setHelperLag({});
            scan::FolderReader::setTakenForShare(false);
        });
        QTemporaryDir tmp;
        const QByteArray root = rootOf(tmp);
        const auto cleanup =
            qScopeGuard([&] { std::filesystem::remove_all(root.toStdString()); }); // any name
        bool mounted = false;
        const auto unmount = qScopeGuard([&] {
            if (mounted)
                ::umount(root + "mnt");
        });
        std::vector<QByteArray> folders{root};
        buildTree(tree, root, subfolders, folders, mounted);
        if (QTest::currentTestFailed())
            return;
        // Every case one request at a time and with many in flight (folders read ahead, sizes
        // on helpers): the same rows in the same order. The deep chain gets fewer descriptors
        // than it has folders.
        for (const char* depth : {"1", "32"}) {
            qputenv("VELLORA_IO_DEPTH", depth);
            const auto restoreDepth = qScopeGuard([] { qunsetenv("VELLORA_IO_DEPTH"); });
            rlimit old{};
            QVERIFY(::getrlimit(RLIMIT_NOFILE, &old) == 0);
            rlimit few = old;
            few.rlim_cur = tree == u"deep" ? 160 : std::max<rlim_t>(old.rlim_cur, 1024);
            QVERIFY(::setrlimit(RLIMIT_NOFILE, &few) == 0);
            Scan s;
            qsizetype recordedWhenStopped = -1;
            run(
                s, subfolders ? root : root.chopped(1), subfolders, pattern,
                [&](const QByteArray&) {
                    if (s.state.totCartelle.load() == std::uint64_t(stopAt)) {
                        s.state.interrupt = true;
                        recordedWhenStopped = qsizetype(s.results.size());
                    }
                },
                kindsUnknown);
            ::setrlimit(RLIMIT_NOFILE, &old);
            QVERIFY(s.ok);
            QStringList expected = referenceWalk(root, subfolders, pattern);
            QVERIFY(files < 0 ? !expected.empty() : expected.size() == files);
            QStringList listed = s.listed();
            expected = expected.mid(0, stopAt ? recordedWhenStopped : expected.size());
            for (qsizetype i = 0; share && i < qMin(listed.size(), expected.size()); ++i) {
                if (listed[i] == expected[i].left(expected[i].lastIndexOf(u' ')) + QStringLiteral(" -1"))
                    listed[i] = expected[i]; // unknown, never wrong
            }
            QCOMPARE(listed, expected);
            QCOMPARE(s.state.totFile.load(), s.results.size());
            QCOMPARE(s.state.totCartelle.load(), stopAt ? std::uint64_t(stopAt) : folders.size());
            // Folders are stored once each and always end with the separator.
            const auto& stored = s.results.folders;
            QCOMPARE(QSet<QByteArray>(stored.begin(), stored.end()).size(), qsizetype(stored.size()));
            for (const QByteArray& f : stored)
                QVERIFY(f.endsWith('/'));
            if (!subfolders)
                QCOMPARE(s.state.folderNow(), root);
        }
    }

    // Several masks, exclusions and ranges on one tree: the files listed, the folders
    // counted, and not one excluded folder opened, by the walk or by its helpers.
    void filtersOnTree_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("exclude");
        QTest::addColumn<QStringList>("bounds"); // min size, max size, first day, last day
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("folders");
        const auto row = [](const char* tag, const char* pattern, const char* exclude,
                            const QStringList& bounds, const QStringList& expected, int folders,
                            bool subfolders = true) {
            QTest::newRow(tag) << QString::fromLatin1(pattern) << QString::fromLatin1(exclude) << bounds
                               << subfolders << expected << folders;
        };
        const int all = kFilterTreeFolders;
        row("several masks", "*.exe;*.dll", "", {},
            {".git/HEAD.exe", "a.exe", "b.dll", "src/deep/.git/obj.exe", "src/deep/cache.exe/inner.dll",
             "src/deep/node_modules/lib.dll", "src/deep/y.dll", "src/main.exe"},
            all);
        row("folders excluded deep down, the start's own name too", "*.exe;*.dll", " .git ; node_modules", {},
            {"a.exe", "b.dll", "src/deep/cache.exe/inner.dll", "src/deep/y.dll", "src/main.exe"}, all - 3);
        row("a mask excluded again, and the folder named like it", "*.exe;*.dll", "*.EXE", {},
            {"b.dll", "src/deep/node_modules/lib.dll", "src/deep/y.dll"}, all - 1);
        row("a folder named like a file mask", "*.exe", "cache.exe", {},
            {".git/HEAD.exe", "a.exe", "src/deep/.git/obj.exe", "src/main.exe"}, all - 1);
        row("everything excluded", "*.*", "*", {}, {}, 1);
        row("one folder, files excluded", "*.*", "*.tmp;b*", {}, {"a.exe", "c.ocx", "readme.txt"}, 1, false);
        row("sizes: both limits included", "*.*", "", {"1K", "2K"},
            {"b.dll", "c.ocx", "notes.TMP", "src/deep/cache.exe/inner.dll", "src/deep/y.dll"}, all);
        row("sizes: empty files", "*.*", "", {"0", "0"}, {"a.exe"}, all);
        row("sizes: up to a limit", "*", "", {"", "1023"},
            {".git/HEAD.exe", ".git/config", "a.exe", "readme.txt", "src/deep/.git/obj.exe", "src/x.tmp"},
            all);
        row("days: first second in, last minute in", "*.*", "", {"", "", "2026-11-01", "2026-11-30"},
            {".git/HEAD.exe", "b.dll", "c.ocx", "readme.txt", "src/main.exe"}, all);
        row("days: from", "*.*", "", {"", "", "2026-12-01", ""}, {"notes.TMP"}, all);
        row("days: up to", "*.*", "", {"", "", "", "2026-10-31"},
            {".git/config", "a.exe", "src/deep/.git/obj.exe", "src/deep/cache.exe/inner.dll",
             "src/deep/node_modules/lib.dll", "src/deep/y.dll", "src/x.tmp"},
            all);
        row("all together", "*.exe;*.dll", ".git", {"1K", "", "2026-11-01", ""}, {"b.dll", "src/main.exe"},
            all - 2);
    }
    void filtersOnTree()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, exclude);
        QFETCH(QStringList, bounds);
        QFETCH(bool, subfolders);
        QFETCH(QStringList, expected);
        QFETCH(int, folders);
        bounds.resize(4);
        QString error;
        const auto filters =
            parseFilters({pattern, {exclude}, bounds[0], bounds[1], bounds[2], bounds[3]}, &error);
        QVERIFY2(filters, qPrintable(error));
        QTemporaryDir tmp;
        const QByteArray root = rootOf(tmp) + "node_modules/";
        QVERIFY(makeFilterTree(root));
        QHash<QByteArray, qint64> sizes;
        for (const FilterFile& f : kFilterTree)
            sizes[f.path] = f.size;
        // One request at a time, and folders read ahead by helpers from the start.
        for (const char* depth : {"1", "32"}) {
            for (const bool kindsUnknown : {false, true}) {
                qputenv("VELLORA_IO_DEPTH", depth);
                const auto restoreDepth = qScopeGuard([] { qunsetenv("VELLORA_IO_DEPTH"); });
                OpenWatch watch;
                for (const char* dir : {"", ".git/", "src/", "src/deep/", "src/deep/.git/",
                                        "src/deep/cache.exe/", "src/deep/node_modules/"})
                    watch.watch(root + dir);
                Scan s;
                scan::FolderReader::setKindsUnknown(kindsUnknown);
                s.ok = ScandisciCartella(*filters, root, subfolders, s.state, s.results);
                scan::FolderReader::setKindsUnknown(false);
                QVERIFY(s.ok);
                QStringList listed;
                for (std::size_t i = 0; i < s.results.size(); ++i) {
                    const QByteArray path = s.results.path(i).mid(root.size());
                    QCOMPARE(s.results.entries[i].size, sizes.value(path, -5));
                    listed << QString::fromLatin1(path);
                }
                listed.sort();
                QCOMPARE(listed, expected);
                QCOMPARE(s.state.totFile.load(), s.results.size());
                QCOMPARE(s.state.totCartelle.load(), std::uint64_t(folders));
                QCOMPARE(s.state.unreadable.load(), 0u);
                QCOMPARE(watch.opened().size(), folders);
            }
        }
    }

    // Folders that cannot be read are skipped; a start folder that cannot be read (closed,
    // missing, not a folder) gives nothing, and the walk says so.
    void unreadableFolders()
    {
        QTemporaryDir tmp;
        const QByteArray root = rootOf(tmp);
        QVERIFY(makeTree(root, {"a/", "a/1.txt", "closed/", "closed/secret.txt", "listonly/",
                                "listonly/seen.txt", "z/", "z/2.txt", "plain"}));
        QVERIFY(::chmod(root.constData(), 0755) == 0);
        QVERIFY(::chmod(root + "closed", 0) == 0);
        QVERIFY(::chmod(root + "listonly", 0444) == 0); // names readable, files not reachable

        // Root reads everything: the scans run as an ordinary user then.
        Scan s, starts[3], ranged;
        ListingFilters anySize;
        anySize.minSize = 0;
        {
            const bool wasRoot = ::geteuid() == 0;
            if (wasRoot && ::seteuid(65534) != 0)
                QSKIP("cannot act as an ordinary user");
            run(s, root, true);
            ranged.ok = ScandisciCartella(anySize, root, true, ranged.state, ranged.results);
            run(starts[0], root + "closed/", true);
            run(starts[1], root + "nothing-here/", true);
            run(starts[2], root + "plain/", true);
            if (wasRoot)
                QVERIFY(::seteuid(0) == 0);
        }
        ::chmod(root + "closed", 0755);
        ::chmod(root + "listonly", 0755);

        QVERIFY(s.ok);
        QCOMPARE(s.state.totCartelle.load(), 5u); // the closed folder is entered, but gives nothing
        // The listed-only folder's file is listed, though its size cannot be read.
        QStringList names;
        for (std::size_t i = 0; i < s.results.size(); ++i)
            names << QString::fromUtf8(s.results.path(i).mid(root.size()));
        names.sort();
        QCOMPARE(names, (QStringList{"a/1.txt", "listonly/seen.txt", "plain", "z/2.txt"}));
        for (std::size_t i = 0; i < s.results.size(); ++i)
            QCOMPARE(s.results.entries[i].size == ScanResults::kUnknownSize,
                     s.results.path(i).endsWith("listonly/seen.txt"));
        // With a size range on, such a file cannot be said to lie in it: left out, counted.
        QCOMPARE(s.state.unreadable.load(), 0u);
        QCOMPARE(ranged.results.size(), 3u);
        QCOMPARE(ranged.state.totFile.load(), 3u);
        QCOMPARE(ranged.state.unreadable.load(), 1u);
        for (std::size_t i = 0; i < ranged.results.size(); ++i)
            QVERIFY(!ranged.results.path(i).contains("listonly"));
        for (const Scan& start : starts) {
            QVERIFY(!start.ok);
            QCOMPARE(start.results.size(), 0u);
            QCOMPARE(start.state.totCartelle.load(), 1u);
        }

        // A file gone between the listing of its folder and its size keeps its place too.
        const auto a = std::make_shared<scan::FolderReader>(scan::FolderReader::openPath(root + "a/"));
        scan::SizeBatch batch;
        batch.add(a, "1.txt");
        batch.add(a, "gone.txt");
        batch.run();
        QCOMPARE(batch.sizes.size(), std::size_t(2));
        QVERIFY(batch.sizes[0] >= 0);
        QCOMPARE(batch.sizes[1], ScanResults::kUnknownSize);
    }
};

QTEST_GUILESS_MAIN(TestScanner)
#include "test_scanner.moc"
