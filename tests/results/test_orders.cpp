// The eleven orders on real files: text orders ignore case, size and date orders compare
// numbers read again from the disk, versions group with the empty ones last, and an order
// whose key column is hidden leaves the rows alone but still renumbers them.

#include "TableFixtures.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>

using namespace vellora;
using namespace fixtures;

namespace {

struct FileCase
{
    FileCase() = default;
    FileCase(const char* p, qint64 s = 0, qint64 m = 0, const char* v = "", const char* i = "")
        : path(QString::fromUtf8(p)), size(s), mtime(m), version(QString::fromUtf8(v)),
          info(QString::fromUtf8(i))
    {
    }
    QString path; // relative, '/' separated
    qint64 size = 0;
    qint64 mtime = 0;
    QString version;
    QString info;
};

// Expected display order as groups: "a|b" means a and b in either order, then the rest.
void verifyGroups(const QStringList& actual, const QStringList& groups)
{
    qsizetype at = 0;
    for (const QString& g : groups) {
        QStringList members = g.split(QLatin1Char('|'));
        QStringList got = actual.mid(at, members.size());
        members.sort();
        got.sort();
        QVERIFY2(got == members, qPrintable(actual.join(QLatin1Char(' '))));
        at += members.size();
    }
    QCOMPARE(at, actual.size());
}

} // namespace

Q_DECLARE_METATYPE(FileCase)

class TestOrders : public QObject
{
    Q_OBJECT

    // Builds a table over real files; versions and infos are set on the rows directly (the
    // reader has its own tests), so every order can be driven from one table of cases.
    void build(ResultTable& t, const QString& root, const QList<FileCase>& specs, const ColumnProfile& optV)
    {
        ScanBuilder b;
        for (const FileCase& s : specs) {
            makeFile(root, s.path, s.size, s.mtime);
            const qsizetype slash = s.path.lastIndexOf(QLatin1Char('/'));
            const QByteArray folder =
                QFile::encodeName(root) + '/' + QFile::encodeName(s.path.left(slash + 1));
            b.add(folder, QFile::encodeName(s.path.mid(slash + 1)), s.size);
        }
        std::atomic_bool no{false};
        FillOptions o;
        o.optV = optV;
        FillResult f = fillRows(std::move(b.scan), o, no);
        ResultRows& rows = f.rows;
        for (qsizetype i = 0; i < specs.size(); ++i) {
            auto intern = [&rows](const QString& s) {
                rows.strings.push_back(s);
                return std::uint32_t(rows.strings.size() - 1);
            };
            ResultRows::Row& r = rows.rows[std::size_t(i)];
            r.version = specs[i].version.isEmpty() ? 0 : intern(specs[i].version);
            r.info = specs[i].info.isEmpty() ? 0 : intern(specs[i].info);
            ResultRows::mark(r, ColVersion, optV[ColVersion] == 1);
            ResultRows::mark(r, ColInfo, optV[ColInfo] == 1);
        }
        t.PopolaGriglia(std::move(f), defaultHeadings(), optV, -1);
    }

private Q_SLOTS:
    void orders_data()
    {
        QTest::addColumn<QList<FileCase>>("files");
        QTest::addColumn<int>("order");
        QTest::addColumn<ColumnProfile>("optV");
        QTest::addColumn<QStringList>("expected"); // groups of names
        QTest::addColumn<int>("checkColumn");
        QTest::addColumn<QStringList>("expectedTexts"); // that column afterwards

        const QList<FileCase> names{{"b.txt"}, {"A.doc"}, {"a.exe"}};
        QTest::newRow("0 name A-Z ignores case")
            << names << 0 << kDefaultOptV << QStringList{"A.doc|a.exe", "b.txt"} << -1 << QStringList{};
        QTest::newRow("1 name Z-A") << names << 1 << kDefaultOptV << QStringList{"b.txt", "A.doc|a.exe"} << -1
                                    << QStringList{};
        QTest::newRow("2 extension") << QList<FileCase>{{"x.txt"}, {"y.DOC"}, {"Makefile"}, {"z.exe"}} << 2
                                     << kDefaultOptV << QStringList{"Makefile", "y.DOC", "z.exe", "x.txt"}
                                     << -1 << QStringList{};

        const QList<FileCase> sizes{{"nine.bin", 900}, {"ten.bin", 10}, {"mega.bin", 1000000}};
        QTest::newRow("3 size as numbers")
            << sizes << 3 << profile({ColSize}) << QStringList{"ten.bin", "nine.bin", "mega.bin"}
            << int(ColSize) << QStringList{"10", "900", "1,000,000"};
        QTest::newRow("4 size 9-0") << sizes << 4 << profile({ColSize})
                                    << QStringList{"mega.bin", "nine.bin", "ten.bin"} << int(ColSize)
                                    << QStringList{"1,000,000", "900", "10"};
        QTest::newRow("3 size column hidden keeps order")
            << sizes << 3 << kDefaultOptV << QStringList{"nine.bin", "ten.bin", "mega.bin"} << int(ColNumber)
            << QStringList{"1", "2", "3"};

        const QList<FileCase> dates{{"new.txt", 1, localTime(2004, 1, 1, 0, 0)},
                                {"old.txt", 1, localTime(2003, 12, 31, 23, 59)},
                                {"mid.txt", 1, localTime(2003, 12, 31, 23, 59) + 30}};
        QTest::newRow("5 date oldest first, to the minute")
            << dates << 5 << profile({ColDate}) << QStringList{"old.txt|mid.txt", "new.txt"} << int(ColDate)
            << QStringList{"31/12/2003 23:59", "31/12/2003 23:59", "01/01/2004 00:00"};
        QTest::newRow("6 date newest first")
            << dates << 6 << profile({ColDate}) << QStringList{"new.txt", "old.txt|mid.txt"} << -1
            << QStringList{};

        const QList<FileCase> versions{{"a.dll", 0, 0, "5.0.2134.1"},
                                   {"b.dll", 0, 0, ""},
                                   {"c.dll", 0, 0, "4.0.1381.4"},
                                   {"d.dll", 0, 0, "5.0.2134.1"},
                                   {"e.dll", 0, 0, "10.0.0.1"}};
        QTest::newRow("7 versions grouped, text descending, empty last")
            << versions << 7 << profile({ColVersion}) << QStringList{"a.dll|d.dll", "c.dll", "e.dll", "b.dll"}
            << int(ColVersion) << QStringList{"5.0.2134.1", "5.0.2134.1", "4.0.1381.4", "10.0.0.1", ""};
        QTest::newRow("8 info ignores case")
            << QList<FileCase>{{"a.dll", 0, 0, "", "zeta"},
                           {"b.dll", 0, 0, "", "Alfa"},
                           {"c.dll"},
                           {"d.dll", 0, 0, "", "alfa"}}
            << 8 << profile({ColInfo}) << QStringList{"c.dll", "b.dll|d.dll", "a.dll"} << -1 << QStringList{};

        const QList<FileCase> folders{{"A/B/deep.txt"}, {"A/top.txt"}, {"C/c.txt"}, {"a/lower.txt"}};
        QTest::newRow("9 folder A-Z: A/ before A/B/")
            << folders << 9 << kDefaultOptV << QStringList{"top.txt|lower.txt", "deep.txt", "c.txt"} << -1
            << QStringList{};
        QTest::newRow("10 folder Z-A")
            << folders << 10 << kDefaultOptV << QStringList{"c.txt", "deep.txt", "top.txt|lower.txt"} << -1
            << QStringList{};
        QTest::newRow("-1 none") << names << -1 << kDefaultOptV << QStringList{"b.txt", "A.doc", "a.exe"}
                                 << -1 << QStringList{};
    }
    void orders()
    {
        QFETCH(QList<FileCase>, files);
        QFETCH(int, order);
        QFETCH(ColumnProfile, optV);
        QFETCH(QStringList, expected);
        QFETCH(int, checkColumn);
        QFETCH(QStringList, expectedTexts);
        QTemporaryDir dir;
        ResultTable t;
        QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::QtTest);
        build(t, dir.path(), files, optV);
        t.OrdinaGriglia(order, optV);
        t.NumeraGriglia(optV[ColNumber] == 1);
        verifyGroups(displayedNames(t), expected);
        if (checkColumn >= 0)
            QCOMPARE(column(t, checkColumn), expectedTexts);
    }

    // Outside the "C" locale names go through the collator: accented letters sit with
    // their base letter.
    void followsUserLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("C: code points")
            << QLocale::c() << QStringList{"e.txt", "f.txt", "Z.txt", "\u00e9.txt"};
        QTest::newRow("Italian") << QLocale(QLocale::Italian, QLocale::Italy)
                                 << QStringList{"e.txt", "\u00e9.txt", "f.txt", "Z.txt"};
    }
    void followsUserLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, expected);
        const QLocale saved;
        QLocale::setDefault(locale);
        QTemporaryDir dir;
        ResultTable t;
        build(t, dir.path(), {{"f.txt"}, {"\xc3\xa9.txt"}, {"Z.txt"}, {"e.txt"}}, kDefaultOptV);
        QVERIFY(t.OrdinaGriglia(0, kDefaultOptV));
        const QStringList byName = displayedNames(t);
        QLocale::setDefault(saved);
        QCOMPARE(byName, expected);
    }

    // The size order reads the disk again: a file gone since the fill empties its size cell
    // and goes last, a file grown since shows and sorts by its new size.
    void sizeOrderRereadsTheDisk()
    {
        QTemporaryDir dir;
        ResultTable t;
        build(t, dir.path(), {{"big.bin", 5000}, {"gone.bin", 1}, {"grow.bin", 1}, {"small.bin", 2}},
              profile({ColSize}));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("gone.bin"))));
        makeFile(dir.path(), QStringLiteral("grow.bin"), 4000);
        QVERIFY(t.OrdinaGriglia(4, profile({ColSize})));
        QCOMPARE(displayedNames(t), (QStringList{"big.bin", "grow.bin", "small.bin", "gone.bin"}));
        QCOMPARE(column(t, ColSize), (QStringList{"5,000", "4,000", "2", ""}));
    }
};

QTEST_GUILESS_MAIN(TestOrders)
#include "test_orders.moc"
