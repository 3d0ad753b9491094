// Byte-level checks of the two export formats, written to memory.

#include "../common/MemoryRows.h"
#include "export/Exporter.h"
#include "results/AppState.h"
#include "system/SystemData.h"

#include <QBuffer>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <sys/time.h>

using namespace vellora;
using namespace vellora::test;

namespace {

constexpr std::int64_t kMay12 = 1084365000; // 12/05/2004 14:30 in Rome
constexpr std::int64_t kJan2 = 1672625040;  // 02/01/2023 03:04 in Rome

const QString kData = QStringLiteral("/srv/dati/");
const QString kLong = QStringLiteral("/srv/dati/Una cartella dal nome davvero molto lungo/");

QString S(int n)
{
    return QString(n, QLatin1Char(' '));
}

ColumnProfile flags(int size, int date, int version, int info)
{
    return {1, 1, 1, std::int16_t(size), std::int16_t(date), std::int16_t(version), std::int16_t(info), 0};
}

VersionData versionData(const QString& version, const QString& company, const QString& description,
                        const QString& product)
{
    VersionData v;
    v.readable = true;
    v.hasResource = !version.isEmpty() || !company.isEmpty() || !description.isEmpty();
    v.fileVersion = version;
    v.companyName = company;
    v.fileDescription = description;
    v.productName = product;
    return v;
}

VersionData noResource()
{
    VersionData v;
    v.readable = true;
    return v;
}

// "base|ext|folder" (folder defaults to /srv/dati/).
void addRows(MemoryRows& rows, const QStringList& specs)
{
    for (const QString& layoutText : specs) {
        const QStringList p = layoutText.split(QLatin1Char('|'));
        rows.add(p.value(0), p.value(1), p.size() > 2 ? p[2] : kData);
    }
}

QStringList splitLines(const QByteArray& bytes)
{
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestExportWriter : public QObject
{
    Q_OBJECT

private:
    QDateTime m_now{QDate(2004, 5, 12), QTime(14, 30, 59)};
    SystemData m_system{QStringLiteral("2"), QStringLiteral("Debian GNU/Linux"), QString(),
                        QStringLiteral("6.1.0")};
    MemoryFacts m_facts;

    AppState state(int scope, const ColumnProfile& opts, InfoKind kind = InfoKind::CompanyName) const
    {
        AppState s;
        s.CartellaRicerca = kData;
        s.PatternFile = QStringLiteral("*.*");
        s.TipoRicerca = scope;
        s.OptS = opts;
        s.infoKind = kind;
        s.OrdineGriglia = 0;
        s.totCartelle = 1;
        return s;
    }

    QByteArray run(ExportKind kind, const AppState& s, MemoryRows rows,
                   NameLayout layout = NameLayout::Single, const FactSource* facts = nullptr,
                   ExportStats* stats = nullptr)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        rows.factSource = facts ? facts : &m_facts;
        const ExportRequest request{rows, s, m_system, m_now, QString(), layout};
        QString error;
        const bool ok = exportTo(buffer, kind, request, stats, &error);
        if (!ok)
            qWarning() << error;
        return ok ? buffer.data() : QByteArray("FAILED");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        const auto fake = [this](const QString& path, std::int64_t size, std::int64_t mtime,
                                 const VersionData& v) {
            m_facts.fake(QFile::encodeName(path), size, mtime, v);
        };
        fake(kData + QStringLiteral("setup.exe"), 1234567, kMay12,
             versionData(QStringLiteral("1.2.3.4"), QStringLiteral("Acme S.p.A."),
                         QStringLiteral("Programma di installazione"), QStringLiteral("Acme Setup")));
        fake(kData + QStringLiteral("README"), 0, kJan2, noResource());
        fake(kData + QStringLiteral("Documentazione_del_progetto.backup"), 1234567890, kMay12, noResource());
        fake(kData + QStringLiteral("driver.sys"), 2048, kMay12,
             versionData(QStringLiteral("65535.65535.65535.65535"), QStringLiteral("Driver Co."), {}, {}));
        fake(kData + QStringLiteral("lungo.dll"), 10, kMay12,
             versionData(QStringLiteral("2.0.0.0"), QStringLiteral("*** error ***"),
                         QStringLiteral("Libreria condivisa per la gestione dei documenti archiviati"), {}));
        fake(kLong + QStringLiteral("nota.txt"), 5, kMay12, noResource());
    }

    void textWholeFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path() + QStringLiteral("/Programmi/");
        QVERIFY(QDir().mkpath(folder));
        QFile big(folder + QStringLiteral("setup.exe"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(1234567));
        big.close();
        QFile small(folder + QStringLiteral("README"));
        QVERIFY(small.open(QIODevice::WriteOnly));
        small.close();
        const auto touch = [](const QString& path, std::int64_t t) {
            const struct timeval tv[2] = {{time_t(t), 0}, {time_t(t), 0}};
            return ::utimes(QFile::encodeName(path).constData(), tv) == 0;
        };
        QVERIFY(touch(folder + QStringLiteral("setup.exe"), kMay12));
        QVERIFY(touch(folder + QStringLiteral("README"), kJan2));

        MemoryFacts probe; // the real files, a stand-in version resource for setup.exe
        probe.fakeVersion(QFile::encodeName(folder + QStringLiteral("setup.exe")),
                          versionData(QStringLiteral("1.2.3.4"), QStringLiteral("Acme S.p.A."), {}, {}));
        probe.fakeVersion(QFile::encodeName(folder + QStringLiteral("README")), noResource());
        MemoryRows rows;
        rows.add(QStringLiteral("setup"), QStringLiteral("exe"), folder);
        rows.add(QStringLiteral("README"), QString(), folder);
        AppState s = state(0, flags(1, 1, 1, 1));
        s.CartellaRicerca = folder;

        const QByteArray crlf("\r\n");
        const QByteArray dash = QByteArray("\xE2\x80\x94").repeated(111);
        QByteArray expected;
        expected += "Debian GNU/Linux - Ver. 6.1.0" + crlf;
        expected += "Esporta: " + folder.toUtf8() + "*.*" + crlf;
        expected += "Totale File 2 (Ordinamento Nome File A-Z - Cartelle Controllate 1)" +
                    QByteArray(33, ' ') + "(12/05/2004)" + crlf;
        expected += dash + crlf;
        expected +=
            "Nome File         Ext  Dimensione Data Ult. Modif.        Versione Produttore           " + crlf;
        expected += dash + crlf;
        expected += "setup             exe   1,234,567 12/05/2004-14:30         1.2.3.4 Acme S.p.A." + crlf;
        expected += "README" + QByteArray(26, ' ') + "0 02/01/2023-03:04" + QByteArray(17, ' ') + crlf;
        QCOMPARE(run(ExportKind::Text, s, rows, NameLayout::Single, &probe), expected);
    }

    void textHeader_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("folders");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QStringList>("expected");
        const QString dash(111, QChar(0x2014));
        const QString heads =
            QStringLiteral("Nome File         Ext  Dimensione Data Ult. Modif.        Versione ");
        QTest::newRow("selected folder, company")
            << 0 << 1 << 0 << 1 << 2
            << QStringList{
                   QStringLiteral("Debian GNU/Linux - Ver. 6.1.0"),
                   QStringLiteral("Esporta: /srv/dati/*.exe"),
                   QStringLiteral("Totale File 2 (Ordinamento Nome File A-Z - Cartelle Controllate 1)") +
                       S(33) + QStringLiteral("(12/05/2004)"),
                   dash,
                   heads + QStringLiteral("Produttore           "),
                   dash};
        QTest::newRow("subfolders, 123 rows, long bracket")
            << 1 << 2 << 2 << 12345 << 123
            << QStringList{
                   QStringLiteral("Debian GNU/Linux - Ver. 6.1.0"),
                   QStringLiteral("Esporta (con Sottocartelle): /srv/dati/*.exe"),
                   QStringLiteral("Totale File 123 (Ordinamento Estensione - Cartelle Controllate 12345)") +
                       S(30) + QStringLiteral("(12/05/2004)"),
                   dash,
                   heads + QStringLiteral("Cartella"),
                   dash};
    }
    void textHeader()
    {
        QFETCH(int, scope);
        QFETCH(int, kind);
        QFETCH(int, order);
        QFETCH(int, folders);
        QFETCH(int, rowCount);
        QFETCH(QStringList, expected);
        AppState s = state(scope, flags(0, 0, 0, 0), InfoKind(kind));
        s.PatternFile = QStringLiteral("*.exe");
        s.OrdineGriglia = order;
        s.totCartelle = std::uint64_t(folders);
        MemoryRows rows;
        for (int i = 0; i < rowCount; ++i)
            rows.add(QStringLiteral("f%1").arg(i), QStringLiteral("exe"), kData);
        const QStringList lines = splitLines(run(ExportKind::Text, s, rows));
        QCOMPARE(lines.size(), 6 + rowCount);
        QCOMPARE(lines.mid(0, 6), expected);
        // The date's closing parenthesis stands under the last dash.
        QCOMPARE(lines[2].size(), 111);
        QCOMPARE(lines[2].indexOf(QLatin1Char('('), 80), 99);
    }

    void textRows_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<ColumnProfile>("opts");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");
        const QString date = QStringLiteral("12/05/2004-14:30");
        QTest::newRow("name and extension only")
            << 0 << flags(0, 0, 0, 0) << 1 << QStringList{"setup|exe", "README|"}
            << QStringList{QStringLiteral("setup             exe"), QStringLiteral("README") + S(12)};
        QTest::newRow("size ends in column 33")
            << 0 << flags(1, 0, 0, 0) << 1 << QStringList{"setup|exe", "README|"}
            << QStringList{QStringLiteral("setup             exe   1,234,567"),
                           QStringLiteral("README") + S(26) + "0"};
        QTest::newRow("no version leaves its columns blank")
            << 0 << flags(0, 1, 1, 0) << 1 << QStringList{"README|"}
            << QStringList{QStringLiteral("README") + S(28) + QStringLiteral("02/01/2023-03:04") + S(16)};
        QTest::newRow("long name, six-letter extension, 13-character size")
            << 0 << flags(1, 1, 0, 0) << 1 << QStringList{"Documentazione_del_progetto|backup"}
            << QStringList{QStringLiteral("Documentazione_de backup"),
                           S(20) + QStringLiteral("1,234,567,890 ") + date};
        QTest::newRow("long version goes to the next line")
            << 0 << flags(0, 1, 1, 1) << 1 << QStringList{"driver|sys"}
            << QStringList{QStringLiteral("driver            sys") + S(13) + date,
                           S(43) + QStringLiteral("65535.65535.65535.65535 Driver Co.")};
        QTest::newRow("info cut to 44, error text kept")
            << 0 << flags(0, 0, 0, 1) << 2 << QStringList{"lungo|dll"}
            << QStringList{QStringLiteral("lungo             dll") + S(46) +
                           QStringLiteral("Libreria condivisa per la gestione dei docum")};
        QTest::newRow("company error text")
            << 0 << flags(0, 0, 0, 1) << 1 << QStringList{"lungo|dll"}
            << QStringList{QStringLiteral("lungo             dll") + S(46) + QStringLiteral("*** error ***")};
        QTest::newRow("subfolders: folder last, info ignored")
            << 1 << flags(0, 0, 1, 1) << 1 << QStringList{"nota|txt|" + kLong, "setup|exe"}
            << QStringList{QStringLiteral("nota              txt") + S(46) +
                               QStringLiteral("/srv/dati/Una cartella dal nome davvero molt"),
                           QStringLiteral("setup             exe") + S(38) +
                               QStringLiteral("1.2.3.4 /srv/dati/")};
    }
    void textRows()
    {
        QFETCH(int, scope);
        QFETCH(ColumnProfile, opts);
        QFETCH(int, kind);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        MemoryRows source;
        addRows(source, rows);
        const QStringList lines =
            splitLines(run(ExportKind::Text, state(scope, opts, InfoKind(kind)), source));
        QCOMPARE(lines.mid(6), expected);
    }

    void tabbedRows_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<ColumnProfile>("opts");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("separate");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one field, always with the dot")
            << 0 << flags(0, 0, 0, 0) << 1 << false << QStringList{"setup|exe", "README|"}
            << QStringList{"setup.exe", "README."};
        QTest::newRow("two fields, empty extension kept")
            << 0 << flags(0, 0, 0, 0) << 1 << true << QStringList{"setup|exe", "README|"}
            << QStringList{"setup\texe", "README\t"};
        QTest::newRow("name cut to 17, extension whole")
            << 0 << flags(0, 0, 0, 0) << 1 << false << QStringList{"Documentazione_del_progetto|backup"}
            << QStringList{"Documentazione_de.backup"};
        QTest::newRow("size, date, version")
            << 0 << flags(1, 1, 1, 0) << 1 << true << QStringList{"setup|exe", "README|"}
            << QStringList{"setup\texe\t1,234,567\t12/05/2004-14:30\t1.2.3.4",
                           "README\t\t0\t02/01/2023-03:04\t"};
        QTest::newRow("info of the chosen kind, cut to 44")
            << 0 << flags(0, 0, 0, 1) << 2 << false << QStringList{"setup|exe", "lungo|dll"}
            << QStringList{"setup.exe\tProgramma di installazione",
                           "lungo.dll\tLibreria condivisa per la gestione dei docum"};
        QTest::newRow("subfolders: folder instead of info")
            << 1 << flags(0, 0, 0, 1) << 3 << false << QStringList{"nota|txt|" + kLong, "setup|exe"}
            << QStringList{"nota.txt\t/srv/dati/Una cartella dal nome davvero molt", "setup.exe\t/srv/dati/"};
        QTest::newRow("leading quote quoted, others as they are")
            << 0 << flags(0, 0, 0, 0) << 1 << true << QStringList{"\"a\"b|txt", "c\"d|\"e"}
            << QStringList{"\"\"\"a\"\"b\"\ttxt", "c\"d\t\"\"\"e\""};
        QTest::newRow("formula starts marked as text")
            << 0 << flags(0, 0, 0, 0) << 1 << true
            << QStringList{"=SOMMA(1;2)|txt", "+39 numeri|@x", "-rf|", "a=b|c-d"}
            << QStringList{"'=SOMMA(1;2)\ttxt", "'+39 numeri\t'@x", "'-rf\t", "a=b\tc-d"};
    }
    void tabbedRows()
    {
        QFETCH(int, scope);
        QFETCH(ColumnProfile, opts);
        QFETCH(int, kind);
        QFETCH(bool, separate);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        MemoryRows source;
        addRows(source, rows);
        const QByteArray bytes = run(ExportKind::Tabbed, state(scope, opts, InfoKind(kind)), source,
                                     separate ? NameLayout::Separate : NameLayout::Single);
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(splitLines(bytes), expected);
    }

    void zeroRows()
    {
        MemoryRows none;
        const QStringList header = splitLines(run(ExportKind::Text, state(0, flags(1, 1, 1, 1)), none));
        QCOMPARE(header.size(), 6);
        QVERIFY(header[2].startsWith(QStringLiteral("Totale File 0 (")));
        QCOMPARE(run(ExportKind::Tabbed, state(0, flags(1, 1, 1, 1)), none), QByteArray());
    }

    // One file is one line, whatever its name holds.
    void controlCharacters()
    {
        MemoryRows rows;
        rows.add(QStringLiteral("riga\tuno\ndue"), QStringLiteral("t\rx"), QStringLiteral("/srv/a\nb/"));
        AppState s = state(1, flags(0, 0, 0, 0));
        s.CartellaRicerca = QStringLiteral("/srv/a\nb/");
        const QByteArray text = run(ExportKind::Text, s, rows);
        QCOMPARE(text.count('\n'), 7);
        QCOMPARE(text.count("\r\n"), 7);
        const QStringList lines = splitLines(text);
        QCOMPARE(lines[1], QStringLiteral("Esporta (con Sottocartelle): /srv/a?b/*.*"));
        QCOMPARE(lines[6], QStringLiteral("riga?uno?due      t?x") + S(46) + QStringLiteral("/srv/a?b/"));
        QCOMPARE(run(ExportKind::Tabbed, s, rows, NameLayout::Separate),
                 QByteArray("riga?uno?due\tt?x\t/srv/a?b/\r\n"));
    }

    void charactersNotBytes()
    {
        const QString accented = QStringLiteral("àèìòùàèìòùàèìòùàèì"); // 18 letters, 36 bytes
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
        MemoryRows rows;
        rows.add(accented, QStringLiteral("ñé"), kData);
        rows.add(smile.repeated(18), QString(), kData);
        m_facts.fakeStat(QFile::encodeName(kData + accented + QStringLiteral(".ñé")), 1234567, kMay12);
        m_facts.fakeStat(QFile::encodeName(kData + smile.repeated(18)), 7, kMay12);
        const QByteArray bytes = run(ExportKind::Text, state(0, flags(1, 0, 0, 0)), rows);
        const QByteArray expected =
            (QStringLiteral("àèìòùàèìòùàèìòùàè ñé") + S(4) + QStringLiteral("1,234,567\r\n") +
             smile.repeated(17) + S(15) + QStringLiteral("7\r\n"))
                .toUtf8();
        QVERIFY(bytes.endsWith(expected));
        QCOMPARE(run(ExportKind::Tabbed, state(0, flags(0, 0, 0, 0)), rows),
                 (QStringLiteral("àèìòùàèìòùàèìòùàè.ñé\r\n") + smile.repeated(17) + QStringLiteral(".\r\n"))
                     .toUtf8());
    }

    // A file gone since the scan keeps its row with the cells the table knows; each row is
    // read where the scan found it, not in a folder picked in the window afterwards that
    // holds a file of the same name.
    void rowsReadWhereListed()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/elencata/");
        const QString other = dir.path() + QStringLiteral("/altra/");
        for (const auto& [path, bytes] :
             {std::pair{folder + QStringLiteral("presente.txt"), QByteArray("12345")},
              std::pair{other + QStringLiteral("sparito.txt"), QByteArray("1234567")}}) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        MemoryRows rows;
        rows.add(QStringLiteral("sparito"), QStringLiteral("txt"), folder);
        rows.add(QStringLiteral("presente"), QStringLiteral("txt"), folder);
        AppState s = state(0, flags(1, 1, 1, 1));
        s.CartellaRicerca = other;
        const FactSource& fileSystem = fileSystemFacts();
        ExportStats stats;
        const QStringList lines =
            splitLines(run(ExportKind::Text, s, rows, NameLayout::Single, &fileSystem, &stats));
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[6], QStringLiteral("sparito           txt") + S(46));
        QVERIFY(lines[7].startsWith(QStringLiteral("presente          txt           5 ")));
        QCOMPARE(stats.rows, 2);
        QCOMPARE(stats.unreadableRows, 1);
        const QStringList tabbed =
            splitLines(run(ExportKind::Tabbed, s, rows, NameLayout::Single, &fileSystem));
        QCOMPARE(tabbed[0], QStringLiteral("sparito.txt\t\t\t\t"));
        QVERIFY(tabbed[1].startsWith(QStringLiteral("presente.txt\t5\t")));
    }

    // The file system is asked only what the flags need: one stat and one version read per
    // row at most.
    void readsPerRow_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<ColumnProfile>("opts");
        QTest::addColumn<int>("stats");
        QTest::addColumn<int>("versions");
        QTest::newRow("nothing") << 0 << flags(0, 0, 0, 0) << 0 << 0;
        QTest::newRow("size and date") << 0 << flags(1, 1, 0, 0) << 3 << 0;
        QTest::newRow("version and info") << 0 << flags(0, 0, 1, 1) << 0 << 3;
        QTest::newRow("info alone") << 0 << flags(0, 0, 0, 1) << 0 << 3;
        QTest::newRow("info ignored in subfolders") << 1 << flags(0, 0, 0, 1) << 0 << 0;
        QTest::newRow("everything") << 0 << flags(1, 1, 1, 1) << 3 << 3;
        QTest::newRow("flag values other than 1") << 0 << ColumnProfile{1, 1, 1, 2, -1, 0, 0, 0} << 0 << 0;
    }
    void readsPerRow()
    {
        QFETCH(int, scope);
        QFETCH(ColumnProfile, opts);
        QFETCH(int, stats);
        QFETCH(int, versions);
        MemoryRows rows;
        addRows(rows, {"setup|exe", "README|", "driver|sys"});
        for (const ExportKind kind : {ExportKind::Text, ExportKind::Tabbed}) {
            MemoryFacts probe;
            (void)run(kind, state(scope, opts), rows, NameLayout::Single, &probe);
            QCOMPARE(probe.stats, stats);
            QCOMPARE(probe.versions, versions);
        }
    }

    void writeFailureStops()
    {
        // Takes the first bytes, then fails like a full disk.
        class FullDevice : public QIODevice
        {
        public:
            qint64 taken = 0;
            qint64 readData(char*, qint64) override { return -1; }
            qint64 writeData(const char*, qint64 len) override
            {
                if (taken > 1000)
                    return -1;
                taken += len;
                return len;
            }
        } device;
        device.open(QIODevice::WriteOnly);
        MemoryRows rows;
        for (int i = 0; i < 20000; ++i)
            rows.add(QStringLiteral("file%1").arg(i), QStringLiteral("txt"), kData);
        const AppState s = state(1, flags(0, 0, 0, 0));
        rows.factSource = &m_facts;
        const ExportRequest request{rows, s, m_system, m_now, {}, NameLayout::Single};
        for (const ExportKind kind : {ExportKind::Text, ExportKind::Tabbed}) {
            device.taken = 0;
            ExportStats stats;
            QString error;
            QVERIFY(!exportTo(device, kind, request, &stats, &error));
            QVERIFY(!error.isEmpty());
            QVERIFY(stats.rows < 20000);
        }
    }
};

QTEST_GUILESS_MAIN(TestExportWriter)
#include "tst_ExportWriter.moc"
