// vellora-list as scripts use it: the exact lines it prints for a tree, the profile and
// order options, the export files (the same bytes the window's export writes), printing to
// the PDF printer, and the exit codes for bad arguments, unreadable folders and interrupts.

#include "export/Export.h"
#include "ListTestSupport.h"
#include "PeBuilder.h"
#include "results/ResultTable.h"
#include "scan/PatternMatcher.h"
#include "system/SystemData.h"
#include "system/Version.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vellora;
using namespace vellora::testing;

namespace {

// What the window's export writes for a folder read as the start button reads it: the same
// scan, fill and order into a table, the state the scan leaves, then the export library.
struct Inputs
{
    bool subfolders = false;
    QString pattern = QStringLiteral("*.*");
    int order = 0;
    ColumnProfile optV = kDefaultOptV;
    ColumnProfile optS = kDefaultOptS;
    InfoKind info = InfoKind::CompanyName;
};

} // namespace

Q_DECLARE_METATYPE(Inputs)
Q_DECLARE_METATYPE(vellora::ExportChoice)

namespace {

QByteArray windowExport(const QString& folder, ExportKind kind, NameLayout layout, const Inputs& in,
                        std::optional<ExportChoice> format = std::nullopt)
{
    AppState state;
    state.CartellaRicerca = folder + QLatin1Char('/');
    state.PatternFile = in.pattern;
    state.TipoRicerca = in.subfolders ? Scope::Subfolders : Scope::Folder;
    state.OrdineGriglia = Order(in.order);
    state.OptV = in.optV;
    state.OptS = in.optS;
    state.infoKind = in.info;

    ScanState scan;
    ScanResults found;
    if (!ScandisciCartella(in.pattern, QFile::encodeName(state.CartellaRicerca), in.subfolders, scan, found))
        return "scan failed";
    state.listed.folders = scan.totCartelle.load();
    FillOptions fill;
    fill.optV = in.optV;
    fill.infoKind = in.info;
    std::atomic_bool never{false};
    ResultTable table;
    table.PopolaGriglia(fillRows(std::move(found), fill, never), state.Intestazioni, in.optV,
                        Order(in.order));

    SystemData system;
    LeggiPiattaforma(system);
    LeggiVersioneWindows(system);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const ExportRequest request{table, state, system, kNow, format ? *format : ExportChoice{kind, layout}};
    if (!writeExport(request, ExportTarget::stream(out)).ok)
        return "export failed";
    return out.data();
}

// A size or a date written with C's separators, in the locale's (the test also runs in
// Italian and in German): "," between thousands; for "/", the separator of the short date
// format, except in C, whose dates keep the original's "/".
QString sizeText(QString text)
{
    return text.replace(QLatin1Char(','), QLocale::system().groupSeparator());
}
QString dateText(QString text)
{
    if (QLocale::system().language() == QLocale::C)
        return text;
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    qsizetype at = 0;
    while (at < format.size() && format[at].isLetter())
        ++at;
    return text.replace(QLatin1Char('/'), format.mid(at, 1));
}

const QString kHeadings =
    QStringLiteral("Nr.\tNome File\tExt\tDimensione\tData Ult. Modifica\tVersione File\t%1\tDirectory");

// Ctrl+C while an export reads the files: the flag goes up at the first file read.
class StopAtFirstRead : public FactSource
{
public:
    explicit StopAtFirstRead(std::atomic_bool& flag) : m_flag(flag) {}
    std::unique_ptr<FactReader> reader() const override { return std::make_unique<Reader>(m_flag); }

private:
    class Reader : public FactReader
    {
    public:
        explicit Reader(std::atomic_bool& flag) : m_flag(flag), m_real(fileSystemFacts().reader()) {}
        FileFacts read(const QByteArray& folder, std::string_view name, unsigned want) override
        {
            m_flag = true;
            return m_real->read(folder, name, want);
        }

    private:
        std::atomic_bool& m_flag;
        std::unique_ptr<FactReader> m_real;
    };
    std::atomic_bool& m_flag;
};

} // namespace

class TestList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString root() const { return m_dir.path() + QLatin1Char('/'); }
    // A second tree for the exports: an executable with a version resource, a long name, a
    // name with a tab, a subfolder.
    QTemporaryDir m_exp;
    QTemporaryDir m_out;

private Q_SLOTS:
    void initTestCase()
    {
        const qint64 t = QDateTime(QDate(2003, 12, 31), QTime(23, 59)).toSecsSinceEpoch();
        makeFile(root() + QStringLiteral("b.txt"), 900, t);
        makeFile(root() + QStringLiteral("A.doc"), 10, t + 60);
        makeFile(root() + QStringLiteral("sub/c.TXT"), 1000000, t + 120);
        makeFile(root() + QStringLiteral("tab\there.txt"), 1, t);

        const QString e = m_exp.path() + QLatin1Char('/');
        QFile pe(e + QStringLiteral("setup.exe"));
        QVERIFY(pe.open(QIODevice::WriteOnly));
        pe.write(
            vtest::peWithVersion(vtest::versionBlock(vtest::simpleContent("Acme", "Installer", "Suite"))));
        pe.close();
        makeFile(e + QStringLiteral("a very long file name indeed.txt"), 123456789, t);
        makeFile(e + QStringLiteral("README"), 70, t + 3600);
        makeFile(e + QStringLiteral("tab\there.csv"), 5, t);
        makeFile(e + QStringLiteral("cartella/annidata/x.dat"), 2048, t - 86400);
    }

    // The export files are the window's bytes for the same folder, pattern, scope, order,
    // columns and info kind, whether written to the standard output or to a file.
    void exportsWindowBytes_data()
    {
        const ColumnProfile all{1, 1, 1, 1, 1, 1, 1, 1};
        const ColumnProfile none{0, 1, 1, 0, 0, 0, 0, 1};
        const ColumnProfile sizeDate{0, 1, 1, 1, 1, 0, 0, 1};
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("layout");
        QTest::addColumn<Inputs>("in");
        QTest::newRow("text, first-run profiles") << QStringList{"--export", "text"} << int(ExportKind::Text)
                                                  << int(NameLayout::Single) << Inputs{};
        QTest::newRow("text, every column, folder only, description")
            << QStringList{"--export", "text",       "--columns", "number,size,date,version,info",
                           "--info",   "description"}
            << int(ExportKind::Text) << int(NameLayout::Single)
            << Inputs{false, "*.*", 0, all, all, InfoKind::FileDescription};
        QTest::newRow("text, subfolders, size 9-0")
            << QStringList{"--export=text", "--subfolders", "--order", "4", "--columns", "size,date"}
            << int(ExportKind::Text) << int(NameLayout::Single) << Inputs{true, "*.*", 4, sizeDate, sizeDate};
        QTest::newRow("text, scan order, no columns")
            << QStringList{"--export", "text", "--order", "-1", "--columns", ""} << int(ExportKind::Text)
            << int(NameLayout::Single) << Inputs{false, "*.*", -1, none, none};
        QTest::newRow("tsv, one name field, every column")
            << QStringList{"--export", "tsv", "--columns", "size,date,version,info"}
            << int(ExportKind::Tabbed) << int(NameLayout::Single)
            << Inputs{false, "*.*", 0, {0, 1, 1, 1, 1, 1, 1, 1}, {0, 1, 1, 1, 1, 1, 1, 1}};
        QTest::newRow("tsv, two name fields, subfolders, pattern")
            << QStringList{"--export",  "tsv", "--separate", "--subfolders",
                           "--pattern", "*t*", "--order",    "9"}
            << int(ExportKind::Tabbed) << int(NameLayout::Separate) << Inputs{true, "*t*", 9};
    }
    void exportsWindowBytes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, kind);
        QFETCH(int, layout);
        QFETCH(Inputs, in);
        const QByteArray expected = windowExport(m_exp.path(), ExportKind(kind), NameLayout(layout), in);
        QVERIFY(expected.endsWith("\r\n"));

        Captured c = runList(QStringList(args) << "--output"
                                               << "-" << m_exp.path());
        QCOMPARE(c.err, QString());
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.bytes, expected);

        const QString file = m_out.filePath(QStringLiteral("new folder/export.txt"));
        c = runList(QStringList(args) << "--output" << file << m_exp.path());
        QCOMPARE(c.rc, kExitOk);
        QVERIFY(c.bytes.isEmpty());
        QCOMPARE(fileBytes(file), expected);
        const QString head = ExportKind(kind) == ExportKind::Text
                                 ? QStringLiteral("Esportazione in formato Testo terminata: vedi file ")
                                 : QStringLiteral("Esportazione per Excel terminata: vedi file ");
        QCOMPARE(c.err, head + file + QLatin1Char('\n'));
    }

    // What the header and the lines say, so that both sides of the comparison above cannot
    // go wrong together.
    void exportContents()
    {
        Captured c = runList(
            {"--export", "text", "--subfolders", "--columns", "size,version", "--output", "-", m_exp.path()});
        QCOMPARE(c.rc, kExitOk);
        const QStringList lines = QString::fromUtf8(c.bytes).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 6 + 5 + 1);
        QCOMPARE(lines[1],
                 QStringLiteral("Esporta (con Sottocartelle): ") + m_exp.path() + QStringLiteral("/*.*"));
        QVERIFY2(lines[2].startsWith(QStringLiteral("Totale File 5 (Ordinamento Nome File A-Z - Cartelle "
                                                    "Controllate 3)")),
                 qPrintable(lines[2]));
        QVERIFY(lines[2].endsWith(dateText(QStringLiteral("(12/05/2004)"))));
        const QString setup = lines.filter(QStringLiteral("setup")).value(0);
        QCOMPARE(setup.mid(58, 8), QStringLiteral(" 1.2.3.4"));
        QVERIFY(lines.filter(QStringLiteral("tab?here")).size() == 1);

        c = runList({"--export", "tsv", "--separate", "--columns", "info", "--pattern", "setup*", "--output",
                     "-", m_exp.path()});
        QCOMPARE(c.bytes, QByteArray("setup\texe\tAcme\r\n"));
    }

    // Without --output the file goes to the export folder under the window's name.
    void exportsToExportFolder()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("temp"));
        qputenv("VELLORA_EXPORT_DIR", QFile::encodeName(target));
        const Captured c = runList({"--export", "tsv", "--pattern", "README", m_exp.path()});
        qunsetenv("VELLORA_EXPORT_DIR");
        QCOMPARE(c.rc, kExitOk);
        const QString expected = target + QStringLiteral("/ListaExcel_2004-05-12_14-30-59.txt");
        QCOMPARE(c.err, QStringLiteral("Esportazione per Excel terminata: vedi file ") + expected + '\n');
        QCOMPARE(fileBytes(expected), QByteArray("README.\t70\r\n"));
        QCOMPARE(QDir(target).entryList(QDir::Files), QStringList{"ListaExcel_2004-05-12_14-30-59.txt"});
    }

    void printsToPdf()
    {
        const QString pdf = m_out.filePath(QStringLiteral("report.pdf"));
        Captured c = runList(
            {"--print", "PDF", "--output", pdf, "--subfolders", "--columns", "size,info", m_exp.path()});
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.err, QStringLiteral("Stampa terminata: vedi file ") + pdf + QLatin1Char('\n'));
        QVERIFY(fileBytes(pdf).startsWith("%PDF"));

        c = runList({"--print", "no such printer", m_exp.path()});
        QCOMPARE(c.rc, kExitOutput);
        QVERIFY2(c.err.contains(QStringLiteral("no such printer")), qPrintable(c.err));

        c = runList({"--printers"});
        QCOMPARE(c.rc, kExitOk);
        QVERIFY(c.out.contains(QStringLiteral("PDF")));
        QCOMPARE(c.out.removeDuplicates(), 0);
    }

    // The preview's pictures of two pages against the PDF of the same list turned into
    // pictures by pdftoppm: the same ink in the same places, give or take anti-aliasing.
    void previewPagesMatchPdf()
    {
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("pdftoppm is not installed");
        QTemporaryDir tree;
        for (int i = 0; i < 90; ++i)
            makeFile(tree.filePath(QStringLiteral("f%1.txt").arg(i, 2, 10, QLatin1Char('0'))), i * 3701);
        makeFile(tree.filePath(QStringLiteral("wrap.extension-of-twenty")), 123456789);
        const QStringList what{"--subfolders", "--columns", "size,date", tree.path()};
        const QString pdf = m_out.filePath(QStringLiteral("preview.pdf"));
        QCOMPARE(runList(QStringList{"--print", "PDF", "--output", pdf} + what).rc, kExitOk);
        const QString pictures = m_out.filePath(QStringLiteral("pages"));
        const Captured c = runList(QStringList{"--preview-pages", "1-3", "--output", pictures} + what);
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(QDir(pictures).entryList(QDir::Files), (QStringList{"page-0001.png", "page-0002.png"}));
        for (int page = 1; page <= 2; ++page) {
            const QImage mine(
                QStringLiteral("%1/page-%2.png").arg(pictures).arg(page, 4, 10, QLatin1Char('0')));
            const QString n = QString::number(page);
            const QString pdfPage = m_out.filePath(QStringLiteral("pdf-") + n);
            QCOMPARE(QProcess::execute(pdftoppm,
                                       {"-r", "100", "-png", "-f", n, "-l", n, "-singlefile", pdf, pdfPage}),
                     0);
            const QImage theirs(pdfPage + QStringLiteral(".png"));
            QVERIFY(qAbs(mine.width() - theirs.width()) <= 1 && qAbs(mine.height() - theirs.height()) <= 1);
            // Dark pixels of one picture with no ink at all within a pixel in the other.
            const auto strays = [](const QImage& a, const QImage& b, int& ink) {
                int stray = 0;
                for (int y = 1; y < std::min(a.height(), b.height()) - 1; ++y)
                    for (int x = 1; x < std::min(a.width(), b.width()) - 1; ++x) {
                        if (qGray(a.pixel(x, y)) >= 128)
                            continue;
                        ++ink;
                        bool near = false;
                        for (int dy = -1; dy <= 1 && !near; ++dy)
                            for (int dx = -1; dx <= 1 && !near; ++dx)
                                near = qGray(b.pixel(x + dx, y + dy)) < 224;
                        stray += near ? 0 : 1;
                    }
                return stray;
            };
            int inkMine = 0;
            int inkTheirs = 0;
            const int strayMine = strays(mine, theirs, inkMine);
            const int strayTheirs = strays(theirs, mine, inkTheirs);
            const QString seen = QStringLiteral("page %1: ink %2 and %3, strays %4 and %5")
                                     .arg(page)
                                     .arg(inkMine)
                                     .arg(inkTheirs)
                                     .arg(strayMine)
                                     .arg(strayTheirs);
            QVERIFY2(inkTheirs > 2000 && qAbs(inkMine - inkTheirs) < inkTheirs / 5, qPrintable(seen));
            QVERIFY2(strayMine + strayTheirs < (inkMine + inkTheirs) / 200, qPrintable(seen));
        }
    }

    void listsTree_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("lines"); // after the heading row; %1 is the folder
        QTest::addColumn<QString>("infoHeading");
        QTest::newRow("defaults: folder only, name order, numbered")
            << QStringList{}
            << QStringList{"1\tA\tdoc\t\t\t\t\t%1", "2\tb\ttxt\t\t\t\t\t%1", "3\ttab?here\ttxt\t\t\t\t\t%1"}
            << "Produttore";
        QTest::newRow("size order with sizes and dates, subfolders")
            << QStringList{"--subfolders", "--order", "4", "--columns", "size,date"}
            << QStringList{"\tc\tTXT\t" + sizeText("1,000,000") + "\t" + dateText("01/01/2004 00:01") +
                               "\t\t\t%1sub/",
                           "\tb\ttxt\t900\t" + dateText("31/12/2003 23:59") + "\t\t\t%1",
                           "\tA\tdoc\t10\t" + dateText("01/01/2004 00:00") + "\t\t\t%1",
                           "\ttab?here\ttxt\t1\t" + dateText("31/12/2003 23:59") + "\t\t\t%1"}
            << "Produttore";
        QTest::newRow("pattern, empty columns, product info")
            << QStringList{"--subfolders", "--pattern", "*.txt",   "--columns=",
                           "--info",       "product",   "--order", "9"}
            << QStringList{"\tb\ttxt\t\t\t\t\t%1", "\ttab?here\ttxt\t\t\t\t\t%1", "\tc\tTXT\t\t\t\t\t%1sub/"}
            << "Info File";
        QTest::newRow("version and info of plain files are empty")
            << QStringList{"--pattern", "A.doc", "--columns", "version,info", "--info", "description"}
            << QStringList{"\tA\tdoc\t\t\t\t\t%1"} << "Descrizione File";
    }
    void listsTree()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, lines);
        QFETCH(QString, infoHeading);
        const Captured c = runList(args << m_dir.path());
        QCOMPARE(c.err, QString());
        QCOMPARE(c.rc, kExitOk);
        QStringList expected{kHeadings.arg(infoHeading)};
        for (const QString& l : lines)
            expected << l.arg(root());
        QCOMPARE(c.out, expected);
    }

    // Paths of 8,000 bytes: every file is listed, ordered, exported and printed with its
    // size and date, none reported unreadable.
    void deepTree()
    {
        const DeepTree deep(41, QDateTime(QDate(2010, 5, 5), QTime(10, 20)).toSecsSinceEpoch());
        Captured c = runList({"--subfolders", "--columns", "size,date", "--order", "4", deep.path()});
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.err, QString());
        QCOMPARE(c.out.size(), 42);
        for (int k = 1; k <= 41; ++k) {
            const QStringList cells = c.out[k].split(QLatin1Char('\t'));
            QCOMPARE(cells[1], QStringLiteral("f%1").arg(41 - k)); // largest first
            QCOMPARE(cells[3], QString::number(42 - k));
            QCOMPARE(cells[4], dateText(QStringLiteral("05/05/2010 10:20")));
        }
        QVERIFY(c.out[1].split(QLatin1Char('\t'))[7].size() > 8000);

        c = runList(
            {"--export", "text", "--subfolders", "--columns", "size,date", "--output", "-", deep.path()});
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.err, QString());
        const QStringList lines =
            QString::fromUtf8(c.bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6 + 41);
        for (int k = 6; k < lines.size(); ++k)
            QVERIFY2(lines[k].mid(34, 16) == dateText(QStringLiteral("05/05/2010-10:20")),
                     qPrintable(lines[k]));

        const QString pdf = m_out.filePath(QStringLiteral("deep.pdf"));
        c = runList(
            {"--print", "PDF", "--output", pdf, "--subfolders", "--columns", "size,date", deep.path()});
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.err, QStringLiteral("Stampa terminata: vedi file ") + pdf + QLatin1Char('\n'));
    }

    // The newer formats: the window's bytes too, the workbook included.
    void exportsFormats_data()
    {
        const ColumnProfile all{0, 1, 1, 1, 1, 1, 1, 1};
        const ColumnProfile sizeDate{0, 1, 1, 1, 1, 0, 0, 1};
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<ExportChoice>("choice");
        QTest::addColumn<Inputs>("in");
        QTest::newRow("csv, every column, checksum")
            << QStringList{"--export", "csv", "--checksum", "sha256", "--columns", "size,date,version,info"}
            << ExportChoice{ExportKind::Csv, NameLayout::Single, true, QChar()}
            << Inputs{false, "*.*", 0, all, all};
        QTest::newRow("csv, semicolons, subfolders")
            << QStringList{"--export", "csv", "--csv-separator", ";", "--subfolders"}
            << ExportChoice{ExportKind::Csv, NameLayout::Single, false, QLatin1Char(';')} << Inputs{true};
        QTest::newRow("xlsx, subfolders, size and date")
            << QStringList{"--export", "xlsx", "--subfolders", "--columns", "size,date"}
            << ExportChoice{ExportKind::Xlsx, NameLayout::Single, false, QChar()}
            << Inputs{true, "*.*", 0, sizeDate, sizeDate};
        QTest::newRow("html, size 9-0")
            << QStringList{"--export=html", "--order", "4", "--columns", "size"}
            << ExportChoice{ExportKind::Html, NameLayout::Single, false, QChar()}
            << Inputs{false, "*.*", 4, {0, 1, 1, 1, 0, 0, 0, 1}, {0, 1, 1, 1, 0, 0, 0, 1}};
        QTest::newRow("json, checksum, subfolders")
            << QStringList{"--export", "json", "--checksum", "sha256", "--subfolders"}
            << ExportChoice{ExportKind::JsonLines, NameLayout::Single, true, QChar()} << Inputs{true};
    }
    void exportsFormats()
    {
        QFETCH(QStringList, args);
        QFETCH(ExportChoice, choice);
        QFETCH(Inputs, in);
        const QByteArray expected =
            windowExport(m_exp.path(), ExportKind::Text, NameLayout::Single, in, choice);
        Captured c = runList(QStringList(args) << "--output"
                                               << "-" << m_exp.path());
        QCOMPARE(c.err, QString());
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.bytes, expected);

        const QString file = m_out.filePath(QStringLiteral("formats/lista"));
        c = runList(QStringList(args) << "--output" << file << m_exp.path());
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(fileBytes(file), expected);
        QCOMPARE(c.err, completionMessage(choice.kind, file).remove(QStringLiteral("\r\n")) + '\n');
    }

    // A name that is not UTF-8 still reaches a script: its path's bytes go along in base64.
    void exportsRawNames()
    {
        QTemporaryDir dir;
        const QByteArray raw = QFile::encodeName(dir.path()) + "/caff\xe8.txt"; // Latin-1, not UTF-8
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        const Captured c = runList({"--export", "json", "--output", "-", dir.path()});
        QCOMPARE(c.rc, kExitOk);
        QVERIFY2(c.bytes.contains("\"path_bytes\":\"" + raw.toBase64() + '"'), c.bytes.constData());
        QVERIFY(c.bytes.contains("caff\xef\xbf\xbd.txt")); // U+FFFD in the path's text
        QCOMPARE(::unlink(raw.constData()), 0);            // QTemporaryDir cannot name it
    }

    // One Italian line each, naming what is wrong.
    void rejectsBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        const QString noFolder = QStringLiteral("manca la cartella da leggere (vedi --help)");
        const QString order = QStringLiteral("--order richiede un numero da -1 a 10");
        const QString preview = QStringLiteral("--preview-pages non va con altre azioni");
        QTest::newRow("no folder") << QStringList{} << noFolder;
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate", "."} << "opzione sconosciuta --frobnicate (vedi --help)";
        QTest::newRow("unknown short option")
            << QStringList{"-x", "."} << "opzione sconosciuta -x (vedi --help)";
        QTest::newRow("value for a switch")
            << QStringList{"--subfolders=yes", "."} << "l'opzione --subfolders non prende valori";
        QTest::newRow("order out of range") << QStringList{"--order", "11", "."} << order;
        QTest::newRow("order not a number") << QStringList{"--order", "x", "."} << order;
        QTest::newRow("order without value")
            << QStringList{".", "--order"} << "l'opzione --order richiede un valore";
        QTest::newRow("unknown column")
            << QStringList{"--columns", "number,colour", "."}
            << "--columns richiede un elenco separato da virgole di number, size, date, version, info";
        QTest::newRow("unknown info")
            << QStringList{"--info", "vendor", "."} << "--info richiede company, description o product";
        QTest::newRow("two folders") << QStringList{".", ".."} << "si può indicare una sola cartella";
        QTest::newRow("unknown export") << QStringList{"--export", "pdf", "."}
                                        << "--export richiede text, tsv, csv, xlsx, html, json o sha256";
        QTest::newRow("separate without export")
            << QStringList{"--separate", "."} << "--separate va solo con --export tsv";
        QTest::newRow("separate with text")
            << QStringList{"--export", "text", "--separate", "."} << "--separate va solo con --export tsv";
        QTest::newRow("export and print") << QStringList{"--export", "text", "--print", "PDF", "."}
                                          << "--export e --print si escludono a vicenda";
        QTest::newRow("output without action") << QStringList{"--output", "x.txt", "."}
                                               << "--output va solo con --export, --print o --preview-pages";
        QTest::newRow("output empty") << QStringList{"--export", "text", "--output=", "."}
                                      << "--output richiede il nome di un file oppure -";
        QTest::newRow("output for paper")
            << QStringList{"--print", "Ufficio", "--output", "x.pdf", "."}
            << "--output va solo con --print PDF: le altre stampanti stampano su carta";
        QTest::newRow("pdf to stdout") << QStringList{"--print", "PDF", "--output", "-", "."}
                                       << "--print non può scrivere sull'output standard";
        QTest::newRow("printers with folder")
            << QStringList{"--printers", "."} << "--printers non prende cartelle né altre azioni";
        QTest::newRow("preview without a folder for it")
            << QStringList{"--preview-pages", "1-2", "."}
            << "--preview-pages richiede --output CARTELLA, la cartella delle immagini";
        QTest::newRow("preview pages backwards")
            << QStringList{"--preview-pages", "3-2", "--output", "p", "."}
            << "--preview-pages richiede DA-A, numeri di pagina da 1";
        QTest::newRow("preview and print")
            << QStringList{"--preview-pages", "1", "--print", "PDF", "."} << preview;
        QTest::newRow("export without folder") << QStringList{"--export", "text"} << noFolder;
        QTest::newRow("checksum without a format")
            << QStringList{"--export", "text", "--checksum", "sha256", "."}
            << "--checksum va solo con --compare o con --export csv, xlsx, html, json o sha256";
        QTest::newRow("unknown checksum")
            << QStringList{"--export", "csv", "--checksum", "md5", "."} << "--checksum richiede sha256";
        QTest::newRow("separator without csv") << QStringList{"--export", "json", "--csv-separator", ";", "."}
                                               << "--csv-separator va solo con --export csv";
        QTest::newRow("unknown separator") << QStringList{"--export", "csv", "--csv-separator", "|", "."}
                                           << "--csv-separator richiede , oppure ;";
        QTest::newRow("compare and verify") << QStringList{"--compare", "a.jsonl", "--verify", "b"}
                                            << "--compare e --verify si escludono a vicenda";
        QTest::newRow("all without compare") << QStringList{"--all", "."} << "--all va solo con --compare";
        QTest::newRow("checksum list of a check")
            << QStringList{"--verify", "b", "--export", "sha256"}
            << "--export sha256 non va con --verify: scrive i checksum di un elenco";
        QTest::newRow("checksum list of a comparison")
            << QStringList{"--compare", "a.jsonl", "--export", "sha256"}
            << "--export sha256 non va con --compare: scrive i checksum di un elenco";
        QTest::newRow("empty pattern") << QStringList{"--pattern", "", "."} << kInvalidPatternMessage;
        QTest::newRow("blank pattern") << QStringList{"--pattern=  ", "."} << kInvalidPatternMessage;
    }
    void rejectsBadArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        expectUsageError(args, says);
    }

    void exitCodes()
    {
        Captured c = runList({QStringLiteral("--help")});
        QCOMPARE(c.rc, kExitOk);
        QVERIFY(c.out.join(QLatin1Char('\n')).contains(QStringLiteral("--columns")));
        c = runList({QStringLiteral("--version")});
        QCOMPARE(c.rc, kExitOk);
        QCOMPARE(c.out, QStringList{QStringLiteral("vellora-list ") + programVersionText()});

        // One Italian line, naming the folder by its absolute path.
        QVERIFY(QDir::setCurrent(m_dir.path()));
        c = runList({QStringLiteral("missing")});
        QCOMPARE(c.rc, kExitFolder);
        QVERIFY(c.out.isEmpty());
        QCOMPARE(c.err, QStringLiteral("vellora-list: impossibile leggere la cartella ") + root() +
                            QStringLiteral("missing/: file o cartella inesistente\n"));

        c = runList({m_dir.filePath(QStringLiteral("b.txt"))});
        QCOMPARE(c.rc, kExitFolder);

        // Ctrl+C before the first entry: nothing listed, exit 130.
        c = runList({m_dir.path()}, true);
        QCOMPARE(c.rc, kExitInterrupted);
        QVERIFY(c.out.isEmpty());

        // Ctrl+C while an export reads the files (the size column reads them only there): every
        // kind stops, exit 130, and leaves no file.
        for (const char* kind : {"text", "tsv", "csv"}) {
            std::FILE* out = std::tmpfile();
            std::FILE* err = std::tmpfile();
            ListCommand command(out, err);
            StopAtFirstRead facts(command.interruptFlag());
            command.setFactSource(&facts);
            const QString file = m_out.filePath(QStringLiteral("fermata.") + QLatin1String(kind));
            QCOMPARE(command.run({"--export", kind, "--columns", "size", "--output", file, m_dir.path()}),
                     kExitInterrupted);
            QVERIFY2(!QFile::exists(file), kind);
            std::fclose(out);
            std::fclose(err);
        }
    }
};

// Printing needs the graphical application; everything else runs without one.
QTEST_MAIN(TestList)
#include "test_list.moc"
