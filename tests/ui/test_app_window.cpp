// The main window driven through its controls: stored values at start-up, the picks that
// run again, the pattern box, scans, the interrupt, the settings kept across a restart, the
// folder tree, the drive box, the table's widths and font, and the dialogs the commands open.

#include "AppTestSupport.h"

#include "settings/StoredSettings.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSemaphore>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTreeView>

using namespace vellora;
using namespace vellora::testing;

namespace {

// The controls a scan switches, as one text: "+" for enabled or shown, then the busy pointer.
QString controls(MainWindow& w)
{
    QStringList out;
    for (const char* b : {"cmdStampa", "cmdEsci", "cmdInterrompi", "cmdRimuovi"})
        out << QLatin1String(b) + (child<QPushButton>(w, b)->isEnabled() ? u'+' : u'-');
    for (const char* a : {"mnuEsporta", "mnuExcel"})
        out << QLatin1String(a) + (child<QAction>(w, a)->isEnabled() ? u'+' : u'-');
    // The newer exports go with the two above, always.
    if (child<QAction>(w, "mnuAltroFormato")->isEnabled() != child<QAction>(w, "mnuExcel")->isEnabled())
        out << QStringLiteral("mnuAltroFormato?");
    for (const char* v : {"GRIGLIA", "lblNessunFile"})
        out << QLatin1String(v) + (child<QWidget>(w, v)->isHidden() ? u'-' : u'+');
    out << QStringLiteral("busy") + (QGuiApplication::overrideCursor() ? u'+' : u'-');
    return out.join(u' ');
}

const QString kIdle = QStringLiteral(
    "cmdStampa- cmdEsci+ cmdInterrompi- cmdRimuovi- mnuEsporta- mnuExcel- GRIGLIA- lblNessunFile- busy-");
const QString kListed = QStringLiteral(
    "cmdStampa+ cmdEsci+ cmdInterrompi- cmdRimuovi- mnuEsporta+ mnuExcel+ GRIGLIA+ lblNessunFile- busy-");

// The settings file the sandbox's window reads and writes, at the program's group.
std::unique_ptr<QSettings> settings(Sandbox& box)
{
    auto ini = std::make_unique<QSettings>(box.settingsPath(), QSettings::IniFormat);
    ini->beginGroup(kSettingsKey);
    return ini;
}

// Claims every key for the control it watches, before the control's own handling: under X11's
// key bindings the pattern box's line claims Ctrl+U (to clear itself); offscreen has Windows'
// bindings, where it claims none of the menus' keys.
struct ClaimsKeys : QObject
{
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        event->accept();
        return true;
    }
};

} // namespace

class TestAppWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedOddValues();
    void picksRunAgain();
    void patternBox_data();
    void patternBox();
    void scanCounts();
    void unfilledRowMessage();
    void duringTheWalk();
    void restartRestoresSettings();
    void unreadableVolume();
    void defaultWidthsFitTheirTexts();
    void numberColumnStaysInView();
    void dialogOpeners();
    void menuKeysAnywhere_data();
    void menuKeysAnywhere();
};

// Values left in the settings file that the window must not take at face value: a folder
// that is gone, "no order", the minimized state, an all-off profile, the product heading. The
// window starts idle with what it can use, and writes back "no order" and the state as read.
void TestAppWindow::storedOddValues()
{
    Sandbox box;
    {
        auto ini = settings(box);
        ini->setValue(QStringLiteral("LastDir"), box.tree() + QStringLiteral("gone/"));
        ini->setValue(QStringLiteral("PatternFile"), QStringLiteral("*.exe"));
        ini->setValue(QStringLiteral("InfoFile"), 3);
        ini->setValue(QStringLiteral("OrderGrid"), QStringLiteral("4294967295")); // no order chosen
        ini->setValue(QStringLiteral("WinState"), 1);
        for (int i = 0; i < 8; ++i)
            ini->setValue(QStringLiteral("OptV%1").arg(i), 0); // all off: the default comes back
    }
    {
        auto w = box.window();
        QCOMPARE(labelText(*w, "lblCurDir"), homeFolder() + QStringLiteral("*.exe"));
        QVERIFY(child<QAction>(*w, "mnuPD")->isChecked());
        QCOMPARE(w->state().Intestazioni.value(ColInfo), QStringLiteral("Info File"));
        QCOMPARE(w->state().OrdineGriglia, Order::None); // the box's index, written back below
        QVERIFY(w->windowState() & Qt::WindowMinimized);
        QCOMPARE(w->state().OptV, kDefaultOptV);
        QCOMPARE(controls(*w), kIdle);
        QVERIFY(box.prompter.messages.empty());
        w->close();
    }
    QCOMPARE(settings(box)->value(QStringLiteral("OrderGrid")).toLongLong() & 0xffffffffLL, 4294967295LL);
    QCOMPARE(settings(box)->value(QStringLiteral("WinState")).toInt(), 1);

    // A save that cannot be made is told while the window closes.
    QVERIFY(QFile::remove(box.settingsPath()) && QDir().mkpath(box.settingsPath()));
    box.window()->close();
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(box.prompter.messages[0].text, QStringLiteral("Impossibile salvare le impostazioni nel file ") +
                                                box.settingsPath() + QStringLiteral(": non è un file"));
}

// Every pick runs again, also of the entry shown: the order orders again with the sizes read
// afresh and numbers from row 1; the scope switches printing and export off until a new scan.
// An info kind picked from the menu changes the heading at that scan only.
void TestAppWindow::picksRunAgain()
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
    QCOMPARE(controls(*w), kListed);
    child<QAction>(*w, "mnuPD")->trigger();
    writeFile(box.tree() + QStringLiteral("a.txt"), "1234567890");
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    grid->setCurrentIndex(w->table().index(1, ColName));
    pick(*w, "cboORD", 4);
    QCOMPARE(w->table().text(1, ColName), QStringLiteral("a"));
    QCOMPARE(w->table().text(1, ColSize), QStringLiteral("10"));
    QCOMPARE(w->table().text(1, ColNumber), QStringLiteral("1"));
    QCOMPARE(grid->currentIndex().row(), 0);

    pick(*w, "cboRicercaIn", 0);
    QCOMPARE(controls(*w), QStringLiteral("cmdStampa- cmdEsci+ cmdInterrompi- cmdRimuovi- mnuEsporta- "
                                          "mnuExcel- GRIGLIA+ lblNessunFile- busy-"));
    QCOMPARE(w->table().text(0, ColInfo), QStringLiteral("Produttore"));
    QVERIFY(scan(*w));
    QCOMPARE(w->table().text(0, ColInfo), QStringLiteral("Info Prodotto"));
    QCOMPARE(controls(*w), kListed);
}

// Return and Enter start a scan with a usable pattern, and refuse one that is not; another key
// does neither. Leaving the box with the keyboard takes what it holds and refuses it when
// unusable; a message box or the list popping up takes the focus too, but is not leaving.
void TestAppWindow::patternBox_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("refused");
    QTest::newRow("Return") << "*.txt" << int(Qt::Key_Return) << true << false;
    QTest::newRow("Enter (keypad)") << "*.txt" << int(Qt::Key_Enter) << true << false;
    QTest::newRow("letter") << "*.txt" << int(Qt::Key_A) << false << false;
    QTest::newRow("empty") << QString() << int(Qt::Key_Return) << false << true;
    QTest::newRow("blanks") << "   " << int(Qt::Key_Return) << false << true;
    QTest::newRow("separator") << "sub/*.txt" << int(Qt::Key_Enter) << false << true;
    QTest::newRow("no mask") << " ; ;" << int(Qt::Key_Return) << false << true;
    QTest::newRow("two masks") << "*.zip; *.TXT" << int(Qt::Key_Return) << true << false;
}

void TestAppWindow::patternBox()
{
    QFETCH(QString, pattern);
    QFETCH(int, key);
    QFETCH(bool, starts);
    QFETCH(bool, refused);
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"));
    writeFile(box.tree() + QStringLiteral("b.doc"));
    auto w = box.window();
    chooseFolder(*w, box.tree());
    auto* cbo = child<QComboBox>(*w, "cboPATTERN");
    const int listed = cbo->count();
    cbo->setEditText(pattern);
    QSignalSpy started(&w->driver(), &ScanDriver::phaseChanged);
    QTest::keyClick(cbo->lineEdit(), Qt::Key(key));
    QVERIFY(QTest::qWaitFor([&] { return !w->driver().isRunning(); }, 10000));
    QCOMPARE(!started.isEmpty(), starts);
    QCOMPARE(labelText(*w, "lblTotFile"), starts ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(cbo->count(), listed); // Enter does not add the typed text to the list
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(cbo->lineEdit(), &popup);
    QTest::qWait(1);
    QCOMPARE(int(box.prompter.messages.size()), refused ? 1 : 0);
    QFocusEvent tabOut(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(cbo->lineEdit(), &tabOut);
    QCOMPARE(labelText(*w, "lblCurDir"), box.tree() + cbo->currentText());
    QTRY_COMPARE(int(box.prompter.messages.size()), refused ? 2 : 0);
}

// The folder picked in the tree, the typed pattern and the scope reach the scan: the counters,
// the path shown and the view on row 1 (columns 1 to 7, "Nr." in view). A scan that finds
// nothing then replaces the table by the "no file" label.
void TestAppWindow::scanCounts()
{
    Sandbox box;
    const QString t = box.tree();
    for (const char* f : {"a.txt", "B.TXT", "c.txt", "d.doc", "sub/e.txt", "sub/deep/g.txt"})
        writeFile(t + QLatin1String(f));
    auto w = box.window();
    chooseFolder(*w, t);
    setPattern(*w, QStringLiteral("*.txt"));
    QVERIFY(scan(*w));
    QCOMPARE(labelText(*w, "lblTotFile") + u' ' + labelText(*w, "lblCartelle"), QStringLiteral("3 1"));
    QCOMPARE(labelText(*w, "lblCurDir"), t + QStringLiteral("*.txt"));
    QCOMPARE(controls(*w), kListed);
    QCOMPARE(w->table().rowCount(), 3);
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 7);
    QCOMPARE(grid->horizontalScrollBar()->value(), 0);

    pick(*w, "cboRicercaIn", 1);
    setPattern(*w, QStringLiteral("*.zzz"));
    QVERIFY(scan(*w));
    QCOMPARE(labelText(*w, "lblTotFile") + u' ' + labelText(*w, "lblCartelle"), QStringLiteral("0 3"));
    QCOMPARE(labelText(*w, "lblCurDir"), t + QStringLiteral("*.zzz"));
    QCOMPARE(controls(*w), QStringLiteral("cmdStampa- cmdEsci+ cmdInterrompi- cmdRimuovi- mnuEsporta- "
                                          "mnuExcel- GRIGLIA- lblNessunFile+ busy-"));
}

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
    QString atMessage;
    box.prompter.onMessage = [&](const ScriptedPrompter::Message&) { atMessage = controls(*w); };
    QVERIFY(scan(*w));
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(box.prompter.messages[0].text,
             QStringLiteral("1 o più Files non sono predisposti per la Versione !"));
    QCOMPARE(atMessage, QStringLiteral("cmdStampa+ cmdEsci+ cmdInterrompi- cmdRimuovi- mnuEsporta+ "
                                       "mnuExcel+ GRIGLIA- lblNessunFile- busy-"));
    QCOMPARE(controls(*w), kListed);
}

// While the walk runs: the controls of a running scan, an order picked waits for the end, the
// interrupt keeps what the walk counted, and closing stops the walk without waiting for it.
void TestAppWindow::duringTheWalk()
{
    Sandbox box;
    for (const char* f : {"b.txt", "a.txt", "c.txt", "sub/d.txt"})
        writeFile(box.tree() + QLatin1String(f));
    auto w = box.window();
    chooseFolder(*w, box.tree());
    pick(*w, "cboRicercaIn", 1);
    QVERIFY(scan(*w)); // a complete list first: the next scan must not leave it printable
    // The walk holds in its second folder while hold is set, for a minute at most.
    std::atomic_bool hold = true;
    QSemaphore inside;
    w->driver().setHooks({[&](const QByteArray&, ScanState& s) {
                              if (s.totCartelle.load() != 2)
                                  return;
                              inside.release();
                              QDeadlineTimer limit(60000);
                              while (hold && !s.interrupt.load() && !limit.hasExpired())
                                  QThread::msleep(1);
                          },
                          {}});
    const auto startHeld = [&] {
        child<QPushButton>(*w, "cmdAvvia")->click();
        return QTest::qWaitFor([&] { return inside.tryAcquire(); }, 10000);
    };
    const auto ended = [&] { return QTest::qWaitFor([&] { return !w->driver().isRunning(); }, 10000); };

    QVERIFY(startHeld());
    QCOMPARE(controls(*w), QStringLiteral("cmdStampa- cmdEsci- cmdInterrompi+ cmdRimuovi- mnuEsporta- "
                                          "mnuExcel- GRIGLIA- lblNessunFile- busy+"));
    pick(*w, "cboORD", 1); // Z-A
    QVERIFY(w->driver().isRunning());
    hold = false;
    QVERIFY(ended());
    QCOMPARE(w->state().OrdineGriglia, Order::NameDescending);
    QCOMPARE(w->table().text(1, ColName), QStringLiteral("d"));
    QCOMPARE(w->table().text(1, ColNumber), QStringLiteral("1"));

    hold = true;
    QVERIFY(startHeld());
    child<QPushButton>(*w, "cmdInterrompi")->click();
    QVERIFY(ended());
    QCOMPARE(labelText(*w, "lblTotFile"), QStringLiteral("3")); // the start folder's files
    QCOMPARE(controls(*w), kIdle);

    QVERIFY(startHeld());
    setPattern(*w, QStringLiteral("*.kept"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(w->close());
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(!w->driver().isRunning());
    QCOMPARE(settings(box)->value(QStringLiteral("PatternFile")).toString(), QStringLiteral("*.kept"));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QTest::qWait(20); // nothing of the stopped scan arrives afterwards
    QVERIFY(box.prompter.messages.empty());
}

// What the window closed with comes back at the next start. The folder tree opens on the last
// folder: current, its ancestors expanded and in view, also once the model has listed the
// many folders above it; until the user scrolls.
void TestAppWindow::restartRestoresSettings()
{
    Sandbox box;
    for (int i = 0; i < 150; ++i)
        QDir().mkpath(box.tree() + QStringLiteral("a%1").arg(i, 3, 10, QLatin1Char('0')));
    const QString folder = box.tree() + QStringLiteral("z/kept");
    QDir().mkpath(folder + QStringLiteral("/child"));
    std::array<int, ColumnCount> widths{};
    {
        auto w = box.window();
        chooseFolder(*w, folder);
        setPattern(*w, QStringLiteral("a*.d?l"));
        pick(*w, "cboORD", 3);
        pick(*w, "cboRicercaIn", 1);
        child<QAction>(*w, "mnuFD")->trigger();
        w->state().OptV = {1, 1, 1, 1, 0, 0, 0, 0};
        w->state().OptS = {1, 1, 1, 0, 1, 1, 0, 0};
        auto* header = child<QTableView>(*w, "GRIGLIA")->horizontalHeader();
        header->resizeSection(2, 77); // a user's drag
        header->resizeSection(7, 301);
        widths = w->columnWidthsTwips();
        w->setWindowState(Qt::WindowMaximized);
        w->close();
    }
    auto w = box.window();
    QCOMPARE(labelText(*w, "lblCurDir"), folder + QStringLiteral("/a*.d?l"));
    QCOMPARE(w->state().DriveSelezionato, MainWindow::mountPointOf(folder));
    QCOMPARE(w->state().OrdineGriglia, Order::SizeAscending);
    QCOMPARE(child<QPushButton>(*w, "cmdAvvia")->text(), QStringLiteral("&Trova File(s)"));
    QVERIFY(child<QAction>(*w, "mnuFD")->isChecked());
    QCOMPARE(w->state().OptV, (ColumnProfile{1, 1, 1, 1, 0, 0, 0, 0}));
    QCOMPARE(w->state().OptS, (ColumnProfile{1, 1, 1, 0, 1, 1, 0, 0}));
    QCOMPARE(w->columnWidthsTwips(), widths);
    QVERIFY(w->windowState() & Qt::WindowMaximized);

    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto* tree = child<QTreeView>(*w, "BoxDIR");
    auto* model = qobject_cast<FolderTreeModel*>(tree->model());
    QCOMPARE(model->filePath(tree->currentIndex()), folder);
    for (QModelIndex up = tree->currentIndex().parent(); up.isValid(); up = up.parent())
        QVERIFY2(tree->isExpanded(up), qPrintable(model->filePath(up)));
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(model->index(QDir::cleanPath(box.tree()))), 151, 10000);
    QTest::qWait(200); // the sort that follows a listing
    QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
    tree->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    tree->resize(tree->width(), tree->height() - 20);
    QTest::qWait(20);
    QCOMPARE(tree->verticalScrollBar()->value(), 0);
    // A double click on the window's surface hides the time and shows it again.
    QTest::mouseDClick(w->centralWidget(), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(child<QLabel>(*w, "lblTempo")->isHidden());
    QTest::mouseDClick(w->centralWidget(), Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(!child<QLabel>(*w, "lblTempo")->isHidden());
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
    pick(*w, "cboDRIVE", drives->count() - 1);
    QCOMPARE(box.prompter.messages.size(), std::size_t(1));
    QCOMPARE(drives->currentIndex(), before);
    QCOMPARE(w->state().CartellaRicerca, folderBefore);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

// The default widths come back from the menu, and at them a full date and time (in the
// widest digits) and every heading fit their columns: measured in the fonts the table and its
// header really use, less the margins the view keeps around a text.
void TestAppWindow::defaultWidthsFitTheirTexts()
{
    Sandbox box;
    auto w = box.window();
    auto* grid = child<QTableView>(*w, "GRIGLIA");
    QHeaderView* header = grid->horizontalHeader();
    header->resizeSection(ColDate, 40);
    child<QAction>(*w, "mnuDefault")->trigger();
    QCOMPARE(w->columnWidthsTwips(), MainWindow::kDefaultWidthsTwips);

    const QFontMetricsF cell(grid->font());
    QChar widest = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d)
        if (cell.horizontalAdvance(QChar(d)) > cell.horizontalAdvance(widest))
            widest = QChar(d);
    const QString date = QStringLiteral("00/00/0000 00:00").replace(u'0', widest);
    const int textMargin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    const int room = header->sectionSize(ColDate) - (grid->showGrid() ? 1 : 0) - 2 * textMargin;
    QVERIFY2(cell.horizontalAdvance(date) <= room, qPrintable(QString::number(cell.horizontalAdvance(date))));

    QStringList headings = defaultHeadings();
    for (InfoKind kind : {InfoKind::CompanyName, InfoKind::FileDescription, InfoKind::ProductName})
        headings << infoHeadingAtStartup(kind) << infoHeadingFromMenu(kind);
    const QFontMetricsF heading(header->font());
    for (int i = 0; i < headings.size(); ++i) {
        QStyleOptionHeader option;
        option.initFrom(header);
        option.state |= QStyle::State_Horizontal;
        option.text = headings[i];
        option.rect = QRect(0, 0, header->sectionSize(std::min<int>(i, ColFolder)), header->height());
        const int label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header).width();
        QVERIFY2(heading.horizontalAdvance(headings[i]) <= label, qPrintable(headings[i]));
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
    QHeaderView* header = grid->horizontalHeader();
    // The folder column, the last, ends at the table's right edge (its sort arrow in view);
    // the width it was given stays the one kept.
    QTRY_COMPARE(header->sectionPosition(ColFolder) + header->sectionSize(ColFolder),
                 grid->viewport()->width());
    QCOMPARE(w->columnWidthsTwips()[ColFolder], MainWindow::kDefaultWidthsTwips[ColFolder]);
    header->resizeSection(ColSize, header->sectionSize(ColSize) + 30);
    QCOMPARE(header->sectionPosition(ColFolder) + header->sectionSize(ColFolder), grid->viewport()->width());
    header->resizeSection(ColName, header->sectionSize(ColName) + 2000); // now the table scrolls
    QTRY_VERIFY(grid->horizontalScrollBar()->maximum() > 0);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    grid->verticalScrollBar()->setValue(120);
    QVERIFY(grid->horizontalScrollBar()->value() > 0);
    QVERIFY(numbers->isVisible());
    QCOMPARE(numbers->indexAt(QPoint(2, 2)).row(), grid->indexAt(QPoint(grid->columnWidth(0) + 2, 2)).row());
    QCOMPARE(numbers->indexAt(QPoint(2, 2)).data().toString(), QStringLiteral("121"));
    // It follows the width of column 0, also the user's.
    grid->horizontalHeader()->resizeSection(0, 55);
    QCOMPARE(numbers->width(), 55);
    QCOMPARE(numbers->columnWidth(0), 55);
}

// Each command opens its dialog, the column and export commands saying first what it edits.
void TestAppWindow::dialogOpeners()
{
    struct Case
    {
        const char* command;
        const char* dialog;
        std::optional<ExportKind> kind;
        std::optional<ProfileKind> profile;
    };
    const Case cases[] = {
        {"mnuEsporta", "frmEsporta", ExportKind::Text, {}},
        {"mnuExcel", "frmEsporta", ExportKind::Tabbed, {}},
        {"cmdStampa", "frmStampaDir", {}, {}},
        {"mnuStampante", "frmImpostaStampante", {}, {}},
        {"mnuVersione", "frmAbout", {}, {}},
        {"mnuColVIS", "frmColonne", {}, ProfileKind::Vedi},
        {"mnuColST", "frmColonne", {}, ProfileKind::Stampa},
    };
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
    for (const auto& [command, dialog, kind, profile] : cases) {
        opened.clear();
        if (auto* a = w->findChild<QAction*>(QLatin1String(command)))
            a->trigger();
        else
            child<QPushButton>(*w, command)->click();
        QVERIFY2(opened == QStringList{QLatin1String(dialog)}, command);
        if (kind)
            QCOMPARE(w->state().exportKind, *kind);
        if (profile)
            QCOMPARE(w->state().ProfiloColonne, *profile);
    }
}

// The menus' keys open their dialogs wherever the focus is: no control takes them for itself
// (the pattern box's line would clear itself on Ctrl+U).
void TestAppWindow::menuKeysAnywhere_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("Ctrl+U, pattern box") << "cboPATTERN" << int(Qt::Key_U) << "frmColonne VEDI";
    QTest::newRow("Ctrl+M, pattern box") << "cboPATTERN" << int(Qt::Key_M) << "frmColonne STAMPA";
    QTest::newRow("Ctrl+I, pattern box") << "cboPATTERN" << int(Qt::Key_I) << "frmImpostaStampante";
    QTest::newRow("Ctrl+U, table") << "GRIGLIA" << int(Qt::Key_U) << "frmColonne VEDI";
    QTest::newRow("Ctrl+M, folder tree") << "BoxDIR" << int(Qt::Key_M) << "frmColonne STAMPA";
    QTest::newRow("Ctrl+I, order box") << "cboORD" << int(Qt::Key_I) << "frmImpostaStampante";
}

void TestAppWindow::menuKeysAnywhere()
{
    QFETCH(QString, control);
    QFETCH(int, key);
    Sandbox box;
    writeFile(box.tree() + QStringLiteral("a.txt"));
    auto w = box.window();
    chooseFolder(*w, box.tree());
    w->show();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()) && scan(*w));
    setPattern(*w, QStringLiteral("*.txt"));
    QStringList opened;
    box.prompter.onDialog = [&](QDialog& d) {
        const bool vedi = w->state().ProfiloColonne == ProfileKind::Vedi;
        opened << d.objectName() + (d.objectName() != u"frmColonne" ? QString()
                                    : vedi                          ? QStringLiteral(" VEDI")
                                                                    : QStringLiteral(" STAMPA"));
        return int(QDialog::Rejected);
    };
    auto* target = child<QWidget>(*w, qPrintable(control));
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    ClaimsKeys claims;
    if (QGuiApplication::platformName() == u"offscreen")
        QApplication::focusWidget()->installEventFilter(&claims);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);
    QFETCH(QString, dialog);
    QCOMPARE(opened, QStringList{dialog});
    QCOMPARE(child<QComboBox>(*w, "cboPATTERN")->currentText(), QStringLiteral("*.txt"));
}

QTEST_MAIN(TestAppWindow)
#include "test_app_window.moc"
