// The scan driver end to end on real trees: the state every control is left in for each
// way a scan can end, with interrupts from the window while the worker walks or fills. The
// end-of-scan message is checked through the window (test_app_window).

#include "TableFixtures.h"

#include "results/ScanDriver.h"
#include "ScriptedPrompter.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace vellora;
using namespace fixtures;

namespace {

struct Rig
{
    AppState state;
    ResultTable table;
    ScriptedPrompter prompter;
    ScanDriver driver{table, state, prompter};
    QAbstractItemModelTester tester{&table, QAbstractItemModelTester::FailureReportingMode::QtTest};

    explicit Rig(const QString& folder) { state.CartellaRicerca = folder + QLatin1Char('/'); }
    // Interrupts as the window would: on the UI thread, while the worker waits.
    void interruptFromWindow()
    {
        QMetaObject::invokeMethod(
            &driver, [this] { driver.interrupt(); }, Qt::BlockingQueuedConnection);
    }
    bool run()
    {
        QSignalSpy done(&driver, &ScanDriver::finished);
        driver.start();
        return done.wait(20000);
    }
};

// The switches of the controls as one text, "+" for on and "-" for off.
QString switches(const ScanDriver::Controls& c)
{
    const std::pair<const char*, bool> all[] = {{"table", c.tableVisible},
                                                {"esci", c.esciEnabled},
                                                {"interrompi", c.interrompiEnabled},
                                                {"print", c.printExportEnabled},
                                                {"nessun", c.nessunFileVisible},
                                                {"curDir", c.curDirVisible && c.curDirTitleVisible},
                                                {"busy", c.busy}};
    QStringList out;
    for (const auto& [name, on] : all)
        out << QLatin1String(name) + (on ? u'+' : u'-');
    return out.join(u' ');
}

} // namespace

class TestScanDriver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formattaTempo_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("3725") << qint64(3725) << "01:02:05";
        QTest::newRow("100 hours") << qint64(360000) << "100:00:00";
        QTest::newRow("negative clamps") << qint64(-5) << "00:00:00";
    }
    void formattaTempo()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(ScanDriver::FormattaTempo(seconds), text);
    }

    // The scans that run to their end: files found, nothing found, a start folder not read.
    void completedScans_data()
    {
        QTest::addColumn<QString>("folder"); // under the temporary folder
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("names");
        const QString found = QStringLiteral("table+ esci+ interrompi- print+ nessun- curDir+ busy-");
        const QString none = QStringLiteral("table- esci+ interrompi- print- nessun+ curDir+ busy-");
        QTest::newRow("files found") << QString() << "*.*" << found
                                     << QStringList{".profile", "A.doc", "b.txt"};
        QTest::newRow("no file found") << QString() << "*.none" << none << QStringList{};
        QTest::newRow("start folder unreadable")
            << QStringLiteral("/missing") << "*.*" << none << QStringList{};
    }
    void completedScans()
    {
        QFETCH(QString, folder);
        QFETCH(QString, pattern);
        QFETCH(QString, shown);
        QFETCH(QStringList, names);
        QTemporaryDir dir;
        makeFile(dir.path(), QStringLiteral("b.txt"), 3);
        makeFile(dir.path(), QStringLiteral(".profile"), 1);
        makeFile(dir.path(), QStringLiteral("A.doc"), 2);
        Rig rig(dir.path() + folder);
        rig.state.PatternFile = pattern;
        QVERIFY(rig.run());
        const ScanDriver::Controls& c = rig.driver.controls();
        QCOMPARE(switches(c), shown);
        QCOMPARE(c.totFile, QString::number(names.size()));
        QCOMPARE(c.curDir, dir.path() + folder + QLatin1Char('/') + pattern);
        QVERIFY2(c.tempo.startsWith(QStringLiteral("00:00:0")), qPrintable(c.tempo)); // a loaded machine
        QVERIFY(rig.prompter.messages.empty());
        QCOMPARE(rig.driver.phase(), ScanDriver::Phase::Idle);
        // Ordered by name, the empty base name of '.profile' first, and numbered.
        QCOMPARE(displayedNames(rig.table), names);
        const QStringList numbers = names.isEmpty() ? QStringList() : QStringList{"1", "2", "3"};
        QCOMPARE(column(rig.table, ColNumber), numbers);
    }

    // Interrupted during the walk, with and without files recorded yet.
    void interruptDuringWalk_data()
    {
        QTest::addColumn<int>("afterFiles");
        QTest::addColumn<QString>("shown");
        QTest::newRow("after 10 files") << 10 << "table- esci+ interrompi- print- nessun- curDir+ busy-";
        QTest::newRow("before any file") << 0 << "table- esci+ interrompi- print- nessun+ curDir+ busy-";
    }
    void interruptDuringWalk()
    {
        QFETCH(int, afterFiles);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        for (int i = 0; i < 20; ++i)
            makeFile(dir.path(), QStringLiteral("d%1/f%1.txt").arg(i), 1);
        Rig rig(dir.path());
        rig.state.TipoRicerca = Scope::Subfolders;
        bool fired = false;
        rig.driver.setHooks({[&](const QByteArray&, ScanState& s) {
                                 if (!fired && s.totFile.load() >= std::uint64_t(afterFiles)) {
                                     fired = true;
                                     rig.interruptFromWindow();
                                 }
                             },
                             {}});
        QVERIFY(rig.run());
        QCOMPARE(switches(rig.driver.controls()), shown);
        QCOMPARE(rig.driver.controls().totFile, QString::number(afterFiles));

        // The next complete scan enables printing again.
        rig.driver.setHooks({});
        QVERIFY(rig.run());
        QVERIFY(rig.driver.controls().printExportEnabled);
        QCOMPARE(rig.driver.controls().totFile, QStringLiteral("20"));
    }

    // The rows filled so far show, unnumbered, and the incomplete table is not printed.
    void interruptDuringFill()
    {
        QTemporaryDir dir;
        for (const char* n : {"c.txt", "a.txt", "b.txt", "d.txt"})
            makeFile(dir.path(), QString::fromLatin1(n), 1);
        Rig rig(dir.path());
        rig.driver.setHooks({{}, [&](qsizetype row) {
                                 if (row == 3)
                                     rig.interruptFromWindow();
                             }});
        QVERIFY(rig.run());
        QCOMPARE(switches(rig.driver.controls()), "table+ esci+ interrompi- print- nessun- curDir+ busy-");
        QCOMPARE(rig.driver.controls().totFile, QStringLiteral("4"));
        QCOMPARE(rig.table.rowCount(), 4);
        QVERIFY(rig.table.isRowFilled(2));
        QVERIFY(!rig.table.isRowFilled(3));
        QCOMPARE(column(rig.table, ColNumber), (QStringList{"", "", "", ""}));
    }

    // A second start while one runs is ignored; the table being refilled is not printed.
    void startWhileRunningIsIgnored()
    {
        QTemporaryDir dir;
        makeFile(dir.path(), QStringLiteral("a.txt"), 1);
        Rig rig(dir.path());
        QVERIFY(rig.run());
        QSignalSpy done(&rig.driver, &ScanDriver::finished);
        rig.driver.start();
        QCOMPARE(switches(rig.driver.controls()), "table- esci- interrompi+ print- nessun- curDir+ busy+");
        rig.driver.start();
        QVERIFY(done.wait(20000));
        QTest::qWait(50);
        QCOMPARE(done.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestScanDriver)
#include "test_scan_driver.moc"
