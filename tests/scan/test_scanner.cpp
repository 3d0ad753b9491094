#include "ScanTree.h"

#include "scan/FolderReader.h"
#include "scan/Scanner.h"
#include "scan/SizeWorker.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vellora;
using namespace scantest;

namespace {

struct Scan
{
    bool ok = false;
    ScanState state;
    ScanResults results;
};

void run(Scan& s, const QByteArray& folder, bool subfolders, const QString& pattern = QStringLiteral("*.*"),
         const FolderEnteredFn& onFolder = {})
{
    s.ok = ScandisciCartella(pattern, folder, subfolders, s.state, s.results, onFolder);
}

bool sameList(const std::vector<Found>& actual, const std::vector<Found>& expected)
{
    const std::size_t n = std::min(actual.size(), expected.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (!(actual[i] == expected[i])) {
            qWarning("entry %zu: got %s %lld, expected %s %lld", i, actual[i].path.constData(),
                     static_cast<long long>(actual[i].size), expected[i].path.constData(),
                     static_cast<long long>(expected[i].size));
            return false;
        }
    }
    if (actual.size() != expected.size()) {
        qWarning("got %zu entries, expected %zu", actual.size(), expected.size());
        return false;
    }
    return true;
}

QByteArray rootOf(const QTemporaryDir& dir)
{
    return QFile::encodeName(dir.path()) + '/';
}

} // namespace

class TestScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orderMatchesTwoPassReading_data();
    void orderMatchesTwoPassReading();
    void scopeSelectedFolderOnly();
    void emptyAndMissingFolders();
    void specialEntriesNeverListedOrEntered_data();
    void specialEntriesNeverListedOrEntered();
    void oddNamesKeepTheirBytes();
    void bigFoldersKeepSizesInOrder();
    void interruptKeepsAPrefix_data();
    void interruptKeepsAPrefix();
    void deepTreeWithFewDescriptors();
    void unreadableFoldersAreSkipped();
};

// A tree with files and folders mixed in every folder; the scanner must give exactly the
// order of reading each folder twice (files first, then subfolders, depth first).
void TestScanner::orderMatchesTwoPassReading_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("kindsUnknown");
    QTest::newRow("everything") << "*.*" << false;
    QTest::newRow("suffix, any case") << "*.txt" << false;
    QTest::newRow("prefix") << "f1*" << false;
    QTest::newRow("everything, kinds not given") << "*.*" << true;
    QTest::newRow("suffix, kinds not given") << "*.txt" << true;
}

void TestScanner::orderMatchesTwoPassReading()
{
    QFETCH(QString, pattern);
    QFETCH(bool, kindsUnknown);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QByteArray root = rootOf(tmp);
    const char* exts[] = {".txt", ".TXT", ".c", "", ".Txt.bak"};
    std::vector<QByteArray> folders{root};
    int n = 0;
    for (int i = 0; i < 40; ++i) {
        // Each new folder hangs below an earlier one: a tree several levels deep.
        const QByteArray parent = folders[std::size_t((i * 7) % folders.size())];
        const QByteArray dir = parent + (i % 6 == 0 ? "." : "") + "d" + QByteArray::number(i) + '/';
        QVERIFY(makeDir(dir));
        folders.push_back(dir);
        for (int f = 0; f < 1 + i % 4; ++f, ++n)
            QVERIFY(makeFile(parent + "f" + QByteArray::number(n) + exts[n % 5], n));
    }
    Scan s;
    scan::FolderReader::setKindsUnknown(kindsUnknown);
    run(s, root, true, pattern);
    scan::FolderReader::setKindsUnknown(false);
    QVERIFY(s.ok);
    const auto expected = referenceWalk(root, true, PatternMatcher(pattern));
    QVERIFY(!expected.empty());
    QVERIFY(sameList(listed(s.results), expected));
    QCOMPARE(s.state.totFile.load(), expected.size());
    QCOMPARE(s.state.totCartelle.load(), folders.size());
    // Folders are stored once each and always end with the separator.
    const auto& stored = s.results.folders;
    QCOMPARE(QSet<QByteArray>(stored.begin(), stored.end()).size(), qsizetype(stored.size()));
    for (const QByteArray& f : stored)
        QVERIFY(f.endsWith('/'));
}

void TestScanner::scopeSelectedFolderOnly()
{
    QTemporaryDir tmp;
    const QByteArray root = rootOf(tmp);
    QVERIFY(makeFile(root + "a.txt") && makeFile(root + "README") && makeDir(root + "sub"));
    QVERIFY(makeFile(root + "sub/b.txt"));
    Scan s;
    // Given without the final separator: the walk adds it.
    run(s, root.chopped(1), false);
    QVERIFY(s.ok);
    QCOMPARE(s.state.totCartelle.load(), 1u);
    QCOMPARE(s.results.size(), 2u);
    QCOMPARE(s.results.folders, std::vector<QByteArray>{root});
    QCOMPARE(s.state.folderNow(), root);
}

void TestScanner::emptyAndMissingFolders()
{
    QTemporaryDir tmp;
    const QByteArray root = rootOf(tmp);
    Scan empty;
    run(empty, root, true);
    QVERIFY(empty.ok);
    QCOMPARE(empty.state.totFile.load(), 0u);
    QCOMPARE(empty.state.totCartelle.load(), 1u);
    QVERIFY(empty.state.examined.load() >= 2); // "." and ".." count as looked at

    Scan missing;
    run(missing, root + "nothing-here/", true);
    QVERIFY(!missing.ok);
    QCOMPARE(missing.results.size(), 0u);
    QCOMPARE(missing.state.totCartelle.load(), 1u);

    QVERIFY(makeFile(root + "plain"));
    Scan notFolder;
    run(notFolder, root + "plain/", true);
    QVERIFY(!notFolder.ok);
}

// Links, loops, dangling links and FIFOs: nothing listed twice, nothing entered through a
// link, no hang on a FIFO that nobody writes to.
void TestScanner::specialEntriesNeverListedOrEntered_data()
{
    QTest::addColumn<bool>("kindsUnknown");
    QTest::addColumn<bool>("subfolders");
    QTest::newRow("kinds given") << false << true;
    QTest::newRow("kinds not given") << true << true;
    QTest::newRow("kinds not given, one folder") << true << false;
}

void TestScanner::specialEntriesNeverListedOrEntered()
{
    QFETCH(bool, kindsUnknown);
    QFETCH(bool, subfolders);
    QTemporaryDir tmp;
    const QByteArray root = rootOf(tmp);
    QVERIFY(makeFile(root + "real.txt", 5) && makeDir(root + "sub") && makeFile(root + "sub/inner.txt", 7));
    QVERIFY(makeLink("real.txt", root + "x.txt"));           // link named like a match
    QVERIFY(makeLink("sub", root + "linked dir"));           // link to a folder
    QVERIFY(makeLink("..", root + "sub/loop"));              // loop to the parent
    QVERIFY(makeLink(root, root + "sub/to top"));            // loop to the top
    QVERIFY(makeLink("missing.txt", root + "dangling.txt")); // points nowhere
    QVERIFY(makeLink("self.txt", root + "self.txt"));        // points at itself
    QVERIFY(makeFifo(root + "pipe.txt"));
    QVERIFY(makeFifo(root + "sub/pipe"));
    QVERIFY(makeFile(root + ".hidden.txt", 1) && makeDir(root + ".dotdir") &&
            makeFile(root + ".dotdir/in.txt"));

    Scan s;
    scan::FolderReader::setKindsUnknown(kindsUnknown);
    run(s, root, subfolders, QStringLiteral("*.TXT"));
    scan::FolderReader::setKindsUnknown(false);
    QVERIFY(s.ok);
    QVERIFY(sameList(listed(s.results),
                     referenceWalk(root, subfolders, PatternMatcher(QStringLiteral("*.txt")))));
    QStringList names;
    for (std::size_t i = 0; i < s.results.size(); ++i)
        names << QString::fromUtf8(s.results.path(i).mid(root.size()));
    names.sort();
    if (subfolders) {
        QCOMPARE(names, (QStringList{".dotdir/in.txt", ".hidden.txt", "real.txt", "sub/inner.txt"}));
        QCOMPARE(s.state.totCartelle.load(), 3u); // root, sub, .dotdir: never the linked ones
    } else {
        QCOMPARE(names, (QStringList{".hidden.txt", "real.txt"}));
        QCOMPARE(s.state.totCartelle.load(), 1u);
    }
}

void TestScanner::oddNamesKeepTheirBytes()
{
    QTemporaryDir tmp;
    const QByteArray root = rootOf(tmp);
    const QByteArray latin1Dir = root + "caf\xe9 dir/";
    const QByteArray names[] = {"caf\xe9.txt",
                                " lead.txt",
                                "trail .txt",
                                "a b.txt",
                                "tab\there.txt",
                                "line\nbreak.txt",
                                "\xe2\x84\xaa"
                                "elvin.txt",
                                "star*.txt",
                                "q?.txt"};
    QVERIFY(makeDir(latin1Dir));
    for (const QByteArray& n : names)
        QVERIFY(makeFile(latin1Dir + n, n.size()));

    Scan s;
    run(s, root, true, QStringLiteral("  *.txt "));
    QVERIFY(s.ok);
    QCOMPARE(s.results.size(), std::size(names));
    QCOMPARE(s.results.folders, std::vector<QByteArray>{latin1Dir});
    QSet<QByteArray> got;
    for (std::size_t i = 0; i < s.results.size(); ++i) {
        const auto n = s.results.name(i);
        got.insert(QByteArray(n.data(), qsizetype(n.size())));
        // The recorded path reaches exactly this file again.
        struct stat st;
        QVERIFY(::lstat(s.results.path(i).constData(), &st) == 0);
        QCOMPARE(qint64(st.st_size), s.results.entries[i].size);
    }
    QCOMPARE(got, QSet<QByteArray>(std::begin(names), std::end(names)));
    removeContents(root);
}

// Folders with more files than are sized in one go: every size still lands on its own file,
// and sizes beyond 32 bits are kept whole.
void TestScanner::bigFoldersKeepSizesInOrder()
{
    QTemporaryDir tmp;
    const QByteArray root = rootOf(tmp);
    const qint64 sizes[] = {0, 3, (qint64(1) << 31) - 1, qint64(1) << 31, qint64(1) << 32, qint64(5) << 30};
    for (qint64 size : sizes) // sparse: no disk space is used
        QVERIFY(makeFile(root + "f" + QByteArray::number(size), size));
    const int counts[] = {520, 257, 256, 1, 0, 30};
    int n = 0;
    for (int d = 0; d < int(std::size(counts)); ++d) {
        const QByteArray dir = root + "d" + QByteArray::number(d) + '/';
        QVERIFY(makeDir(dir));
        for (int i = 0; i < counts[d]; ++i, ++n)
            QVERIFY(makeFile(dir + "f" + QByteArray::number(n) + (n % 3 ? ".dat" : ".txt"), n));
    }
    for (const QString& pattern : {QStringLiteral("*"), QStringLiteral("*.txt")}) {
        Scan s;
        run(s, root, true, pattern);
        QVERIFY(s.ok);
        QVERIFY(sameList(listed(s.results), referenceWalk(root, true, PatternMatcher(pattern))));
        QCOMPARE(s.state.totFile.load(), s.results.size());
    }
}

void TestScanner::interruptKeepsAPrefix_data()
{
    QTest::addColumn<int>("stopAtFolder");
    QTest::newRow("at the start") << 1;
    QTest::newRow("second folder") << 2;
    QTest::newRow("deep in the tree") << 9;
    QTest::newRow("last folder") << 13;
}

void TestScanner::interruptKeepsAPrefix()
{
    QFETCH(int, stopAtFolder);
    QTemporaryDir tmp;
    const QByteArray root = rootOf(tmp);
    // 13 folders: root, three children, three grandchildren each.
    QVERIFY(makeFile(root + "top.txt"));
    for (int c = 0; c < 3; ++c) {
        const QByteArray child = root + "c" + QByteArray::number(c) + '/';
        QVERIFY(makeDir(child) && makeFile(child + "x.txt") && makeFile(child + "y.txt"));
        for (int g = 0; g < 3; ++g) {
            const QByteArray grand = child + "g" + QByteArray::number(g) + '/';
            QVERIFY(makeDir(grand) && makeFile(grand + "z.txt"));
        }
    }
    Scan full;
    run(full, root, true);
    QCOMPARE(full.state.totCartelle.load(), 13u);

    Scan s;
    std::size_t recordedWhenStopped = 0;
    run(s, root, true, QStringLiteral("*.*"), [&](const QByteArray&) {
        if (s.state.totCartelle.load() == std::uint64_t(stopAtFolder)) {
            s.state.interrupt = true;
            recordedWhenStopped = s.results.size();
        }
    });
    QVERIFY(s.ok);
    // Nothing after the interrupt, and what is there is exactly the start of a full walk.
    QCOMPARE(s.state.totCartelle.load(), std::uint64_t(stopAtFolder));
    QCOMPARE(s.results.size(), recordedWhenStopped);
    QCOMPARE(s.state.totFile.load(), s.results.size());
    auto expected = listed(full.results);
    expected.resize(s.results.size());
    QVERIFY(sameList(listed(s.results), expected));
}

// A chain deeper than the descriptors the process may open: every level is still read,
// in order, and side folders found on the way back up are entered too.
void TestScanner::deepTreeWithFewDescriptors()
{
    QTemporaryDir tmp;
    const QByteArray root = rootOf(tmp);
    constexpr int depth = 200;
    QByteArray dir = root;
    for (int i = 0; i < depth; ++i) {
        QVERIFY(makeFile(dir + "f.txt", i));
        QVERIFY(makeDir(dir + "side"));
        QVERIFY(makeFile(dir + "side/s.txt", i));
        dir += "d/";
        QVERIFY(makeDir(dir.chopped(1)));
    }
    rlimit old{};
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &old) == 0);
    rlimit few = old;
    few.rlim_cur = 160; // well under the 400 folders of the chain
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &few) == 0);
    Scan s;
    run(s, root, true);
    ::setrlimit(RLIMIT_NOFILE, &old);
    QVERIFY(s.ok);
    QCOMPARE(s.state.totCartelle.load(), std::uint64_t(2 * depth + 1));
    QCOMPARE(s.results.size(), std::size_t(2 * depth));
    QVERIFY(sameList(listed(s.results), referenceWalk(root, true, PatternMatcher(QStringLiteral("*")))));
}

void TestScanner::unreadableFoldersAreSkipped()
{
    QTemporaryDir tmp;
    const QByteArray root = rootOf(tmp);
    QVERIFY(makeDir(root + "a") && makeFile(root + "a/1.txt"));
    QVERIFY(makeDir(root + "closed") && makeFile(root + "closed/secret.txt"));
    QVERIFY(makeDir(root + "listonly") && makeFile(root + "listonly/seen.txt", 9));
    QVERIFY(makeDir(root + "z") && makeFile(root + "z/2.txt"));
    QVERIFY(::chmod(root.constData(), 0755) == 0);
    QVERIFY(::chmod((root + "closed").constData(), 0) == 0);
    QVERIFY(::chmod((root + "listonly").constData(), 0444) == 0); // names readable, files not reachable

    // Root reads everything: the scans run as an ordinary user then.
    Scan s, start;
    {
        const bool wasRoot = ::geteuid() == 0;
        if (wasRoot && ::seteuid(65534) != 0)
            QSKIP("cannot act as an ordinary user");
        run(s, root, true);
        run(start, root + "closed/", true);
        if (wasRoot)
            QVERIFY(::seteuid(0) == 0);
    }
    ::chmod((root + "closed").constData(), 0755);
    ::chmod((root + "listonly").constData(), 0755);

    QVERIFY(s.ok);
    QCOMPARE(s.state.totCartelle.load(), 5u); // the closed folder is entered, but gives nothing
    QStringList names;
    for (std::size_t i = 0; i < s.results.size(); ++i)
        names << QString::fromUtf8(s.results.path(i).mid(root.size()));
    names.sort();
    // The listed-only folder's file exists and is listed, though its size cannot be read.
    QCOMPARE(names, (QStringList{"a/1.txt", "listonly/seen.txt", "z/2.txt"}));
    for (std::size_t i = 0; i < s.results.size(); ++i)
        QCOMPARE(s.results.entries[i].size == ScanResults::kUnknownSize,
                 s.results.path(i).endsWith("listonly/seen.txt"));

    // A file gone between the listing of its folder and its size keeps its place too.
    const auto a = std::make_shared<scan::FolderReader>(scan::FolderReader::openPath(root + "a/"));
    scan::SizeBatch batch;
    batch.add(a, "1.txt");
    batch.add(a, "gone.txt");
    batch.run();
    QCOMPARE(batch.sizes.size(), std::size_t(2));
    QVERIFY(batch.sizes[0] >= 0);
    QCOMPARE(batch.sizes[1], ScanResults::kUnknownSize);

    QVERIFY(!start.ok);
    QCOMPARE(start.results.size(), 0u);
}

QTEST_GUILESS_MAIN(TestScanner)
#include "test_scanner.moc"
