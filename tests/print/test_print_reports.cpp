// The two reports on a recording surface: what lands on which page, in which column.

#include "../common/MemoryRows.h"
#include "fileinfo/VersionReader.h"
#include "PeBuilder.h"
#include "print/PrintReport.h"
#include "print/RecordingSurface.h"
#include "print/TextColumns.h"
#include "results/Formats.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

using namespace vellora;
using vellora::test::MemoryRows;

namespace {

const QString kSystem = QStringLiteral("Debian GNU/Linux - 12 (bookworm) - Ver. 6.1.0");
const QDate kToday(2024, 5, 17);
const QString kDash(1, QChar(0x2014));

// Text of `len` columns from column `col` (1 = left edge).
QString cols(const QString& line, int col, int len)
{
    return line.mid(col - 1, len);
}

QString lastNonBlank(const QString& line)
{
    QString s = line;
    while (s.endsWith(QLatin1Char(' ')))
        s.chop(1);
    return s;
}

AppState makeState(const QString& folder, int scope, ColumnProfile flags)
{
    AppState st;
    st.CartellaRicerca = folder;
    st.PatternFile = QStringLiteral("*.*");
    st.TipoRicerca = scope;
    st.scanScope = scope;
    st.OptS = flags;
    st.OrdineGriglia = 0;
    st.totCartelle = 1;
    st.infoKind = InfoKind::CompanyName;
    return st;
}

qint64 localSecs(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi)).toSecsSinceEpoch();
}

void writeFile(const QString& path, const QByteArray& bytes, qint64 mtime)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
    QVERIFY(f.flush());
    QVERIFY(f.setFileTime(QDateTime::fromSecsSinceEpoch(mtime), QFileDevice::FileModificationTime));
}

ReportOutcome runReport(bool landscape, RecordingSurface& rec, const MemoryRows& rows, const AppState& st,
                        std::function<void(int)> progress = {})
{
    ReportOptions opt;
    opt.waitMs = 0;
    opt.today = kToday;
    opt.progress = std::move(progress);
    const ReportInput in{rows, st, kSystem};
    return landscape ? StampaOrizzontale(rec, in, opt).run() : StampaVerticale(rec, in, opt).run();
}

// folder/tool.exe, an executable whose company name is longer than any info column, added
// to rows; its version data as the reader gives it.
VersionData toolFile(const QString& folder, MemoryRows& rows)
{
    QDir().mkpath(folder);
    const QByteArray pe = vtest::peWithVersion(vtest::versionBlock(
        vtest::simpleContent(QStringLiteral("Acme Corporation Worldwide Software Division Ltd"),
                             QStringLiteral("d"), QStringLiteral("p"))));
    writeFile(folder + QStringLiteral("tool.exe"), pe, localSecs(2023, 3, 4, 5, 6));
    rows.add(QStringLiteral("tool"), QStringLiteral("exe"), folder);
    return readVersionData(QFile::encodeName(folder + QStringLiteral("tool.exe")));
}

} // namespace

class TestPrintReports : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesPerPage_data();
    void linesPerPage();
    void paging_data();
    void paging();
    void header_data();
    void header();
    void portraitFields();
    void landscapeFields();
    void nameCutAndExtensionPush();
    void flagsOff_data();
    void flagsOff();
    void vanishedFile();
    void controlCharacters();
    void wideCharacters();
    void progress();
    void progressRounding_data();
    void progressRounding();
    void failedJobIsReported();

private:
    QTemporaryDir m_dir;
};

void TestPrintReports::linesPerPage_data()
{
    QTest::addColumn<double>("lineMm");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expected");
    QTest::newRow("3.2 mm, portrait") << 3.2 << 245 << 77;
    QTest::newRow("3.2 mm, landscape, exact") << 3.2 << 160 << 50;
    QTest::newRow("2.5 mm divides 245") << 2.5 << 245 << 98;
    QTest::newRow("line taller than the page") << 300.0 << 245 << 1;
}

void TestPrintReports::linesPerPage()
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

void TestPrintReports::paging_data()
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

void TestPrintReports::paging()
{
    QFETCH(bool, landscape);
    QFETCH(int, n);
    QFETCH(int, wrapEvery);
    QFETCH(QList<int>, rowsPerPage);
    const QString folder = m_dir.path() + QStringLiteral("/sub/");
    const QString longExt(100, QLatin1Char('e'));
    MemoryRows rows;
    for (int i = 1; i <= n; ++i)
        rows.add(QStringLiteral("row%1").arg(i, 5, 10, QLatin1Char('0')),
                 wrapEvery > 0 && i % wrapEvery == 0 ? longExt : QStringLiteral("txt"), folder);
    const AppState st = makeState(m_dir.path() + QLatin1Char('/'), 1, {1, 1, 1, 0, 0, 0, 0, 0});
    RecordingSurface rec(3.2);
    const ReportOutcome out = runReport(landscape, rec, rows, st);

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
        QCOMPARE(pages[size_t(p)].orientation,
                 landscape ? PrinterSurface::Orientation::Landscape : PrinterSurface::Orientation::Portrait);
        // Every page is as tall as a full one: header, L - 1 lines, separator, footer.
        QCOMPARE(lines.size(), headerLines + linesPerPage - 1 + 2);
        QVERIFY(lines[headerLines - 1].startsWith(QStringLiteral("   ") + kDash));
        int at = headerLines;
        for (int k = 0; k < rowsPerPage[p]; ++k, ++row) {
            QCOMPARE(cols(lines[at], 4, 8), QStringLiteral("row%1").arg(row, 5, 10, QLatin1Char('0')));
            if (wrapEvery > 0 && row % wrapEvery == 0)
                ++at; // the folder stands on the row's second line, on the same page
            QCOMPARE(cols(lines[at], folderColumn, folder.size()), folder);
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

void TestPrintReports::header_data()
{
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("scope");
    QTest::addColumn<int>("order");
    QTest::addColumn<int>("blanks");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("spaces"); // between the count's bracket and the date
    QTest::addColumn<QString>("heading");
    const QString start = QStringLiteral("   Nome File         Ext  Dimensione Data Ult. Modif.");
    // "Ordinamento Nome File A-Z - Cartelle Controllate 12": 51 characters; without an order
    // the bracket is shorter and the date still closes the line.
    QTest::newRow("portrait, selected folder")
        << false << 0 << 0 << 2 << QStringLiteral("   Stampa di ") << 85 - 4 - 51
        << start + QStringLiteral("        Versione Produttore           ");
    QTest::newRow("portrait, subfolders, no order")
        << false << 1 << -1 << 3 << QStringLiteral("   Stampa (con Sottocartelle) di ") << 85 - 4 - 26
        << start + QStringLiteral("        Versione Cartella");
    QTest::newRow("landscape") << true << 1 << 0 << 2 << QStringLiteral("   Stampa (con Sottocartelle) di ")
                               << 136 - 4 - 51
                               << QStringLiteral("   Nome File         Ext  Dimensione Data Ult. Mod."
                                                 "        Versione Produttore           ") +
                                      QString(20, QLatin1Char(' ')) + QStringLiteral("Cartella");
}

void TestPrintReports::header()
{
    QFETCH(bool, landscape);
    QFETCH(int, scope);
    QFETCH(int, order);
    QFETCH(int, blanks);
    QFETCH(QString, title);
    QFETCH(int, spaces);
    QFETCH(QString, heading);
    const MemoryRows rows = MemoryRows::numbered(123, m_dir.path() + QLatin1Char('/'));
    // The title names the folder that was listed, not the one selected since.
    AppState st = makeState(QStringLiteral("/altrove/"), scope, {1, 1, 1, 1, 1, 1, 1, 0});
    st.listedFolderText = QStringLiteral("/srv/dati/*.*");
    st.OrdineGriglia = order;
    st.totCartelle = 12;
    RecordingSurface rec(3.2);
    (void)runReport(landscape, rec, rows, st);
    const QStringList& lines = rec.documents.at(0).pages.at(0).lines;
    for (int k = 0; k < blanks; ++k)
        QCOMPARE(lines[k], QString());
    QCOMPARE(lines[blanks], QStringLiteral("   ") + kSystem);
    QCOMPARE(lines[blanks + 1], title + QStringLiteral("/srv/dati/*.*"));
    QCOMPARE(lines[blanks + 2], QStringLiteral("   Totale File 123 (") + st.bracketText() +
                                    QStringLiteral(")") + QString(spaces, QLatin1Char(' ')) +
                                    QStringLiteral("(17/05/2024)"));
    QCOMPARE(lines[blanks + 2].size(), landscape ? 165 : 114);
    QCOMPARE(lines[blanks + 4], heading);
    QCOMPARE(lines[blanks + 3], lines[blanks + 5]);
    // A folder too long for the line is cut where the separator ends.
    st.listedFolderText = QStringLiteral("/x").repeated(200);
    RecordingSurface longTitle(3.2);
    (void)runReport(landscape, longTitle, rows, st);
    const QString cut = longTitle.documents.at(0).pages.at(0).lines.at(blanks + 1);
    QCOMPARE(cut.size(), lines[blanks + 3].size());
    QVERIFY(cut.startsWith(title + QStringLiteral("/x/x")));
    // Fonts, paper and orientation are set before any output.
    QCOMPARE(rec.fonts.size(), size_t(1));
    QCOMPARE(rec.fonts[0].face, QStringLiteral("Courier New"));
    QCOMPARE(rec.fonts[0].points, 8.0);
    QCOMPARE(rec.documents[0].pages[0].paperSize, PrinterSurface::PaperA4);
}

void TestPrintReports::portraitFields()
{
    const QString folder = m_dir.path() + QStringLiteral("/fields/");
    MemoryRows rows;
    const VersionData vd = toolFile(folder, rows);
    QVERIFY(!vd.fileVersion.isEmpty() && vd.companyName.size() > 44);
    const QString size = formatSize(QFileInfo(folder + QStringLiteral("tool.exe")).size());

    for (int scope : {0, 1}) {
        const AppState st = makeState(folder, scope, {1, 1, 1, 1, 1, 1, 1, 0});
        RecordingSurface rec(3.2);
        (void)runReport(false, rec, rows, st);
        const QString line = rec.documents.at(0).pages.at(0).lines.at(scope == 0 ? 8 : 9);
        QCOMPARE(cols(line, 1, 7), QStringLiteral("   tool"));
        QCOMPARE(cols(line, 22, 3), QStringLiteral("exe"));
        QCOMPARE(cols(line, 37 - size.size(), size.size() + 1), size + QLatin1Char(' ')); // ends on 36
        QCOMPARE(cols(line, 38, 16), QStringLiteral("04/03/2023-05:06"));
        QCOMPARE(cols(line, 70 - vd.fileVersion.size(), vd.fileVersion.size() + 1),
                 vd.fileVersion + QLatin1Char(' '));
        if (scope == 0)
            QCOMPARE(line.mid(70), vd.companyName.left(44)); // info from 71, cut to 44
        else
            QCOMPARE(line.mid(70), folder.left(44));
    }
}

void TestPrintReports::landscapeFields()
{
    const QString folder =
        m_dir.path() + QStringLiteral("/a-rather-long-folder-name-for-the-landscape-report/x/");
    QVERIFY(folder.size() > 56);
    MemoryRows rows;
    const VersionData vd = toolFile(folder, rows);
    const AppState st = makeState(folder, 1, {1, 1, 1, 1, 1, 1, 1, 0});
    RecordingSurface rec(3.2);
    (void)runReport(true, rec, rows, st);
    const auto& page = rec.documents.at(0).pages.at(0);
    const QString line = page.lines.at(8);
    QCOMPARE(cols(line, 38, 14), QStringLiteral("04/03/23-05:06"));
    QCOMPARE(cols(line, 68 - vd.fileVersion.size(), vd.fileVersion.size() + 1),
             vd.fileVersion + QLatin1Char(' '));
    QCOMPARE(cols(line, 69, 41), vd.companyName.left(40) + QLatin1Char(' '));
    QCOMPARE(line.mid(109), folder.left(56));
    // The longest line ends under the separator's last dash, as does header line 3.
    QCOMPARE(line.size(), 165);
    QCOMPARE(page.lines.at(5).size(), 165);
    QCOMPARE(page.lines.at(4).size(), 165);
    QCOMPARE(page.lines.last(), QString(77, QLatin1Char(' ')) + QStringLiteral("Pag. 1"));
}

void TestPrintReports::nameCutAndExtensionPush()
{
    const QString folder = m_dir.path() + QStringLiteral("/push/");
    QVERIFY(QDir().mkpath(folder));
    const QString longName = QStringLiteral("abcdefghijklmnopqrst");
    const QString longExt = QStringLiteral("extension-of-16!");
    writeFile(folder + longName + QLatin1Char('.') + longExt, QByteArray(1234567, 'x'),
              localSecs(2022, 1, 2, 3, 4));
    MemoryRows rows;
    rows.add(longName, longExt, folder);
    rows.add(QStringLiteral("next"), QStringLiteral("txt"), folder);
    const AppState st = makeState(folder, 0, {1, 1, 1, 1, 1, 0, 0, 0});
    RecordingSurface rec(3.2);
    (void)runReport(false, rec, rows, st);
    const QStringList& lines = rec.documents.at(0).pages.at(0).lines;
    // Name cut to 17, extension whole from 22 to 37: the size's tab stop (28) is passed,
    // so the size and the date move to the next paper line at their own columns.
    QCOMPARE(lines[8], QStringLiteral("   abcdefghijklmnopq ") + longExt);
    const QString size = formatSize(1234567);
    QCOMPARE(lines[9],
             QString(36 - size.size(), QLatin1Char(' ')) + size + QStringLiteral(" 02/01/2022-03:04"));
    QVERIFY(lines[10].startsWith(QStringLiteral("   next")));
}

void TestPrintReports::flagsOff_data()
{
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("scope");
    QTest::newRow("portrait, selected folder") << false << 0;
    QTest::newRow("portrait, subfolders") << false << 1;
    QTest::newRow("landscape") << true << 1;
}

void TestPrintReports::flagsOff()
{
    QFETCH(bool, landscape);
    QFETCH(int, scope);
    const QString folder = m_dir.path() + QStringLiteral("/off/");
    QVERIFY(QDir().mkpath(folder));
    writeFile(folder + QStringLiteral("a.txt"), "abc", localSecs(2022, 1, 2, 3, 4));
    MemoryRows rows;
    rows.add(QStringLiteral("a"), QStringLiteral("txt"), folder);
    AppState st = makeState(folder, scope, {0, 0, 0, 0, 0, 0, 0, 0});
    st.infoKind = InfoKind::FileDescription;
    RecordingSurface rec(3.2);
    (void)runReport(landscape, rec, rows, st);
    const QStringList& lines = rec.documents.at(0).pages.at(0).lines;
    const int first = (!landscape && scope == 1) ? 9 : 8;
    QString expected = QStringLiteral("   a                 txt");
    if (landscape)
        expected += QString(109 - expected.size(), QLatin1Char(' ')) + folder;
    else if (scope == 1)
        expected += QString(70 - expected.size(), QLatin1Char(' ')) + folder;
    QCOMPARE(lastNonBlank(lines[first]), expected);
    // The heading still names every column.
    const QString heading = lines[first - 2];
    QVERIFY(heading.contains(QStringLiteral("Dimensione Data Ult. Mod")));
    QVERIFY(heading.contains(QStringLiteral("Versione")));
    if (scope == 0)
        QVERIFY(heading.endsWith(QStringLiteral("Versione Descrizione File     ")));
}

void TestPrintReports::vanishedFile()
{
    const QString folder = m_dir.path() + QStringLiteral("/gone/");
    QVERIFY(QDir().mkpath(folder));
    writeFile(folder + QStringLiteral("here.txt"), "12345", localSecs(2021, 6, 7, 8, 9));
    MemoryRows rows;
    rows.add(QStringLiteral("vanished"), QStringLiteral("dll"), folder);
    rows.add(QStringLiteral("here"), QStringLiteral("txt"), folder);
    for (bool landscape : {false, true}) {
        const AppState st = makeState(folder, 1, {1, 1, 1, 1, 1, 1, 1, 0});
        RecordingSurface rec(3.2);
        const ReportOutcome out = runReport(landscape, rec, rows, st);
        QCOMPARE(out.unreadableRows, qsizetype(1));
        const QStringList& lines = rec.documents.at(0).pages.at(0).lines;
        const int first = landscape ? 8 : 9;
        // What the table still knows is printed; the rest stays blank.
        QCOMPARE(lines[first].left(25), QStringLiteral("   vanished          dll "));
        QCOMPARE(lines[first].mid(24, landscape ? 85 : 46).trimmed(), QString());
        QCOMPARE(lines[first].mid(landscape ? 109 : 70), folder.left(landscape ? 56 : 44));
        QVERIFY(lines[first + 1].contains(landscape ? QStringLiteral("07/06/21-08:09")
                                                    : QStringLiteral("07/06/2021-08:09")));
    }
}

void TestPrintReports::controlCharacters()
{
    MemoryRows rows;
    rows.add(QStringLiteral("a\tb\r\nc"), QStringLiteral("t\nx"), QStringLiteral("/no/such\rdir/"));
    AppState st = makeState(QStringLiteral("/no/such\ndir/"), 1, {1, 1, 1, 0, 0, 0, 0, 0});
    RecordingSurface rec(3.2);
    (void)runReport(false, rec, rows, st);
    const QStringList& lines = rec.documents.at(0).pages.at(0).lines;
    QCOMPARE(lines.size(), 9 + 76 + 2); // one file, one line
    QCOMPARE(lines[4], QStringLiteral("   Stampa (con Sottocartelle) di /no/such?dir/*.*"));
    QCOMPARE(lines[9].left(25), QStringLiteral("   a?b??c            t?x "));
    QVERIFY(lines[9].endsWith(QStringLiteral("/no/such?dir/")));
}

void TestPrintReports::wideCharacters()
{
    // Two columns each on paper: cut and placed by that width, no field over another.
    MemoryRows rows;
    rows.add(QStringLiteral("\u65E5\u672C\u8A9E\u306E\u30D5\u30A1\u30A4\u30EB\u540D\u524D"),
             QStringLiteral("txt"), QStringLiteral("/d/") + QString(30, QChar(0x6587)) + QLatin1Char('/'));
    const AppState st = makeState(QStringLiteral("/d/"), 1, {1, 1, 1, 0, 0, 0, 0, 0});
    RecordingSurface rec(3.2);
    (void)runReport(false, rec, rows, st);
    const QString line = rec.documents.at(0).pages.at(0).lines.at(9);
    QCOMPARE(line.left(16), QStringLiteral("   \u65E5\u672C\u8A9E\u306E\u30D5\u30A1\u30A4\u30EB  txt"));
    // The folder from column 71, cut to 44 columns: "/d/" and 20 wide characters.
    QCOMPARE(line.mid(16).trimmed(), QStringLiteral("/d/") + QString(20, QChar(0x6587)));
    QCOMPARE(columnsOf(line), 70 + 43);
}

void TestPrintReports::progress()
{
    const MemoryRows rows = MemoryRows::numbered(1000, m_dir.path() + QLatin1Char('/'));
    const AppState st = makeState(m_dir.path() + QLatin1Char('/'), 0, {1, 1, 1, 0, 0, 0, 0, 0});
    RecordingSurface rec(3.2);
    QList<int> seen;
    (void)runReport(false, rec, rows, st, [&](int p) { seen << p; });
    QVERIFY(seen.size() <= 101);
    QCOMPARE(seen.last(), 100);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(std::adjacent_find(seen.begin(), seen.end()), seen.end());
}

void TestPrintReports::progressRounding_data()
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

void TestPrintReports::progressRounding()
{
    QFETCH(int, i);
    QFETCH(int, n);
    QFETCH(int, percent);
    QCOMPARE(progressPercent(i, n), percent);
}

void TestPrintReports::failedJobIsReported()
{
    const MemoryRows rows = MemoryRows::numbered(3, m_dir.path() + QLatin1Char('/'));
    const AppState st = makeState(m_dir.path() + QLatin1Char('/'), 0, kDefaultOptS);
    RecordingSurface rec(3.2);
    rec.nextResult = {false, {}, QStringLiteral("Impossibile scrivere il file x: disco pieno")};
    const ReportOutcome out = runReport(false, rec, rows, st);
    QVERIFY(!out.job.ok);
    QCOMPARE(out.job.error, rec.nextResult.error);
}

QTEST_GUILESS_MAIN(TestPrintReports)
#include "test_print_reports.moc"
