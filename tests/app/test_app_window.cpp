// The main window driven through its controls: start-up, interface modes, the pattern box,
// scans, the interrupt, the settings kept across a restart, the info menu and the drive box.

#include "AppTestSupport.h"

#include "results/ColumnProfileEditor.h"
#include "settings/StoredSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSemaphore>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTreeView>

using namespace vellora;
using namespace vellora::testing;

class TestAppWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunCaptions();
    void firstRunState();
    void scopeSwitch();
    void orderPickedAgain();
    void patternKeys_data();
    void patternKeys();
    void invalidPattern_data();
    void invalidPattern();
    void scanCounts_data();
    void scanCounts();
    void scanFindsNothing();
    void unfilledRowMessage();
    void interruptDuringWalk();
    void restartRestoresSettings();
    void infoMenu_data();
    void infoMenu();
    void storedOddValues();
    void treeShowsLastFolder();
    void unreadableVolume();
    void doubleClickTogglesTime();
    void defaultWidths();
    void numberColumnStaysInView();
    void orderDuringScanWaits();
    void leavingPatternBox();
    void dialogOpeners_data();
    void dialogOpeners();
    void closeDuringScan();
};

// Every caption of a first start, whatever kind of control shows it.
void TestAppWindow::firstRunCaptions()
{
    static const char* const captions[][2] = {
        {"fraIMPOSTAZIONI", "Impostazioni Stampa Directory"},
        {"lblTipoFile_", "Tipo di File da visualizzare"},
        {"cmdAvvia", "Leggi Direc&tory"},
        {"lblCurDir_", "Cartella da Stampare"},
        {"Label2", "&Drive"},
        {"Label3", "S&elezione Cartella"},
        {"lbl_Sottocartelle", "Ricerc&a in"},
        {"lblOrd_", "&Ordinamento Risultati"},
        {"lblTempo", "Tempo"},
        {"fraRESULT", "Risultati Ricerca"},
        {"lbl_TotFile", "Files"},
        {"lblTotFile", "0"},
        {"lblCartelle_", "Cartelle"},
        {"lblCartelle", "0"},
        {"lblNessunFile", "Nessun File trovato"},
        {"lblAggiornaGriglia", "Aggiornamento Griglia..."},
        {"fraRisMonitor", "Risoluzione Monitor"},
        {"cmdInterrompi", "&Interrompi"},
        {"cmdStampa", "&Vellora"},
        {"cmdRimuovi", "&Rimuovi File"},
        {"cmdEsci", "&Chiudi"},
        {"mnuEsporta", "Esporta in Formato &Testo"},
        {"mnuExcel", "Esporta in Formato per E&xcel"},
        {"mnuStampante", "&Imposta Stampante"},
        {"mnuEsci", "&Esci"},
        {"mnuDefault", "Reimposta Colonne &Default"},
        {"mnuColVIS", "Da Vis&ualizzare"},
        {"mnuColST", "Da Sta&mpare"},
        {"mnuCN", "Produttore (Company Name)"},
        {"mnuFD", "Descrizione (File Description)"},
        {"mnuPD", "Info File (Product Name)"},
        {"mnuVerifica", "Verific&a"},
        {"mnuVersione", "&Versione"},
        {"mnuFile", "&File"},
        {"mnuOpzioni", "&Opzioni"},
        {"mnuColonne", "&Nascondi/Scopri Colonne"},
        {"mnuColInfo", "Colonna &Info"},
    };
    Sandbox box;
    auto w = box.window();
    for (const auto& [name, text] : captions) {
        QObject* o = w->findChild<QObject*>(QLatin1String(name));
        QVERIFY2(o, name);
        QString shown;
        if (auto* l = qobject_cast<QLabel*>(o))
            shown = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(o))
            shown = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(o))
            shown = g->title();
        else if (auto* a = qobject_cast<QAction*>(o))
            shown = a->text();
        else if (auto* m = qobject_cast<QMenu*>(o))
            shown = m->title();
        QVERIFY2(shown == QString::fromUtf8(text),
                 qPrintable(QString::fromLatin1(name) + QStringLiteral(": ") + shown));
    }
}

void TestAppWindow::firstRunState()
{
    Sandbox box;
    auto w = box.window();
    QCOMPARE(labelText(*w, "lblCurDir"), homeFolder() + QStringLiteral("*.*"));
    QCOMPARE(w->state().CartellaRicerca, homeFolder());
    QCOMPARE(child<QComboBox>(*w, "cboRicercaIn")->currentIndex(), 0);
    QCOMPARE(child<QComboBox>(*w, "cboORD")->currentText(), QStringLiteral("Ordinamento Nome File A-Z"));
    QCOMPARE(child<QComboBox>(*w, "cboPATTERN")->currentText(), QStringLiteral("*.*"));
    QCOMPARE(child<QComboBox>(*w, "cboPATTERN")->count(), 16);
    QCOMPARE(child<QComboBox>(*w, "cboPATTERN")->itemText(15), QStringLiteral("*.ico"));
    QCOMPARE(child<QComboBox>(*w, "cboORD")->count(), 11);
    QVERIFY(child<QTableView>(*w, "GRIGLIA")->isHidden());
    QVERIFY(child<QLabel>(*w, "lblNessunFile")->isHidden());
    for (const char* off : {"cmdStampa", "cmdRimuovi", "cmdInterrompi"})
        QVERIFY2(!child<QPushButton>(*w, off)->isEnabled(), off);
    QVERIFY(!child<QAction>(*w, "mnuEsporta")->isEnabled());
    QVERIFY(!child<QAction>(*w, "mnuExcel")->isEnabled());
    QVERIFY(child<QAction>(*w, "mnuCN")->isChecked());
    QVERIFY(!child<QAction>(*w, "mnuFD")->isChecked());
    QCOMPARE(w->state().Intestazioni.value(ColInfo), QStringLiteral("Produttore"));
    QCOMPARE(w->state().OptV, kDefaultOptV);
    QCOMPARE(w->state().OptS, kDefaultOptS);
    QCOMPARE(child<QAction>(*w, "mnuStampante")->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
    QCOMPARE(child<QAction>(*w, "mnuColVIS")->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
    QCOMPARE(child<QAction>(*w, "mnuColST")->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
    QCOMPARE(child<QPushButton>(*w, "cmdEsci")->toolTip(), QStringLiteral("Chiudi l'Applicazione"));
    // Widths nobody dragged come back exactly, not rounded through pixels.
    QCOMPARE(w->columnWidthsTwips(), MainWindow::kDefaultWidthsTwips);
    const QString resolution = labelText(*w, "lblRisMonitor");
    QVERIFY2(QRegularExpression(QStringLiteral("^ \\d+ x \\d+$")).match(resolution).hasMatch(),
             qPrintable(resolution));
    QCOMPARE(MainWindow::screenResolutionText(1024, 768), QStringLiteral(" 1024 x 768"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Vellora File"));
}

// Any pick of the scope, also of the one shown, switches printing and export off until the
// next scan.
void TestAppWindow::scopeSwitch()
{
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"));
    auto w = box.window();
    chooseFolder(*w, box.tree());
    QVERIFY(scan(*w));
    QVERIFY(child<QPushButton>(*w, "cmdStampa")->isEnabled());
    QVERIFY(child<QAction>(*w, "mnuExcel")->isEnabled());

    pick(*w, "cboRicercaIn", 0);
    QVERIFY(!child<QPushButton>(*w, "cmdStampa")->isEnabled());
    QVERIFY(!child<QAction>(*w, "mnuEsporta")->isEnabled());
    QVERIFY(!child<QAction>(*w, "mnuExcel")->isEnabled());
    QCOMPARE(labelText(*w, "lblCurDir_"), QStringLiteral("Cartella da Stampare"));

    pick(*w, "cboRicercaIn", 1);
    QCOMPARE(w->state().TipoRicerca, 1);
    QCOMPARE(child<QGroupBox>(*w, "fraIMPOSTAZIONI")->title(), QStringLiteral("Impostazioni Trova File(s)"));
    QCOMPARE(labelText(*w, "lblTipoFile_"), QStringLiteral("File(s) da Trovare"));
    QCOMPARE(child<QPushButton>(*w, "cmdAvvia")->text(), QStringLiteral("&Trova File(s)"));
    QCOMPARE(labelText(*w, "lblCurDir_"), QStringLiteral("Cartella di Ricerca Principale"));
    QVERIFY(!child<QTableView>(*w, "GRIGLIA")->isHidden()); // the list stays in view
}

// The order picked again orders again, with the sizes read afresh, and numbers from row 1.
void TestAppWindow::orderPickedAgain()
{
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"), "1");
    writeFile(box.tree() + QStringLiteral("b.txt"), "123");
    auto w = box.window();
    w->state().OptV[ColSize] = 1;
    chooseFolder(*w, box.tree());
    pick(*w, "cboORD", 4); // size 9-0
    QVERIFY(scan(*w));
    QCOMPARE(w->table().text(1, ColName), QStringLiteral("b"));
    writeFile(box.tree() + QStringLiteral("a.txt"), "1234567890");
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    grid->setCurrentIndex(w->table().index(1, ColName));
    pick(*w, "cboORD", 4);
    QCOMPARE(w->table().text(1, ColName), QStringLiteral("a"));
    QCOMPARE(w->table().text(1, ColSize), QStringLiteral("10"));
    QCOMPARE(w->table().text(1, ColNumber), QStringLiteral("1"));
    QCOMPARE(grid->currentIndex().row(), 0);
}

void TestAppWindow::patternKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("starts");
    QTest::newRow("Return") << int(Qt::Key_Return) << true;
    QTest::newRow("Enter (keypad)") << int(Qt::Key_Enter) << true;
    QTest::newRow("letter") << int(Qt::Key_A) << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << false;
}

void TestAppWindow::patternKeys()
{
    QFETCH(int, key);
    QFETCH(bool, starts);
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"));
    writeFile(box.tree() + QStringLiteral("b.doc"));
    auto w = box.window();
    chooseFolder(*w, box.tree());
    auto* pattern = child<QComboBox>(*w, "cboPATTERN");
    pattern->setEditText(QStringLiteral("*.txt"));
    QSignalSpy started(&w->driver(), &ScanDriver::phaseChanged);
    QTest::keyClick(pattern->lineEdit(), Qt::Key(key));
    QVERIFY(QTest::qWaitFor([&] { return !w->driver().isRunning(); }, 10000));
    QCOMPARE(!started.isEmpty(), starts);
    if (starts) {
        QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("1"));
        QCOMPARE(w->state().PatternFile, QStringLiteral("*.txt"));
        QCOMPARE(labelText(*w, "lblCurDir"), box.tree() + QStringLiteral("*.txt"));
        QCOMPARE(pattern->count(), 16); // Enter does not add the typed text to the list
    }
    QVERIFY(box.prompter.messages.empty());
}

void TestAppWindow::invalidPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << QStringLiteral("   ");
    QTest::newRow("separator") << QStringLiteral("sub/*.txt");
}

void TestAppWindow::invalidPattern()
{
    QFETCH(QString, pattern);
    Sandbox box;
    auto w = box.window();
    auto* cbo = child<QComboBox>(*w, "cboPATTERN");
    cbo->setEditText(pattern);
    QSignalSpy started(&w->driver(), &ScanDriver::phaseChanged);
    QTest::keyClick(cbo->lineEdit(), Qt::Key_Return);
    QVERIFY(started.isEmpty());
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(box.prompter.messages[0].text, QStringLiteral("Valore Pattern non Valido"));
    QCOMPARE(box.prompter.messages[0].icon, Prompter::Icon::Information);
    // The start button refuses it as well.
    child<QPushButton>(*w, "cmdAvvia")->click();
    QVERIFY(started.isEmpty());
    QCOMPARE(box.prompter.messages.size(), std::size_t(2));
}

void TestAppWindow::scanCounts_data()
{
    QTest::addColumn<int>("scope");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("folders");
    QTest::newRow("selected folder, *.txt")
        << 0 << QStringLiteral("*.txt") << QStringLiteral("3") << QStringLiteral("1");
    QTest::newRow("typed pattern a*.d?l")
        << 1 << QStringLiteral("a*.d?l") << QStringLiteral("1") << QStringLiteral("3");
}

void TestAppWindow::scanCounts()
{
    QFETCH(int, scope);
    QFETCH(QString, pattern);
    QFETCH(QString, files);
    QFETCH(QString, folders);
    Sandbox box;
    const QString t = box.tree();
    for (const char* f : {"a.txt", "B.TXT", "c.txt", "d.doc", "a1.d?l", "sub/e.txt", "sub/f.txt",
                          "sub/deep/g.txt", "sub/deep/h.exe"})
        writeFile(t + QLatin1String(f));
    auto w = box.window();
    chooseFolder(*w, t);
    pick(*w, "cboRicercaIn", scope);
    setPattern(*w, pattern);
    QVERIFY(scan(*w));
    QCOMPARE(labelText(*w, "lblTotFile"), files);
    QCOMPARE(labelText(*w, "lblCartelle"), folders);
    QCOMPARE(w->table().rowCount(), files.toLongLong());
    QVERIFY(!child<QTableView>(*w, "GRIGLIA")->isHidden());
    QVERIFY(child<QLabel>(*w, "lblNessunFile")->isHidden());
    QCOMPARE(labelText(*w, "lblCurDir_"), QStringLiteral("Cartella di Ricerca Principale"));
    QCOMPARE(labelText(*w, "lblCurDir"), t + pattern);
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                .match(labelText(*w, "lblTempo"))
                .hasMatch());
    QVERIFY(child<QPushButton>(*w, "cmdStampa")->isEnabled());
    QVERIFY(child<QPushButton>(*w, "cmdEsci")->isEnabled());
    QVERIFY(!child<QPushButton>(*w, "cmdInterrompi")->isEnabled());
    // Ordered by name A-Z and numbered from 1; the view stands on row 1.
    QCOMPARE(w->table().text(1, ColNumber), QStringLiteral("1"));
    for (qsizetype r = 2; r <= w->table().rowCount(); ++r)
        QVERIFY(w->table().text(r - 1, ColName).compare(w->table().text(r, ColName), Qt::CaseInsensitive) <=
                0);
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 7); // row 1, columns 1 to 7
    QCOMPARE(grid->horizontalScrollBar()->value(), 0);             // "Nr." in view
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestAppWindow::scanFindsNothing()
{
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"));
    auto w = box.window();
    chooseFolder(*w, box.tree());
    QVERIFY(scan(*w)); // fills the table first
    setPattern(*w, QStringLiteral("*.zzz"));
    QVERIFY(scan(*w));
    QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("0"));
    QVERIFY(!child<QLabel>(*w, "lblNessunFile")->isHidden());
    QVERIFY(child<QTableView>(*w, "GRIGLIA")->isHidden());
    QVERIFY(!child<QPushButton>(*w, "cmdStampa")->isEnabled());
    QVERIFY(!child<QAction>(*w, "mnuEsporta")->isEnabled());
}

// The message about rows left unfilled is shown with the scan's end states already on the
// controls, printing and export included; the table appears after it.
void TestAppWindow::unfilledRowMessage()
{
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("keep.txt"));
    writeFile(box.tree() + QStringLiteral("gone.txt"));
    auto w = box.window();
    w->state().OptV[ColDate] = 1;
    chooseFolder(*w, box.tree());
    w->driver().setHooks({{}, [&](qsizetype row) {
                              if (row == 1)
                                  QFile::remove(box.tree() + QStringLiteral("gone.txt"));
                          }});
    QStringList atMessage;
    box.prompter.onMessage = [&](const ScriptedPrompter::Message&) {
        for (const char* b : {"cmdStampa", "cmdEsci", "cmdInterrompi"})
            atMessage << (QLatin1String(b) + (child<QPushButton>(*w, b)->isEnabled() ? u'+' : u'-'));
        for (const char* a : {"mnuEsporta", "mnuExcel"})
            atMessage << (QLatin1String(a) + (child<QAction>(*w, a)->isEnabled() ? u'+' : u'-'));
        atMessage << QStringLiteral("GRIGLIA") + (child<QTableView>(*w, "GRIGLIA")->isHidden() ? u'-' : u'+');
        atMessage << QStringLiteral("busy") + (QGuiApplication::overrideCursor() ? u'+' : u'-');
    };
    QVERIFY(scan(*w));
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(box.prompter.messages[0].text,
             QStringLiteral("1 o più Files non sono predisposti per la Versione !"));
    QCOMPARE(atMessage, QStringList({"cmdStampa+", "cmdEsci+", "cmdInterrompi-", "mnuEsporta+", "mnuExcel+",
                                     "GRIGLIA-", "busy-"}));
    QVERIFY(!child<QTableView>(*w, "GRIGLIA")->isHidden());
    QVERIFY(child<QPushButton>(*w, "cmdStampa")->isEnabled());
}

void TestAppWindow::interruptDuringWalk()
{
    Sandbox box;
    const QString t = box.tree();
    for (int i = 0; i < 5; ++i)
        writeFile(t + QStringLiteral("d%1/f.txt").arg(i));
    writeFile(t + QStringLiteral("top.txt"));
    auto w = box.window();
    chooseFolder(*w, t);
    pick(*w, "cboRicercaIn", 1);
    // The walk holds in its second folder until the interrupt has been pressed.
    QSemaphore inside;
    w->driver().setHooks({[&](const QByteArray&, ScanState& s) {
                              if (s.totCartelle.load() == 2) {
                                  inside.release();
                                  QDeadlineTimer limit(10000);
                                  while (!s.interrupt.load() && !limit.hasExpired())
                                      QThread::msleep(1);
                              }
                          },
                          {}});
    child<QPushButton>(*w, "cmdAvvia")->click();
    QVERIFY(QTest::qWaitFor([&] { return inside.tryAcquire(); }, 10000));
    QVERIFY(!child<QPushButton>(*w, "cmdEsci")->isEnabled());
    auto* stop = child<QPushButton>(*w, "cmdInterrompi");
    QVERIFY(stop->isEnabled());
    QVERIFY(!child<QPushButton>(*w, "cmdStampa")->isEnabled()); // no print of a table being refilled
    stop->click();
    QVERIFY(QTest::qWaitFor([&] { return !w->driver().isRunning(); }, 10000));
    QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("1")); // top.txt, the start folder's file
    QVERIFY(child<QTableView>(*w, "GRIGLIA")->isHidden());
    QVERIFY(child<QLabel>(*w, "lblNessunFile")->isHidden());
    QVERIFY(!child<QPushButton>(*w, "cmdStampa")->isEnabled());
    QVERIFY(!stop->isEnabled());
}

void TestAppWindow::restartRestoresSettings()
{
    Sandbox box;
    const QString folder = box.tree() + QStringLiteral("kept/");
    QDir().mkpath(folder);
    std::array<int, ColumnCount> widths{};
    {
        auto w = box.window();
        chooseFolder(*w, folder);
        QCOMPARE(w->state().CartellaRicerca, folder);
        setPattern(*w, QStringLiteral("a*.d?l"));
        pick(*w, "cboORD", 3);
        pick(*w, "cboRicercaIn", 1);
        child<QAction>(*w, "mnuFD")->trigger();
        // The display profile through its dialog: "Dimensione" on, OK.
        box.prompter.onDialog = [](QDialog& d) {
            d.findChild<QCheckBox*>(QStringLiteral("ckOpt3"))->click();
            d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
            return d.result();
        };
        child<QAction>(*w, "mnuColVIS")->trigger();
        QCOMPARE(w->state().OptV[ColSize], std::int16_t(1));
        w->state().OptS = {1, 1, 1, 0, 1, 1, 0, 0};
        auto* header = child<QTableView>(*w, "GRIGLIA")->horizontalHeader();
        header->resizeSection(2, 77); // a user's drag
        header->resizeSection(7, 301);
        widths = w->columnWidthsTwips();
        w->setWindowState(Qt::WindowMaximized);
        w->close();
    }
    QSettings ini(box.settingsPath(), QSettings::IniFormat);
    ini.beginGroup(kSettingsKey);
    QCOMPARE(ini.value(QStringLiteral("PatternFile")).toString(), QStringLiteral("a*.d?l"));

    auto w = box.window();
    QCOMPARE(w->state().CartellaRicerca, folder);
    QCOMPARE(labelText(*w, "lblCurDir"), folder + QStringLiteral("a*.d?l"));
    QCOMPARE(child<QComboBox>(*w, "cboPATTERN")->currentText(), QStringLiteral("a*.d?l"));
    QCOMPARE(child<QComboBox>(*w, "cboORD")->currentIndex(), 3);
    QCOMPARE(w->state().OrdineGriglia, 3);
    QCOMPARE(child<QComboBox>(*w, "cboRicercaIn")->currentIndex(), 1);
    QCOMPARE(child<QPushButton>(*w, "cmdAvvia")->text(), QStringLiteral("&Trova File(s)"));
    QVERIFY(child<QAction>(*w, "mnuFD")->isChecked());
    QVERIFY(!child<QAction>(*w, "mnuCN")->isChecked());
    QCOMPARE(w->state().Intestazioni.value(ColInfo), QStringLiteral("Descrizione File"));
    QCOMPARE(w->state().OptV, (ColumnProfile{1, 1, 1, 1, 0, 0, 0, 0}));
    QCOMPARE(w->state().OptS, (ColumnProfile{1, 1, 1, 0, 1, 1, 0, 0}));
    QCOMPARE(w->columnWidthsTwips(), widths);
    QVERIFY(w->windowState() & Qt::WindowMaximized);
    QCOMPARE(w->state().DriveSelezionato, MainWindow::mountPointOf(folder));
}

void TestAppWindow::infoMenu_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<int>("stored");
    QTest::newRow("company") << QStringLiteral("mnuCN") << QStringLiteral("Produttore") << 1;
    QTest::newRow("description") << QStringLiteral("mnuFD") << QStringLiteral("Descrizione File") << 2;
    QTest::newRow("product") << QStringLiteral("mnuPD") << QStringLiteral("Info Prodotto") << 3;
}

void TestAppWindow::infoMenu()
{
    QFETCH(QString, entry);
    QFETCH(QString, heading);
    QFETCH(int, stored);
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"));
    {
        auto w = box.window();
        chooseFolder(*w, box.tree());
        QVERIFY(scan(*w));
        const QString before = w->table().text(0, ColInfo);
        w->findChild<QAction*>(entry)->trigger();
        QCOMPARE(w->state().Intestazioni.value(ColInfo), heading);
        QCOMPARE(w->table().text(0, ColInfo), before); // the table keeps its heading until refilled
        int checked = 0;
        for (const char* n : {"mnuCN", "mnuFD", "mnuPD"})
            checked += child<QAction>(*w, n)->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);
        QVERIFY(scan(*w));
        QCOMPARE(w->table().text(0, ColInfo), heading);
        w->close();
    }
    QSettings ini(box.settingsPath(), QSettings::IniFormat);
    ini.beginGroup(kSettingsKey);
    QCOMPARE(ini.value(QStringLiteral("InfoFile")).toInt(), stored);
}

// Values left in the settings file that the window must not take at face value: a folder
// that is gone, "no order", the minimized state, an all-off profile, the product heading.
void TestAppWindow::storedOddValues()
{
    Sandbox box;
    {
        QSettings ini(box.settingsPath(), QSettings::IniFormat);
        ini.beginGroup(kSettingsKey);
        ini.setValue(QStringLiteral("LastDir"), box.tree() + QStringLiteral("gone/"));
        ini.setValue(QStringLiteral("PatternFile"), QStringLiteral("*.exe"));
        ini.setValue(QStringLiteral("InfoFile"), 3);
        ini.setValue(QStringLiteral("OrderGrid"), QStringLiteral("4294967295")); // no order chosen
        ini.setValue(QStringLiteral("WinState"), 1);
        for (int i = 0; i < 8; ++i)
            ini.setValue(QStringLiteral("OptV%1").arg(i), 0); // all off: the default comes back
    }
    {
        auto w = box.window();
        QCOMPARE(w->state().CartellaRicerca, homeFolder());
        QCOMPARE(labelText(*w, "lblCurDir"), homeFolder() + QStringLiteral("*.exe"));
        QVERIFY(child<QAction>(*w, "mnuPD")->isChecked());
        QCOMPARE(w->state().Intestazioni.value(ColInfo), QStringLiteral("Info File"));
        QCOMPARE(child<QComboBox>(*w, "cboORD")->currentIndex(), -1);
        QCOMPARE(w->state().OrdineGriglia, -1);
        QVERIFY(w->windowState() & Qt::WindowMinimized);
        QCOMPARE(w->state().OptV, kDefaultOptV);
        QVERIFY(box.prompter.messages.empty());
        w->close();
    }
    QSettings ini(box.settingsPath(), QSettings::IniFormat);
    ini.beginGroup(kSettingsKey);
    QCOMPARE(ini.value(QStringLiteral("OrderGrid")).toLongLong() & 0xffffffffLL, 4294967295LL);
    QCOMPARE(ini.value(QStringLiteral("WinState")).toInt(), 1);
}

// At start-up the folder tree shows the last folder: current, its ancestors expanded and in
// view, also after the model has listed the many folders above it.
void TestAppWindow::treeShowsLastFolder()
{
    Sandbox box;
    for (int i = 0; i < 150; ++i)
        QDir().mkpath(box.tree() + QStringLiteral("a%1").arg(i, 3, 10, QLatin1Char('0')));
    const QString folder = box.tree() + QStringLiteral("z/last");
    QDir().mkpath(folder + QStringLiteral("/child"));
    {
        QSettings ini(box.settingsPath(), QSettings::IniFormat);
        ini.beginGroup(kSettingsKey);
        ini.setValue(QStringLiteral("LastDir"), folder + u'/');
    }
    auto w = box.window();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto* tree = child<QTreeView>(*w, "BoxDIR");
    auto* model = qobject_cast<QFileSystemModel*>(tree->model());
    QCOMPARE(model->filePath(tree->currentIndex()), folder);
    for (QModelIndex up = tree->currentIndex().parent(); up.isValid(); up = up.parent())
        QVERIFY2(tree->isExpanded(up), qPrintable(model->filePath(up)));
    const QModelIndex parent = model->index(QDir::cleanPath(box.tree()));
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(parent), 151, 10000);
    QTest::qWait(200); // the sort that follows a listing
    QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
    // Once the user scrolls, the tree stays where he put it.
    tree->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    tree->resize(tree->width(), tree->height() - 20);
    QTest::qWait(20);
    QCOMPARE(tree->verticalScrollBar()->value(), 0);
}

void TestAppWindow::unreadableVolume()
{
    Sandbox box;
    auto w = box.window();
    auto* drives = child<QComboBox>(*w, "cboDRIVE");
    const int before = drives->currentIndex();
    QVERIFY(before >= 0);
    const QString folderBefore = w->state().CartellaRicerca;
    drives->addItem(QStringLiteral("/nonexistent-volume/"), QStringLiteral("/nonexistent-volume/"));
    drives->setCurrentIndex(drives->count() - 1);
    Q_EMIT drives->activated(drives->count() - 1);
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(box.prompter.messages[0].title, QStringLiteral("Errore Volume"));
    QCOMPARE(box.prompter.messages[0].icon, Prompter::Icon::Information);
    QCOMPARE(drives->currentIndex(), before);
    QCOMPARE(w->state().CartellaRicerca, folderBefore);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestAppWindow::doubleClickTogglesTime()
{
    Sandbox box;
    auto w = box.window();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto* time = child<QLabel>(*w, "lblTempo");
    QWidget* surface = w->centralWidget();
    QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(time->isHidden());
    QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(!time->isHidden());
}

// The default widths come back from the menu, and at them a full date and time (in the
// widest digits) and every heading fit their columns: measured in the fonts the table and its
// header really use, less the margins the view keeps around a text.
void TestAppWindow::defaultWidths()
{
    Sandbox box;
    auto w = box.window();
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    QHeaderView* header = grid->horizontalHeader();
    header->resizeSection(ColDate, 40);
    child<QAction>(*w, "mnuDefault")->trigger();
    QCOMPARE(w->columnWidthsTwips(), MainWindow::kDefaultWidthsTwips);
    QCOMPARE(MainWindow::twipsToPixels(1440, 96), 96);
    QCOMPARE(MainWindow::pixelsToTwips(MainWindow::twipsToPixels(6500, 120), 120), 6504);

    const QFontMetricsF cell(grid->font());
    QChar widest = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d)
        if (cell.horizontalAdvance(QChar(d)) > cell.horizontalAdvance(widest))
            widest = QChar(d);
    const QString date = QStringLiteral("00/00/0000 00:00").replace(u'0', widest);
    const int textMargin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    const int room = header->sectionSize(ColDate) - (grid->showGrid() ? 1 : 0) - 2 * textMargin;
    QVERIFY2(cell.horizontalAdvance(date) <= room,
             qPrintable(
                 QStringLiteral("%1 needs %2 of %3").arg(date).arg(cell.horizontalAdvance(date)).arg(room)));

    QStringList headings = defaultHeadings();
    for (InfoKind kind : {InfoKind::CompanyName, InfoKind::FileDescription, InfoKind::ProductName})
        headings << infoHeadingAtStartup(kind) << infoHeadingFromMenu(kind);
    const QFontMetricsF heading(header->font());
    for (int i = 0; i < headings.size(); ++i) {
        QStyleOptionHeader option;
        option.initFrom(header);
        option.state |= QStyle::State_Horizontal;
        option.orientation = Qt::Horizontal;
        option.text = headings[i];
        option.rect = QRect(0, 0, header->sectionSize(std::min<int>(i, ColFolder)), header->height());
        const int label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header).width();
        QVERIFY2(heading.horizontalAdvance(headings[i]) <= label,
                 qPrintable(QStringLiteral("%1 needs %2 of %3")
                                .arg(headings[i])
                                .arg(heading.horizontalAdvance(headings[i]))
                                .arg(label)));
    }
}

void TestAppWindow::numberColumnStaysInView()
{
    Sandbox box;
    for (int i = 0; i < 300; ++i)
        writeFile(box.tree() + QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')));
    auto w = box.window();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    chooseFolder(*w, box.tree());
    QVERIFY(scan(*w));
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    auto* numbers = child<QTableView>(*w, "GRIGLIA_Nr");
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    grid->verticalScrollBar()->setValue(120);
    QVERIFY(grid->horizontalScrollBar()->value() > 0);
    QVERIFY(numbers->isVisible());
    QCOMPARE(numbers->verticalScrollBar()->value(), 120);
    QCOMPARE(numbers->indexAt(QPoint(2, 2)).row(), grid->indexAt(QPoint(grid->columnWidth(0) + 2, 2)).row());
    QCOMPARE(numbers->indexAt(QPoint(2, 2)).data().toString(), QStringLiteral("121"));
    // It follows the width of column 0, also the user's.
    grid->horizontalHeader()->resizeSection(0, 55);
    QCOMPARE(numbers->width(), 55);
    QCOMPARE(numbers->columnWidth(0), 55);
    QVERIFY(numbers->isColumnHidden(1) && numbers->isColumnHidden(7));
    // A click on a number makes the table the focus owner, as a click on any cell.
    QCOMPARE(numbers->focusProxy(), grid);
}

void TestAppWindow::orderDuringScanWaits()
{
    Sandbox box;
    const QString t = box.tree();
    for (const char* f : {"b.txt", "a.txt", "c.txt"})
        writeFile(t + QLatin1String(f));
    auto w = box.window();
    chooseFolder(*w, t);
    QSemaphore inside;
    w->driver().setHooks({[&](const QByteArray&, ScanState&) {
                              inside.release();
                              QThread::msleep(200);
                          },
                          {}});
    child<QPushButton>(*w, "cmdAvvia")->click();
    QVERIFY(QTest::qWaitFor([&] { return inside.tryAcquire(); }, 10000));
    pick(*w, "cboORD", 1); // Z-A while the walk runs
    QVERIFY(w->driver().isRunning());
    QVERIFY(QTest::qWaitFor([&] { return !w->driver().isRunning(); }, 10000));
    QCOMPARE(w->state().OrdineGriglia, 1);
    QCOMPARE(w->table().text(1, ColName), QStringLiteral("c"));
    QCOMPARE(w->table().text(3, ColName), QStringLiteral("a"));
    QCOMPARE(w->table().text(1, ColNumber), QStringLiteral("1"));
}

void TestAppWindow::leavingPatternBox()
{
    Sandbox box;
    auto w = box.window();
    auto* edit = child<QComboBox>(*w, "cboPATTERN")->lineEdit();
    edit->setText(QStringLiteral("*.pdf"));
    QFocusEvent tabOut(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &tabOut);
    QCOMPARE(w->state().PatternFile, QStringLiteral("*.pdf"));
    QCOMPARE(labelText(*w, "lblCurDir"), w->state().CartellaRicerca + QStringLiteral("*.pdf"));

    edit->setText(QStringLiteral("a/b"));
    // A message box or the list popping up takes the focus too: that is not leaving the box.
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(edit, &popup);
    QTest::qWait(1);
    QVERIFY(box.prompter.messages.empty());
    QCoreApplication::sendEvent(edit, &tabOut);
    QTRY_COMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(box.prompter.messages[0].text, QStringLiteral("Valore Pattern non Valido"));
}

void TestAppWindow::closeDuringScan()
{
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"));
    auto w = box.window();
    chooseFolder(*w, box.tree());
    QSemaphore inside;
    // The walk would hold for a minute unless told to stop.
    w->driver().setHooks({[&](const QByteArray&, ScanState& s) {
                              inside.release();
                              QDeadlineTimer limit(60000);
                              while (!s.interrupt.load() && !limit.hasExpired())
                                  QThread::msleep(1);
                          },
                          {}});
    child<QPushButton>(*w, "cmdAvvia")->click();
    QVERIFY(QTest::qWaitFor([&] { return inside.tryAcquire(); }, 10000));
    setPattern(*w, QStringLiteral("*.kept"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(w->close());
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(!w->driver().isRunning());
    QSettings ini(box.settingsPath(), QSettings::IniFormat);
    ini.beginGroup(kSettingsKey);
    QCOMPARE(ini.value(QStringLiteral("PatternFile")).toString(), QStringLiteral("*.kept"));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QTest::qWait(20); // nothing of the stopped scan arrives afterwards
    QVERIFY(box.prompter.messages.empty());
}

void TestAppWindow::dialogOpeners_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("profile"); // ProfiloColonne afterwards
    QTest::addColumn<QString>("exportKind");
    QTest::newRow("text export") << QStringLiteral("mnuEsporta") << QStringLiteral("frmEsporta") << QString()
                                 << QStringLiteral("TESTO");
    QTest::newRow("spreadsheet export")
        << QStringLiteral("mnuExcel") << QStringLiteral("frmEsporta") << QString() << QStringLiteral("EXCEL");
    QTest::newRow("print") << QStringLiteral("cmdStampa") << QStringLiteral("frmStampaDir") << QString()
                           << QString();
    QTest::newRow("printer") << QStringLiteral("mnuStampante") << QStringLiteral("frmImpostaStampante")
                             << QString() << QString();
    QTest::newRow("about") << QStringLiteral("mnuVersione") << QStringLiteral("frmAbout") << QString()
                           << QString();
    QTest::newRow("columns shown") << QStringLiteral("mnuColVIS") << QStringLiteral("frmColonne")
                                   << QStringLiteral("VEDI") << QString();
    QTest::newRow("columns printed") << QStringLiteral("mnuColST") << QStringLiteral("frmColonne")
                                     << QStringLiteral("STAMPA") << QString();
}

void TestAppWindow::dialogOpeners()
{
    QFETCH(QString, command);
    QFETCH(QString, dialog);
    QFETCH(QString, profile);
    QFETCH(QString, exportKind);
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"));
    auto w = box.window();
    chooseFolder(*w, box.tree());
    QVERIFY(scan(*w)); // printing and export are enabled by a scan
    QStringList opened;
    box.prompter.onDialog = [&](QDialog& d) {
        opened << d.objectName();
        return int(QDialog::Rejected);
    };
    if (auto* a = w->findChild<QAction*>(command))
        a->trigger();
    else
        w->findChild<QPushButton*>(command)->click();
    QCOMPARE(opened, QStringList{dialog});
    if (!profile.isEmpty())
        QCOMPARE(w->state().ProfiloColonne, profile);
    if (!exportKind.isEmpty())
        QCOMPARE(w->state().exportKind, exportKind);
}

QTEST_MAIN(TestAppWindow)
#include "test_app_window.moc"
