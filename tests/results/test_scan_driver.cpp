// The scan driver end to end on real trees: the state every control is left in for each
// way a scan can end, interrupts from the window while the worker walks or fills, and the
// end-of-scan message coming before the table appears.

#include "TableFixtures.h"

#include "results/ScanDriver.h"
#include "system/ScriptedPrompter.h"

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
        QTest::newRow("59") << qint64(59) << "00:00:59";
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

    // The first table of states: files found and the fill completed, or nothing found.
    void completedScans_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("found");
        QTest::newRow("files found") << "*.*" << true;
        QTest::newRow("no file found") << "*.none" << false;
    }
    void completedScans()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, found);
        QTemporaryDir dir;
        makeFile(dir.path(), QStringLiteral("b.txt"), 3);
        makeFile(dir.path(), QStringLiteral(".profile"), 1);
        makeFile(dir.path(), QStringLiteral("A.doc"), 2);
        Rig rig(dir.path());
        rig.state.PatternFile = pattern;
        QVERIFY(rig.run());
        const ScanDriver::Controls& c = rig.driver.controls();
        QCOMPARE(c.tableVisible, found);
        QVERIFY(c.esciEnabled);
        QVERIFY(!c.interrompiEnabled);
        QCOMPARE(c.printExportEnabled, found);
        QCOMPARE(c.nessunFileVisible, !found);
        QVERIFY(!c.busy);
        QCOMPARE(c.totFile, found ? QStringLiteral("3") : QStringLiteral("0"));
        QCOMPARE(c.cartelle, QStringLiteral("1"));
        QCOMPARE(c.curDirTitle, QStringLiteral("Cartella di Ricerca Principale"));
        QCOMPARE(c.curDir, dir.path() + QLatin1Char('/') + pattern);
        QVERIFY2(c.tempo.startsWith(QStringLiteral("00:00:0")),
                 qPrintable(c.tempo)); // a loaded machine may need a second
        QVERIFY(rig.prompter.messages.empty());
        QCOMPARE(rig.driver.phase(), ScanDriver::Phase::Idle);
        if (found) {
            // Ordered by name with the empty base name of '.profile' first, and numbered.
            QCOMPARE(displayedNames(rig.table), (QStringList{".profile", "A.doc", "b.txt"}));
            QCOMPARE(rig.table.text(1, ColName), QString());
            QCOMPARE(column(rig.table, ColNumber), (QStringList{"1", "2", "3"}));
        }
    }

    void unreadableStartFolderFindsNothing()
    {
        Rig rig(QStringLiteral("/nonexistent-vellora-folder"));
        QVERIFY(rig.run());
        QCOMPARE(rig.driver.controls().totFile, QStringLiteral("0"));
        QVERIFY(rig.driver.controls().nessunFileVisible);
        QVERIFY(!rig.driver.controls().tableVisible);
    }

    // Interrupted during the walk, with and without files recorded yet.
    void interruptDuringWalk_data()
    {
        QTest::addColumn<int>("afterFiles");
        QTest::newRow("after 10 files") << 10;
        QTest::newRow("before any file") << 0;
    }
    void interruptDuringWalk()
    {
        QFETCH(int, afterFiles);
        QTemporaryDir dir;
        for (int i = 0; i < 20; ++i)
            makeFile(dir.path(), QStringLiteral("d%1/f%1.txt").arg(i), 1);
        Rig rig(dir.path());
        rig.state.TipoRicerca = 1;
        bool fired = false;
        rig.driver.setHooks({[&](const QByteArray&, ScanState& s) {
                                 if (!fired && s.totFile.load() >= std::uint64_t(afterFiles)) {
                                     fired = true;
                                     rig.interruptFromWindow();
                                 }
                             },
                             {}});
        QVERIFY(rig.run());
        const ScanDriver::Controls& c = rig.driver.controls();
        QCOMPARE(c.totFile, QString::number(afterFiles));
        QVERIFY(!c.tableVisible);
        QCOMPARE(c.nessunFileVisible, afterFiles == 0);
        QVERIFY(!c.printExportEnabled);
        QVERIFY(c.esciEnabled);
        QVERIFY(!c.interrompiEnabled);
        QCOMPARE(c.curDirTitle, QStringLiteral("Cartella di Ricerca Principale"));

        // The next complete scan enables printing again.
        rig.driver.setHooks({});
        QVERIFY(rig.run());
        QVERIFY(rig.driver.controls().printExportEnabled);
        QCOMPARE(rig.driver.controls().totFile, QStringLiteral("20"));
    }

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
        const ScanDriver::Controls& c = rig.driver.controls();
        QVERIFY(c.tableVisible);
        QVERIFY(!c.printExportEnabled);
        QVERIFY(!c.nessunFileVisible);
        QVERIFY(c.curDirVisible && c.curDirTitleVisible);
        QCOMPARE(c.totFile, QStringLiteral("4"));
        QCOMPARE(rig.table.rowCount(), 4);
        QVERIFY(rig.table.isRowFilled(2));
        QVERIFY(!rig.table.isRowFilled(3));
        QCOMPARE(column(rig.table, ColNumber), (QStringList{"", "", "", ""}));
    }

    void vanishedFileReportedBeforeTableShows()
    {
        QTemporaryDir dir;
        makeFile(dir.path(), QStringLiteral("keep.txt"), 1);
        makeFile(dir.path(), QStringLiteral("gone.txt"), 1);
        Rig rig(dir.path());
        rig.state.OptV = profile({ColDate});
        rig.driver.setHooks({{}, [&](qsizetype row) {
                                 if (row == 1)
                                     QFile::remove(dir.filePath(QStringLiteral("gone.txt")));
                             }});
        bool tableVisibleAtMessage = true;
        rig.prompter.onMessage = [&](const ScriptedPrompter::Message&) {
            tableVisibleAtMessage = rig.driver.controls().tableVisible;
        };
        QVERIFY(rig.run());
        QCOMPARE(rig.prompter.messages.size(), std::size_t(1));
        const ScriptedPrompter::Message& m = rig.prompter.messages.front();
        QCOMPARE(m.text, QStringLiteral("1 o più Files non sono predisposti per la Versione !"));
        QCOMPARE(m.title, QStringLiteral("Vellora"));
        QCOMPARE(m.icon, Prompter::Icon::Information);
        QCOMPARE(m.buttons, Prompter::Buttons::Ok);
        QVERIFY(!tableVisibleAtMessage);
        QVERIFY(rig.driver.controls().tableVisible);
        QCOMPARE(displayedNames(rig.table), (QStringList{"gone.txt", "keep.txt"}));
        QCOMPARE(rig.table.text(1, ColDate), QString());
        QVERIFY(!rig.table.text(2, ColDate).isEmpty());
    }

    // A second scan: ignored while one runs, and no print of the table being refilled.
    void startWhileRunningIsIgnored()
    {
        QTemporaryDir dir;
        makeFile(dir.path(), QStringLiteral("a.txt"), 1);
        Rig rig(dir.path());
        QVERIFY(rig.run());
        QSignalSpy done(&rig.driver, &ScanDriver::finished);
        QSignalSpy controls(&rig.driver, &ScanDriver::controlsChanged);
        rig.driver.start();
        QVERIFY(rig.driver.isRunning());
        QVERIFY(rig.driver.controls().busy);
        QVERIFY(!rig.driver.controls().esciEnabled);
        QVERIFY(!rig.driver.controls().printExportEnabled); // the last table is being refilled
        QCOMPARE(rig.driver.controls().curDirTitle, QStringLiteral("Ricerca in corso..."));
        rig.driver.start();
        QVERIFY(done.wait(20000));
        QTest::qWait(50);
        QCOMPARE(done.count(), 1);
        QVERIFY(controls.count() >= 2);
    }
};

QTEST_GUILESS_MAIN(TestScanDriver)
#include "test_scan_driver.moc"
