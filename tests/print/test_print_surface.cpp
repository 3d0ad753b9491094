// The printer surfaces: the tab and line rules on the recording surface, and the Qt
// surface's built-in PDF printer writing a real report into the export folder.

#include "../common/FileSizeLimit.h"
#include "../common/MemoryRows.h"
#include "print/HeadlessPrint.h"
#include "print/PrintReport.h"
#include "print/QtPrinterSurface.h"
#include "print/TextColumns.h"
#include "RecordingSurface.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace vellora;
using vellora::test::MemoryRows;
using Item = PrinterSurface::Item;
using Items = PrinterSurface::Items;

Q_DECLARE_METATYPE(PrinterSurface::Items)

namespace {

// Sets VELLORA_EXPORT_DIR for one scope.
class ExportDirGuard
{
public:
    explicit ExportDirGuard(const QString& dir) : m_old(qgetenv("VELLORA_EXPORT_DIR"))
    {
        qputenv("VELLORA_EXPORT_DIR", QFile::encodeName(dir));
    }
    ~ExportDirGuard() { qputenv("VELLORA_EXPORT_DIR", m_old); }

private:
    QByteArray m_old;
};

QString pdftotext()
{
    return QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
}

// What pdftotext makes of a PDF with these options.
QString pdfText(const QStringList& arguments)
{
    QProcess p;
    p.start(pdftotext(), arguments + QStringList{QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The portrait report without the closing pause.
ReportOutcome portrait(PrinterSurface& surface, const MemoryRows& rows, const AppState& st)
{
    ReportOptions opt;
    opt.waitMs = 0;
    return StampaVerticale(surface, ReportInput{rows, st, QStringLiteral("Sys - Ver. 1")}, opt).run();
}

} // namespace

class TestPrintSurface : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void items_data()
    {
        QTest::addColumn<Items>("items");
        QTest::addColumn<bool>("endLine");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("tab ahead") << Items{Item::txt("ab"), Item::tab(5), Item::txt("c")} << true
                                   << QStringList{"ab  c"};
        QTest::newRow("tab at the cursor stays")
            << Items{Item::txt("abcd"), Item::tab(5), Item::txt("e")} << true << QStringList{"abcde"};
        QTest::newRow("tab passed goes to next line")
            << Items{Item::txt("abcdef"), Item::tab(3), Item::txt("x")} << true
            << QStringList{"abcdef", "  x"};
        QTest::newRow("CR LF inside a text")
            << Items{Item::txt("one\r\n\r\n  three")} << true << QStringList{"one", "", "  three"};
        QTest::newRow("no line end continues the line")
            << Items{Item::txt("ab")} << false << QStringList{"ab"};
        QTest::newRow("tab below column 1")
            << Items{Item::tab(-4), Item::txt("z")} << true << QStringList{"z"};
        // Drawn from a fallback face about two columns wide: the next field must not overprint.
        QTest::newRow("wide characters take two columns each")
            << Items{Item::txt(QStringLiteral("\U0001F600\u4E2D")), Item::tab(6), Item::txt("x"),
                     Item::tab(6), Item::txt("y")}
            << true << QStringList{QStringLiteral("\U0001F600\u4E2D x"), QStringLiteral("     y")};
    }

    void items()
    {
        QFETCH(Items, items);
        QFETCH(bool, endLine);
        QFETCH(QStringList, lines);
        RecordingSurface rec(3.2);
        rec.print(items, endLine);
        if (!endLine) {
            rec.print({Item::txt("+")}, true);
            lines.last() += QLatin1Char('+');
        }
        QCOMPARE(rec.openDocument().pages.at(0).lines, lines);
        QCOMPARE(rec.currentY(), rec.positionAfterLines(0));
    }

    void columnCut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shorter") << "abc" << 17 << "abc";
        QTest::newRow("cut") << "abcdefghijklmnopqrst" << 17 << "abcdefghijklmnopq";
        QTest::newRow("surrogate pair kept whole")
            << QStringLiteral("ab\U0001F600cd") << 4 << QStringLiteral("ab\U0001F600");
        QTest::newRow("wide character that does not fit")
            << QStringLiteral("ab\u4E2D\u6587") << 5 << QStringLiteral("ab\u4E2D");
        QTest::newRow("combining accent takes no column")
            << QStringLiteral("e\u0301abc") << 2 << QStringLiteral("e\u0301a");
        QTest::newRow("zero") << "abc" << 0 << "";
    }

    void columnCut()
    {
        QFETCH(QString, text);
        QFETCH(int, n);
        QFETCH(QString, expected);
        QCOMPARE(leftColumns(text, n), expected);
        QVERIFY(columnsOf(leftColumns(text, n)) <= n);
    }

    void pdfPrinterListed()
    {
        QtPrinterSurface surface;
        QVERIFY(surface.printers().contains(QtPrinterSurface::kPdfPrinter));
        QVERIFY(surface.printers().contains(surface.deviceName()));
        QVERIFY(surface.selectPrinter(surface.pdfIndex()));
        QCOMPARE(surface.deviceName(), QStringLiteral("PDF"));
        QVERIFY(!surface.selectPrinter(int(surface.printers().size())));
        QCOMPARE(surface.deviceName(), QStringLiteral("PDF"));
    }

    void pdfReportInExportFolder()
    {
        QTemporaryDir tmp;
        const QString exportDir = tmp.path() + QStringLiteral("/not/yet/there/");
        const ExportDirGuard guard(exportDir);
        QtPrinterSurface surface;
        QVERIFY(surface.selectPrinter(surface.pdfIndex()));
        const MemoryRows rows = MemoryRows::numbered(200, tmp.path() + QLatin1Char('/'));
        AppState st;
        st.CartellaRicerca = tmp.path() + QLatin1Char('/');
        const ReportOutcome out = portrait(surface, rows, st);
        QVERIFY2(out.job.ok, qPrintable(out.job.error));
        QCOMPARE(out.pages, 3);
        // Only the final file is left: the temporary one has been renamed into place.
        const QStringList files = QDir(exportDir).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files.size(), 1);
        QVERIFY2(
            QRegularExpression(QStringLiteral("^Stampa_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.pdf$"))
                .match(files[0])
                .hasMatch(),
            qPrintable(files[0]));
        QCOMPARE(out.job.pdfPath, QDir(exportDir).absoluteFilePath(files[0]));
    }

    void pdfFailures()
    {
        QTemporaryDir tmp;
        QFile blocker(tmp.path() + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const ExportDirGuard guard(tmp.path() + QStringLiteral("/file/temp/"));
        QtPrinterSurface surface;
        QVERIFY(surface.selectPrinter(surface.pdfIndex()));
        MemoryRows rows = MemoryRows::numbered(5, tmp.path() + QLatin1Char('/'));
        vellora::test::MemoryFacts facts;
        rows.factSource = &facts;
        AppState st;
        const ReportOutcome out = portrait(surface, rows, st);
        QVERIFY(!out.job.ok);
        QCOMPARE(out.job.error, QStringLiteral("Impossibile creare la cartella ") + tmp.path() +
                                    QStringLiteral("/file/temp/: una parte del percorso non è una cartella"));
        QVERIFY(out.job.pdfPath.isEmpty());
        QCOMPARE(facts.stats.load(), 0); // no row was read for a document that cannot be written
        // The surface is usable again afterwards.
        surface.setPdfOutputPath(tmp.path() + QStringLiteral("/ok.pdf"));
        surface.printLine(QStringLiteral("x"));
        QVERIFY(surface.endDoc().ok);

        // Writing refused when the document ends (as on a full disk, while the whole PDF is
        // still buffered): a failure, and no file under either name.
        QVERIFY(QDir().mkpath(tmp.path() + QStringLiteral("/full")));
        surface.setPdfOutputPath(tmp.path() + QStringLiteral("/full/report.pdf"));
        ReportOutcome full;
        {
            const vellora::test::FileSizeLimit limit(64);
            full = portrait(surface, rows, st);
        }
        QVERIFY(!full.job.ok);
        QVERIFY2(full.job.error.contains(QStringLiteral("/full/report.pdf")), qPrintable(full.job.error));
        QVERIFY(full.job.pdfPath.isEmpty());
        QCOMPARE(QDir(tmp.path() + QStringLiteral("/full")).entryList(QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // Measuring gives exactly what printing blank lines until the height is reached gives on
    // the same printer. Rows pushed onto extra lines must not run off the paper: the surface
    // goes on to a new page as a printer would.
    void pdfPageLines()
    {
        QTemporaryDir tmp;
        QtPrinterSurface surface;
        QVERIFY(surface.selectPrinter(surface.pdfIndex()));
        surface.setPdfOutputPath(tmp.path() + QStringLiteral("/probe.pdf"));
        surface.setFont(QStringLiteral("Courier New"), 8);
        for (std::int16_t height : {std::int16_t(245), std::int16_t(160)}) {
            const std::int16_t measured = ContaRighePagina(surface, height);
            surface.setScaleMode(PrinterSurface::ScaleMode::Millimetres);
            surface.setCurrentX(0);
            surface.setCurrentY(0);
            int n = 0;
            do {
                ++n;
                surface.printLine(QStringLiteral(" "));
            } while (surface.currentY() < height);
            QCOMPARE(int(measured), n);
            surface.newPage();
        }
        const int page = surface.page();
        for (int i = 0; i < 200; ++i) {
            surface.printLine(QStringLiteral("line %1").arg(i));
            QVERIFY(surface.currentY() < 297);
        }
        QVERIFY(surface.page() >= page + 2);
        QVERIFY(surface.endDoc().ok);
    }

    void pdfTextColumns()
    {
        if (pdftotext().isEmpty())
            QSKIP("pdftotext is not installed");
        QTemporaryDir tmp;
        QtPrinterSurface surface;
        QVERIFY(surface.selectPrinter(surface.pdfIndex()));
        surface.setPdfOutputPath(tmp.path() + QStringLiteral("/cols.pdf"));
        surface.setFont(QStringLiteral("Courier New"), 8);
        surface.print(
            {Item::txt("   name"), Item::tab(22), Item::txt("ext"), Item::tab(33), Item::txt("1,234")}, true);
        surface.print(
            {Item::txt("   another-name"), Item::tab(22), Item::txt("e"), Item::tab(36), Item::txt("9")},
            true);
        // A combining accent draws no column of its own: the fields after it keep their place.
        surface.print({Item::txt(QStringLiteral("   cafe\u0301")), Item::tab(22), Item::txt("mark")}, true);
        // A name written right to left keeps the indent before it.
        surface.print(
            {Item::txt(QStringLiteral("   \u05E9\u05DC\u05D5\u05DD")), Item::tab(22), Item::txt("rtl")},
            true);
        QVERIFY(surface.endDoc().ok);

        // Where each word landed on the page, in points.
        const QString html = pdfText({QStringLiteral("-bbox"), tmp.path() + QStringLiteral("/cols.pdf")});
        QHash<QString, QPair<double, double>> words; // text -> xMin, xMax
        const QRegularExpression re(
            QStringLiteral("<word xMin=\"([0-9.]+)\"[^>]*xMax=\"([0-9.]+)\"[^>]*>([^<]+)</word>"));
        double hebrewStart = 1e9; // pdftotext gives each letter written right to left as a word
        for (auto it = re.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            words.insert(m.captured(3), {m.captured(1).toDouble(), m.captured(2).toDouble()});
            if (m.captured(3).front() >= QChar(0x0590) && m.captured(3).front() <= QChar(0x05FF))
                hebrewStart = std::min(hebrewStart, m.captured(1).toDouble());
        }
        QVERIFY2(words.contains("another-name") && words.contains("name"), qPrintable(html));
        const double width = (words["another-name"].second - words["another-name"].first) / 12;
        QVERIFY(width > 4.5 && width < 5.1); // an 8-point Courier-sized column is 4.8 pt
        const double origin = words["name"].first;
        const auto column = [&](const char* w) {
            return 4 + qRound((words[QLatin1String(w)].first - origin) / width);
        };
        QCOMPARE(column("another-name"), 4);
        QCOMPARE(column("ext"), 22);
        QCOMPARE(column("1,234"), 33);
        QCOMPARE(column("e"), 22);
        QCOMPARE(column("9"), 36);
        QCOMPARE(column("mark"), 22);
        QCOMPARE(column("rtl"), 22);
        QCOMPARE(4 + qRound((hebrewStart - origin) / width), 4);
    }

    // A colour emoji (its face holds pictures, not outlines) leaves ink on the PDF page.
    void pdfColourEmoji()
    {
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty() || !QFontDatabase::families().contains(QStringLiteral("Noto Color Emoji")))
            QSKIP("needs pdftoppm and fonts-noto-color-emoji");
        QTemporaryDir tmp;
        QtPrinterSurface surface;
        QVERIFY(surface.selectPrinter(surface.pdfIndex()));
        surface.setPdfOutputPath(tmp.filePath(QStringLiteral("emoji.pdf")));
        surface.setFont(QStringLiteral("Courier New"), 8);
        surface.print({Item::txt(QStringLiteral("   \U0001F984"))}, true); // a unicorn
        QVERIFY(surface.endDoc().ok);
        QCOMPARE(QProcess::execute(pdftoppm,
                                   {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                                    QStringLiteral("-singlefile"), tmp.filePath(QStringLiteral("emoji.pdf")),
                                    tmp.filePath(QStringLiteral("page"))}),
                 0);
        const QImage page(tmp.filePath(QStringLiteral("page.png")));
        QVERIFY(!page.isNull());
        int ink = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                ink += page.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
        QVERIFY2(ink > 30, qPrintable(QString::number(ink)));
    }

    void pdfPagesOfWrappedRows()
    {
        // Rows that take two paper lines: on the real PDF every page carries the header and
        // its own number, and no page holds only a footer.
        if (pdftotext().isEmpty())
            QSKIP("pdftotext is not installed");
        QTemporaryDir tmp;
        QtPrinterSurface surface;
        QVERIFY(surface.selectPrinter(surface.pdfIndex()));
        surface.setPdfOutputPath(tmp.path() + QStringLiteral("/wrapped.pdf"));
        MemoryRows rows;
        for (int i = 0; i < 90; ++i)
            rows.add(QStringLiteral("row%1").arg(i), QString(60, QLatin1Char('e')),
                     QStringLiteral("/cartella/"));
        AppState st;
        st.TipoRicerca = Scope::Subfolders;
        st.OptS = {1, 1, 1, 0, 0, 0, 0, 0};
        const ReportOutcome out = portrait(surface, rows, st);
        QVERIFY2(out.job.ok, qPrintable(out.job.error));
        QStringList pages = pdfText({QStringLiteral("-layout"), out.job.pdfPath}).split(QLatin1Char('\f'));
        if (pages.last().trimmed().isEmpty())
            pages.removeLast();
        QCOMPARE(pages.size(), out.pages);
        QVERIFY(out.pages >= 3);
        int rowsSeen = 0;
        for (int k = 0; k < pages.size(); ++k) {
            QVERIFY2(pages[k].contains(QStringLiteral("Totale File 90")), qPrintable(pages[k]));
            QVERIFY2(pages[k].trimmed().endsWith(QStringLiteral("Pag. %1").arg(k + 1)), qPrintable(pages[k]));
            rowsSeen += int(pages[k].count(QStringLiteral("/cartella/")));
        }
        QCOMPARE(rowsSeen, 90);
    }

    void headless()
    {
        RecordingSurface rec(
            3.2, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("B")});
        rec.selectPrinter(3);
        QCOMPARE(printersCurrentFirst(rec), (QStringList{"B", "A", "C", "B"}));

        QTemporaryDir tmp;
        const ExportDirGuard guard(tmp.path() + QStringLiteral("/export/"));
        QtPrinterSurface surface;
        const MemoryRows rows = MemoryRows::numbered(3, tmp.path() + QLatin1Char('/'));
        AppState st;
        st.TipoRicerca = Scope::Subfolders;
        st.OptS = {1, 1, 1, 0, 0, 0, 1, 0};
        const ReportInput input{rows, st, QStringLiteral("Sys")};

        const ReportOutcome unknown =
            printHeadless(surface, QStringLiteral("No such printer"), QString(), input);
        QVERIFY(!unknown.job.ok);
        QVERIFY(unknown.job.error.contains(QStringLiteral("No such printer")));
        QVERIFY(!QFileInfo::exists(tmp.path() + QStringLiteral("/export")));

        const QString target = tmp.path() + QStringLiteral("/list.pdf");
        const ReportOutcome done = printHeadless(surface, QStringLiteral("PDF"), target, input);
        QVERIFY2(done.job.ok, qPrintable(done.job.error));
        QCOMPARE(done.job.pdfPath, target);
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.pdf"});
        QCOMPARE(surface.deviceName(), QStringLiteral("PDF"));
        QCOMPARE(printersCurrentFirst(surface).first(), QStringLiteral("PDF"));

        // Without an output path the file goes to the export folder, named by date and time.
        const ReportOutcome exported = printHeadless(surface, QString(), QString(), input);
        QVERIFY(exported.job.ok);
        QCOMPARE(QFileInfo(exported.job.pdfPath).absolutePath(),
                 QDir(tmp.path() + QStringLiteral("/export")).absolutePath());
    }
};

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    TestPrintSurface t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_print_surface.moc"
