// vellora-list's filters: several masks, exclusions and the size and day ranges in the lines
// it prints, one Italian line for each bad value, the filters named in the titles of reports
// and exports, and the closing line on files a range left out because they could not be read.

#include "ListTestSupport.h"
#include "results/FilterSummary.h"
#include "scan/PatternMatcher.h"

#include <QProcess>
#include <QStandardPaths>

using namespace vellora;
using namespace vellora::testing;

namespace {

const QString kHeadings = QStringLiteral(
    "Nr.\tNome File\tExt\tDimensione\tData Ult. Modifica\tVersione File\tProduttore\tDirectory");

} // namespace

class TestListFilters : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString root() const { return m_dir.path() + QLatin1Char('/'); }
    QTemporaryDir m_out;

private Q_SLOTS:
    void initTestCase()
    {
        const qint64 t = QDateTime(QDate(2003, 12, 31), QTime(23, 59)).toSecsSinceEpoch();
        makeFile(root() + QStringLiteral("b.txt"), 900, t);
        makeFile(root() + QStringLiteral("A.doc"), 10, t + 60);
        makeFile(root() + QStringLiteral("sub/c.TXT"), 1000000, t + 120);
        makeFile(root() + QStringLiteral("tab\there.txt"), 1, t);
        makeFile(root() + QStringLiteral("cartella/annidata/x.dat"), 2048, t);
    }

    // Both ends of a range are included: 900 bytes exactly, 23:59 of the last day, midnight
    // of the first.
    void listsWithFilters_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("lines"); // after the heading row; %1 is the folder
        QTest::newRow("two masks, a folder and a mask excluded")
            << QStringList{"--subfolders", "--pattern", " *.doc ;*.TXT;",
                           "--exclude",    "sub",       "--exclude=tab*"}
            << QStringList{"1\tA\tdoc\t\t\t\t\t%1", "2\tb\ttxt\t\t\t\t\t%1"};
        QTest::newRow("size and date ranges")
            << QStringList{"--subfolders", "--min-size",    "11",        "--max-size",
                           "900B",         "--modified-to", "2003-12-31"}
            << QStringList{"1\tb\ttxt\t\t\t\t\t%1"};
        QTest::newRow("from a day, in K")
            << QStringList{"--subfolders", "--max-size", "976k", "--modified-from", "2004-01-01"}
            << QStringList{"1\tA\tdoc\t\t\t\t\t%1"};
        QTest::newRow("a deep folder excluded, one that matches a mask")
            << QStringList{"--subfolders", "--pattern", "*.dat;annidata", "--exclude", "annidata"}
            << QStringList{};
        QTest::newRow("the folder read matches an exclusion")
            << QStringList{"--exclude", QFileInfo(m_dir.path()).fileName()}
            << QStringList{"1\tA\tdoc\t\t\t\t\t%1", "2\tb\ttxt\t\t\t\t\t%1", "3\ttab?here\ttxt\t\t\t\t\t%1"};
    }
    void listsWithFilters()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, lines);
        const Captured c = runList(args << m_dir.path());
        QCOMPARE(c.err, QString());
        QCOMPARE(c.rc, kExitOk);
        QStringList expected{kHeadings};
        for (const QString& l : lines)
            expected << l.arg(root());
        QCOMPARE(c.out, expected);
    }

    void rejectsBadFilters_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        const QString day = QStringLiteral("data non valida: \"%1\" (usare AAAA-MM-GG)");
        QTest::newRow("no mask left") << QStringList{"--pattern", " ;;", "."} << kInvalidPatternMessage;
        QTest::newRow("exclusion with a slash")
            << QStringList{"--exclude", "*.tmp", "--exclude", "a/b", "."}
            << "esclusione non valida: \"a/b\" (un nome non contiene \"/\")";
        QTest::newRow("size unit")
            << QStringList{"--min-size", "1X", "."}
            << "dimensione non valida: \"1X\" (un numero intero di byte, anche seguito da K, M o G)";
        QTest::newRow("size too large")
            << QStringList{"--max-size", "9999999999G", "."} << "dimensione troppo grande: \"9999999999G\"";
        QTest::newRow("sizes reversed") << QStringList{"--min-size", "2K", "--max-size", "2047", "."}
                                        << "la dimensione minima supera la massima";
        QTest::newRow("no such day") << QStringList{"--modified-from", "2026-02-30", "."}
                                     << day.arg("2026-02-30");
        QTest::newRow("day in another form")
            << QStringList{"--modified-to", "01/02/2026", "."} << day.arg("01/02/2026");
        QTest::newRow("days reversed")
            << QStringList{"--modified-from", "2026-02-01", "--modified-to", "2026-01-31", "."}
            << "la data iniziale segue la data finale";
    }
    void rejectsBadFilters()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        expectUsageError(args, says);
    }

    // With filters on, the titles of the text report, the page, the workbook and the printed
    // report name them after the folder and the pattern.
    void titlesWithFilters()
    {
        ListingFilters f;
        f.exclusions = QStringList{QStringLiteral("cartella")};
        f.minSize = 1024;
        f.modifiedFrom = QDate(2003, 12, 31);
        const QString title = titleWithFilters(root() + QStringLiteral("*.*"), f);
        const QStringList filters{"--subfolders",    "--exclude",  "cartella",   "--min-size", "1K",
                                  "--modified-from", "2003-12-31", m_dir.path(), "--output"};
        const auto run = [&](const char* action, const char* kind, const QString& output) {
            return runList(QStringList(filters) << output << QLatin1String(action) << QLatin1String(kind));
        };
        Captured c = run("--export", "text", QStringLiteral("-"));
        QCOMPARE(c.rc, kExitOk);
        const QStringList lines = QString::fromUtf8(c.bytes).split(QStringLiteral("\r\n"));
        QCOMPARE(lines[1], QStringLiteral("Esporta (con Sottocartelle): ") + title);
        QVERIFY2(lines[2].startsWith(QStringLiteral("Totale File 1 (Ordinamento Nome File A-Z - Cartelle "
                                                    "Controllate 2)")),
                 qPrintable(lines[2]));
        c = run("--export", "html", QStringLiteral("-"));
        QVERIFY2(c.bytes.contains(title.toUtf8()), c.bytes.constData());

        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (pdftotext.isEmpty() || unzip.isEmpty())
            QSKIP("pdftotext or unzip is not installed");
        const auto textOf = [](const QString& program, const QStringList& args) {
            QProcess p;
            p.start(program, args);
            return p.waitForFinished(30000) ? QString::fromUtf8(p.readAllStandardOutput()).simplified()
                                            : QString();
        };
        const QString book = m_out.filePath(QStringLiteral("filtri.xlsx"));
        QCOMPARE(run("--export", "xlsx", book).rc, kExitOk);
        QVERIFY(textOf(unzip, {QStringLiteral("-p"), book}).contains(describeFilters(f)));
        const QString pdf = m_out.filePath(QStringLiteral("filtri.pdf"));
        QCOMPARE(run("--print", "PDF", pdf).rc, kExitOk);
        const QString page = textOf(pdftotext, {pdf, QStringLiteral("-")});
        QVERIFY2(page.contains(describeFilters(f).simplified()), qPrintable(page));
    }

    // A file whose size cannot be read is not listed while a size or day range is on, and
    // the closing lines say so, apart from the files whose rows have blanks.
    void unlistedUnreadable()
    {
        QTemporaryDir tmp;
        const QString closed = tmp.filePath(QStringLiteral("chiusa"));
        makeFile(tmp.filePath(QStringLiteral("visto.txt")), 5);
        makeFile(closed + QStringLiteral("/nascosto.txt"), 5);
        makeFile(closed + QStringLiteral("/nascosto2.txt"), 5);
        QVERIFY(::chmod(QFile::encodeName(tmp.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(closed).constData(), 0444) == 0); // names read, files not reached
        Captured c[2];
        {
            // Root reads everything: the runs act as an ordinary user then.
            const bool wasRoot = ::geteuid() == 0;
            if (wasRoot && ::seteuid(65534) != 0)
                QSKIP("cannot act as an ordinary user");
            c[0] = runList({"--subfolders", "--min-size", "0", tmp.path()});
            c[1] = runList({"--subfolders", "--modified-to", "2999-12-31", "--export", "csv", "--output", "-",
                            tmp.path()});
            if (wasRoot)
                QVERIFY(::seteuid(0) == 0);
        }
        ::chmod(QFile::encodeName(closed).constData(), 0755);
        const QString note =
            QStringLiteral("vellora-list: 2 file non si sono potuti leggere: non sono elencati, "
                           "la loro dimensione o la loro data è ignota.\n");
        QCOMPARE(c[0].rc, kExitOk);
        QCOMPARE(c[0].out.size(), 2);
        QCOMPARE(c[0].err, note);
        QCOMPARE(c[1].rc, kExitOk);
        QVERIFY(!c[1].bytes.contains("nascosto"));
        QCOMPARE(c[1].err, note);
    }
};

// Printing needs the graphical application.
QTEST_MAIN(TestListFilters)
#include "test_list_filters.moc"
