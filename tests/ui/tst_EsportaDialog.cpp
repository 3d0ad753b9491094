// The export dialogs driven through their controls, offscreen.

#include "../common/HeldRows.h"
#include "export/Export.h"
#include "results/AppState.h"
#include "ScriptedPrompter.h"
#include "system/SystemData.h"
#include "ui/EsportaDialog.h"
#include "ui/EsportaFormatoDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vellora;
using namespace vellora::test;

namespace {

// The kinds by the names the window's menu entries were once tagged with.
ExportKind exportKindOf(const QString& tag)
{
    return tag == u"EXCEL" ? ExportKind::Tabbed : ExportKind::Text;
}

} // namespace

class TestEsportaDialog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    MemoryRows m_rows;
    SystemData m_system{QStringLiteral("2"), QStringLiteral("Debian"), QString(), QStringLiteral("6.1")};
    QDateTime m_now{QDate(2004, 5, 12), QTime(14, 30, 59)};

    QString exportDir() const { return m_tmp.path() + QStringLiteral("/temp/"); }

    std::unique_ptr<EsportaDialog> open(AppState& state, ScriptedPrompter& prompter)
    {
        auto dialog = std::make_unique<EsportaDialog>(state, m_rows, m_system, prompter);
        dialog->setExportFolder(exportDir());
        dialog->setClock([this] { return m_now; });
        dialog->setFinishDelay(std::chrono::milliseconds(0));
        return dialog;
    }

    template <typename T> static T* child(QDialog& d, const char* name)
    {
        T* w = d.findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("missing control %s", name);
        return w;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        const QString data = m_tmp.path() + QStringLiteral("/dati/");
        QVERIFY(QDir().mkpath(data));
        QFile f(data + QStringLiteral("setup.exe"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("MZ") == 2);
        m_rows.add(QStringLiteral("setup"), QStringLiteral("exe"), data);
    }

    // The columns listed are the flags, not what the export writes; the layout choice shows
    // for the spreadsheet only and is not carried to the next opening.
    void opening_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<ColumnProfile>("opts");
        QTest::addColumn<int>("info");
        QTest::addColumn<QString>("columns");
        QTest::newRow("text, first run") << "TESTO" << kDefaultOptS << 1 << "Nome File\nExt\nDimensione";
        QTest::newRow("spreadsheet, all, description heading")
            << "EXCEL" << ColumnProfile{1, 1, 1, 1, 1, 1, 1, 1} << 2
            << "Nome File\nExt\nDimensione\nData Ult. Modifica\nVersione File\nDescrizione File";
        QTest::newRow("text, flags only")
            << "TESTO" << ColumnProfile{1, 0, 0, 0, 1, 0, 0, 1} << 1 << "Data Ult. Modifica";
    }
    void opening()
    {
        QFETCH(QString, kind);
        QFETCH(ColumnProfile, opts);
        QFETCH(int, info);
        QFETCH(QString, columns);
        AppState state;
        state.exportKind = exportKindOf(kind);
        state.OptS = opts;
        state.Intestazioni[ColInfo] = infoHeadingFromMenu(InfoKind(info));
        ScriptedPrompter prompter;
        auto d = open(state, prompter);
        d->show();
        QCOMPARE(child<QLabel>(*d, "lblColonne")->text(), columns);
        QCOMPARE(child<QGroupBox>(*d, "fraEXCEL")->isVisible(), kind == QLatin1String("EXCEL"));
        QVERIFY(child<QRadioButton>(*d, "optUnico")->isChecked());
        QCOMPARE(child<QLabel>(*d, "Label1")->text(),
                 QStringLiteral("Il file di testo verrà esportato nella cartella ") + m_tmp.path() +
                     QStringLiteral("/temp."));

        // "&Annulla" closes.
        child<QRadioButton>(*d, "optSeparato")->setChecked(true);
        QTest::mouseClick(child<QPushButton>(*d, "cmdAnnulla"), Qt::LeftButton);
        QVERIFY(!d->isVisible());
        QVERIFY(child<QRadioButton>(*open(state, prompter), "optUnico")->isChecked());
        QVERIFY(prompter.messages.empty());
    }

    void changeColumns()
    {
        AppState state;
        state.exportKind = ExportKind::Text;
        state.ProfiloColonne = ProfileKind::Vedi;
        ScriptedPrompter prompter;
        auto d = open(state, prompter);
        int opened = 0;
        d->setColumnDialogOpener([&] {
            ++opened;
            QCOMPARE(state.ProfiloColonne, ProfileKind::Esporta);
            state.OptS[ColSize] = 0;
            state.OptS[ColVersion] = 1;
        });
        QTest::mouseClick(child<QPushButton>(*d, "cmdCambiaCAMPI"), Qt::LeftButton);
        QCOMPARE(opened, 1);
        QCOMPARE(child<QLabel>(*d, "lblColonne")->text(), QStringLiteral("Nome File\nExt\nVersione File"));
    }

    void exportButton_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("separate");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("firstLine");
        QTest::newRow("text") << "TESTO" << false << "Lista_2004-05-12_14-30-59.txt"
                              << QByteArray("Debian - Ver. 6.1");
        QTest::newRow("one field") << "EXCEL" << false << "ListaExcel_2004-05-12_14-30-59.txt"
                                   << QByteArray("setup.exe\t2");
        QTest::newRow("two fields") << "EXCEL" << true << "ListaExcel_2004-05-12_14-30-59.txt"
                                    << QByteArray("setup\texe\t2");
    }
    // "&Esporta" writes the file, tells the user where, and leaves the dialog open for more.
    void exportButton()
    {
        QFETCH(QString, kind);
        QFETCH(bool, separate);
        QFETCH(QString, file);
        QFETCH(QByteArray, firstLine);
        QDir(exportDir()).removeRecursively();
        AppState state;
        state.exportKind = exportKindOf(kind);
        ScriptedPrompter prompter;
        auto d = open(state, prompter);
        d->show();
        if (separate)
            QTest::mouseClick(child<QRadioButton>(*d, "optSeparato"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(*d, "cmdEsporta"), Qt::LeftButton);

        QVERIFY(d->isVisible());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(prompter.messages.size(), 1u);
        QCOMPARE(prompter.messages[0].text, completionMessage(exportKindOf(kind), exportDir() + file));
        QCOMPARE(prompter.messages[0].icon, Prompter::Icon::None);
        QCOMPARE(prompter.messages[0].buttons, Prompter::Buttons::Ok);
        QFile written(exportDir() + file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readLine(), firstLine + "\r\n");

        // Pressed again a second later: a second file.
        m_now = m_now.addSecs(1);
        QTest::mouseClick(child<QPushButton>(*d, "cmdEsporta"), Qt::LeftButton);
        m_now = m_now.addSecs(-1);
        QCOMPARE(prompter.messages.size(), 2u);
        QCOMPARE(QDir(exportDir()).entryList(QDir::Files).size(), 2);
    }

    void formatDialog_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("checksum");
        QTest::addColumn<QString>("columns");
        QTest::addColumn<QString>("file");
        QTest::newRow("CSV") << "optCSV" << false << "Nome File\nExt\nDimensione\nDirectory"
                             << "Lista_2004-05-12_14-30-59.csv";
        QTest::newRow("workbook with checksum")
            << "optXLSX" << true << "Nome File\nExt\nDimensione\nDirectory\nSHA-256"
            << "Lista_2004-05-12_14-30-59.xlsx";
        QTest::newRow("page") << "optHTML" << false << "Nome File\nExt\nDimensione\nDirectory"
                              << "Lista_2004-05-12_14-30-59.html";
        QTest::newRow("JSON lines") << "optJSON" << true << "Tutti i campi, sempre"
                                    << "Lista_2004-05-12_14-30-59.jsonl";
    }
    // The newer exports' dialog: the columns that will be written, the file's name and
    // folder; "&Esporta" writes the file, tells where and leaves the dialog ready for more.
    void formatDialog()
    {
        QFETCH(QString, option);
        QFETCH(bool, checksum);
        QFETCH(QString, columns);
        QFETCH(QString, file);
        AppState state;
        ScriptedPrompter prompter;
        EsportaFormatoDialog d(state, m_rows, m_system, prompter);
        d.setExportFolder(exportDir());
        d.setClock([this] { return m_now; });
        d.show();
        child<QRadioButton>(d, qPrintable(option))->click();
        child<QCheckBox>(d, "ckChecksum")->setChecked(checksum);
        QCOMPARE(child<QLabel>(d, "lblColonne")->text(), columns);
        QCOMPARE(child<QLabel>(d, "lblFile")->text(),
                 "Lista_aaaa-mm-gg_hh-mm-ss" + file.mid(file.indexOf('.')));
        QCOMPARE(child<QComboBox>(d, "cboSeparatore")->isEnabled(), option == QLatin1String("optCSV"));
        // JSON lines always writes every field: nothing to change.
        QCOMPARE(child<QPushButton>(d, "cmdCambiaCAMPI")->isEnabled(), option != QLatin1String("optJSON"));
        QApplication::processEvents(); // the layout follows the columns shown
        const int height = d.height();

        QTest::mouseClick(child<QPushButton>(d, "cmdEsporta"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !d.running(); }));
        QCOMPARE(prompter.messages.size(), 1u);
        QCOMPARE(prompter.messages[0].text, completionMessage(d.choice().kind, exportDir() + file));
        QCOMPARE(prompter.messages[0].icon, Prompter::Icon::Information);
        // No empty band where the bar was.
        QCOMPARE(d.height(), height);
        QVERIFY(QFileInfo(exportDir() + file).size() > 0);
        QVERIFY(d.isVisible() && child<QPushButton>(d, "cmdEsporta")->isEnabled());
        QVERIFY(!child<QProgressBar>(d, "prgEsporta")->isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }

    void formatExportKeepsTheWindowAnswering_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("to the end") << false;
        QTest::newRow("stopped") << true;
    }
    // A workbook of a long list is written on a thread of its own: half way through, the
    // event loop turns, the bar shows and only "&Annulla" is live; "&Annulla" stops it and
    // no file is left.
    void formatExportKeepsTheWindowAnswering()
    {
        QFETCH(bool, stop);
        QDir(exportDir()).removeRecursively();
        HeldRows rows;
        rows.rows = MemoryRows::numbered(3000, QStringLiteral("/nowhere/")).rows;
        rows.heldAt = 1500;
        AppState state;
        ScriptedPrompter prompter;
        EsportaFormatoDialog d(state, rows, m_system, prompter);
        d.setExportFolder(exportDir());
        d.show();
        child<QRadioButton>(d, "optXLSX")->click();
        QString seen;
        HoldProbe probe(rows, [&] {
            seen = QStringLiteral("%1 messages, bar %2, cmdEsporta %3, cmdAnnulla %4")
                       .arg(prompter.messages.size())
                       .arg(child<QProgressBar>(d, "prgEsporta")->isVisible())
                       .arg(child<QPushButton>(d, "cmdEsporta")->isEnabled())
                       .arg(child<QPushButton>(d, "cmdAnnulla")->isEnabled());
            if (stop)
                child<QPushButton>(d, "cmdAnnulla")->click();
        });
        child<QPushButton>(d, "cmdEsporta")->click();
        QVERIFY(QTest::qWaitFor([&] { return !prompter.messages.empty(); }, 30000));
        QVERIFY(rows.releasedInTime);
        QCOMPARE(seen, QStringLiteral("0 messages, bar 1, cmdEsporta 0, cmdAnnulla 1"));
        QVERIFY(d.isVisible());
        QCOMPARE(QDir(exportDir()).entryList(QDir::Files | QDir::Hidden).size(), stop ? 0 : 1);
        if (stop)
            QCOMPARE(prompter.messages[0].text,
                     QStringLiteral("Esportazione interrotta: nessun file è stato scritto."));
    }
};

QTEST_MAIN(TestEsportaDialog)
#include "tst_EsportaDialog.moc"
