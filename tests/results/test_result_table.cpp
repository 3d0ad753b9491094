// The result table: what the fill writes into each cell for each profile and each way the
// file may have changed since the walk, where an interrupted fill leaves the table, and the
// model's own consistency under the edits the file actions make.

#include "LocaleText.h"
#include "MemoryFacts.h"
#include "PeBuilder.h"
#include "results/Formats.h"
#include "TableFixtures.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <unistd.h>

using namespace vellora;
using namespace fixtures;
using vellora::test::localized;

class TestResultTable : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray root() const { return QFile::encodeName(m_dir.path()) + '/'; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        makeFile(m_dir.path(), QStringLiteral("setup.exe"), 900, localTime(2004, 1, 1, 0, 0));
    }

    // One file (5000 bytes, 12/05/2004 14:30) and the cells 0..6 of its row: the name split
    // at its last dot, and the date and the version from one look at the file. Between the
    // walk and the fill the file may go, or something else may take its place (a FIFO, a
    // link), which is not the file: the row stays, with what can be read of the file.
    void fillsOneRow_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("change");
        QTest::addColumn<ColumnProfile>("optV");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<bool>("error"); // the fill reports a row it could not fill
        const auto row = [](const char* tag, const char* change, const ColumnProfile& optV,
                            const QStringList& cells, bool error = false, const char* name = "f.exe") {
            QTest::newRow(tag) << QByteArray(name) << QString::fromLatin1(change) << optV << cells << error;
        };
        const QString when = QStringLiteral("12/05/2004 14:30");
        const ColumnProfile dateVersion = profile({ColDate, ColVersion});
        row("default profile", "", kDefaultOptV, {"1", "f", "exe", "", "", "", ""});
        row("last dot only", "", kDefaultOptV, {"1", "archive.tar", "gz", "", "", "", ""}, false,
            "archive.tar.gz");
        row("no dot", "", kDefaultOptV, {"1", "Makefile", "", "", "", "", ""}, false, "Makefile");
        row("leading dot only", "", kDefaultOptV, {"1", "", "profile", "", "", "", ""}, false, ".profile");
        row("dot file with ext", "", kDefaultOptV, {"1", ".a", "b", "", "", "", ""}, false, ".a.b");
        row("trailing dot", "", kDefaultOptV, {"1", "file", "", "", "", "", ""}, false, "file.");
        row("utf8", "", kDefaultOptV, {"1", "caff\u00e8", "txt", "", "", "", ""}, false, "caff\xc3\xa8.txt");
        row("no number", "", profile({}, false), {"", "f", "exe", "", "", "", ""});
        row("size and date", "", profile({ColSize, ColDate}), {"1", "f", "exe", "5,000", when, "", ""});
        row("version and info of a non-executable", "", profile({ColVersion, ColInfo}),
            {"1", "f", "exe", "", "", "", ""});
        row("executable", "pe", dateVersion, {"1", "f", "exe", "", when, "1.2.3.4", ""});
        row("small file", "small", dateVersion, {"1", "f", "exe", "", when, "", ""});
        row("size unknown to the walk", "unsized", profile({ColSize, ColDate}),
            {"1", "f", "exe", "", when, "", ""});
        row("gone", "gone", profile({ColSize, ColDate}), {"1", "f", "exe", "5,000", "", "", ""}, true);
        row("fifo in its place", "fifo", dateVersion, {"1", "f", "exe", "", "", "", ""}, true);
        row("link in its place is not read", "link", dateVersion, {"1", "f", "exe", "", "", "", ""}, true);
        row("no read permission", "noperm", dateVersion, {"1", "f", "exe", "", when, "", ""}, true);
    }
    void fillsOneRow()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, change);
        QFETCH(ColumnProfile, optV);
        QFETCH(QStringList, cells);
        QFETCH(bool, error);
        if (change == u"noperm" && ::geteuid() == 0)
            QSKIP("root reads files without permission");
        QTemporaryDir dir;
        const qint64 when = localTime(2004, 5, 12, 14, 30);
        const qint64 size = change == u"small" ? 10 : 5000;
        makeFile(dir.path(), QFile::decodeName(name), size, when);
        makeFile(dir.path(), QStringLiteral("target.exe"), 0, when);
        if (change == u"pe" || change == u"link") {
            QFile f(dir.filePath(change == u"pe" ? QStringLiteral("f.exe") : QStringLiteral("target.exe")));
            const QByteArray pe =
                vtest::peWithVersion(vtest::versionBlock(vtest::simpleContent("Acme", "Tool", "Suite")));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(pe) == pe.size() && f.flush());
            QVERIFY(f.setFileTime(QDateTime::fromSecsSinceEpoch(when), QFileDevice::FileModificationTime));
        }
        const QByteArray folder = QFile::encodeName(dir.path()) + '/';
        const QByteArray path = folder + name;
        ScanBuilder b;
        b.add(folder, name, change == u"unsized" ? ScanResults::kUnknownSize : size);
        FillOptions o;
        o.optV = optV;
        o.threads = 1;
        o.beforeRow = [&](qsizetype) {
            if (change == u"gone" || change == u"fifo" || change == u"link")
                QCOMPARE(::unlink(path), 0);
            if (change == u"fifo")
                QCOMPARE(::mkfifo(path, 0600), 0);
            if (change == u"link")
                QCOMPARE(::symlink("target.exe", path), 0);
            if (change == u"noperm")
                QCOMPARE(::chmod(path, 0), 0);
        };
        std::atomic_bool no{false};
        FillResult f = fillRows(std::move(b.scan), o, no);
        QCOMPARE(f.versionError, error);
        QCOMPARE(f.filledRows, 1);
        ResultTable t;
        QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::QtTest);
        t.PopolaGriglia(std::move(f), defaultHeadings(), optV, Order::None);
        QStringList got;
        for (int c = 0; c < ColFolder; ++c)
            got << t.text(1, c);
        QCOMPARE(got, localized(cells));
        QCOMPARE(t.text(1, ColFolder), QString::fromUtf8(folder));
        QCOMPARE(t.rowPath(1), path);
        QCOMPARE(t.headerData(ColNumber, Qt::Horizontal).toString(),
                 QLatin1String(optV[ColNumber] ? "Nr." : ""));
    }

    // An interrupt before row r leaves rows 1..r-1 filled and the rest empty, unordered and
    // unnumbered, whether one or two threads fill.
    void interruptLeavesPrefix_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("stopAt");
        QTest::newRow("one thread, row 3") << 1 << 3;
        QTest::newRow("two threads, row 3") << 2 << 3;
        QTest::newRow("two threads, row 200") << 2 << 200;
        QTest::newRow("before row 1") << 1 << 1;
    }
    void interruptLeavesPrefix()
    {
        QFETCH(int, threads);
        QFETCH(int, stopAt);
        ScanBuilder b;
        for (int i = 0; i < 400; ++i)
            b.add(root(), QByteArray("z") + QByteArray::number(400 - i) + ".txt", i);
        std::atomic_bool interrupt{false};
        FillOptions o;
        o.optV = profile({ColSize, ColDate});
        o.threads = threads;
        o.beforeRow = [&](qsizetype r) {
            if (r == stopAt)
                interrupt = true;
        };
        FillResult f = fillRows(std::move(b.scan), o, interrupt);
        QVERIFY(f.interrupted);
        // One thread stops exactly there; with two, the other thread may see the flag a few
        // rows earlier in its own chunk, and the prefix ends there instead.
        const qsizetype filledRows = f.filledRows;
        if (threads == 1)
            QCOMPARE(filledRows, stopAt - 1);
        else
            QVERIFY(filledRows <= stopAt - 1);
        ResultTable t;
        t.PopolaGriglia(std::move(f), defaultHeadings(), o.optV, Order::NameAscending);
        QCOMPARE(t.rowCount(), 400);
        for (qsizetype r = 1; r <= 400; ++r) {
            const bool filled = r <= filledRows;
            QCOMPARE(t.isRowFilled(r), filled);
            QCOMPARE(t.text(r, ColName).isEmpty(), !filled);
            QCOMPARE(t.text(r, ColFolder).isEmpty(), !filled);
            QCOMPARE(t.text(r, ColNumber), QString()); // not numbered
        }
        if (filledRows >= 1) // scan order kept, although order 0 would put z1 first
            QCOMPARE(t.text(1, ColName), QStringLiteral("z400"));
    }

    // Two threads fill exactly as one, each row with one read of its file (which gives the
    // date with the version).
    void twoThreadsFillLikeOne()
    {
        // One thread, two, and as many as slow files call for (each read waits 100 us).
        ResultTable tables[3];
        for (int threads : {1, 2, 0}) {
            ScanBuilder b;
            for (int i = 0; i < 700; ++i)
                b.add(root(), i % 3 ? QByteArray("setup.exe") : "missing" + QByteArray::number(i), 900);
            test::MemoryFacts facts;
            facts.delay = std::chrono::microseconds(threads == 0 ? 100 : 0);
            FillOptions o;
            o.optV = profile({ColDate, ColVersion, ColInfo});
            o.threads = threads;
            o.facts = &facts;
            std::atomic_bool no{false};
            FillResult f = fillRows(std::move(b.scan), o, no);
            QVERIFY(f.versionError);
            QCOMPARE(facts.versions.load(), 700);
            QCOMPARE(facts.stats.load(), 700);
            tables[threads].PopolaGriglia(std::move(f), defaultHeadings(), o.optV, Order::None);
        }
        for (qsizetype r = 1; r <= 700; ++r)
            for (int c = 0; c < ColumnCount; ++c) {
                QCOMPARE(tables[2].text(r, c), tables[1].text(r, c));
                QCOMPARE(tables[0].text(r, c), tables[1].text(r, c));
            }
        QCOMPARE(tables[2].text(2, ColDate), localized(QStringLiteral("01/01/2004 00:00")));
    }

    // The edits of the file actions and the column dialog, under the model tester.
    void editsKeepModelConsistent()
    {
        ResultTable t;
        QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy view(&t, &ResultTable::viewPositionRequested);
        ScanBuilder b;
        for (const char* name : {"setup.exe", "archive.tar.gz", "Makefile"})
            b.add(root(), name);
        std::atomic_bool no{false};
        t.PopolaGriglia(fillRows(std::move(b.scan), FillOptions{}, no), defaultHeadings(), kDefaultOptV,
                        Order::NameAscending);
        QCOMPARE(displayedNames(t), (QStringList{"archive.tar.gz", "Makefile", "setup.exe"}));
        QCOMPARE(column(t, ColNumber), (QStringList{"1", "2", "3"}));
        QCOMPARE(view.count(), 1);
        QCOMPARE(t.viewPosition().currentRow, 1);
        QCOMPARE(t.viewPosition().lastSelectedColumn, 7);

        t.setName(2, "GNUmakefile.am");
        QCOMPARE(t.text(2, ColName), QStringLiteral("GNUmakefile"));
        QCOMPARE(t.text(2, ColExt), QStringLiteral("am"));
        QCOMPARE(t.rowPath(2), root() + "GNUmakefile.am");

        t.removeRow(1);
        QCOMPARE(t.rowCount(), 2);
        QCOMPARE(t.text(1, ColName), QStringLiteral("GNUmakefile"));
        // The numbers stay with their rows until the table is numbered again.
        QCOMPARE(column(t, ColNumber), (QStringList{"2", "3"}));
        t.NumeraGriglia(true);
        QCOMPARE(column(t, ColNumber), (QStringList{"1", "2"}));

        t.setNumberColumn(false);
        QCOMPARE(t.text(0, ColNumber), QString());
        QCOMPARE(t.text(1, ColNumber), QString());
        t.setNumberColumn(true);
        QCOMPARE(t.text(0, ColNumber), QStringLiteral("Nr."));
        QCOMPARE(column(t, ColNumber), (QStringList{"1", "2"}));
        t.setText(1, ColSize, QStringLiteral("x"));

        // The last row cannot go: every cell, headings included, reads empty instead.
        t.removeRow(2);
        t.clearAllCells();
        QCOMPARE(t.rowCount(), 1);
        for (int c = 0; c < ColumnCount; ++c)
            QVERIFY(t.text(0, c).isEmpty() && t.text(1, c).isEmpty());
        QVERIFY(!t.OrdinaGriglia(Order::NameAscending, kDefaultOptV));
        t.reset();
        QCOMPARE(t.rowCount(), 0);
        QVERIFY(!t.OrdinaGriglia(Order::NameAscending, kDefaultOptV));
    }

    // Sizes and dates follow the user's locale; the C and Italian ones keep "/" and ":".
    void localeFormats_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("texts"); // size, date in the table, in reports, day
        const auto row = [](const char* tag, const QLocale& l, const char* size, const QString& day,
                            const char* time, const char* reportTime) {
            QTest::newRow(tag) << l
                               << QStringList{QString::fromUtf8(size), day + QLatin1String(time),
                                              day + QLatin1String(reportTime), day};
        };
        row("C", QLocale::c(), "2,048", QStringLiteral("06/12/2026"), " 14:05", "-14:05");
        row("Italian", QLocale(QLocale::Italian), "2.048", QStringLiteral("06/12/2026"), " 14:05", "-14:05");
        row("German", QLocale(QLocale::German), "2.048", QStringLiteral("06.12.2026"), " 14:05", "-14:05");
        row("Finnish", QLocale(QLocale::Finnish), "2\u00a0048", QStringLiteral("06.12.2026"), " 14.05",
            "-14.05");
    }
    void localeFormats()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, texts);
        const QLocale saved;
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });
        const qint64 t = localTime(2026, 12, 6, 14, 5);
        QCOMPARE((QStringList{formatSize(2048), formatDateTable(t), formatDateReport(t),
                              formatDay(QDate(2026, 12, 6))}),
                 texts);
    }

    void memoryStaysCompact()
    {
        ScanBuilder b;
        for (int i = 0; i < 20000; ++i)
            b.add(root() + "sub" + QByteArray::number(i / 100) + '/', "file" + QByteArray::number(i) + ".dat",
                  i);
        std::atomic_bool no{false};
        FillResult f = fillRows(std::move(b.scan), FillOptions{}, no);
        // Row, order entry, name and its folder's share: well under 100 bytes.
        QVERIFY2(f.rows.memoryBytes() / 20000 < 80,
                 qPrintable(QString::number(f.rows.memoryBytes() / 20000)));
    }
};

QTEST_GUILESS_MAIN(TestResultTable)
#include "test_result_table.moc"
