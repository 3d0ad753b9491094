// Byte-level checks of the two export formats, written to memory.

#include "../common/LocaleText.h"
#include "../common/MemoryRows.h"
#include "export/Export.h"
#include "results/AppState.h"
#include "system/SystemData.h"

#include <QBuffer>
#include <QTest>

using namespace vellora;
using namespace vellora::test;

namespace {

constexpr std::int64_t kMay12 = 1084365000; // 12/05/2004 14:30 in Rome
constexpr std::int64_t kJan2 = 1672625040;  // 02/01/2023 03:04 in Rome

const QString kData = QStringLiteral("/srv/dati/");
const QString kLong = QStringLiteral("/srv/dati/Una cartella dal nome davvero molto lungo/");
const QString kAccented = QStringLiteral("àèìòùàèìòùàèìòùàèì"); // 18 letters, 36 bytes
const QString kSmile = QString::fromUtf8("\xF0\x9F\x98\x80");   // two UTF-16 units

QString S(int n)
{
    return QString(n, QLatin1Char(' '));
}

ColumnProfile flags(int size, int date, int version, int info)
{
    return {1, 1, 1, std::int16_t(size), std::int16_t(date), std::int16_t(version), std::int16_t(info), 0};
}

// "base|ext|folder" (folder defaults to /srv/dati/).
void addRows(MemoryRows& rows, const QStringList& entries)
{
    for (const QString& entry : entries) {
        const QStringList p = entry.split(QLatin1Char('|'));
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

// The lines as the file holds them: UTF-8, each ended by CR LF.
QByteArray crlfLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + "\r\n";
    return out;
}

} // namespace

class TestExportWriter : public QObject
{
    Q_OBJECT

private:
    QDateTime m_now{QDate(2004, 5, 12), QTime(14, 30, 59)};
    SystemData m_system{QStringLiteral("2"), QStringLiteral("Debian GNU/Linux"), QString(),
                        QStringLiteral("6.1.0")};
    MemoryFacts m_facts{false}; // what it does not know cannot be read

    AppState state(int scope, const ColumnProfile& opts, InfoKind kind = InfoKind::CompanyName) const
    {
        AppState s;
        s.CartellaRicerca = kData;
        s.TipoRicerca = Scope(scope);
        s.OptS = opts;
        s.infoKind = kind;
        return s;
    }

    QByteArray run(ExportKind kind, const AppState& s, MemoryRows rows,
                   NameLayout layout = NameLayout::Single, const FactSource* facts = nullptr,
                   ExportOutcome* stats = nullptr)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        rows.factSource = facts ? facts : &m_facts;
        const ExportRequest request{rows, s, m_system, m_now, ExportChoice{kind, layout}};
        const ExportOutcome outcome = writeExport(request, ExportTarget::stream(buffer));
        if (stats)
            *stats = outcome;
        if (!outcome.ok)
            qWarning() << outcome.error;
        return outcome.ok ? buffer.data() : QByteArray("FAILED");
    }

private Q_SLOTS:
    void initTestCase()
    {
        const auto fake = [this](const QString& path, std::int64_t size, std::int64_t mtime,
                                 const VersionData& v) {
            m_facts.fake(QFile::encodeName(path), size, mtime, v);
        };
        VersionData none; // readable, without a version resource
        none.readable = true;
        fake(kData + QStringLiteral("setup.exe"), 1234567, kMay12,
             {true, true, QStringLiteral("1.2.3.4"), QStringLiteral("Acme S.p.A."),
              QStringLiteral("Programma di installazione"), QStringLiteral("Acme Setup")});
        fake(kData + QStringLiteral("README"), 0, kJan2, none);
        fake(kData + QStringLiteral("Documentazione_del_progetto.backup"), 1234567890, kMay12, none);
        fake(kData + QStringLiteral("driver.sys"), 2048, kMay12,
             {true, true, QStringLiteral("65535.65535.65535.65535"), QStringLiteral("Driver Co."), {}, {}});
        fake(kData + QStringLiteral("lungo.dll"), 10, kMay12,
             {true,
              true,
              QStringLiteral("2.0.0.0"),
              QStringLiteral("*** error ***"),
              QStringLiteral("Libreria condivisa per la gestione dei documenti archiviati"),
              {}});
        fake(kLong + QStringLiteral("nota.txt"), 5, kMay12, none);
        fake(kData + kAccented + QStringLiteral(".ñé"), 1234567, kMay12, none);
        fake(kData + kSmile.repeated(18), 7, kMay12, none);
        // A file of the same name in the open folder must not stand in for one listed elsewhere.
        fake(kData + QStringLiteral("sparito.txt"), 7, kMay12, none);
    }

    // Six lines; the date's closing parenthesis stands under the last dash.
    void textHeader_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("folders");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QStringList>("expected");
        const QString dash(111, QChar(0x2014));
        const QString heads = "Nome File         Ext  Dimensione Data Ult. Modif.        Versione ";
        QTest::newRow("selected folder, company, no files")
            << 0 << kData << 1 << 0 << 1 << 0
            << QStringList{"Debian GNU/Linux - Ver. 6.1.0",
                           "Esporta: /srv/dati/*.exe",
                           "Totale File 0 (Ordinamento Nome File A-Z - Cartelle Controllate 1)" + S(33) +
                               "(12/05/2004)",
                           dash,
                           heads + "Produttore           ",
                           dash};
        QTest::newRow("subfolders, 123 rows, long bracket, line break in the folder")
            << 1 << "/srv/a\nb/" << 2 << 2 << 12345 << 123
            << QStringList{"Debian GNU/Linux - Ver. 6.1.0",
                           "Esporta (con Sottocartelle): /srv/a?b/*.exe",
                           "Totale File 123 (Ordinamento Estensione - Cartelle Controllate 12345)" + S(30) +
                               "(12/05/2004)",
                           dash,
                           heads + "Cartella",
                           dash};
    }
    void textHeader()
    {
        QFETCH(int, scope);
        QFETCH(QString, folder);
        QFETCH(int, kind);
        QFETCH(int, order);
        QFETCH(int, folders);
        QFETCH(int, rowCount);
        QFETCH(QStringList, expected);
        AppState s = state(scope, flags(0, 0, 0, 0), InfoKind(kind));
        s.CartellaRicerca = folder;
        s.PatternFile = QStringLiteral("*.exe");
        s.OrdineGriglia = Order(order);
        s.listed.folders = std::uint64_t(folders);
        MemoryRows rows;
        for (int i = 0; i < rowCount; ++i)
            rows.add(QStringLiteral("f%1").arg(i), QStringLiteral("exe"), kData);
        const QByteArray bytes = run(ExportKind::Text, s, rows);
        QVERIFY(bytes.startsWith(crlfLines(localized(expected))));
        QCOMPARE(splitLines(bytes).size(), 6 + rowCount);
    }

    // Each case written both ways: the text report's lines after its header, and the
    // tab-separated file (one name field, or two when "separate").
    void rows_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<ColumnProfile>("opts");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("separate");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("unreadable");
        QTest::addColumn<QStringList>("text");
        QTest::addColumn<QStringList>("tabbed");
        const QString date = "12/05/2004-14:30";
        const QString readme = "README" + S(26) + "0 02/01/2023-03:04" + S(17);
        QTest::newRow("no files, no bytes")
            << 0 << flags(1, 1, 1, 1) << 1 << false << QStringList{} << 0 << QStringList{} << QStringList{};
        QTest::newRow("name and extension only; one field always with the dot")
            << 0 << flags(0, 0, 0, 0) << 1 << false << QStringList{"setup|exe", "README|"} << 0
            << QStringList{"setup             exe", "README" + S(12)} << QStringList{"setup.exe", "README."};
        QTest::newRow("size ends in column 33")
            << 0 << flags(1, 0, 0, 0) << 1 << false << QStringList{"setup|exe", "README|"} << 0
            << QStringList{"setup             exe   1,234,567", "README" + S(26) + "0"}
            << QStringList{"setup.exe\t1,234,567", "README.\t0"};
        QTest::newRow("every field; no version leaves its columns blank")
            << 0 << flags(1, 1, 1, 1) << 1 << true << QStringList{"setup|exe", "README|"} << 0
            << QStringList{"setup             exe   1,234,567 " + date + "         1.2.3.4 Acme S.p.A.",
                           readme}
            << QStringList{"setup\texe\t1,234,567\t12/05/2004-14:30\t1.2.3.4\tAcme S.p.A.",
                           "README\t\t0\t02/01/2023-03:04\t\t"};
        QTest::newRow("name cut to 17, six-letter extension, 13-character size")
            << 0 << flags(1, 1, 0, 0) << 1 << false << QStringList{"Documentazione_del_progetto|backup"} << 0
            << QStringList{"Documentazione_de backup", S(20) + "1,234,567,890 " + date}
            << QStringList{"Documentazione_de.backup\t1,234,567,890\t12/05/2004-14:30"};
        QTest::newRow("long version goes to the next line")
            << 0 << flags(0, 1, 1, 1) << 1 << false << QStringList{"driver|sys"} << 0
            << QStringList{"driver            sys" + S(13) + date,
                           S(43) + "65535.65535.65535.65535 Driver Co."}
            << QStringList{"driver.sys\t12/05/2004-14:30\t65535.65535.65535.65535\tDriver Co."};
        QTest::newRow("info of the chosen kind, cut to 44")
            << 0 << flags(0, 0, 0, 1) << 2 << false << QStringList{"lungo|dll", "setup|exe"} << 0
            << QStringList{"lungo             dll" + S(46) + "Libreria condivisa per la gestione dei docum",
                           "setup             exe" + S(46) + "Programma di installazione"}
            << QStringList{"lungo.dll\tLibreria condivisa per la gestione dei docum",
                           "setup.exe\tProgramma di installazione"};
        QTest::newRow("company error text kept")
            << 0 << flags(0, 0, 0, 1) << 1 << false << QStringList{"lungo|dll"} << 0
            << QStringList{"lungo             dll" + S(46) + "*** error ***"}
            << QStringList{"lungo.dll\t*** error ***"};
        QTest::newRow("subfolders: folder last, cut to 44, info ignored")
            << 1 << flags(0, 0, 1, 1) << 3 << false << QStringList{"nota|txt|" + kLong, "setup|exe"} << 0
            << QStringList{"nota              txt" + S(46) + "/srv/dati/Una cartella dal nome davvero molt",
                           "setup             exe" + S(38) + "1.2.3.4 /srv/dati/"}
            << QStringList{"nota.txt\t\t/srv/dati/Una cartella dal nome davvero molt",
                           "setup.exe\t1.2.3.4\t/srv/dati/"};
        // Each row is read where the scan found it, not in the folder open now.
        QTest::newRow("vanished file: the table's cells, blank fields")
            << 0 << flags(1, 1, 1, 1) << 1 << false << QStringList{"sparito|txt|/srv/elencata/", "README|"}
            << 1 << QStringList{"sparito           txt" + S(46), readme}
            << QStringList{"sparito.txt\t\t\t\t", "README.\t0\t02/01/2023-03:04\t\t"};
        QTest::newRow("control characters: one file, one line")
            << 1 << flags(0, 0, 0, 0) << 1 << true << QStringList{"riga\tuno\ndue|t\rx|/srv/a\nb/"} << 0
            << QStringList{"riga?uno?due      t?x" + S(46) + "/srv/a?b/"}
            << QStringList{"riga?uno?due\tt?x\t/srv/a?b/"};
        QTest::newRow("cut and aligned by characters, not bytes")
            << 0 << flags(1, 0, 0, 0) << 1 << false
            << QStringList{kAccented + "|ñé", kSmile.repeated(18) + "|"} << 0
            << QStringList{kAccented.left(17) + " ñé" + S(4) + "1,234,567", kSmile.repeated(17) + S(15) + "7"}
            << QStringList{kAccented.left(17) + ".ñé\t1,234,567", kSmile.repeated(17) + ".\t7"};
        // A spreadsheet would read a leading quote as a quoted text running across fields and
        // lines, and a leading = + - @ as a formula; the text report writes names as they are.
        QTest::newRow("leading quote quoted, others as they are")
            << 0 << flags(0, 0, 0, 0) << 1 << true << QStringList{"\"a\"b|txt", "c\"d|\"e", "chiusa\"|, e;"}
            << 0
            << QStringList{"\"a\"b              txt", "c\"d               \"e", "chiusa\"           , e;"}
            << QStringList{"\"\"\"a\"\"b\"\ttxt", "c\"d\t\"\"\"e\"", "chiusa\"\t, e;"};
        QTest::newRow("formula starts marked as text")
            << 0 << flags(0, 0, 0, 0) << 1 << true
            << QStringList{"=SOMMA(1;2)|txt", "+39 numeri|@x", "-rf|", "a=b|c-d"} << 0
            << QStringList{"=SOMMA(1;2)       txt", "+39 numeri        @x", "-rf" + S(15),
                           "a=b               c-d"}
            << QStringList{"'=SOMMA(1;2)\ttxt", "'+39 numeri\t'@x", "'-rf\t", "a=b\tc-d"};
        QTest::newRow("formula start in the one-field layout")
            << 0 << flags(0, 0, 0, 0) << 1 << false << QStringList{"@home|txt", "\"q|txt"} << 0
            << QStringList{"@home             txt", "\"q                txt"}
            << QStringList{"'@home.txt", "\"\"\"q.txt\""};
    }
    void rows()
    {
        QFETCH(int, scope);
        QFETCH(ColumnProfile, opts);
        QFETCH(int, kind);
        QFETCH(bool, separate);
        QFETCH(QStringList, rows);
        QFETCH(int, unreadable);
        QFETCH(QStringList, text);
        QFETCH(QStringList, tabbed);
        text = localized(text);
        tabbed = localized(tabbed);
        MemoryRows source;
        addRows(source, rows);
        const AppState s = state(scope, opts, InfoKind(kind));
        ExportOutcome stats;
        const QByteArray report = run(ExportKind::Text, s, source, NameLayout::Single, nullptr, &stats);
        QCOMPARE(splitLines(report).mid(6), text);
        QVERIFY(report.endsWith(crlfLines(text)));
        QCOMPARE(stats.rows, rows.size());
        QCOMPARE(stats.unreadableRows, qsizetype(unreadable));
        const QByteArray file = run(ExportKind::Tabbed, s, source,
                                    separate ? NameLayout::Separate : NameLayout::Single, nullptr, &stats);
        QCOMPARE(splitLines(file), tabbed);
        QCOMPARE(file, crlfLines(tabbed));
        QCOMPARE(stats.unreadableRows, qsizetype(unreadable));
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

    // A full disk stops the export at the first refused write and names the cause.
    void writeFailureStops()
    {
        MemoryRows rows = MemoryRows::numbered(20000, kData);
        rows.factSource = &m_facts;
        const AppState s = state(1, flags(0, 0, 0, 0));
        for (const ExportKind kind : {ExportKind::Text, ExportKind::Tabbed}) {
            QFile full(QStringLiteral("/dev/full"));
            QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const ExportOutcome stats = writeExport(
                ExportRequest{rows, s, m_system, m_now, ExportChoice{kind}}, ExportTarget::stream(full));
            QVERIFY(!stats.ok);
            QCOMPARE(stats.error, QStringLiteral("spazio esaurito sul disco"));
            QVERIFY(stats.rows < 20000);
        }
    }
};

QTEST_GUILESS_MAIN(TestExportWriter)
#include "tst_ExportWriter.moc"
