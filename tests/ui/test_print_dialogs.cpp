// The print dialog and the printer selection, driven through their object names.

#include "../common/HeldRows.h"
#include "print/PrinterSelection.h"
#include "print/PrintMessages.h"
#include "print/QtPrinterSurface.h"
#include "RecordingSurface.h"
#include "ScriptedPrompter.h"
#include "ui/FrmAnteprima.h"
#include "ui/FrmImpostaStampante.h"
#include "ui/FrmStampaDir.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace vellora;
using vellora::test::MemoryRows;

namespace {

AppState stateFor(int scope, ColumnProfile flags)
{
    AppState st;
    st.CartellaRicerca = QStringLiteral("/nowhere/");
    st.TipoRicerca = Scope(scope);
    st.OptS = flags;
    return st;
}

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

// "&Stampa", and the wait for the report drawn on its own thread.
bool print(FrmStampaDir& dlg)
{
    child<QPushButton>(dlg, "cmdStampa")->click();
    return QTest::qWaitFor([&] { return !dlg.printing(); });
}

} // namespace

class TestPrintDialogs : public QObject
{
    Q_OBJECT

    const MemoryRows m_rows = MemoryRows::numbered(3, QStringLiteral("/nowhere/"));

private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<ColumnProfile>("flags");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QString>("columns");
        QTest::newRow("selected folder, info")
            << 0 << ColumnProfile{1, 1, 1, 0, 0, 0, 1, 0} << false << "Nome File\nExt\nProduttore\n";
        QTest::newRow("subfolders, info")
            << 1 << ColumnProfile{1, 1, 1, 1, 1, 1, 1, 1} << true
            << "Nome File\nExt\nDimensione\nData Ult. Modifica\nVersione File\nProduttore\n";
        QTest::newRow("subfolders, no info")
            << 1 << ColumnProfile{1, 1, 1, 1, 0, 0, 0, 0} << false << "Nome File\nExt\nDimensione\n";
        QTest::newRow("nothing chosen") << 0 << ColumnProfile{1, 0, 0, 0, 0, 0, 0, 1} << false << "";
    }

    void load()
    {
        QFETCH(int, scope);
        QFETCH(ColumnProfile, flags);
        QFETCH(bool, landscape);
        QFETCH(QString, columns);
        RecordingSurface rec(3.2, {QStringLiteral("Ufficio"), QStringLiteral("PDF")});
        AppState st = stateFor(scope, flags);
        ScriptedPrompter prompter;
        FrmStampaDir dlg(rec, st, m_rows, QString(), prompter);
        QCOMPARE(child<QLabel>(dlg, "lblStampante")->text(), QStringLiteral("Ufficio"));
        QCOMPARE(child<QLabel>(dlg, "lblColonne")->text(), columns);
        QCOMPARE(child<QLabel>(dlg, "imgLAND")->isVisibleTo(&dlg), landscape);
        QCOMPARE(child<QLabel>(dlg, "imgPORT")->isVisibleTo(&dlg), !landscape);
        QVERIFY(!child<QFrame>(dlg, "txtBARRA")->isVisibleTo(&dlg));
        QVERIFY(!child<QFrame>(dlg, "txtBARRAd")->isVisibleTo(&dlg));
        // Cancelled: nothing printed, no job left open.
        child<QPushButton>(dlg, "cmdAnnulla")->click();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(rec.documents.empty());
        QVERIFY(!rec.jobOpen());
    }

    void changeColumnsTurnsThePage()
    {
        RecordingSurface rec(3.2);
        AppState st = stateFor(1, {1, 1, 1, 1, 0, 0, 0, 0});
        st.ProfiloColonne = ProfileKind::Vedi;
        ScriptedPrompter prompter;
        FrmStampaDir dlg(rec, st, m_rows, QString(), prompter);
        ProfileKind profileSeen = ProfileKind::Vedi;
        dlg.setColumnsOpener([&] {
            profileSeen = st.ProfiloColonne;
            st.OptS[ColInfo] = 1;
        });
        dlg.setWaitMs(0);
        QVERIFY(child<QLabel>(dlg, "imgPORT")->isVisibleTo(&dlg));
        child<QPushButton>(dlg, "cmdCambiaCAMPI")->click();
        QCOMPARE(profileSeen, ProfileKind::Stampa);
        QCOMPARE(st.ProfiloColonne, ProfileKind::Stampa);
        QVERIFY(child<QLabel>(dlg, "imgLAND")->isVisibleTo(&dlg));
        QVERIFY(child<QLabel>(dlg, "lblColonne")->text().endsWith(QStringLiteral("Produttore\n")));
        QVERIFY(print(dlg));
        QCOMPARE(rec.documents.at(0).pages.at(0).orientation, PrinterSurface::Orientation::Landscape);
    }

    void printRunsChosenReport_data()
    {
        QTest::addColumn<JobResult>("result");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("text");
        QTest::newRow("real printer") << JobResult{} << 0 << QString();
        QTest::newRow("pdf") << JobResult{true, QStringLiteral("/home/u/temp/Stampa_x.pdf"), {}} << 1
                             << QStringLiteral("Stampa terminata: vedi file \r\n/home/u/temp/Stampa_x.pdf");
        QTest::newRow("failure") << JobResult{false, {}, QStringLiteral("Impossibile scrivere il file y")}
                                 << 1 << QStringLiteral("Impossibile scrivere il file y");
    }

    void printRunsChosenReport()
    {
        QFETCH(JobResult, result);
        QFETCH(int, messages);
        QFETCH(QString, text);
        RecordingSurface rec(3.2);
        rec.nextResult = result;
        AppState st = stateFor(0, {1, 1, 1, 0, 0, 0, 0, 0});
        ScriptedPrompter prompter;
        FrmStampaDir dlg(rec, st, m_rows, QStringLiteral("Sys"), prompter);
        dlg.setWaitMs(0);
        QVERIFY(print(dlg));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(rec.documents.size(), size_t(1));
        QCOMPARE(rec.documents[0].pages.at(0).orientation, PrinterSurface::Orientation::Portrait);
        // The bar ends full and was repainted only when its width changed.
        QVERIFY(child<QFrame>(dlg, "txtBARRA")->isVisibleTo(&dlg));
        QCOMPARE(dlg.barWidthPixels(), 6615 * dlg.logicalDpiX() / 1440);
        QVERIFY(dlg.barRepaints() >= 1 && dlg.barRepaints() <= 3);
        QCOMPARE(int(prompter.messages.size()), messages);
        if (messages > 0) {
            QCOMPARE(prompter.messages[0].text, text);
            QCOMPARE(prompter.messages[0].buttons, Prompter::Buttons::Ok);
            QCOMPARE(prompter.messages[0].icon, result.ok ? Prompter::Icon::None : Prompter::Icon::Critical);
        }
    }

    void printKeepsTheWindowAnswering_data()
    {
        QTest::addColumn<bool>("fromPreview");
        QTest::addColumn<QString>("stopWith"); // the button pressed half way, if any
        QTest::newRow("print dialog, to the end") << false << QString();
        QTest::newRow("print dialog, stopped") << false << "cmdAnnulla";
        QTest::newRow("preview's PDF, to the end") << true << QString();
        QTest::newRow("preview's PDF, stopped") << true << "cmdAnnulla";
        QTest::newRow("preview's PDF, closed") << true << "cmdChiudi";
    }

    // A long report is drawn on a thread of its own: half way through, the event loop turns,
    // the bar shows and only "&Annulla" is live; "&Annulla" stops the report, leaves no PDF
    // behind and says so, and the window stays open; closing the preview stops it and closes.
    void printKeepsTheWindowAnswering()
    {
        QFETCH(bool, fromPreview);
        QFETCH(QString, stopWith);
        const bool stop = !stopWith.isEmpty();
        QTemporaryDir exportDir;
        qputenv("VELLORA_EXPORT_DIR", QFile::encodeName(exportDir.path()));
        test::HeldRows rows;
        rows.rows = MemoryRows::numbered(400, QStringLiteral("/nowhere/")).rows;
        AppState st = stateFor(0, {1, 1, 1, 0, 0, 0, 0, 0});
        ScriptedPrompter prompter;
        QtPrinterSurface pdf;
        pdf.selectPrinter(pdf.pdfIndex());
        std::unique_ptr<QDialog> window;
        if (fromPreview) {
            auto preview =
                std::make_unique<FrmAnteprima>(pdf, ReportInput{rows, st, QStringLiteral("Sys")}, prompter);
            QVERIFY(QTest::qWaitFor([&] { return preview->pages().complete(); }));
            window = std::move(preview);
        } else {
            auto dialog = std::make_unique<FrmStampaDir>(pdf, st, rows, QStringLiteral("Sys"), prompter);
            dialog->setWaitMs(0);
            window = std::move(dialog);
        }
        window->show();
        const char* start = fromPreview ? "cmdSalvaPDF" : "cmdStampa";
        QString seen;
        rows.heldAt = 150; // on the third page
        test::HoldProbe probe(rows, [&] {
            seen = QStringLiteral("%1 messages, bar %2, %3 %4")
                       .arg(prompter.messages.size())
                       .arg(child<QWidget>(*window, fromPreview ? "prgSalva" : "txtBARRA")->isVisible())
                       .arg(start)
                       .arg(child<QPushButton>(*window, start)->isEnabled());
            if (stop)
                child<QPushButton>(*window, qPrintable(stopWith))->click();
        });
        child<QPushButton>(*window, start)->click();
        QVERIFY(QTest::qWaitFor([&] { return !prompter.messages.empty(); }, 30000));
        QVERIFY(rows.releasedInTime);
        QCOMPARE(seen, QStringLiteral("0 messages, bar 1, %1 0").arg(start));
        const QStringList files = QDir(exportDir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(prompter.messages.size(), std::size_t(1));
        if (stop) {
            QCOMPARE(files, QStringList());
            QCOMPARE(prompter.messages[0].text,
                     QStringLiteral("Stampa interrotta: nessun file è stato scritto."));
            QCOMPARE(prompter.messages[0].icon, Prompter::Icon::Information);
        } else {
            QCOMPARE(files.size(), 1);
            QCOMPARE(prompter.messages[0].text, pdfDoneText(exportDir.filePath(files[0])));
        }
        QCOMPARE(window->isVisible(), stopWith == u"cmdAnnulla" || (fromPreview && !stop));
        QVERIFY(child<QPushButton>(*window, start)->isEnabled() || !window->isVisible());
        qunsetenv("VELLORA_EXPORT_DIR");
    }

    void changePrinterFromPrintDialog()
    {
        RecordingSurface rec(3.2,
                             {QStringLiteral("Ufficio"), QStringLiteral("Laser"), QStringLiteral("PDF")});
        PrinterSelection selection(rec);
        AppState st = stateFor(0, kDefaultOptS);
        ScriptedPrompter prompter;
        prompter.onDialog = [](QDialog& d) {
            child<QComboBox>(d, "cboPRN")->setCurrentIndex(2);
            child<QPushButton>(d, "cmdOK")->click();
            return d.result();
        };
        FrmStampaDir dlg(rec, st, m_rows, QString(), prompter);
        dlg.setPrinterSelection(&selection);
        child<QPushButton>(dlg, "cmdCambiaST")->click();
        QCOMPARE(prompter.dialogsRun, 1);
        QCOMPARE(rec.deviceName(), QStringLiteral("PDF"));
        QCOMPARE(child<QLabel>(dlg, "lblStampante")->text(), QStringLiteral("PDF"));
    }

    // Opened with "Laser" current: a pick takes effect at once, the label keeps the printer
    // that was current at opening, and the next opening shows the new one.
    void selectionPicks()
    {
        RecordingSurface rec(3.2,
                             {QStringLiteral("Ufficio"), QStringLiteral("Laser"), QStringLiteral("PDF")});
        rec.selectPrinter(1);
        PrinterSelection selection(rec);
        for (const auto& [pick, current] : {std::pair{0, 1}, std::pair{-1, 0}}) {
            FrmImpostaStampante dlg(selection);
            QCOMPARE(child<QComboBox>(dlg, "cboPRN")->count(), 3);
            QCOMPARE(child<QComboBox>(dlg, "cboPRN")->currentIndex(), current);
            if (pick >= 0)
                child<QComboBox>(dlg, "cboPRN")->setCurrentIndex(pick);
            const int chosen = pick >= 0 ? pick : current;
            QCOMPARE(rec.currentIndex(), chosen);
            QCOMPARE(child<QLabel>(dlg, "lblPredef")->text(), rec.printers().at(current));
            child<QPushButton>(dlg, "cmdOK")->click();
            QCOMPARE(rec.currentIndex(), chosen);
            QVERIFY(selection.firstNotificationSeen());
        }
    }

    void selectionDuplicateNames()
    {
        RecordingSurface rec(3.2, {QStringLiteral("Twin"), QStringLiteral("Other"), QStringLiteral("Twin")});
        rec.selectPrinter(2);
        PrinterSelection selection(rec);
        {
            // First opening: the preselection (the last entry of that name) is swallowed.
            FrmImpostaStampante dlg(selection);
            QCOMPARE(child<QComboBox>(dlg, "cboPRN")->currentIndex(), 2);
            QCOMPARE(rec.currentIndex(), 2);
        }
        {
            // Later openings treat it as a choice: the first printer of that name wins.
            FrmImpostaStampante dlg(selection);
            QCOMPARE(rec.currentIndex(), 0);
            child<QComboBox>(dlg, "cboPRN")->setCurrentIndex(1);
            QCOMPARE(rec.currentIndex(), 1);
            child<QComboBox>(dlg, "cboPRN")->setCurrentIndex(2);
            QCOMPARE(rec.currentIndex(), 0);
        }
    }
};

QTEST_MAIN(TestPrintDialogs)
#include "test_print_dialogs.moc"
