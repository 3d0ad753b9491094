// The result table: what the fill writes into each cell for each profile, where a fill
// that fails or is interrupted leaves the table, and the model's own consistency under the
// edits the file actions make.

#include "PeBuilder.h"
#include "results/Formats.h"
#include "TableFixtures.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <unistd.h>

using namespace vellora;
using namespace fixtures;

class TestResultTable : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray root() const { return QFile::encodeName(m_dir.path()) + '/'; }

    FillResult fillFrom(const QList<QPair<QByteArray, qint64>>& files, const ColumnProfile& optV,
                        std::function<void(qsizetype)> beforeRow = {}, int threads = 1)
    {
        ScanBuilder b;
        for (const auto& [name, size] : files)
            b.add(root(), name, size);
        FillOptions o;
        o.optV = optV;
        o.threads = threads;
        o.beforeRow = std::move(beforeRow);
        std::atomic_bool interrupt{false};
        return fillRows(std::move(b.scan), o, interrupt);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        makeFile(m_dir.path(), QStringLiteral("setup.exe"), 900, localTime(2004, 1, 1, 0, 0));
        makeFile(m_dir.path(), QStringLiteral("archive.tar.gz"), 1234567);
        makeFile(m_dir.path(), QStringLiteral("Makefile"), 10);
        makeFile(m_dir.path(), QStringLiteral(".profile"), 0);
        makeFile(m_dir.path(), QStringLiteral("file."), 1);
    }

    void splitsNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("ext");
        QTest::newRow("plain") << QByteArray("setup.exe") << QStringLiteral("setup") << "exe";
        QTest::newRow("last dot only")
            << QByteArray("archive.tar.gz") << QStringLiteral("archive.tar") << "gz";
        QTest::newRow("no dot") << QByteArray("Makefile") << QStringLiteral("Makefile") << "";
        QTest::newRow("leading dot only") << QByteArray(".profile") << QStringLiteral("") << "profile";
        QTest::newRow("dot file with ext") << QByteArray(".a.b") << QStringLiteral(".a") << "b";
        QTest::newRow("trailing dot") << QByteArray("file.") << QStringLiteral("file") << "";
        QTest::newRow("utf8") << QByteArray("caff\xc3\xa8.txt") << QString::fromUtf8("caff\xc3\xa8") << "txt";
    }
    void splitsNames()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, base);
        QFETCH(QString, ext);
        QCOMPARE(ResultTable::baseName(name), base);
        QCOMPARE(ResultTable::extension(name), ext);
    }

    // Which cells each profile fills; columns 1, 2 and 7 always, the number only when its
    // flag is set (heading included).
    void fillsCellsByProfile_data()
    {
        QTest::addColumn<ColumnProfile>("optV");
        QTest::addColumn<QStringList>("row1"); // setup.exe, columns 0..7
        QTest::addColumn<QString>("numberHeading");
        QTest::newRow("default") << kDefaultOptV
                                 << QStringList{"1", "setup", "exe", "",
                                                "",  "",      "",    QString::fromUtf8(root())}
                                 << "Nr.";
        QTest::newRow("no number") << profile({}, false)
                                   << QStringList{"", "setup", "exe", "",
                                                  "", "",      "",    QString::fromUtf8(root())}
                                   << "";
        QTest::newRow("size and date")
            << profile({ColSize, ColDate})
            << QStringList{"1", "setup", "exe", "900", "01/01/2004 00:00", "", "", QString::fromUtf8(root())}
            << "Nr.";
        QTest::newRow("version and info of a non-executable")
            << profile({ColVersion, ColInfo})
            << QStringList{"1", "setup", "exe", "", "", "", "", QString::fromUtf8(root())} << "Nr.";
    }
    void fillsCellsByProfile()
    {
        QFETCH(ColumnProfile, optV);
        QFETCH(QStringList, row1);
        QFETCH(QString, numberHeading);
        FillResult f = fillFrom({{"setup.exe", 900}, {"Makefile", 10}}, optV);
        QVERIFY(!f.versionError);
        QCOMPARE(f.filledRows, 2);
        ResultTable t;
        QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::QtTest);
        t.PopolaGriglia(std::move(f), defaultHeadings(), optV, -1);
        QCOMPARE(t.rowCount(), 2);
        for (int c = 0; c < ColumnCount; ++c)
            QCOMPARE(t.text(1, c), row1[c]);
        QCOMPARE(t.text(0, ColNumber), numberHeading);
        QCOMPARE(t.headerData(ColNumber, Qt::Horizontal).toString(), numberHeading);
        QCOMPARE(t.text(0, ColFolder), QStringLiteral("Directory"));
        QCOMPARE(t.text(2, ColExt), QString());
        QCOMPARE(t.rowPath(2), root() + "Makefile");
        QCOMPARE(t.data(t.index(0, ColSize), Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(t.data(t.index(0, ColName), Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignLeft | Qt::AlignVCenter));
    }

    // A file gone between the walk and the fill keeps its row; only the date is missing.
    void vanishedFileKeepsItsRow()
    {
        makeFile(m_dir.path(), QStringLiteral("gone.txt"), 5);
        // The scan could not size nosize.txt: its size cell stays empty.
        FillResult f = fillFrom({{"setup.exe", 900}, {"gone.txt", 5}, {"Makefile", 10}, {"nosize.txt", -1}},
                                profile({ColSize, ColDate}), [this](qsizetype r) {
                                    if (r == 1)
                                        QFile::remove(m_dir.filePath(QStringLiteral("gone.txt")));
                                });
        QVERIFY(f.versionError);
        QVERIFY(!f.interrupted);
        ResultTable t;
        t.PopolaGriglia(std::move(f), defaultHeadings(), profile({ColSize, ColDate}), -1);
        QCOMPARE(t.text(2, ColName), QStringLiteral("gone"));
        QCOMPARE(t.text(2, ColSize), QStringLiteral("5"));
        QCOMPARE(t.text(2, ColDate), QString());
        QCOMPARE(t.text(2, ColFolder), QString::fromUtf8(root()));
        QVERIFY(!t.text(3, ColDate).isEmpty());
        QCOMPARE(t.text(4, ColSize), QString());
        QCOMPARE(t.text(4, ColName), QStringLiteral("nosize"));
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
        t.PopolaGriglia(std::move(f), defaultHeadings(), o.optV, 0);
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

    // The date and the version come from one look at the file; what each cell holds when
    // that file is not what the walk saw any more.
    void dateComesWithTheVersion_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("dated"); // the date cell is filled
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("error"); // the fill reports a row it could not fill
        QTest::newRow("executable") << "pe" << true << "1.2.3.4" << false;
        QTest::newRow("large plain file") << "plain" << true << "" << false;
        QTest::newRow("small file") << "small" << true << "" << false;
        QTest::newRow("fifo in its place") << "fifo" << true << "" << true;
        QTest::newRow("link in its place is not read") << "link" << true << "" << true;
        QTest::newRow("no read permission") << "noperm" << true << "" << true;
    }
    void dateComesWithTheVersion()
    {
        QFETCH(QString, kind);
        QFETCH(bool, dated);
        QFETCH(QString, version);
        QFETCH(bool, error);
        if (kind == u"noperm" && ::geteuid() == 0)
            QSKIP("root reads files without permission");
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path()) + '/';
        const QByteArray pe =
            vtest::peWithVersion(vtest::versionBlock(vtest::simpleContent("Acme", "Tool", "Suite")));
        const qint64 t = localTime(2004, 5, 12, 14, 30);
        const QString file = dir.filePath(QStringLiteral("f.exe"));
        makeFile(dir.path(), QStringLiteral("f.exe"), kind == u"small" ? 10 : 5000, t);
        makeFile(dir.path(), QStringLiteral("target.exe"), 0, t);
        if (kind == u"pe" || kind == u"link") {
            QFile f(kind == u"pe" ? file : dir.filePath(QStringLiteral("target.exe")));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(pe) == pe.size());
            f.close();
            const timeval tv[2] = {{time_t(t), 0}, {time_t(t), 0}};
            QCOMPARE(::utimes(QFile::encodeName(f.fileName()).constData(), tv), 0);
        }
        const QByteArray path = QFile::encodeName(file);
        ScanBuilder b;
        b.add(folder, "f.exe", kind == u"small" ? 10 : 5000);
        FillOptions o;
        o.optV = profile({ColDate, ColVersion});
        o.threads = 1;
        o.beforeRow = [&](qsizetype) {
            // Between the walk and the fill the file changes.
            if (kind == u"fifo" || kind == u"link")
                QFile::remove(file);
            if (kind == u"fifo")
                QCOMPARE(::mkfifo(path.constData(), 0600), 0);
            if (kind == u"link")
                QCOMPARE(::symlink("target.exe", path.constData()), 0);
            if (kind == u"noperm")
                QCOMPARE(::chmod(path.constData(), 0), 0);
        };
        std::atomic_bool no{false};
        FillResult f = fillRows(std::move(b.scan), o, no);
        QCOMPARE(f.versionError, error);
        ResultTable table;
        table.PopolaGriglia(std::move(f), defaultHeadings(), o.optV, -1);
        QCOMPARE(table.text(1, ColVersion), version);
        QCOMPARE(!table.text(1, ColDate).isEmpty(), dated);
        if (dated && kind != u"fifo")
            QCOMPARE(table.text(1, ColDate), QStringLiteral("12/05/2004 14:30"));
    }

    void twoThreadsFillLikeOne()
    {
        ScanBuilder one, two;
        for (int i = 0; i < 700; ++i) {
            const QByteArray name =
                i % 3 ? QByteArray("setup.exe") : QByteArray("missing") + QByteArray::number(i);
            one.add(root(), name, 900);
            two.add(root(), name, 900);
        }
        std::atomic_bool no{false};
        FillOptions o;
        o.optV = profile({ColDate, ColVersion, ColInfo});
        o.threads = 1;
        FillResult a = fillRows(std::move(one.scan), o, no);
        o.threads = 2;
        FillResult b = fillRows(std::move(two.scan), o, no);
        QVERIFY(a.versionError && b.versionError);
        ResultTable ta, tb;
        ta.PopolaGriglia(std::move(a), defaultHeadings(), o.optV, -1);
        tb.PopolaGriglia(std::move(b), defaultHeadings(), o.optV, -1);
        for (qsizetype r = 1; r <= 700; ++r)
            for (int c = 0; c < ColumnCount; ++c)
                QCOMPARE(ta.text(r, c), tb.text(r, c));
    }

    // The edits of the file actions and the column dialog, under the model tester.
    void editsKeepModelConsistent()
    {
        ResultTable t;
        QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy view(&t, &ResultTable::viewPositionRequested);
        t.PopolaGriglia(
            fillFrom({{"setup.exe", 900}, {"archive.tar.gz", 1234567}, {"Makefile", 10}}, kDefaultOptV),
            defaultHeadings(), kDefaultOptV, 0);
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
        QCOMPARE(t.text(1, ColSize), QStringLiteral("x"));

        // The last row cannot go: every cell, headings included, reads empty instead.
        t.removeRow(2);
        t.clearAllCells();
        QCOMPARE(t.rowCount(), 1);
        for (int c = 0; c < ColumnCount; ++c) {
            QCOMPARE(t.text(0, c), QString());
            QCOMPARE(t.text(1, c), QString());
        }
        QVERIFY(!t.OrdinaGriglia(0, kDefaultOptV));
        t.reset();
        QCOMPARE(t.rowCount(), 0);
        QVERIFY(!t.OrdinaGriglia(0, kDefaultOptV));
    }

    // Sizes and dates follow the user's locale; the C and Italian ones keep "/" and ":".
    void localeFormats_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("reportDate");
        QTest::newRow("C") << QLocale::c() << "2,048"
                           << "06/12/2026 14:05"
                           << "06/12/2026-14:05";
        QTest::newRow("Italian") << QLocale(QLocale::Italian, QLocale::Italy) << "2.048"
                                 << "06/12/2026 14:05"
                                 << "06/12/2026-14:05";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "2.048"
                                << "06.12.2026 14:05"
                                << "06.12.2026-14:05";
        QTest::newRow("Finnish") << QLocale(QLocale::Finnish, QLocale::Finland) << "2\u00a0048"
                                 << "06.12.2026 14.05"
                                 << "06.12.2026-14.05";
    }
    void localeFormats()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, size);
        QFETCH(QString, date);
        QFETCH(QString, reportDate);
        const QLocale saved;
        QLocale::setDefault(locale);
        const qint64 t = localTime(2026, 12, 6, 14, 5);
        const QString got[] = {formatSize(2048), formatDateTable(t), formatDateReport(t),
                               formatDay(QDate(2026, 12, 6))};
        QLocale::setDefault(saved);
        QCOMPARE(got[0], size);
        QCOMPARE(got[1], date);
        QCOMPARE(got[2], reportDate);
        QCOMPARE(got[3], date.left(10));
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
