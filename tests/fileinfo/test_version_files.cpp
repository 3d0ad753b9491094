// Reading from the file system: opening safely, failing cleanly, reading only a little.

#include "fileinfo/ByteSource.h"
#include "fileinfo/FileFacts.h"
#include "fileinfo/Languages.h"
#include "fileinfo/VersionParser.h"
#include "fileinfo/VersionReader.h"
#include "PeBuilder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace vellora;
using namespace vtest;

namespace {

QStringList fields(const VersionData& d)
{
    return QStringList{d.fileVersion, d.companyName, d.fileDescription, d.productName}
           << (d.readable ? "readable" : "") << (d.hasResource ? "resource" : "");
}

const QByteArray kPe = peWithVersion(versionBlock(simpleContent("Acme", "Tool", "Suite")));

} // namespace

class TestVersionFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsLikeMemory_data();
    void readsLikeMemory();
    void opens_data();
    void opens();
    void fewReadsOnLargeFile();
    void fileShrinksWhileRead();
    void otherFilesCostOneRead();

private:
    QByteArray path(const QByteArray& name) const { return QFile::encodeName(m_dir.path()) + '/' + name; }
    QByteArray write(const char* name, const QByteArray& bytes);
    int openDir() const
    {
        return ::open(QFile::encodeName(m_dir.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }

    QTemporaryDir m_dir;
};

QByteArray TestVersionFiles::write(const char* name, const QByteArray& bytes)
{
    QFile f(QFile::decodeName(path(name)));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path(name);
}

void TestVersionFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    write("real.exe", kPe);
    QCOMPARE(::mkdir(path("sub").constData(), 0700), 0);
    write("sub/inner.exe", kPe);
    // Opening a FIFO for reading blocks until a writer comes, unless done without blocking.
    QCOMPARE(::mkfifo(path("pipe.exe").constData(), 0600), 0);
    QCOMPARE(::symlink(path("real.exe").constData(), path("link.exe").constData()), 0);
    const timeval tv[2] = {{1083000000, 0}, {1083000000, 0}};
    QCOMPARE(::utimes(path("real.exe").constData(), tv), 0);
}

void TestVersionFiles::readsLikeMemory_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const VersionContent vs = simpleContent(QStringLiteral("Società"), "Tool", "Suite");
    PeLayout l;
    const QByteArray pe = peWithVersion(versionBlock(vs), false, &l);
    QTest::newRow("PE32") << pe;
    QTest::newRow("PE32 cut inside its version") << pe.left(l.data[0] + 60);
    QTest::newRow("NE") << buildNe({{0x8010, 0x8001, versionBlock16(vs)}});
    QTest::newRow("empty") << QByteArray();
}

void TestVersionFiles::readsLikeMemory()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(fields(readVersionData(write("file \xc3\xa8.exe", bytes))), fields(parseVersionData(bytes)));
}

// The same entries by path and as names in an open folder, which neither follow a link nor
// take a path; the open of a name also tells size and time of a regular file it found, and
// the reader of file facts gives them for nothing else (a folder or a FIFO put where a listed
// file was has a size and a date that are not the file's).
void TestVersionFiles::opens_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("byPath");
    QTest::addColumn<bool>("byName");
    QTest::addColumn<bool>("statted");
    QTest::newRow("executable") << QByteArray("real.exe") << true << true << true;
    QTest::newRow("missing") << QByteArray("gone.exe") << false << false << false;
    QTest::newRow("fifo does not block") << QByteArray("pipe.exe") << false << false << false;
    QTest::newRow("folder") << QByteArray("sub") << false << false << false;
    QTest::newRow("link to an executable") << QByteArray("link.exe") << true << false << false;
    QTest::newRow("path in a folder") << QByteArray("sub/inner.exe") << true << false << false;
    QTest::newRow("empty") << QByteArray() << false << false << false;
    // The path before the NUL names a real executable, which must not be read in its place;
    // a name is a C string, which ends there.
    QTest::newRow("NUL inside") << QByteArray("real.exe\0.bak", 13) << false << true << true;
}

void TestVersionFiles::opens()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, byPath);
    QFETCH(bool, byName);
    QFETCH(bool, statted);
    const QByteArray file = name.isEmpty() ? QByteArray() : path(name);
    bool ok = !byPath;
    QCOMPARE(GetFileVersion(file, &ok), byPath ? QStringLiteral("1.2.3.4") : QString());
    QCOMPARE(ok, byPath);
    QCOMPARE(LeggiStringaVersione(file, InfoKind::FileDescription),
             byPath ? QStringLiteral("Tool") : QString());

    const int dirFd = openDir();
    OpenedFileStat st;
    st.valid = !statted; // must be overwritten either way
    const VersionData d = readVersionDataAt(dirFd, name.constData(), &st);
    ::close(dirFd);
    QCOMPARE(d.readable, byName);
    QCOMPARE(d.companyName, byName ? QStringLiteral("Acme") : QString());
    QCOMPARE(st.valid, statted);
    if (byName) {
        QCOMPARE(st.size, qint64(kPe.size()));
        QCOMPARE(st.mtime, qint64(1083000000));
    }

    // A name with a NUL is refused whole by the reader of facts.
    const std::unique_ptr<FactReader> reader = fileSystemFacts().reader();
    const QByteArray folder = QFile::encodeName(m_dir.path()) + '/';
    const std::string_view entry(name.constData(), std::size_t(name.size()));
    for (unsigned want : {unsigned(FactReader::Stat), FactReader::Stat | FactReader::Version}) {
        const FileFacts f = reader->read(folder, entry, want);
        QCOMPARE(f.statted, statted && !name.contains('\0'));
        QCOMPARE(f.size, f.statted ? qint64(kPe.size()) : 0);
    }
}

void TestVersionFiles::fewReadsOnLargeFile()
{
    // A large program with its resources after 8 MiB of code, and a payload after them as
    // installers have: only headers, directory and the version block may be read.
    PeOptions options;
    options.codeSize = 8 * 1024 * 1024;
    const QByteArray file = write(
        "setup.exe", buildPe({{16, 1, {}, 0x0409, versionBlock(simpleContent("Acme", "T", "S"))}}, options));
    QVERIFY(::truncate(file.constData(), 256 * 1024 * 1024) == 0); // sparse: no disk used

    fileinfo::FileByteSource src(file);
    QVERIFY(src.isOpen());
    const VersionData d = fileinfo::readVersion(src, fileinfo::LanguagePreference{});
    QCOMPARE(d.companyName, QStringLiteral("Acme"));
    qInfo("preads: %d", src.readCalls());
    QVERIFY2(src.readCalls() <= 4, qPrintable(QString::number(src.readCalls())));
}

void TestVersionFiles::fileShrinksWhileRead()
{
    const QByteArray file = write("b.exe", kPe);
    fileinfo::FileByteSource src(file);
    QVERIFY(src.isOpen());
    QVERIFY(::truncate(file.constData(), 0x100) == 0);
    const VersionData d = fileinfo::readVersion(src, fileinfo::LanguagePreference{});
    QVERIFY(src.failed());
    QVERIFY(!d.readable);
    QCOMPARE(d.companyName, QString());
}

// A file that is not an executable is given up after its first read.
void TestVersionFiles::otherFilesCostOneRead()
{
    QByteArray text(1 << 20, 'x');
    text[0] = 'M';
    write("big.txt", text);
    const int dirFd = openDir();
    fileinfo::FileByteSource src(dirFd, "big.txt");
    ::close(dirFd);
    QVERIFY(src.isOpen());
    QCOMPARE(src.statSize(), qint64(text.size()));
    const VersionData d = fileinfo::readVersion(src, fileinfo::LanguagePreference{});
    QVERIFY(d.readable);
    QVERIFY(!d.hasResource);
    QCOMPARE(src.readCalls(), 1);
}

QTEST_GUILESS_MAIN(TestVersionFiles)
#include "test_version_files.moc"
