// The newer export formats written from rows in memory: what each format holds for names a
// spreadsheet, a page or a script could take for something else, the files they make, and
// their failures, which leave nothing behind.

#include "../common/FileSizeLimit.h"
#include "../common/LocaleText.h"
#include "../common/MemoryRows.h"
#include "export/Export.h"
#include "fileinfo/FolderPaths.h"
#include "results/AppState.h"
#include "ScriptedPrompter.h"
#include "system/OutputFile.h"
#include "system/SystemData.h"

#include <optional>
#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace vellora;
using namespace vellora::test;

namespace {

constexpr std::int64_t kMay12 = 1084365000; // 12/05/2004 14:30 in Rome
const QByteArray kShaAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const QByteArray kShaEmpty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

// A part of a workbook, as unzip reads it.
QString workbookPart(const QString& file, const QString& part)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, part});
    unzip.waitForFinished(-1);
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

bool wellFormed(const QString& xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError() && !xml.isEmpty();
}

QStringList captured(const QString& text, const char* pattern)
{
    QStringList all;
    for (const QRegularExpressionMatch& m : QRegularExpression(QLatin1String(pattern)).globalMatch(text))
        all << m.captured(1);
    return all;
}

} // namespace

class TestFormatExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_data;
    MemoryRows m_rows;
    MemoryFacts m_facts; // the files it does not know are read from the disk
    SystemData m_system{QStringLiteral("2"), QStringLiteral("Debian"), QString(), QStringLiteral("6.1")};
    QDateTime m_now{QDate(2004, 5, 12), QTime(14, 30, 59)};

    ExportRequest request(const AppState& state, ExportKind kind, bool checksum = false, QChar separator = {},
                          const std::atomic_bool* interrupt = nullptr) const
    {
        return ExportRequest{
            m_rows, state, m_system, m_now, {kind, NameLayout::Single, checksum, separator}, interrupt, {}};
    }

    AppState state(const ColumnProfile& opts) const
    {
        AppState s;
        s.CartellaRicerca = m_data;
        s.OptS = opts;
        return s;
    }

    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_data = m_tmp.path() + QStringLiteral("/dati/");
        QVERIFY(QDir().mkpath(m_data));
        m_rows.factSource = &m_facts;
        VersionData none;
        none.readable = true;
        const VersionData acme{true,
                               true,
                               QStringLiteral("1.2.3.4"),
                               QStringLiteral("Acme S.p.A."),
                               QStringLiteral("Setup & <co>"),
                               QStringLiteral("Suite")};
        const struct
        {
            const char* base;
            const char* ext;
            QByteArray content;
            VersionData version;
        } files[] = {{"a,b; c", "txt", "abc", none},
                     {"=HYPERLINK(\"x\")", "exe", "", acme},
                     {" àè 日本 ", "", "", none},
                     {"tab\there", "txt", "", none}};
        std::int64_t size = 3;
        for (const auto& f : files) {
            const QString base = QString::fromUtf8(f.base);
            m_rows.add(base, QLatin1String(f.ext), m_data);
            const QByteArray path = m_rows.rowPath(m_rows.rowCount());
            QFile file(QFile::decodeName(path));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(f.content) == f.content.size());
            m_facts.fake(path, size, kMay12, f.version);
            size *= 1000;
        }
        m_rows.add(QStringLiteral("sparito"), QStringLiteral("txt"), m_data); // gone since the scan
    }

    void formats_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<ColumnProfile>("opts");
        QTest::addColumn<bool>("checksum");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("lines"); // the records (the page: its table rows); %1 the folder
        const ColumnProfile all{1, 1, 1, 1, 1, 1, 1, 0};
        QTest::newRow("CSV, every column, checksum")
            << int(ExportKind::Csv) << all << true << ","
            << QStringList{"\xEF\xBB\xBFNome File,Ext,Dimensione,Data Ult. Modifica,Versione File,Produttore,"
                           "Directory,SHA-256",
                           "\"a,b; c\",txt,3,2004-05-12 14:30:00,,,%1," + kShaAbc,
                           "\"`=HYPERLINK(\"\"x\"\")\",exe,3000,2004-05-12 14:30:00,1.2.3.4,Acme S.p.A.,%1," +
                               kShaEmpty,
                           " àè 日本 ,,3000000,2004-05-12 14:30:00,,,%1," + kShaEmpty,
                           "tab?here,txt,3000000000,2004-05-12 14:30:00,,,%1," + kShaEmpty,
                           "sparito,txt,,,,,%1,"};
        QTest::newRow("CSV, semicolons, first-run columns")
            << int(ExportKind::Csv) << kDefaultOptS << false << ";"
            << QStringList{"\xEF\xBB\xBFNome File;Ext;Dimensione;Directory",
                           "\"a,b; c\";txt;3;%1",
                           "\"`=HYPERLINK(\"\"x\"\")\";exe;3000;%1",
                           " àè 日本 ;;3000000;%1",
                           "tab?here;txt;3000000000;%1",
                           "sparito;txt;;%1"};
        // A double quote is written ' in the lines below (no name here holds an apostrophe).
        const QString rest = ",'modified':'2004-05-12T14:30:00+02:00','version':'%1','company':'%2',"
                             "'description':'%3','product':'%4','sha256':'%5'}";
        const QString none = rest.arg(QString(), QString(), QString(), QString());
        QTest::newRow("JSON lines: every member whatever the columns")
            << int(ExportKind::JsonLines) << kDefaultOptS << true << ""
            << QStringList{
                   "{'number':1,'name':'a,b; c','extension':'txt','folder':'%1','path':'%1a,b; c.txt',"
                   "'relative':'a,b; c.txt','size':3" +
                       none.arg(kShaAbc),
                   "{'number':2,'name':'=HYPERLINK(\\'x\\')','extension':'exe','folder':'%1','path':'%1="
                   "HYPERLINK(\\'x\\').exe','relative':'=HYPERLINK(\\'x\\').exe','size':3000" +
                       rest.arg("1.2.3.4", "Acme S.p.A.", "Setup & <co>", "Suite", kShaEmpty),
                   "{'number':3,'name':' àè 日本 ','extension':'','folder':'%1','path':'%1 àè 日本 "
                   "','relative':' àè 日本 ','size':3000000" +
                       none.arg(kShaEmpty),
                   "{'number':4,'name':'tab\\there','extension':'txt','folder':'%1','path':'%"
                   "1tab\\there.txt','relative':'tab\\there.txt',"
                   "'size':3000000000" +
                       none.arg(kShaEmpty),
                   "{'number':5,'name':'sparito','extension':'txt','folder':'%1','path':'%1sparito."
                   "txt','relative':'sparito.txt','size':"
                   "null,'modified':null,'version':'','company':'','description':'','product':'','"
                   "sha256':''}"};
        const QString html =
            "<tr><td>%1</td><td>%2</td><td data-v='%3'>%4</td><td data-v='1084365000'>12/05/2004 "
            "14:30</td><td>%5</td><td>%6</td></tr>";
        QTest::newRow("HTML, escaped, numbers sortable")
            << int(ExportKind::Html) << ColumnProfile{1, 1, 1, 1, 1, 0, 1, 0} << false << ""
            << QStringList{html.arg("a,b; c", "txt", "3", "3", "", "%1"),
                           html.arg("=HYPERLINK(&quot;x&quot;)", "exe", "3000", "3,000", "Acme S.p.A.", "%1"),
                           html.arg(" àè 日本 ", "", "3000000", "3,000,000", "", "%1"),
                           html.arg("tab?here", "txt", "3000000000", "3,000,000,000", "", "%1"),
                           "<tr><td>sparito</td><td>txt</td><td></td><td></td><td></td><td>%1</td></tr>"};
    }

    void formats()
    {
        QFETCH(int, kind);
        QFETCH(ColumnProfile, opts);
        QFETCH(bool, checksum);
        QFETCH(QString, separator);
        QFETCH(QStringList, lines);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        const ExportOutcome outcome = writeExport(
            request(state(opts), ExportKind(kind), checksum, separator.isEmpty() ? QChar() : separator[0]),
            ExportTarget::stream(out));
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(outcome.rows, 5);
        QCOMPARE(outcome.unreadableRows, 1);
        QCOMPARE(outcome.noHashRows, 0); // the file that is gone has every field blank

        // The expected lines write a double quote as ' and an apostrophe as `; numbers and
        // dates of the page as the C locale writes them.
        lines.replaceInStrings(QStringLiteral("'"), QStringLiteral("\""));
        lines.replaceInStrings(QStringLiteral("`"), QStringLiteral("'"));
        if (ExportKind(kind) == ExportKind::Html)
            lines = localized(lines);
        QString text = QString::fromUtf8(out.data());
        if (ExportKind(kind) == ExportKind::Html) {
            const qsizetype from = text.indexOf(QStringLiteral("<tbody>\n")) + 8;
            text = text.mid(from, text.indexOf(QStringLiteral("</tbody>")) - from);
        }
        const QString end =
            ExportKind(kind) == ExportKind::Csv ? QStringLiteral("\r\n") : QStringLiteral("\n");
        QCOMPARE(text.split(end), lines.replaceInStrings(QStringLiteral("%1"), m_data) << QString());
    }

    void page_data()
    {
        QTest::addColumn<int>("files"); // 0: the names below
        QTest::newRow("names that are markup, unpaired surrogates, U+FFFE") << 0;
        QTest::newRow("5,000 files: table rows too") << 5000;
        QTest::newRow("5,001 files: data only") << 5001;
        QTest::newRow("20,001 files: two blocks, the folder named once") << 20001;
    }
    // The page's rows as data: every block is JSON that no text can end early (no "<" at all
    // inside), one entry per file whose text is the name, sizes and dates as numbers (null
    // when unknown), and plain table rows as well only up to 5,000 files.
    void page()
    {
        QFETCH(int, files);
        const QString folder = files ? QStringLiteral("/srv/a/") : QStringLiteral("/srv/</script><!--/");
        MemoryRows rows = MemoryRows::numbered(files, folder);
        MemoryFacts facts(false);
        rows.factSource = &facts;
        const QStringList hostile{QStringLiteral("</script><b>x"), QStringLiteral("<!--"), QStringLiteral("a\u2028b"),
                                  QString(QChar(0xfffe)) + QChar(0xd800) + QStringLiteral("x\"y & z"), QStringLiteral("日本 😀")};
        if (!files) {
            for (const QString& name : hostile)
                rows.add(name, QStringLiteral("txt"), folder);
            facts.fakeStat(rows.rowPath(1), std::int64_t(1) << 60, kMay12);
            facts.fakeStat(rows.rowPath(2), 3000, kMay12);
        }
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        const AppState s = state({1, 1, 1, 1, 1, 0, 0, 0});
        const ExportRequest r{rows, s, m_system, m_now, {ExportKind::Html}};
        QVERIFY(writeExport(r, ExportTarget::stream(out)).ok);
        const QString page = QString::fromUtf8(out.data());

        QStringList blocks;
        static const QRegularExpression script(QStringLiteral("<script type=\"application/json\"[^>]*>(.*?)</script>"),
                                               QRegularExpression::DotMatchesEverythingOption);
        for (auto it = script.globalMatch(page); it.hasNext();)
            blocks << it.next().captured(1);
        QCOMPARE(blocks.size(), files > 20000 ? 3 : files || hostile.size() ? 2 : 1);
        QJsonArray names, sizes, dates, at, folders;
        for (const QString& b : blocks) {
            QVERIFY2(!b.contains(u'<') && !b.contains(u'\u2028'), qPrintable(b.left(200)));
            QJsonParseError error{};
            const QJsonObject o = QJsonDocument::fromJson(b.toUtf8(), &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            if (o.contains(u"fields")) {
                QCOMPARE(o[u"group"].toString(), QLocale().groupSeparator());
                QCOMPARE(o[u"table"].toBool(), rows.rowCount() <= 5000);
                continue;
            }
            const QJsonArray c = o[u"cols"].toArray();
            for (const auto& [to, from] : {std::pair{&names, 0}, {&sizes, 2}, {&dates, 3}, {&at, 4}})
                for (const QJsonValue& v : c[from].toArray())
                    to->append(v);
            for (const QJsonValue& v : o[u"folders"].toArray())
                folders.append(v);
        }
        QCOMPARE(names.size(), rows.rowCount());
        QCOMPARE(folders, QJsonArray{folder});
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString want = files ? rows.text(i + 1, ColName)
                                       : QStringList{hostile[0], hostile[1], QStringLiteral("a?b"),
                                                     QStringLiteral("??x\"y & z"), hostile[4]}[i];
            QCOMPARE(names[i].toString(), want);
            QCOMPARE(at[i].toInt(-1), 0);
        }
        if (!files) {
            QCOMPARE(sizes[0].toString(), QStringLiteral("1152921504606846976")); // past 2^53: text
            QCOMPARE(sizes[1].toInteger(), 3000);
            QCOMPARE(dates[1].toInteger(), kMay12 + 7200); // 14:30 in Rome, written as UTC
            QVERIFY(sizes[2].isNull() && dates[2].isNull());
        }
        QCOMPARE(page.count(QStringLiteral("<tr><td")), rows.rowCount() <= 5000 ? rows.rowCount() : 0);
        QCOMPARE(page.contains(QStringLiteral("<noscript>")), rows.rowCount() > 5000);
    }

    // The path inside the listed folder, by which a later listing or a copy is compared,
    // whatever bytes the folder's names hold and however the listed folder was written.
    void relativePaths_data()
    {
        QTest::addColumn<QString>("listed"); // the folder the listing names
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("relative"); // "-": no member
        QTest::newRow("below it") << "/srv/a/" << QByteArray("/srv/a/b/c/") << QByteArray("x.txt")
                                  << "b/c/x.txt";
        QTest::newRow("in it") << "/srv/a/" << QByteArray("/srv/a/") << QByteArray("x") << "x";
        QTest::newRow("not UTF-8, bytes kept (window)")
            << fileinfo::pathText("/srv/caf\xE9/") << QByteArray("/srv/caf\xE9/d\xFF/")
            << QByteArray("n\xFE.txt") << "d\uFFFD/n\uFFFD.txt";
        QTest::newRow("not UTF-8, shown as U+FFFD (vellora-list)")
            << QString::fromUtf8("/srv/caf\xE9\xE8/") << QByteArray("/srv/caf\xE9\xE8/d/") << QByteArray("x")
            << "d/x";
        QTest::newRow("outside it") << "/srv/b/" << QByteArray("/srv/a/") << QByteArray("x") << "-";
        QTest::newRow("no folder") << "" << QByteArray("/srv/a/") << QByteArray("x") << "-";
    }
    void relativePaths()
    {
        QFETCH(QString, listed);
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, name);
        MemoryRows rows;
        MemoryFacts facts(false);
        rows.factSource = &facts;
        rows.add(fileinfo::pathText(name), QString(), fileinfo::pathText(folder));
        AppState s = state(kDefaultOptS);
        s.listed.listedText = listed + QStringLiteral("*.*");
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        const ExportRequest r{rows, s, m_system, m_now, {ExportKind::JsonLines}};
        QVERIFY(writeExport(r, ExportTarget::stream(out)).ok);
        const QJsonObject line = QJsonDocument::fromJson(out.data()).object();
        QTEST(line.contains(QLatin1String("relative")) ? line.value(QLatin1String("relative")).toString()
                                                       : QStringLiteral("-"),
              "relative");
    }

    void files_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::newRow("CSV") << int(ExportKind::Csv) << "Lista_2004-05-12_14-30-59.csv";
        QTest::newRow("XLSX") << int(ExportKind::Xlsx) << "Lista_2004-05-12_14-30-59.xlsx";
        QTest::newRow("HTML") << int(ExportKind::Html) << "Lista_2004-05-12_14-30-59.html";
        QTest::newRow("JSON lines") << int(ExportKind::JsonLines) << "Lista_2004-05-12_14-30-59.jsonl";
    }
    // The file holds what the device gets, the workbook too (its zip is dated by the
    // export's clock), nothing else stays in the folder, and the closing message counts the
    // file that could not be read once (its checksum is one of its blank fields).
    void files()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        const AppState s = state({1, 1, 1, 1, 1, 1, 1, 0});
        ExportRequest r = request(s, ExportKind(kind), true);
        const QString folder = m_tmp.path() + QStringLiteral("/nuova%1/temp").arg(kind);
        const ExportOutcome outcome = writeExport(r, ExportTarget::folder(folder));
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(outcome.filePath, folder + QLatin1Char('/') + name);
        QCOMPARE(entries(folder), QStringList{name});
        QBuffer memory;
        memory.open(QIODevice::WriteOnly);
        QVERIFY(writeExport(r, ExportTarget::stream(memory)).ok);
        QFile written(outcome.filePath);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), memory.data());
        if (ExportKind(kind) == ExportKind::Xlsx)
            QVERIFY(memory.data().startsWith("PK\x03\x04"));

        ScriptedPrompter prompter;
        reportOutcome(prompter, ExportKind(kind), outcome);
        QCOMPARE(prompter.messages.at(0).text,
                 completionMessage(ExportKind(kind), outcome.filePath) +
                     QStringLiteral("\r\n1 file non si è potuto leggere: i suoi campi sono vuoti."));
        QCOMPARE(prompter.messages.at(0).icon, Prompter::Icon::Information);
    }

    // A stop after the last row, while the file is finished (a million rows take seconds to
    // compress into a workbook), still leaves nothing. Nor is there ever a named file that a
    // kill would leave, in the target folder or in the temporary one, where the workbook is
    // composed (its scratch files take several times its size).
    void stops_data() { files_data(); }
    void stops()
    {
        QFETCH(int, kind);
        QTemporaryDir scratch;
        const QByteArray savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(scratch.path()));
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", savedTmp); });
        const AppState s = state({1, 1, 1, 1, 1, 1, 1, 0});
        std::atomic_bool interrupt{false};
        ExportRequest r = request(s, ExportKind(kind), true, {}, &interrupt);
        const QString folder =
            m_tmp.path() + QStringLiteral("/ferma/") + QLatin1String(QTest::currentDataTag());
        QStringList seen;
        r.progress = [&](qsizetype done, qsizetype total) {
            if (done == total && !interrupt) {
                seen << entries(folder) << entries(scratch.path());
                interrupt = true;
            }
        };
        const ExportOutcome outcome = writeExport(r, ExportTarget::folder(folder));
        QVERIFY(interrupt);
        QVERIFY(outcome.interrupted && !outcome.ok);
        QCOMPARE(seen + entries(folder) + entries(scratch.path()), QStringList());
    }

    // The closing notes say what the rows of files that could not be read leave blank: a
    // file that can be listed but not opened keeps its size and date. Files a range left out
    // unread, which have no row, get a line of their own.
    void notes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<ColumnProfile>("opts");
        QTest::addColumn<int>("unlisted");
        QTest::addColumn<QStringList>("notes");
        const QString many = QStringLiteral("2 file non si sono potuti leggere: %1.");
        QTest::newRow("JSON lines: every member")
            << int(ExportKind::JsonLines) << kDefaultOptS << 0
            << QStringList{"1 file non si è potuto leggere: i suoi campi sono vuoti.",
                           many.arg("i loro dati di versione e il loro checksum sono vuoti"),
                           "1 file non si è potuto leggere: il suo checksum è vuoto."};
        QTest::newRow("CSV, size and date, a range on")
            << int(ExportKind::Csv) << kDefaultOptS << 2
            << QStringList{"1 file non si è potuto leggere: i suoi campi sono vuoti.",
                           "2 file non si sono potuti leggere: non sono elencati, la loro dimensione o la "
                           "loro data è ignota.",
                           "3 file non si sono potuti leggere: il loro checksum è vuoto."};
        QTest::newRow("CSV, version only")
            << int(ExportKind::Csv) << ColumnProfile{1, 1, 1, 0, 0, 1, 0, 0} << 0
            << QStringList{"3 file non si sono potuti leggere: i loro campi sono vuoti.",
                           "1 file non si è potuto leggere: il suo checksum è vuoto."};
    }
    void notes()
    {
        QFETCH(int, kind);
        QFETCH(ColumnProfile, opts);
        QFETCH(int, unlisted);
        MemoryRows rows;
        MemoryFacts facts;
        rows.factSource = &facts;
        VersionData unread;
        VersionData none;
        none.readable = true;
        // None of them is on the disk: no checksum. Gone; listed, not opened (twice); readable.
        for (const char* name : {"sparito", "chiuso", "chiuso2", "letto"})
            rows.add(QLatin1String(name), QStringLiteral("txt"), m_data);
        facts.fake(rows.rowPath(2), 1, kMay12, unread);
        facts.fake(rows.rowPath(3), 1, kMay12, unread);
        facts.fake(rows.rowPath(4), 1, kMay12, none);
        AppState s = state(opts);
        s.listed.unlistedUnreadable = std::uint64_t(unlisted);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        ExportRequest r{rows,    s, m_system, m_now, {ExportKind(kind), NameLayout::Single, true, {}},
                        nullptr, {}};
        QTEST(exportNotes(writeExport(r, ExportTarget::stream(out))), "notes");
    }

    // What a workbook holds is XML: its numbers are written the same in every locale, and no
    // character of a name, a version string or the folder may break it.
    void workbookXml()
    {
        MemoryRows rows;
        MemoryFacts facts(false);
        rows.factSource = &facts;
        const QString folder = QStringLiteral("/srv/a\uFFFEb/");
        rows.add(QStringLiteral("no\uFFFFn"), QStringLiteral("txt"), folder);
        rows.add(QStringLiteral("solo") + QChar(0xD800) + QStringLiteral("x\U0001F600"), QString(), folder);
        VersionData v;
        v.readable = true;
        v.companyName = QStringLiteral("Acme\uFFFE");
        facts.fake(rows.rowPath(1), 1234567, kMay12 + 45, v);
        facts.fake(rows.rowPath(2), 7, kMay12, v);
        AppState s = state({1, 1, 1, 1, 1, 0, 1, 0});
        s.listed.listedText = folder + QStringLiteral("*.*");
        const QString file = m_tmp.path() + QStringLiteral("/xml.xlsx");
        ExportRequest r{rows, s, m_system, m_now, {ExportKind::Xlsx}, nullptr, {}};
        QVERIFY(writeExport(r, ExportTarget::file(file)).ok);

        const QString sheet = workbookPart(file, QStringLiteral("xl/worksheets/sheet1.xml"));
        for (const char* part : {"xl/worksheets/sheet2.xml", "docProps/core.xml"})
            QVERIFY2(wellFormed(workbookPart(file, QLatin1String(part))), part);
        QVERIFY(wellFormed(sheet));
        QCOMPARE(
            captured(sheet, "<t>([^<]*)</t>").mid(6),
            (QStringList{"no?n", "txt", "Acme?", "/srv/a?b/", "solo?x\U0001F600", "Acme?", "/srv/a?b/"}));
        QCOMPARE(captured(sheet, "<v>([^<]*)</v>"),
                 (QStringList{"1234567", "38119.6046875", "7", "38119.60416666666"}));
        QCOMPARE(captured(sheet, " width=\"([^\"]*)\"").first(), QStringLiteral("11.7109375"));
        QVERIFY(sheet.contains(QLatin1String("left=\"0.7\"")));
        QVERIFY(workbookPart(file, QStringLiteral("docProps/core.xml"))
                    .contains(QStringLiteral("<dc:title>Lista - /srv/a?b/*.*</dc:title>")));
        // The page is XML's cousin: the same texts.
        QBuffer page;
        page.open(QIODevice::WriteOnly);
        r.choice.kind = ExportKind::Html;
        QVERIFY(writeExport(r, ExportTarget::stream(page)).ok);
        const QString html = QString::fromUtf8(page.data());
        for (const QString& text :
             {QStringLiteral("<title>Lista - /srv/a?b/*.*</title>"), QStringLiteral("<td>no?n</td>"),
              QStringLiteral("<td>solo?x\U0001F600</td>")})
            QVERIFY2(html.contains(text), qPrintable(text));
    }

    // Dates at the edges of what the readers take: years past 9999 (and local mean times)
    // are unknown where a reader could not read them, and spreadsheets' own count of days
    // before March 1900 (with its 29 February) is kept.
    void edgeDates_data()
    {
        QTest::addColumn<qint64>("mtime");
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("xlsx"); // the cell's value, "" for no cell
        QTest::newRow("Rome's own mean time, 1880") << qint64(-2826446400) << "1880-06-07 12:49:56"
                                                    << "\"1880-06-07T12:00:00Z\""
                                                    << "";
        QTest::newRow("1 January 1900") << qint64(-2208992400) << "1900-01-01 00:00:00"
                                        << "\"1900-01-01T00:00:00+01:00\""
                                        << "1";
        QTest::newRow("28 February 1900, noon") << qint64(-2203938000) << "1900-02-28 12:00:00"
                                                << "\"1900-02-28T12:00:00+01:00\""
                                                << "59.5";
        QTest::newRow("1 March 1900") << qint64(-2203894800) << "1900-03-01 00:00:00"
                                      << "\"1900-03-01T00:00:00+01:00\""
                                      << "61";
        QTest::newRow("last minute of 9999") << qint64(253402297140) << "9999-12-31 23:59:00"
                                             << "\"9999-12-31T23:59:00+01:00\""
                                             << "2958465.999305556";
        QTest::newRow("10000 in Rome, 9999 in UTC") << qint64(253402297200) << ""
                                                    << "null"
                                                    << "";
        QTest::newRow("beyond any calendar") << (qint64(1) << 62) << ""
                                             << "null"
                                             << "";
    }
    void edgeDates()
    {
        QFETCH(qint64, mtime);
        MemoryRows rows;
        MemoryFacts facts(false);
        rows.factSource = &facts;
        rows.add(QStringLiteral("f"), QStringLiteral("txt"), m_data);
        facts.fake(rows.rowPath(1), 1, mtime, VersionData{});
        const AppState s = state({1, 1, 1, 1, 1, 0, 0, 0});
        QStringList got;
        for (const ExportKind kind : {ExportKind::Csv, ExportKind::JsonLines, ExportKind::Xlsx}) {
            const QString file = m_tmp.path() + QStringLiteral("/date") + exportFileName(kind, m_now);
            ExportRequest r{rows,    s, m_system, m_now, {kind, NameLayout::Single, false, QLatin1Char(',')},
                            nullptr, {}};
            QVERIFY(writeExport(r, ExportTarget::file(file)).ok);
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll());
            if (kind == ExportKind::Csv)
                got << text.split(QStringLiteral("\r\n")).at(1).section(QLatin1Char(','), 3, 3);
            else if (kind == ExportKind::JsonLines)
                got << captured(text, "\"modified\":(null|\"[^\"]*\")").value(0);
            else
                got << captured(workbookPart(file, QStringLiteral("xl/worksheets/sheet1.xml")),
                                "<v>([^<]*)</v>")
                           .mid(1)
                           .value(0);
        }
        QFETCH(QString, csv);
        QFETCH(QString, json);
        QFETCH(QString, xlsx);
        QCOMPARE(got, (QStringList{csv, json, xlsx}));
    }

    void failures_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("how");
        for (const ExportKind k :
             {ExportKind::Csv, ExportKind::Xlsx, ExportKind::Html, ExportKind::JsonLines})
            for (const char* how : {"full disk", "/dev/full", "interrupted"})
                QTest::addRow("%s, %s", qPrintable(formatTitle(k)), how)
                    << int(k) << QString::fromLatin1(how);
    }
    // A write that fails names the file and the cause; an interrupt says nothing of a
    // failure. Either way nothing is left in the folder, and a device stays a device.
    void failures()
    {
        QFETCH(int, kind);
        QFETCH(QString, how);
        const AppState s = state({1, 1, 1, 1, 1, 1, 1, 0});
        std::atomic_bool interrupt{how == QLatin1String("interrupted")};
        ExportRequest r = request(s, ExportKind(kind), true, {}, &interrupt);
        const QString folder = m_tmp.path() + QStringLiteral("/fallite/%1/").arg(QTest::currentDataTag());
        ExportOutcome outcome;
        if (how == QLatin1String("/dev/full")) {
            outcome = writeExport(r, ExportTarget::file(how));
            QVERIFY(QFileInfo(how).exists() && !QFileInfo(how).isFile());
        } else {
            // Stands in for a full disk: every file of the process, the scratch ones too,
            // stops growing at 64 bytes.
            std::optional<FileSizeLimit> limit;
            if (how == QLatin1String("full disk"))
                limit.emplace(64);
            outcome = writeExport(r, ExportTarget::folder(folder));
            QCOMPARE(entries(folder), QStringList());
        }
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.interrupted, bool(interrupt));
        const QString cause = how == QLatin1String("full disk")
                                  ? QStringLiteral("file troppo grande per il disco")
                                  : QStringLiteral("spazio esaurito sul disco");
        QCOMPARE(outcome.error, interrupt ? QString() : cannotWriteMessage(outcome.filePath, cause));
    }
};

QTEST_GUILESS_MAIN(TestFormatExport)
#include "tst_FormatExport.moc"
