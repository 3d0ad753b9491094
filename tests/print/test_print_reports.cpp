// The two reports on a recording surface: what lands on which page, in which column.

#include "../common/LocaleText.h"
#include "../common/MemoryRows.h"
#include "compare/ComparisonRows.h"
#include "print/PrintReport.h"
#include "RecordingSurface.h"

#include <QtTest>

using namespace vellora;
using namespace vellora::test;

namespace {

const QString kSystem = QStringLiteral("Debian GNU/Linux - 12 (bookworm) - Ver. 6.1.0");
const QDate kToday(2024, 5, 17);
const QString kDash(1, QChar(0x2014));
const QString kFolder = QStringLiteral("/srv/archivio-documenti/progetti-chiusi/anno-2023/relazioni-finali/");
const QString kFolder44 = QStringLiteral("/srv/archivio-documenti/progetti-chiusi/anno");
const QString kFolder56 = QStringLiteral("/srv/archivio-documenti/progetti-chiusi/anno-2023/relazi");
constexpr std::int64_t kMar4 = 1677902760; // 04/03/2023 05:06 in Rome
constexpr std::int64_t kJan2 = 1641089040; // 02/01/2022 03:04 in Rome

QString S(int n)
{
    return QString(n, QLatin1Char(' '));
}

// A paper line from its fields, after `s`: {c, text} starts the text on column c (1 = left
// edge), {-c, text} ends it there.
QString line(std::initializer_list<std::pair<int, QString>> fields, QString s = {})
{
    for (const auto& [col, text] : fields)
        s += QString((col > 0 ? col : -col - text.size() + 1) - 1 - s.size(), QLatin1Char(' ')) + text;
    return s;
}

AppState makeState(const QString& folder, int scope, ColumnProfile flags)
{
    AppState st;
    st.CartellaRicerca = folder;
    st.TipoRicerca = Scope(scope);
    st.OptS = flags;
    return st;
}

} // namespace

class TestPrintReports : public QObject
{
    Q_OBJECT

private:
    ReportOutcome run(bool landscape, RecordingSurface& rec, MemoryRows rows, const AppState& st,
                      std::function<void(int)> progress = {})
    {
        rows.factSource = &m_facts;
        ReportOptions opt;
        opt.waitMs = 0;
        opt.today = kToday;
        opt.progress = std::move(progress);
        const ReportInput in{rows, st, kSystem};
        return landscape ? StampaOrizzontale(rec, in, opt).run() : StampaVerticale(rec, in, opt).run();
    }

    MemoryFacts m_facts{false}; // what it does not know cannot be read

private Q_SLOTS:
    void initTestCase()
    {
        VersionData tool; // a company name longer than any info column
        tool.readable = true;
        tool.fileVersion = QStringLiteral("1.2.3.4");
        tool.companyName = QStringLiteral("Acme Corporation Worldwide Software Division Ltd");
        m_facts.fake(QFile::encodeName(kFolder + QStringLiteral("tool.exe")), 1234567, kMar4, tool);
        m_facts.fakeStat(QFile::encodeName(kFolder + QStringLiteral("abcdefghijklmnopqrst.extension-of-16!")),
                         2048, kJan2);
    }

    void linesPerPage_data()
    {
        QTest::addColumn<double>("lineMm");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("expected");
        QTest::newRow("3.2 mm, portrait") << 3.2 << 245 << 77;
        QTest::newRow("3.2 mm, landscape, exact") << 3.2 << 160 << 50;
        QTest::newRow("2.5 mm divides 245") << 2.5 << 245 << 98;
        QTest::newRow("line taller than the page") << 300.0 << 245 << 1;
    }

    void linesPerPage()
    {
        QFETCH(double, lineMm);
        QFETCH(int, height);
        QFETCH(int, expected);
        RecordingSurface rec(lineMm);
        rec.setScaleMode(PrinterSurface::ScaleMode::Points);
        QCOMPARE(ContaRighePagina(rec, std::int16_t(height)), std::int16_t(expected));
        // Measuring leaves no mark: no job, cursor at the top, the caller's unit restored.
        QVERIFY(!rec.jobOpen());
        QVERIFY(rec.documents.empty());
        QCOMPARE(rec.currentY(), 0.0);
        QCOMPARE(rec.scaleMode(), PrinterSurface::ScaleMode::Points);
    }

    void paging_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("wrapEvery"); // every k-th row's extension pushes the folder a line down
        QTest::addColumn<QList<int>>("rowsPerPage");
        // 3.2 mm lines: 77 lines per portrait page (76 body lines), 50 per landscape page (49).
        QTest::newRow("portrait 100") << false << 100 << 0 << QList<int>{76, 24};
        QTest::newRow("portrait 76, page exactly full") << false << 76 << 0 << QList<int>{76};
        QTest::newRow("portrait 77") << false << 77 << 0 << QList<int>{76, 1};
        QTest::newRow("portrait 1") << false << 1 << 0 << QList<int>{1};
        // A list emptied by deletions still prints one page, with its header.
        QTest::newRow("portrait, empty list") << false << 0 << 0 << QList<int>{0};
        QTest::newRow("landscape 100") << true << 100 << 0 << QList<int>{49, 49, 2};
        QTest::newRow("landscape 98, page exactly full") << true << 98 << 0 << QList<int>{49, 49};
        // Rows that take two paper lines count two: pages never overflow, numbers never skip.
        QTest::newRow("portrait, 3 of 63 rows wrap") << false << 63 << 21 << QList<int>{63};
        QTest::newRow("portrait, every row wraps") << false << 90 << 1 << QList<int>{38, 38, 14};
        QTest::newRow("portrait, a wrapping row does not fit") << false << 76 << 76 << QList<int>{75, 1};
        QTest::newRow("landscape, every row wraps") << true << 49 << 1 << QList<int>{24, 24, 1};
    }

    void paging()
    {
        QFETCH(bool, landscape);
        QFETCH(int, n);
        QFETCH(int, wrapEvery);
        QFETCH(QList<int>, rowsPerPage);
        const QString folder = QStringLiteral("/srv/sub/");
        const QString longExt(100, QLatin1Char('e'));
        MemoryRows rows;
        for (int i = 1; i <= n; ++i)
            rows.add(QStringLiteral("row%1").arg(i, 5, 10, QLatin1Char('0')),
                     wrapEvery > 0 && i % wrapEvery == 0 ? longExt : QStringLiteral("txt"), folder);
        const AppState st = makeState(QStringLiteral("/srv/"), 1, {1, 1, 1, 0, 0, 0, 0, 0});
        RecordingSurface rec(3.2);
        const ReportOutcome out = run(landscape, rec, rows, st);

        QCOMPARE(rec.documents.size(), size_t(1));
        const auto& pages = rec.documents.front().pages;
        QCOMPARE(int(pages.size()), int(rowsPerPage.size()));
        QCOMPARE(out.pages, int(pages.size()));
        const int linesPerPage = landscape ? 50 : 77;
        const int headerLines = landscape ? 8 : 9; // blank lines (2, or 3 portrait with subfolders) + 6
        const QString separator = QStringLiteral("   ") + kDash.repeated(landscape ? 162 : 111);
        const int footerColumn = landscape ? 78 : 54;
        const int folderColumn = landscape ? 110 : 71;
        int row = 1;
        for (int p = 0; p < int(pages.size()); ++p) {
            const QStringList& lines = pages[size_t(p)].lines;
            QCOMPARE(pages[size_t(p)].number, p + 1);
            QCOMPARE(pages[size_t(p)].orientation, landscape ? PrinterSurface::Orientation::Landscape
                                                             : PrinterSurface::Orientation::Portrait);
            // Every page is as tall as a full one: header, L - 1 lines, separator, footer.
            QCOMPARE(lines.size(), headerLines + linesPerPage - 1 + 2);
            QVERIFY(lines[headerLines - 1].startsWith(QStringLiteral("   ") + kDash));
            int at = headerLines;
            for (int k = 0; k < rowsPerPage[p]; ++k, ++row) {
                QCOMPARE(lines[at].mid(3, 8), QStringLiteral("row%1").arg(row, 5, 10, QLatin1Char('0')));
                if (wrapEvery > 0 && row % wrapEvery == 0)
                    ++at; // the folder stands on the row's second line, on the same page
                QCOMPARE(lines[at].mid(folderColumn - 1, folder.size()), folder);
                ++at;
            }
            for (; at < headerLines + linesPerPage - 1; ++at)
                QCOMPARE(lines[at], QStringLiteral(" "));
            QCOMPARE(lines[lines.size() - 2], separator);
            QCOMPARE(lines.last(),
                     QString(footerColumn - 1, QLatin1Char(' ')) + QStringLiteral("Pag. %1").arg(p + 1));
        }
        QCOMPARE(row, n + 1);
        QCOMPARE(out.rows, qsizetype(n));
    }

    void header_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("scope");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("blanks");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("total"); // the date closes the line under the last dash
        QTest::addColumn<QString>("heading");
        const QString start = "   Nome File         Ext  Dimensione Data Ult. Modif.";
        const QString total = "   Totale File 123 (Ordinamento Nome File A-Z - Cartelle Controllate 12)";
        const QString date = "(17/05/2024)";
        QTest::newRow("portrait, selected folder")
            << false << 0 << 0 << 2 << "   Stampa di " << total + S(30) + date
            << start + "        Versione Produttore           ";
        QTest::newRow("portrait, subfolders, no order")
            << false << 1 << -1 << 3 << "   Stampa (con Sottocartelle) di "
            << "   Totale File 123 ( - Cartelle Controllate 12)" + S(55) + date
            << start + "        Versione Cartella";
        QTest::newRow("landscape") << true << 1 << 0 << 2 << "   Stampa (con Sottocartelle) di "
                                   << total + S(81) + date
                                   << QStringLiteral("   Nome File         Ext  Dimensione Data Ult. Mod."
                                                     "        Versione Produttore           ") +
                                          S(20) + "Cartella";
    }

    // The heading names every column whatever the flags.
    void header()
    {
        QFETCH(bool, landscape);
        QFETCH(int, scope);
        QFETCH(int, order);
        QFETCH(int, blanks);
        QFETCH(QString, title);
        QFETCH(QString, total);
        QFETCH(QString, heading);
        const MemoryRows rows = MemoryRows::numbered(123, kFolder);
        // The title names the folder that was listed, not the one selected since.
        AppState st = makeState(QStringLiteral("/altrove/"), scope, {0, 0, 0, 0, 0, 0, 0, 0});
        st.listed.listedText = QStringLiteral("/srv/da\tti/*.*");
        st.OrdineGriglia = Order(order);
        st.listed.folders = 12;
        RecordingSurface rec(3.2);
        (void)run(landscape, rec, rows, st);
        const QStringList& lines = rec.documents.at(0).pages.at(0).lines;
        const QString dashes = QStringLiteral("   ") + kDash.repeated(landscape ? 162 : 111);
        QCOMPARE(total.size(), dashes.size());
        const QStringList expected{QStringLiteral("   ") + kSystem,
                                   title + QStringLiteral("/srv/da?ti/*.*"),
                                   total,
                                   dashes,
                                   heading,
                                   dashes};
        QCOMPARE(lines.mid(0, blanks + 6), QStringList(blanks, QString()) + localized(expected));
        // A folder too long for the line is cut where the separator ends.
        st.listed.listedText = QStringLiteral("/x").repeated(200);
        RecordingSurface longTitle(3.2);
        (void)run(landscape, longTitle, rows, st);
        const QString cut = longTitle.documents.at(0).pages.at(0).lines.at(blanks + 1);
        QCOMPARE(cut, (title + QStringLiteral("/x").repeated(100)).left(dashes.size()));
        // Font and paper are set before any output.
        QCOMPARE(rec.fonts.size(), size_t(1));
        QCOMPARE(rec.fonts[0].face, QStringLiteral("Courier New"));
        QCOMPARE(rec.fonts[0].points, 8.0);
        QCOMPARE(rec.documents[0].pages[0].paperSize, PrinterSurface::PaperA4);
    }

    void fields_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("scope");
        QTest::addColumn<ColumnProfile>("flags");
        QTest::addColumn<QStringList>("rows"); // "name|ext" in kFolder, or "name|ext|folder"
        QTest::addColumn<int>("unreadable");
        QTest::addColumn<QStringList>("expected"); // the rows' paper lines, trailing blanks left out
        const ColumnProfile all{1, 1, 1, 1, 1, 1, 1, 0};
        const ColumnProfile none{0, 0, 0, 0, 0, 0, 0, 0};
        const QString company = "Acme Corporation Worldwide Software Division";
        // Size ends on 36, date from 38, version ends on 69 (portrait) or 67 (landscape).
        const QString tool = line({{4, "tool"}, {22, "exe"}, {-36, "1,234,567"}, {38, "04/03/2023-05:06"}});
        const QString portrait = line({{-69, "1.2.3.4"}, {71, company}}, tool);
        const QString portraitSub = line({{-69, "1.2.3.4"}, {71, kFolder44}}, tool);
        const QString landscape =
            line({{-67, "1.2.3.4"}, {69, "Acme Corporation Worldwide Software Divi"}, {110, kFolder56}},
                 line({{4, "tool"}, {22, "exe"}, {-36, "1,234,567"}, {38, "04/03/23-05:06"}}));
        QTest::newRow("portrait, selected folder: info from 71, cut to 44")
            << false << 0 << all << QStringList{"tool|exe"} << 0 << QStringList{portrait};
        QTest::newRow("portrait, subfolders: folder from 71, cut to 44")
            << false << 1 << all << QStringList{"tool|exe"} << 0 << QStringList{portraitSub};
        // The longest line ends under the separator's last dash (column 165).
        QTest::newRow("landscape: short date, info cut to 40, folder from 110 cut to 56")
            << true << 1 << all << QStringList{"tool|exe"} << 0 << QStringList{landscape};
        // The size's tab stop (28) is passed: size and date move to the next paper line.
        QTest::newRow("name cut to 17, long extension pushes the fields down")
            << false << 0 << ColumnProfile{1, 1, 1, 1, 1, 0, 0, 0}
            << QStringList{"abcdefghijklmnopqrst|extension-of-16!", "tool|exe"} << 0
            << QStringList{"   abcdefghijklmnopq extension-of-16!",
                           line({{-36, "2,048"}, {38, "02/01/2022-03:04"}}), tool};
        QTest::newRow("portrait, selected folder, flags off")
            << false << 0 << none << QStringList{"a|txt"} << 0 << QStringList{"   a                 txt"};
        QTest::newRow("portrait, subfolders, flags off")
            << false << 1 << none << QStringList{"a|txt"} << 0
            << QStringList{line({{4, "a"}, {22, "txt"}, {71, kFolder44}})};
        QTest::newRow("landscape, flags off") << true << 1 << none << QStringList{"a|txt"} << 0
                                              << QStringList{line({{4, "a"}, {22, "txt"}, {110, kFolder56}})};
        // What the table still knows is printed; the rest stays blank, and the next file is read.
        QTest::newRow("portrait, vanished file")
            << false << 1 << all << QStringList{"vanished|dll", "tool|exe"} << 1
            << QStringList{line({{4, "vanished"}, {22, "dll"}, {71, kFolder44}}), portraitSub};
        QTest::newRow("landscape, vanished file")
            << true << 1 << all << QStringList{"vanished|dll", "tool|exe"} << 1
            << QStringList{line({{4, "vanished"}, {22, "dll"}, {110, kFolder56}}), landscape};
        QTest::newRow("control characters: one file, one line")
            << false << 1 << ColumnProfile{1, 1, 1, 1, 1, 0, 0, 0}
            << QStringList{"a\tb\r\nc|t\nx|/no/such\rdir/"} << 1
            << QStringList{line({{4, "a?b??c"}, {22, "t?x"}, {71, "/no/such?dir/"}})};
        // Two columns each on paper: cut and placed by that width, no field over another. The
        // folder from column 71, cut to 44 columns: "/d/" and 20 wide characters.
        QTest::newRow("wide characters")
            << false << 1 << ColumnProfile{1, 1, 1, 1, 1, 0, 0, 0}
            << QStringList{QStringLiteral(
                               "\u65E5\u672C\u8A9E\u306E\u30D5\u30A1\u30A4\u30EB\u540D\u524D|txt|/d/") +
                           QString(30, QChar(0x6587)) + QLatin1Char('/')}
            << 1
            << QStringList{"   \u65E5\u672C\u8A9E\u306E\u30D5\u30A1\u30A4\u30EB  txt" +
                           QString(46, QLatin1Char(' ')) + "/d/" + QString(20, QChar(0x6587))};
    }

    void fields()
    {
        QFETCH(bool, landscape);
        QFETCH(int, scope);
        QFETCH(ColumnProfile, flags);
        QFETCH(QStringList, rows);
        QFETCH(int, unreadable);
        QFETCH(QStringList, expected);
        MemoryRows source;
        for (const QString& entry : rows) {
            const QStringList p = entry.split(QLatin1Char('|'));
            source.add(p[0], p[1], p.value(2, kFolder));
        }
        RecordingSurface rec(3.2);
        const ReportOutcome out = run(landscape, rec, source, makeState(kFolder, scope, flags));
        QCOMPARE(out.unreadableRows, qsizetype(unreadable));
        const QStringList& lines = rec.documents.at(0).pages.at(0).lines;
        const int first = (!landscape && scope == 1) ? 9 : 8;
        QStringList printed; // and the blank line after them
        for (qsizetype k = first; k <= first + expected.size(); ++k) {
            QString l = lines.at(k);
            while (l.endsWith(QLatin1Char(' ')))
                l.chop(1);
            printed << l;
        }
        QCOMPARE(printed, localized(expected) + QStringList{QString()});
    }

    // A comparison prints its state in place of the number: the other fields keep their
    // places after it, the last gives up the state's columns; the header names both sides and
    // the counts per state.
    void comparison()
    {
        auto sides = std::make_shared<ComparedSides>();
        const VersionStrings version{"1.2.3.4", "Acme", "", ""};
        sides->before.add("bin/tool.exe", 1000, kJan2, version);
        sides->after.add("bin/tool.exe", 1234567, kMar4, version);
        sides->after.add("nuovo.txt", 5, kJan2);
        sides->before.versions = sides->after.versions = true;
        sides->before.source = QStringLiteral("prima.jsonl");
        sides->after.source = QStringLiteral("/srv/x/");
        sides->after.root = "/srv/x/";
        sides->outcome = compareListings(sides->before, sides->after);
        const ComparisonRows rows(sides);
        const AppState st = makeState(QStringLiteral("/altrove/"), 1, {1, 1, 1, 1, 1, 1, 0, 0});
        RecordingSurface rec(3.2);
        const ReportInput in{rows, st, kSystem};
        ReportOptions opt;
        opt.waitMs = 0;
        opt.today = kToday;
        (void)StampaVerticale(rec, in, opt).run();
        const QStringList& lines = rec.documents.at(0).pages.at(0).lines;
        QCOMPARE(lines.at(4), QStringLiteral("   Confronto di prima.jsonl con /srv/x/"));
        QVERIFY2(lines.at(5).startsWith(
                     "   Totale File 2 (1 aggiunto, 0 rimossi, 0 spostati, 1 modificato, 0 invariati)"),
                 qPrintable(lines.at(5)));
        QVERIFY2(lines.at(7).startsWith("   Stato      Nome File         Ext"), qPrintable(lines.at(7)));
        QCOMPARE(lines.at(9).trimmed(), localized(line({{4, "modificato"},
                                                        {15, "tool"},
                                                        {33, "exe"},
                                                        {-47, "1,234,567"},
                                                        {49, "04/03/2023-05:06"},
                                                        {-80, "1.2.3.4"},
                                                        {82, "/srv/x/bin/"}}))
                                            .trimmed());
        QVERIFY2(lines.at(10).startsWith("   aggiunto   nuovo             txt"), qPrintable(lines.at(10)));
    }

    void progress()
    {
        const MemoryRows rows = MemoryRows::numbered(1000, kFolder);
        const AppState st = makeState(kFolder, 0, {1, 1, 1, 0, 0, 0, 0, 0});
        RecordingSurface rec(3.2);
        QList<int> seen;
        (void)run(false, rec, rows, st, [&](int p) { seen << p; });
        QVERIFY(seen.size() <= 101);
        QCOMPARE(seen.last(), 100);
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QCOMPARE(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    }

    void progressRounding_data()
    {
        QTest::addColumn<int>("i");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("percent");
        QTest::newRow("12.5 to even") << 1 << 8 << 12;
        QTest::newRow("37.5 to even") << 3 << 8 << 38;
        QTest::newRow("two thirds") << 2 << 3 << 67;
        QTest::newRow("all") << 7 << 7 << 100;
        QTest::newRow("large, no overflow") << 2000000000 << 2000000000 << 100;
    }

    void progressRounding()
    {
        QFETCH(int, i);
        QFETCH(int, n);
        QFETCH(int, percent);
        QCOMPARE(progressPercent(i, n), percent);
    }

    void failedJobIsReported()
    {
        const MemoryRows rows = MemoryRows::numbered(3, kFolder);
        const AppState st = makeState(kFolder, 0, kDefaultOptS);
        RecordingSurface rec(3.2);
        rec.nextResult = {false, {}, QStringLiteral("Impossibile scrivere il file x: disco pieno")};
        const ReportOutcome out = run(false, rec, rows, st);
        QVERIFY(!out.job.ok);
        QCOMPARE(out.job.error, rec.nextResult.error);
    }
};

QTEST_GUILESS_MAIN(TestPrintReports)
#include "test_print_reports.moc"
