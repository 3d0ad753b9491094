// The settings file: defaults on a first run, every value surviving a round trip, values a
// user or another version may have left in the file, and files that cannot be read or written.

#include "settings/StoredSettings.h"
#include "system/Platform.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

using namespace vellora;

Q_DECLARE_METATYPE(vellora::StoredSettings)

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One field as text, so that table rows can name the field they expect.
QString field(const StoredSettings& s, const QString& name)
{
    if (name == u"LastDir")
        return s.lastDir == homeFolder() ? QStringLiteral("home") : s.lastDir;
    if (name == u"PatternFile")
        return s.patternFile;
    if (name == u"OrderGrid")
        return QString::number(s.orderGrid);
    if (name == u"TipoRic")
        return s.tipoRic ? QString::number(*s.tipoRic) : QStringLiteral("none");
    if (name == u"InfoFile")
        return QString::number(s.infoFile);
    if (name == u"WinState")
        return QString::number(s.winState);
    return QString::number(s.optS[3]); // OptS3
}

StoredSettings sample()
{
    StoredSettings s;
    s.lastDir = QStringLiteral("/srv/dati/");
    s.patternFile = QStringLiteral("*.exe");
    s.orderGrid = 7;
    s.optS = {1, 1, 1, 0, 1, 1, 0, 0};
    s.optV = {0, 1, 1, 1, 0, 0, 1, 0};
    s.tipoRic = 1;
    s.infoFile = 2;
    s.winState = 2;
    s.colWidths = {465, 2200, 480, 1010, 1440, 1395, 1400, 6500};
    return s;
}

StoredSettings readAll(const QString& path)
{
    StoredSettings s = LeggiREGEDIT(SettingsStore(path));
    s.colWidths = LeggiLarghezzeColonne(SettingsStore(path));
    return s;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;
    // QSettings caches parsed files by name within a process: a fresh name per case keeps
    // each case reading what it wrote.
    QString freshPath() { return m_dir.filePath(QStringLiteral("cfg%1/Vellora.ini").arg(++m_files)); }

private Q_SLOTS:
    void firstRunGivesDefaults()
    {
        StoredSettings expected;
        expected.lastDir = homeFolder();
        QVERIFY(expected.lastDir.endsWith(u'/'));
        QVERIFY(readAll(freshPath()) == expected);
    }

    void roundTrip_data()
    {
        QTest::addColumn<StoredSettings>("values");
        QTest::newRow("typical") << sample();
        StoredSettings s = sample();
        s.orderGrid = -1;
        s.winState = 1;
        s.tipoRic = 0;
        s.infoFile = 3;
        s.optS = {};
        s.colWidths = {0, 0, 0, 0, 0, 0, 0, kMaxColumnWidth};
        QTest::newRow("no order, minimized, profile off") << s;
        // Texts that mean something to the INI syntax.
        for (const char* text : {"a, b", "x;y=z #c", "\"q\" back\\slash", "@Variant(1)", " lead and trail ",
                                 "città/日本\ttab", ""}) {
            s = sample();
            s.lastDir = u'/' + QString::fromUtf8(text) + u'/';
            s.patternFile = QString::fromUtf8(text);
            QTest::newRow(*text ? text : "empty") << s;
        }
    }

    void roundTrip()
    {
        QFETCH(StoredSettings, values);
        const QString path = freshPath();
        QVERIFY(ScriviREGEDIT(SettingsStore(path), values));
        const StoredSettings back = readAll(path);
        QCOMPARE(back.lastDir, values.lastDir);
        QCOMPARE(back.patternFile, values.patternFile);
        QVERIFY(back == values);
    }

    // The layout on disk is what other versions and users see: group and names are fixed.
    void fileLayout()
    {
        const QString path = freshPath();
        writeFile(path,
                  "[SOFTWARE%5CVellora]\nLastDir=/srv/archivio/\nPatternFile=*.dll\n"
                  "OrderGrid=4294967295\nOptS0=1\nOptS4=1\nOptV6=1\n"
                  "Col_0=300\nCol_1=-5\nCol_2=1440001\nCol_7=9000\nTipoRic=1\nInfoFile=3\nWinState=1\n");
        StoredSettings expected;
        expected.lastDir = QStringLiteral("/srv/archivio/");
        expected.patternFile = QStringLiteral("*.dll");
        expected.orderGrid = -1; // as a registry export of the Windows build holds it
        expected.optS = {1, 0, 0, 0, 1, 0, 0, 0};
        expected.optV = {0, 0, 0, 0, 0, 0, 1, 0};
        expected.colWidths[0] = 300;
        expected.colWidths[7] = 9000;
        expected.tipoRic = 1;
        expected.infoFile = 3;
        expected.winState = 1;
        QVERIFY(readAll(path) == expected);

        StoredSettings s = sample();
        s.optS = {};
        QVERIFY(ScriviREGEDIT(SettingsStore(path), s));
        const QString text = QString::fromUtf8(readFile(path));
        QVERIFY2(text.startsWith(QStringLiteral("[SOFTWARE%5CVellora]\n")), qPrintable(text));
        QStringList names{"LastDir", "PatternFile", "OrderGrid", "TipoRic", "InfoFile", "WinState"};
        for (int i = 0; i < 8; ++i)
            names << QStringLiteral("OptS%1").arg(i) << QStringLiteral("OptV%1").arg(i)
                  << QStringLiteral("Col_%1").arg(i);
        for (const QString& name : names)
            QVERIFY2(text.contains(u'\n' + name + u'='), qPrintable(name));
        QVERIFY(text.contains(QStringLiteral("\nOptS5=0\n"))); // zeros are written too
    }

    void valueThatDoesNotFit_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        // The field is the name before "=".
        const auto row = [](const char* name, const QByteArray& line, const QString& expected) {
            QTest::newRow(name) << line << QString::fromLatin1(line.left(line.indexOf('='))) << expected;
        };
        const QByteArray dir254 = '/' + QByteArray(252, 'a') + '/';
        row("dir 254 chars", "LastDir=" + dir254, QString::fromLatin1(dir254));
        row("dir 255 chars", "LastDir=/" + QByteArray(253, 'a') + '/', QStringLiteral("home"));
        row("dir empty", "LastDir=", QStringLiteral("home"));
        row("dir relative", "LastDir=dati/", QStringLiteral("home"));
        row("dir without slash", "LastDir=/srv/dati", QStringLiteral("/srv/dati/"));
        row("dir as list", "LastDir=/a,b/", QStringLiteral("home"));
        row("dir as bytes", "LastDir=@ByteArray(/srv/)", QStringLiteral("home"));
        row("pattern 255 chars", "PatternFile=" + QByteArray(255, '*'), QStringLiteral("*.*"));
        row("order 10", "OrderGrid=10", QStringLiteral("10"));
        row("order 11", "OrderGrid=11", QStringLiteral("0"));
        row("order -2", "OrderGrid=-2", QStringLiteral("0"));
        row("order 2^32", "OrderGrid=4294967296", QStringLiteral("0"));
        row("order text", "OrderGrid=2.5", QStringLiteral("0"));
        row("flag 2", "OptS3=2", QStringLiteral("0"));
        row("scope 2", "TipoRic=2", QStringLiteral("none"));
        row("info 0", "InfoFile=0", QStringLiteral("1"));
        row("info 4", "InfoFile=4", QStringLiteral("1"));
        row("state 3", "WinState=3", QStringLiteral("0"));
    }

    void valueThatDoesNotFit()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QString path = freshPath();
        writeFile(path, "[SOFTWARE%5CVellora]\n" + line + '\n');
        QCOMPARE(field(LeggiREGEDIT(SettingsStore(path)), name), expected);
    }

    // A damaged file gives what can be read of it, and the next closing writes a sound one.
    void garbledFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("order");
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe\x80garbage\x00[[[ = ==\n", 22) << 0;
        QTest::newRow("open section") << QByteArray("[SOFTWARE%5CVellora\nOrderGrid=3\n") << 3;
        QTest::newRow("other group") << QByteArray("[SOFTWARE]\nVellora\\OrderGrid=3\n") << 0;
        QTest::newRow("no equals") << QByteArray("[SOFTWARE%5CVellora]\nOrderGrid\n\"\"\"\n") << 0;
        QTest::newRow("bad utf-8") << QByteArray("[SOFTWARE%5CVellora]\nLastDir=/\xc3\x28/\n") << 0;
    }

    void garbledFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, order);
        const QString path = freshPath();
        writeFile(path, bytes);
        const StoredSettings s = LeggiREGEDIT(SettingsStore(path));
        QCOMPARE(int(s.orderGrid), order);
        QCOMPARE(s.patternFile, QStringLiteral("*.*"));
        QVERIFY(s.lastDir.startsWith(u'/'));
        QVERIFY(ScriviREGEDIT(SettingsStore(path), sample()));
        QVERIFY(readAll(path) == sample());
    }

    void unwritableFile_data()
    {
        QTest::addColumn<bool>("parentIsFile"); // else the settings path is a folder
        QTest::newRow("parent is a file") << true;
        QTest::newRow("path is a folder") << false;
    }

    void unwritableFile()
    {
        QFETCH(bool, parentIsFile);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x/Vellora.ini"));
        if (parentIsFile)
            writeFile(dir.filePath(QStringLiteral("x")), "precious");
        else
            QVERIFY(QDir().mkpath(path));
        QCOMPARE(LeggiREGEDIT(SettingsStore(path)).patternFile, QStringLiteral("*.*"));
        QVERIFY(!ScriviREGEDIT(SettingsStore(path), sample()));
        if (parentIsFile)
            QCOMPARE(readFile(dir.filePath(QStringLiteral("x"))), QByteArray("precious"));
        else
            QVERIFY(QFileInfo(path).isDir());
    }

    // A disk with room for the temporary file but not for its content: the write fails and
    // the settings already on disk stay as they were (never an empty file reported as saved).
    void fullDiskKeepsTheOldFile()
    {
        const QString mountPoint = m_dir.filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(mountPoint));
        if (::geteuid() != 0 ||
            ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("needs a small tmpfs (root)");
        const auto unmount = qScopeGuard([&] { ::umount(QFile::encodeName(mountPoint).constData()); });
        const QString path = mountPoint + QStringLiteral("/Vellora.ini");
        QVERIFY(ScriviREGEDIT(SettingsStore(path), sample()));
        const QByteArray before = readFile(path);
        // Fill the disk up to one free block.
        QFile filler(mountPoint + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size() && filler.flush())
            ;
        filler.close();
        filler.resize(filler.size() - 4096);
        StoredSettings changed = sample();
        changed.patternFile = QStringLiteral("*.changed");
        bool allWritten = true;
        for (int i = 0; i < 3; ++i)
            allWritten = ScriviREGEDIT(SettingsStore(path), changed) && allWritten;
        QVERIFY(!allWritten);
        QCOMPARE(readFile(path), before);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
