// The settings file: defaults on a first run, every value surviving a round trip, values a
// user or another version may have left in the file, and files that cannot be read or written.

#include "settings/FilterSettings.h"
#include "settings/StoredSettings.h"
#include "system/Platform.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <thread>

#include <sys/mount.h>
#include <sys/stat.h>
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

StoredSettings sample()
{
    return {.lastDir = "/srv/dati/",
            .patternFile = "*.exe",
            .orderGrid = 7,
            .optS = {1, 1, 1, 0, 1, 1, 0, 0},
            .optV = {0, 1, 1, 1, 0, 0, 1, 0},
            .tipoRic = 1,
            .infoFile = 2,
            .winState = 2,
            .colWidths = {465, 2200, 480, 1010, 1440, 1395, 1400, 6500},
            .filters = {}};
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

    // Every value written comes back. The layout on disk is what other versions and users
    // see: group and names are fixed, and every value is written, zeros too.
    void roundTrip()
    {
        QFETCH(StoredSettings, values);
        const QString path = freshPath();
        QVERIFY(ScriviREGEDIT(SettingsStore(path), values));
        QVERIFY(readAll(path) == values);
        const QString text = QString::fromUtf8(readFile(path));
        QVERIFY2(text.startsWith(QStringLiteral("[SOFTWARE%5CVellora]\n")), qPrintable(text));
        QStringList names{"LastDir", "PatternFile", "OrderGrid", "TipoRic", "InfoFile", "WinState"};
        for (int i = 0; i < 8; ++i)
            names << QStringLiteral("OptS%1").arg(i) << QStringLiteral("OptV%1").arg(i)
                  << QStringLiteral("Col_%1").arg(i);
        for (const QString& name : names)
            QVERIFY2(text.contains(u'\n' + name + u'='), qPrintable(name));
        QVERIFY(text.contains(QStringLiteral("\nOptS3=0\n"))); // every row has this flag off
        // No filter was set: the group line and these names alone, as before there were filters.
        QCOMPARE(text.count(u'\n'), names.size() + 1);
    }

    // A value that does not fit its field reads as the default, the others as written; a
    // damaged file gives what can be read of it; no file at all gives the defaults. The next
    // closing writes a sound file.
    void readsWhatFits_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<StoredSettings>("expected");
        StoredSettings defaults;
        defaults.lastDir = homeFolder();
        const QByteArray head = "[SOFTWARE%5CVellora]\n";
        const auto row = [&defaults](const char* tag, const QByteArray& bytes,
                                     const std::function<void(StoredSettings&)>& fits = {}) {
            StoredSettings expected = defaults;
            if (fits)
                fits(expected);
            QTest::newRow(tag) << bytes << expected;
        };
        row("first run: no file", QByteArray());
        row("every field, as another version wrote them",
            head +
                "LastDir=/srv/archivio/\nPatternFile=*.dll\nOrderGrid=4294967295\nOptS0=1\nOptS4=1\nOptV6=1\n"
                "Col_0=300\nCol_1=-5\nCol_2=1440001\nCol_7=9000\nTipoRic=1\nInfoFile=3\nWinState=1",
            [](StoredSettings& s) {
                // OrderGrid as a registry export of the Windows build holds -1; Col_1 and Col_2
                // are out of range.
                s = {.lastDir = "/srv/archivio/",
                     .patternFile = "*.dll",
                     .orderGrid = -1,
                     .optS = {1, 0, 0, 0, 1, 0, 0, 0},
                     .optV = {0, 0, 0, 0, 0, 0, 1, 0},
                     .tipoRic = 1,
                     .infoFile = 3,
                     .winState = 1,
                     .colWidths = {300, {}, {}, {}, {}, {}, {}, 9000},
                     .filters = {}};
            });
        const QByteArray dir254 = '/' + QByteArray(252, 'a') + '/';
        row("dir 254 chars", head + "LastDir=" + dir254,
            [&](StoredSettings& s) { s.lastDir = QString::fromLatin1(dir254); });
        row("dir 255 chars", head + "LastDir=/" + QByteArray(253, 'a') + '/');
        row("dir empty", head + "LastDir=");
        row("dir relative", head + "LastDir=dati/");
        row("dir without slash", head + "LastDir=/srv/dati",
            [](StoredSettings& s) { s.lastDir = QStringLiteral("/srv/dati/"); });
        row("dir as list", head + "LastDir=/a,b/");
        row("dir as bytes", head + "LastDir=@ByteArray(/srv/)");
        row("pattern 255 chars", head + "PatternFile=" + QByteArray(255, '*'));
        row("order 10", head + "OrderGrid=10", [](StoredSettings& s) { s.orderGrid = 10; });
        row("order 11", head + "OrderGrid=11");
        row("order -2", head + "OrderGrid=-2");
        row("order 2^32", head + "OrderGrid=4294967296");
        row("order text", head + "OrderGrid=2.5");
        row("flag 1", head + "OptS3=1", [](StoredSettings& s) { s.optS[3] = 1; });
        row("flag 2", head + "OptS3=2");
        row("scope 2", head + "TipoRic=2");
        row("info 0", head + "InfoFile=0");
        row("info 4", head + "InfoFile=4");
        row("state 3", head + "WinState=3");
        row("binary", QByteArray("\x00\x01\xff\xfe\x80garbage\x00[[[ = ==\n", 22));
        row("open section", "[SOFTWARE%5CVellora\nOrderGrid=3\n", [](StoredSettings& s) { s.orderGrid = 3; });
        row("other group", "[SOFTWARE]\nVellora\\OrderGrid=3\n");
        row("no equals", head + "OrderGrid\n\"\"\"\n");
        row("bad utf-8", head + "LastDir=/\xc3\x28/\n",
            [](StoredSettings& s) { s.lastDir = QString::fromUtf8("/\xc3\x28/"); }); // as decoded
    }

    void readsWhatFits()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(StoredSettings, expected);
        const QString path = freshPath();
        if (!bytes.isNull())
            writeFile(path, bytes + '\n');
        QVERIFY(readAll(path) == expected);
        QVERIFY(ScriviREGEDIT(SettingsStore(path), sample()));
        QVERIFY(readAll(path) == sample());
    }

    // The filters: their own names beside the other values, written and read by the window's
    // own save and load; a shorter history leaves no older entry behind, and filters taken
    // off empty the names the file holds.
    void filtersRoundTrip()
    {
        QStringList history;
        for (int i = 0; i < 11; ++i)
            history = withHistoryEntry(history, QStringLiteral("*.t%1").arg(i));
        QCOMPARE(history.size(), StoredFilters::kExcludeHistory);
        QCOMPARE(history.first(), QStringLiteral("*.t10"));
        QCOMPARE(history.last(), QStringLiteral("*.t1"));
        history = withHistoryEntry(withHistoryEntry(history, QStringLiteral("*.t5")), QStringLiteral("  "));
        QCOMPARE(history.mid(0, 3), (QStringList{"*.t5", "*.t10", "*.t9"}));
        QCOMPARE(history.size(), StoredFilters::kExcludeHistory);

        const StoredFilters values{.exclude = QStringLiteral(" .git ; *.tmp, x=y #z"),
                                   .excludeHistory = history,
                                   .minSize = 0,
                                   .maxSize = std::int64_t(5) << 40,
                                   .modifiedFrom = QDate(2026, 11, 1),
                                   .modifiedTo = QDate(2026, 11, 1)};
        const QString path = freshPath();
        StoredSettings all = sample();
        all.filters = values;
        QVERIFY(ScriviREGEDIT(SettingsStore(path), all));
        QVERIFY(readAll(path) == all);
        const QString text = QString::fromUtf8(readFile(path));
        for (const char* line : {"\nEscludiStoria9=*.t1\n", "\nDimMin=0\n", "\nDimMax=5497558138880\n",
                                 "\nDataDa=2026-11-01\n", "\nDataA=2026-11-01\n"})
            QVERIFY2(text.contains(QLatin1String(line)), line);

        StoredFilters fewer;
        fewer.excludeHistory = {QStringLiteral("node_modules")};
        QVERIFY(ScriviFiltri(SettingsStore(path), fewer));
        QVERIFY(LeggiFiltri(SettingsStore(path)) == fewer);
        QVERIFY(ScriviREGEDIT(SettingsStore(path), sample()));
        QVERIFY(readAll(path) == sample());
        QVERIFY(readFile(path).contains("\nDimMax=\n"));
    }

    // A filter value that does not fit reads as no filter, with no message.
    void filtersReadWhatFits_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("expected"); // exclude|history|min|max|from|to
        QTest::newRow("nothing stored") << QByteArray() << "|||||";
        QTest::newRow("as written, a gap in the history")
            << QByteArray("Escludi=.git\nEscludiStoria0=.git\nEscludiStoria2=*.tmp\nDimMin=1024\nDimMax=\n"
                          "DataDa=2026-11-01\nDataA=2026-11-30")
            << ".git|.git,*.tmp|1024||2026-11-01|2026-11-30";
        QTest::newRow("history: blanks and repeats") << QByteArray("EscludiStoria0=a\nEscludiStoria1=\" \"\n"
                                                                   "EscludiStoria2=a\nEscludiStoria3=b")
                                                     << "|a,b||||";
        QTest::newRow("sizes not in bytes") << QByteArray("DimMin=1K\nDimMax=-5") << "|||||";
        QTest::newRow("size beyond 64 bits")
            << QByteArray("DimMin=99999999999999999999\nDimMax=9") << "|||9||";
        QTest::newRow("sizes reversed") << QByteArray("DimMin=10\nDimMax=5") << "|||||";
        QTest::newRow("days that are not") << QByteArray("DataDa=2026-02-30\nDataA=01/11/2026") << "|||||";
        QTest::newRow("days reversed") << QByteArray("DataDa=2026-11-02\nDataA=2026-11-01") << "|||||";
        QTest::newRow("one day") << QByteArray("DataA=2026-11-02") << "|||||2026-11-02";
    }

    void filtersReadWhatFits()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, expected);
        const QString path = freshPath();
        if (!lines.isNull())
            writeFile(path, "[SOFTWARE%5CVellora]\n" + lines + '\n');
        const StoredFilters f = LeggiFiltri(SettingsStore(path));
        const auto number = [](const std::optional<std::int64_t>& v) {
            return v ? QString::number(*v) : QString();
        };
        const auto day = [](const std::optional<QDate>& v) {
            return v ? v->toString(Qt::ISODate) : QString();
        };
        QCOMPARE(QStringList({f.exclude, f.excludeHistory.join(u','), number(f.minSize), number(f.maxSize),
                              day(f.modifiedFrom), day(f.modifiedTo)})
                     .join(u'|'),
                 expected);
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

    // A save replaces the file the path names as it stands: its mode stays, and a symbolic
    // link stays a link, its target getting the values (made when the link dangles).
    void replacesInPlace_data()
    {
        QTest::addColumn<int>("mode");     // of the file before the save; 0: no file
        QTest::addColumn<QString>("link"); // what the settings path links to; empty: no link
        QTest::newRow("private file") << 0600 << QString();
        QTest::newRow("group-readable file") << 0640 << QString();
        QTest::newRow("link to a file in another folder")
            << 0600 << QStringLiteral("../dotfiles/vellora.ini");
        QTest::newRow("dangling link") << 0 << QStringLiteral("../elsewhere/vellora.ini");
    }

    void replacesInPlace()
    {
        QFETCH(int, mode);
        QFETCH(QString, link);
        const QString path = freshPath();
        const QString target = link.isEmpty() ? path : QFileInfo(path).absolutePath() + u'/' + link;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()) &&
                QDir().mkpath(QFileInfo(target).absolutePath()));
        if (!link.isEmpty())
            QVERIFY(QFile::link(link, path));
        if (mode != 0) {
            writeFile(target, "[Altro]\nvalore=1\n");
            QVERIFY(::chmod(QFile::encodeName(target).constData(), mode_t(mode)) == 0);
        }
        QVERIFY(ScriviREGEDIT(SettingsStore(path), sample()));
        QCOMPARE(QFileInfo(path).isSymLink(), !link.isEmpty());
        QVERIFY(readAll(target) == sample());
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(target).constData(), &st) == 0);
        if (mode != 0)
            QCOMPARE(int(st.st_mode & 07777), mode);
        QCOMPARE(readFile(target).contains("[Altro]\nvalore=1\n"), mode != 0);
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // A file that exists but cannot be read is not replaced: the groups in it would be lost.
    // The save fails with its message and the file stays as it was.
    void unreadableFileKept()
    {
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
        const QString path = dir.filePath(QStringLiteral("Vellora.ini"));
        const QByteArray before = "[Altro]\nvalore=1\n";
        writeFile(path, before);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0200) == 0);
        QString error;
        bool saved = true;
        {
            // Root reads everything: the save runs as an ordinary user then.
            const bool wasRoot = ::geteuid() == 0;
            if (wasRoot && ::seteuid(65534) != 0)
                QSKIP("cannot act as an ordinary user");
            saved = ScriviREGEDIT(SettingsStore(path), sample(), &error);
            if (wasRoot)
                QVERIFY(::seteuid(0) == 0);
        }
        QVERIFY(!saved);
        QVERIFY2(error.startsWith(QStringLiteral("Impossibile salvare le impostazioni nel file ") + path +
                                  QStringLiteral(": il file esistente non si può leggere")),
                 qPrintable(error));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0600) == 0);
        QCOMPARE(readFile(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Vellora.ini"});
    }

    // Two windows closing together: each save reads, merges and writes under a lock, so no
    // save is lost whatever the order the two threads run in.
    void racingSavesKeepEveryValue()
    {
        const QString path = freshPath();
        constexpr int kSaves = 60;
        std::atomic_int failed{0};
        const auto saver = [&](QChar who) {
            for (int i = 0; i < kSaves; ++i) {
                SettingsKey key = ApriChiave(SettingsStore(path), kSettingsKey);
                key.writeNumber(who + QString::number(i), i);
                failed += key.close() ? 0 : 1;
            }
        };
        std::thread a(saver, u'A'), b(saver, u'B');
        a.join();
        b.join();
        QCOMPARE(failed.load(), 0);
        const SettingsKey key = ApriChiave(SettingsStore(path), kSettingsKey);
        for (int i = 0; i < kSaves; ++i) {
            QCOMPARE(key.readNumber(QStringLiteral("A%1").arg(i)), std::optional<qint32>(i));
            QCOMPARE(key.readNumber(QStringLiteral("B%1").arg(i)), std::optional<qint32>(i));
        }
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
