// Reading from the file system: opening safely, failing cleanly, reading only a little.

#include "fileinfo/ByteSource.h"
#include "fileinfo/Languages.h"
#include "fileinfo/VersionParser.h"
#include "fileinfo/VersionReader.h"
#include "PeBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace vellora;
using namespace vtest;

class TestVersionFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readsLikeMemory_data();
    void readsLikeMemory();
    void unreadable_data();
    void unreadable();
    void fewReadsOnLargeFile();
    void fileShrinksWhileRead();
    void readsEntryOfFolder_data();
    void readsEntryOfFolder();
    void otherFilesCostOneRead();

private:
    QByteArray write(const QString& name, const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

QByteArray TestVersionFiles::write(const QString& name, const QByteArray& bytes)
{
    QFile f(m_dir->filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return QFile::encodeName(f.fileName());
}

void TestVersionFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestVersionFiles::readsLikeMemory_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const VersionSpec vs = simpleSpec(QStringLiteral("Società"), "Tool", "Suite");
    PeLayout l;
    const QByteArray pe = peWithVersion(versionBlock(vs), false, &l);
    QTest::newRow("PE32") << pe;
    QTest::newRow("PE32 cut inside its version") << pe.left(l.data[0] + 60);
    QTest::newRow("PE32+") << peWithVersion(versionBlock(vs), true);
    QTest::newRow("NE") << buildNe({{0x8010, 0x8001, versionBlock16(vs)}});
    QTest::newRow("empty") << QByteArray();
}

void TestVersionFiles::readsLikeMemory()
{
    QFETCH(QByteArray, bytes);
    const QByteArray path = write(QStringLiteral("file è.exe"), bytes);
    const VersionData fromFile = readVersionData(path);
    const VersionData fromMemory = parseVersionData(bytes);
    QVERIFY(fromFile.readable);
    QCOMPARE(fromFile.hasResource, fromMemory.hasResource);
    QCOMPARE(fromFile.fileVersion, fromMemory.fileVersion);
    QCOMPARE(fromFile.companyName, fromMemory.companyName);
    QCOMPARE(fromFile.productName, fromMemory.productName);
    QCOMPARE(LeggiStringaVersione(path, InfoKind::FileDescription), fromMemory.fileDescription);

    bool ok = false;
    QCOMPARE(GetFileVersion(path, &ok), fromMemory.fileVersion);
    QVERIFY(ok);

    // Through the open folder: the same answer, and the size and time of that one open.
    const timeval tv[2] = {{1083000000, 0}, {1083000000, 0}};
    QCOMPARE(::utimes(path.constData(), tv), 0);
    const int dirFd = ::open(QFile::encodeName(m_dir->path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(dirFd >= 0);
    OpenedFileStat st;
    const VersionData fromEntry = readVersionDataAt(dirFd, "file \xc3\xa8.exe", &st);
    ::close(dirFd);
    QVERIFY(fromEntry.readable);
    QCOMPARE(fromEntry.hasResource, fromMemory.hasResource);
    QCOMPARE(fromEntry.fileVersion, fromMemory.fileVersion);
    QCOMPARE(fromEntry.fileDescription, fromMemory.fileDescription);
    QVERIFY(st.valid);
    QCOMPARE(st.size, qint64(bytes.size()));
    QCOMPARE(st.mtime, qint64(1083000000));
}

void TestVersionFiles::unreadable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("directory") << "directory";
    QTest::newRow("embedded NUL") << "nul";
    QTest::newRow("empty path") << "empty";
    QTest::newRow("no permission") << "noperm";
}

void TestVersionFiles::unreadable()
{
    QFETCH(QString, kind);
    const QByteArray pe = peWithVersion(versionBlock(simpleSpec("Acme", "Tool", "Suite")));
    QByteArray path;
    if (kind == QLatin1String("missing")) {
        path = QFile::encodeName(m_dir->filePath(QStringLiteral("gone.exe")));
    } else if (kind == QLatin1String("fifo")) {
        // Opening a FIFO for reading blocks until a writer comes, unless done without blocking.
        path = QFile::encodeName(m_dir->filePath(QStringLiteral("pipe.exe")));
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else if (kind == QLatin1String("directory")) {
        path = QFile::encodeName(m_dir->path());
    } else if (kind == QLatin1String("nul")) {
        // The part before the NUL names a real executable; it must not be read in its place.
        path = write(QStringLiteral("real.exe"), pe) + QByteArray("\0.bak", 5);
    } else if (kind == QLatin1String("noperm")) {
        if (::geteuid() == 0)
            QSKIP("root reads files without permission");
        path = write(QStringLiteral("locked.exe"), pe);
        QCOMPARE(::chmod(path.constData(), 0), 0);
    }
    bool ok = true;
    QCOMPARE(GetFileVersion(path, &ok), QString());
    QVERIFY(!ok);
    const VersionData d = readVersionData(path);
    QVERIFY(!d.readable);
    QVERIFY(!d.hasResource);
    QCOMPARE(LeggiStringaVersione(path, InfoKind::CompanyName), QString());
}

void TestVersionFiles::fewReadsOnLargeFile()
{
    // A large program with its resources after 8 MiB of code, and a payload after them as
    // installers have: only headers, directory and the version block may be read.
    Resource r;
    r.data = versionBlock(simpleSpec("Acme", "Tool", "Suite"));
    PeOptions options;
    options.codeSize = 8 * 1024 * 1024;
    const QByteArray bytes = buildPe({r}, options);
    const QByteArray path = write(QStringLiteral("setup.exe"), bytes);
    QVERIFY(::truncate(path.constData(), 256 * 1024 * 1024) == 0); // sparse: no disk used

    fileinfo::FileByteSource src(path);
    QVERIFY(src.isOpen());
    const VersionData d = fileinfo::readVersion(src, fileinfo::LanguagePreference{});
    QCOMPARE(d.companyName, QStringLiteral("Acme"));
    qInfo("preads: %d", src.readCalls());
    QVERIFY2(src.readCalls() <= 4, qPrintable(QString::number(src.readCalls())));
}

void TestVersionFiles::fileShrinksWhileRead()
{
    const QByteArray path =
        write(QStringLiteral("b.exe"), peWithVersion(versionBlock(simpleSpec("Acme", "T", "S"))));
    fileinfo::FileByteSource src(path);
    QVERIFY(src.isOpen());
    QVERIFY(::truncate(path.constData(), 0x100) == 0);
    const VersionData d = fileinfo::readVersion(src, fileinfo::LanguagePreference{});
    QVERIFY(src.failed());
    QVERIFY(!d.readable);
    QCOMPARE(d.companyName, QString());
}

// Entries looked up in an open folder: what can be read, and what the open still tells
// about an entry whose version cannot be read.
void TestVersionFiles::readsEntryOfFolder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("statted");
    QTest::newRow("executable") << "pe" << true << true;
    QTest::newRow("missing") << "missing" << false << false;
    QTest::newRow("fifo does not block") << "fifo" << false << true;
    QTest::newRow("folder") << "folder" << false << true;
    QTest::newRow("link to an executable is not followed") << "link" << false << false;
    QTest::newRow("path instead of a name") << "slash" << false << false;
    QTest::newRow("empty name") << "empty" << false << false;
    QTest::newRow("no permission") << "noperm" << false << false;
}

void TestVersionFiles::readsEntryOfFolder()
{
    QFETCH(QString, kind);
    QFETCH(bool, readable);
    QFETCH(bool, statted);
    const QByteArray pe = peWithVersion(versionBlock(simpleSpec("Acme", "Tool", "Suite")));
    const QByteArray real = write(QStringLiteral("real.exe"), pe);
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("sub"))));
    write(QStringLiteral("sub/inner.exe"), pe);
    QByteArray name = kind.toUtf8() + ".exe";
    const QByteArray inDir = QFile::encodeName(m_dir->path()) + '/' + name;
    if (kind == u"pe") {
        name = "real.exe";
    } else if (kind == u"fifo") {
        QCOMPARE(::mkfifo(inDir.constData(), 0600), 0);
    } else if (kind == u"folder") {
        name = "sub";
    } else if (kind == u"link") {
        QCOMPARE(::symlink(real.constData(), inDir.constData()), 0);
    } else if (kind == u"slash") {
        name = "sub/inner.exe";
    } else if (kind == u"empty") {
        name = "";
    } else if (kind == u"noperm") {
        if (::geteuid() == 0)
            QSKIP("root reads files without permission");
        write(QStringLiteral("noperm.exe"), pe);
        QCOMPARE(::chmod(inDir.constData(), 0), 0);
    }
    const int dirFd = ::open(QFile::encodeName(m_dir->path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(dirFd >= 0);
    OpenedFileStat st;
    st.valid = !statted; // must be overwritten either way
    const VersionData d = readVersionDataAt(dirFd, name.constData(), &st);
    ::close(dirFd);
    QCOMPARE(d.readable, readable);
    QCOMPARE(d.companyName, readable ? QStringLiteral("Acme") : QString());
    QCOMPARE(st.valid, statted);
}

// A file that is not an executable is given up after its first read.
void TestVersionFiles::otherFilesCostOneRead()
{
    QByteArray text(1 << 20, 'x');
    text[0] = 'M';
    write(QStringLiteral("big.txt"), text);
    const int dirFd = ::open(QFile::encodeName(m_dir->path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(dirFd >= 0);
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
