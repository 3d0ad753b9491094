// The print preview: its pages are the printed pages, and its window's tools, driven
// through their object names.

#include "../common/MemoryRows.h"
#include "RecordingSurface.h"
#include "ScriptedPrompter.h"
#include "ui/FrmAnteprima.h"
#include "ui/FrmStampaDir.h"
#include "ui/PreviewView.h"

#include <QApplication>
#include <QFrame>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace vellora;
using vellora::test::MemoryRows;

namespace {

const QDate kToday(2024, 5, 17);

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

// n rows in a subfolder; every wrapEvery-th one has an extension that pushes its folder onto
// a second paper line.
MemoryRows rowsOf(int n, int wrapEvery)
{
    MemoryRows rows;
    for (int i = 1; i <= n; ++i)
        rows.add(QStringLiteral("row%1").arg(i, 5, 10, QLatin1Char('0')),
                 wrapEvery > 0 && i % wrapEvery == 0 ? QString(100, QLatin1Char('e')) : QStringLiteral("txt"),
                 QStringLiteral("/srv/sub/"));
    return rows;
}

AppState stateFor(bool landscape)
{
    AppState st;
    st.TipoRicerca = Scope::Subfolders;
    st.OptS = {1, 1, 1, 1, 0, 0, std::int16_t(landscape ? 1 : 0), 0};
    return st;
}

} // namespace

class TestPrintPreview : public QObject
{
    Q_OBJECT

    test::MemoryFacts m_facts{false};

private Q_SLOTS:
    void previewPagesArePrintedPages_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("wrapEvery");
        QTest::addColumn<int>("pages");
        // 3.2 mm lines: 76 rows on a portrait page, 49 on a landscape one.
        QTest::newRow("empty list") << false << 0 << 0 << 1;
        QTest::newRow("one row") << false << 1 << 0 << 1;
        QTest::newRow("exactly one full page") << false << 76 << 0 << 1;
        QTest::newRow("one row more") << false << 77 << 0 << 2;
        QTest::newRow("rows that wrap onto two paper lines") << false << 90 << 1 << 3;
        QTest::newRow("a wrapping row that no longer fits") << false << 76 << 76 << 2;
        QTest::newRow("landscape, wrapping rows") << true << 49 << 1 << 3;
    }

    // Page N of the preview is page N of the printed report: same lines, same columns.
    void previewPagesArePrintedPages()
    {
        QFETCH(bool, landscape);
        QFETCH(int, n);
        QFETCH(int, wrapEvery);
        QFETCH(int, pages);
        MemoryRows rows = rowsOf(n, wrapEvery);
        rows.factSource = &m_facts;
        const AppState st = stateFor(landscape);
        const ReportInput input{rows, st, QStringLiteral("Sys")};
        RecordingSurface printed(3.2);
        ReportOptions options;
        options.waitMs = 0;
        options.today = kToday;
        (void)printChosenReport(printed, input, options);

        RecordingSurface drawn(3.2);
        ReportPages preview(drawn, input, kToday);
        QVERIFY(preview.layOut(-1));
        for (int page = 1; page <= preview.pageCount(); ++page) {
            if (page > 1)
                drawn.newPage();
            preview.drawPage(drawn, page);
        }
        (void)drawn.endDoc();
        QCOMPARE(preview.pageCount(), pages);
        const auto& want = printed.documents.at(0).pages;
        const auto& got = drawn.documents.at(0).pages;
        QCOMPARE(got.size(), want.size());
        for (std::size_t p = 0; p < want.size(); ++p)
            QCOMPARE(got[p].lines, want[p].lines);

        // The window opens on page 1 and pictures it.
        ScriptedPrompter prompter;
        FrmAnteprima window(drawn, input, prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(
            QTest::qWaitFor([&] { return window.pages().complete() && window.view().picturesMade() > 0; }));
        QCOMPARE(child<QSpinBox>(window, "txtPagina")->text(), QStringLiteral("Pagina 1 di %1").arg(pages));
    }

    void tools_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("state"); // page box, fit, zoom against the start, pages per row,
                                            // first/previous/next/last enabled, window
        QTest::newRow("opens on page 1 at page width")
            << QStringList{} << "Pagina 1 di 3, 1, =, 1, --++, aperta";
        QTest::newRow("next, next, previous")
            << QStringList{"cmdSuccessiva", "cmdSuccessiva", "cmdPrecedente"}
            << "Pagina 2 di 3, 1, =, 1, ++++, aperta";
        QTest::newRow("last, first, last")
            << QStringList{"cmdUltima", "cmdPrima", "cmdUltima"} << "Pagina 3 di 3, 1, =, 1, ++--, aperta";
        QTest::newRow("keys") << QStringList{"PgDown", "PgDown", "PgUp", "End", "Home", "PgDown"}
                              << "Pagina 2 di 3, 1, =, 1, ++++, aperta";
        QTest::newRow("page typed in the box")
            << QStringList{"txtPagina=3"} << "Pagina 3 di 3, 1, =, 1, ++--, aperta";
        QTest::newRow("whole page") << QStringList{"cmdPaginaIntera"}
                                    << "Pagina 1 di 3, 2, -, 1, --++, aperta";
        QTest::newRow("zoom in") << QStringList{"cmdIngrandisci"} << "Pagina 1 di 3, 0, +, 1, --++, aperta";
        QTest::newRow("zoom out") << QStringList{"cmdRiduci"} << "Pagina 1 di 3, 0, -, 1, --++, aperta";
        QTest::newRow("Ctrl+plus") << QStringList{"Ctrl++"} << "Pagina 1 di 3, 0, +, 1, --++, aperta";
        QTest::newRow("Ctrl+minus") << QStringList{"Ctrl+-"} << "Pagina 1 di 3, 0, -, 1, --++, aperta";
        QTest::newRow("Ctrl+wheel") << QStringList{"Ctrl+wheel"} << "Pagina 1 di 3, 0, +, 1, --++, aperta";
        QTest::newRow("two pages side by side")
            << QStringList{"cmdDuePagine"} << "Pagina 1 di 3, 1, -, 2, --++, aperta";
        QTest::newRow("Esc closes") << QStringList{"Esc"} << "Pagina 1 di 3, 1, =, 1, --++, chiusa";
    }

    void tools()
    {
        QFETCH(QStringList, actions);
        QFETCH(QString, state);
        MemoryRows rows = rowsOf(200, 0);
        rows.factSource = &m_facts;
        const AppState st = stateFor(false);
        RecordingSurface rec(3.2);
        ScriptedPrompter prompter;
        FrmAnteprima w(rec, ReportInput{rows, st, QStringLiteral("Sys")}, prompter);
        w.resize(900, 700);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(QTest::qWaitFor([&] { return w.pages().complete(); }));
        const int zoom = w.view().zoom();
        for (const QString& a : actions) {
            if (a.startsWith(QLatin1String("cmd")))
                child<QPushButton>(w, qPrintable(a))->click();
            else if (a.startsWith(QLatin1String("txtPagina="))) {
                child<QSpinBox>(w, "txtPagina")->setValue(a.mid(10).toInt());
            } else if (a == QLatin1String("Ctrl+wheel")) {
                QWidget* port = w.view().viewport();
                QWheelEvent wheel(QPointF(10, 10), port->mapToGlobal(QPointF(10, 10)), {}, {0, 120},
                                  Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(port, &wheel);
            } else {
                QTest::keySequence(&w, QKeySequence(a));
            }
        }
        QString enabled;
        for (const char* name : {"cmdPrima", "cmdPrecedente", "cmdSuccessiva", "cmdUltima"})
            enabled += child<QPushButton>(w, name)->isEnabled() ? '+' : '-';
        const int now = w.view().zoom();
        const QString got = QStringLiteral("%1, %2, %3, %4, %5, %6")
                                .arg(child<QSpinBox>(w, "txtPagina")->text())
                                .arg(w.view().fit())
                                .arg(now > zoom   ? '+'
                                     : now < zoom ? '-'
                                                  : '=')
                                .arg(w.view().sideBySide())
                                .arg(enabled, w.isVisible() ? "aperta" : "chiusa");
        QCOMPARE(got, state);
    }

    // From the print dialog: a PDF saved from the preview, the preview opened again as it was
    // left, and a print asked for there run by the dialog, with its bar.
    void printsSavesAndRemembers()
    {
        QTemporaryDir tmp;
        qputenv("VELLORA_EXPORT_DIR", QFile::encodeName(tmp.filePath(QStringLiteral("export"))));
        const SettingsStore store(tmp.filePath(QStringLiteral("Vellora.ini")));
        MemoryRows rows = rowsOf(100, 0);
        rows.factSource = &m_facts;
        AppState st = stateFor(false);
        RecordingSurface rec(3.2);
        ScriptedPrompter prompter;
        FrmStampaDir dlg(rec, st, rows, QStringLiteral("Sys"), prompter);
        dlg.setWaitMs(0);
        dlg.setSettingsStore(store);
        int zoom = 0;
        QString reopened;
        prompter.onDialog = [&](QDialog& d) {
            const PreviewView& view = dynamic_cast<FrmAnteprima&>(d).view();
            if (zoom == 0) {
                d.resize(700, 500);
                child<QPushButton>(d, "cmdSalvaPDF")->click();
                (void)QTest::qWaitFor([&] { return !dynamic_cast<FrmAnteprima&>(d).saving(); });
                child<QPushButton>(d, "cmdIngrandisci")->click();
                zoom = view.zoom();
                child<QPushButton>(d, "cmdChiudi")->click();
            } else {
                reopened = QStringLiteral("%1 %2x%3 %4 %5")
                               .arg(d.windowTitle())
                               .arg(d.width())
                               .arg(d.height())
                               .arg(view.fit())
                               .arg(view.zoom());
                child<QPushButton>(d, "cmdStampa")->click();
            }
            return d.result();
        };
        child<QPushButton>(dlg, "cmdAnteprima")->click();
        QVERIFY(rec.documents.empty());
        QCOMPARE(prompter.messages.size(), std::size_t(1));
        const QStringList pdfs = QDir(tmp.filePath(QStringLiteral("export"))).entryList({"Stampa_*.pdf"});
        QCOMPARE(pdfs.size(), 1);
        QVERIFY(prompter.messages[0].text.contains(pdfs[0]));

        child<QPushButton>(dlg, "cmdAnteprima")->click();
        QVERIFY(QTest::qWaitFor([&] { return !dlg.printing(); }));
        QCOMPARE(reopened, QStringLiteral("Anteprima di stampa - Vellora 700x500 0 %1").arg(zoom));
        QCOMPARE(rec.documents.size(), std::size_t(1));
        QCOMPARE(rec.documents[0].pages.size(), std::size_t(2));
        QVERIFY(child<QFrame>(dlg, "txtBARRA")->isVisibleTo(&dlg));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        // Under a key of its own: the main window's values are not there.
        QSettings ini(store.filePath(), QSettings::IniFormat);
        QCOMPARE(ini.childGroups(), QStringList{kPreviewSettingsKey});
        qunsetenv("VELLORA_EXPORT_DIR");
    }
};

QTEST_MAIN(TestPrintPreview)
#include "test_print_preview.moc"
