// The eleven orders on real files: text orders ignore case and follow the user's locale, size
// and date orders compare numbers read again from the disk, versions group with the empty
// ones last, ties keep the order they had, and an order whose key column is hidden leaves the
// rows alone but still renumbers them.

#include "TableFixtures.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <random>
#include <tuple>

using namespace vellora;
using namespace fixtures;

namespace {

struct FileCase
{
    QString path; // relative, '/' separated
    qint64 size = 0;
    qint64 mtime = 0;
    const char* version = "";
    const char* info = "";
    qint64 sizeLater = -2; // after the fill: the size the file gets, -1 if it goes
};

// Builds a table over real files; versions and infos are set on the rows directly (the
// reader has its own tests), so every order can be driven from one table of cases.
void build(ResultTable& t, const QString& root, const QList<FileCase>& files, const ColumnProfile& optV)
{
    ScanBuilder b;
    for (const FileCase& s : files) {
        makeFile(root, s.path, s.size, s.mtime);
        const qsizetype slash = s.path.lastIndexOf(QLatin1Char('/'));
        b.add(QFile::encodeName(root + u'/' + s.path.left(slash + 1)),
              QFile::encodeName(s.path.mid(slash + 1)), s.size);
    }
    std::atomic_bool no{false};
    FillOptions o;
    o.optV = optV;
    FillResult f = fillRows(std::move(b.scan), o, no);
    ResultRows& rows = f.rows;
    const auto intern = [&rows](const char* s) {
        if (!*s)
            return 0u;
        rows.strings.push_back(QString::fromUtf8(s));
        return std::uint32_t(rows.strings.size() - 1);
    };
    for (qsizetype i = 0; i < files.size(); ++i) {
        ResultRows::Row& r = rows.rows[std::size_t(i)];
        r.version = intern(files[i].version);
        r.info = intern(files[i].info);
        ResultRows::mark(r, ColVersion, optV[ColVersion] == 1);
        ResultRows::mark(r, ColInfo, optV[ColInfo] == 1);
    }
    t.PopolaGriglia(std::move(f), defaultHeadings(), optV, Order::None);
}

} // namespace

Q_DECLARE_METATYPE(FileCase)

class TestOrders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orders_data()
    {
        QTest::addColumn<QList<FileCase>>("files"); // in scan order
        QTest::addColumn<int>("order");
        QTest::addColumn<ColumnProfile>("optV");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("checkColumn");
        QTest::addColumn<QStringList>("expectedTexts"); // that column afterwards
        const auto row = [](const char* tag, const QList<FileCase>& files, int order,
                            const ColumnProfile& optV, const QStringList& expected, int checkColumn = -1,
                            const QStringList& texts = {}, const QLocale& locale = QLocale::c()) {
            QTest::newRow(tag) << files << order << optV << locale << expected << checkColumn << texts;
        };

        const QList<FileCase> names{{"b.txt"}, {"A.doc"}, {"a.exe"}};
        row("0 name A-Z ignores case", names, 0, kDefaultOptV, {"A.doc", "a.exe", "b.txt"});
        row("1 name Z-A", names, 1, kDefaultOptV, {"b.txt", "A.doc", "a.exe"});
        row("-1 none", names, -1, kDefaultOptV, {"b.txt", "A.doc", "a.exe"});
        // Enough rows for an unstable sort to show: equal names keep their scan order.
        QList<FileCase> ties;
        QStringList a, b;
        for (int i = 0; i < 40; ++i) {
            (i % 3 ? a : b) << (i % 3 ? QStringLiteral("a.%1") : QStringLiteral("B.%1")).arg(i);
            ties << FileCase{i % 3 ? a.last() : b.last()};
        }
        row("0 many ties keep their order", ties, 0, kDefaultOptV, a + b);
        row("1 many ties keep their order", ties, 1, kDefaultOptV, b + a);
        // Outside the "C" locale names go through the collator: accented letters sit with
        // their base letter.
        const QList<FileCase> accents{{"f.txt"}, {"\xc3\xa9.txt"}, {"Z.txt"}, {"e.txt"}};
        row("0 C locale: code points", accents, 0, kDefaultOptV, {"e.txt", "f.txt", "Z.txt", "\u00e9.txt"});
        row("0 Italian collation", accents, 0, kDefaultOptV, {"e.txt", "\u00e9.txt", "f.txt", "Z.txt"}, -1,
            {}, QLocale(QLocale::Italian, QLocale::Italy));
        // Long names that first differ after many equal characters, in both comparisons.
        const QList<FileCase> longNames{{"Relazione_trimestrale_2025_b.pdf"},
                                        {"relazione_trimestrale_2025.pdf"},
                                        {"Relazione_trimestrale_2025_A.pdf"}};
        const QStringList longSorted{"relazione_trimestrale_2025.pdf", "Relazione_trimestrale_2025_A.pdf",
                                     "Relazione_trimestrale_2025_b.pdf"};
        row("0 C locale: long common start", longNames, 0, kDefaultOptV, longSorted);
        row("0 Italian: long common start", longNames, 0, kDefaultOptV, longSorted, -1, {},
            QLocale(QLocale::Italian, QLocale::Italy));
        row("2 extension", {{"x.txt"}, {"y.DOC"}, {"Makefile"}, {"z.exe"}}, 2, kDefaultOptV,
            {"Makefile", "y.DOC", "z.exe", "x.txt"});

        const QList<FileCase> sizes{{"nine.bin", 900}, {"ten.bin", 10}, {"mega.bin", 1000000}};
        row("3 size as numbers", sizes, 3, profile({ColSize}), {"ten.bin", "nine.bin", "mega.bin"}, ColSize,
            {"10", "900", "1,000,000"});
        row("4 size 9-0", sizes, 4, profile({ColSize}), {"mega.bin", "nine.bin", "ten.bin"}, ColSize,
            {"1,000,000", "900", "10"});
        // Size and date orders read the disk again: a file gone since the fill empties its cell
        // and counts as smaller than any, a file grown since sorts and shows its new size.
        const QList<FileCase> changed{{"big.bin", 5000},
                                      {"gone.bin", 1, 0, "", "", -1},
                                      {"grow.bin", 1, 0, "", "", 4000},
                                      {"small.bin", 2}};
        row("3 size read again", changed, 3, profile({ColSize}),
            {"gone.bin", "small.bin", "grow.bin", "big.bin"}, ColSize, {"", "2", "4,000", "5,000"});
        row("4 size read again", changed, 4, profile({ColSize}),
            {"big.bin", "grow.bin", "small.bin", "gone.bin"}, ColSize, {"5,000", "4,000", "2", ""});
        row("3 size column hidden keeps order", sizes, 3, kDefaultOptV, {"nine.bin", "ten.bin", "mega.bin"},
            ColNumber, {"1", "2", "3"});

        // mid.txt is 30 seconds after old.txt: the same minute, so a tie.
        const qint64 minute = localTime(2003, 12, 31, 23, 59);
        const QList<FileCase> dates{
            {"new.txt", 1, localTime(2004, 1, 1, 0, 0)}, {"mid.txt", 1, minute + 30}, {"old.txt", 1, minute}};
        row("5 date oldest first, to the minute", dates, 5, profile({ColDate}),
            {"mid.txt", "old.txt", "new.txt"}, ColDate,
            {"31/12/2003 23:59", "31/12/2003 23:59", "01/01/2004 00:00"});
        row("6 date newest first, to the minute", dates, 6, profile({ColDate}),
            {"new.txt", "mid.txt", "old.txt"});

        const QList<FileCase> versions{{"a.dll", 0, 0, "5.0.2134.1"},
                                       {"b.dll", 0, 0, ""},
                                       {"c.dll", 0, 0, "4.0.1381.4"},
                                       {"d.dll", 0, 0, "5.0.2134.1"},
                                       {"e.dll", 0, 0, "10.0.0.1"}};
        row("7 versions grouped, text descending, empty last", versions, 7, profile({ColVersion}),
            {"a.dll", "d.dll", "c.dll", "e.dll", "b.dll"}, ColVersion,
            {"5.0.2134.1", "5.0.2134.1", "4.0.1381.4", "10.0.0.1", ""});
        const QList<FileCase> infos{
            {"a.dll", 0, 0, "", "zeta"}, {"b.dll", 0, 0, "", "Alfa"}, {"c.dll"}, {"d.dll", 0, 0, "", "alfa"}};
        row("8 info ignores case, empty first", infos, 8, profile({ColInfo}),
            {"c.dll", "b.dll", "d.dll", "a.dll"});

        const QList<FileCase> folders{{"A/B/deep.txt"}, {"A/top.txt"}, {"C/c.txt"}, {"a/lower.txt"}};
        row("9 folder A-Z: A/ before A/B/", folders, 9, kDefaultOptV,
            {"top.txt", "lower.txt", "deep.txt", "c.txt"});
        row("10 folder Z-A", folders, 10, kDefaultOptV, {"c.txt", "deep.txt", "top.txt", "lower.txt"});
    }
    void orders()
    {
        QFETCH(QList<FileCase>, files);
        QFETCH(int, order);
        QFETCH(ColumnProfile, optV);
        QFETCH(QLocale, locale);
        QFETCH(QStringList, expected);
        QFETCH(int, checkColumn);
        QFETCH(QStringList, expectedTexts);
        const QLocale saved;
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });
        QTemporaryDir dir;
        ResultTable t;
        QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::QtTest);
        build(t, dir.path(), files, optV);
        for (const FileCase& f : files) {
            if (f.sizeLater == -1)
                QVERIFY(QFile::remove(dir.filePath(f.path)));
            else if (f.sizeLater >= 0)
                makeFile(dir.path(), f.path, f.sizeLater);
        }
        t.OrdinaGriglia(Order(order), optV);
        t.NumeraGriglia(optV[ColNumber] == 1);
        QCOMPARE(displayedNames(t), expected);
        if (checkColumn >= 0)
            QCOMPARE(column(t, checkColumn), expectedTexts);
    }

    // The name orders compare most names without the collator; the result must be the
    // collator's own, row by row, also where a locale joins letters ("aa", "ch").
    void namesFollowTheCollator_data()
    {
        QTest::addColumn<QLocale>("locale");
        for (const auto& [tag, language, territory] :
             {std::tuple{"Italian", QLocale::Italian, QLocale::Italy},
              std::tuple{"German", QLocale::German, QLocale::Germany},
              std::tuple{"Danish", QLocale::Danish, QLocale::Denmark},
              std::tuple{"Czech", QLocale::Czech, QLocale::CzechRepublic}})
            QTest::newRow(tag) << QLocale(language, territory);
    }
    void namesFollowTheCollator()
    {
        QFETCH(QLocale, locale);
        const QLocale saved;
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });
        const QStringList alphabet{"a",      "A",      "aa",     "b",      "c",      "ch", "C", "h",
                                   "z",      "0",      "9",      "_",      "-",      " ",  ".", "~",
                                   "\u00e9", "\u00c9", "\u00e0", "\u4e2d", "\u0301", "\t"};
        std::mt19937 rng(7);
        ScanBuilder b;
        QStringList bases;
        for (int i = 0; i < 3000; ++i) {
            QString base;
            for (int k = int(rng() % 9); k > 0; --k)
                base += alphabet[int(rng() % alphabet.size())];
            bases << base;
            b.add("/f/", (base + QStringLiteral(".x")).toUtf8());
        }
        std::atomic_bool no{false};
        FillOptions o;
        o.optV = kDefaultOptV;
        ResultTable t;
        t.PopolaGriglia(fillRows(std::move(b.scan), o, no), defaultHeadings(), kDefaultOptV, Order::None);
        QCollator collator{locale};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (const int order : {0, 1}) {
            QStringList expected = bases;
            std::stable_sort(expected.begin(), expected.end(), [&](const QString& x, const QString& y) {
                return order == 0 ? collator.compare(x, y) < 0 : collator.compare(y, x) < 0;
            });
            t.OrdinaGriglia(Order::None, kDefaultOptV); // keeps the order
            QVERIFY(t.OrdinaGriglia(Order(order), kDefaultOptV));
            // Rows the collator holds equal may stand in either order: compare their keys.
            const QStringList got = column(t, ColName);
            QCOMPARE(got.size(), expected.size());
            for (qsizetype i = 0; i < got.size(); ++i)
                QVERIFY2(collator.compare(got[i], expected[i]) == 0,
                         qPrintable(QStringLiteral("row %1: %2 / %3").arg(i).arg(got[i], expected[i])));
        }
    }
};

QTEST_GUILESS_MAIN(TestOrders)
#include "test_orders.moc"
