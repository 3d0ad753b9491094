#include "MainWindow.h"

#include "scan/ListingFilters.h"

#include "print/PrinterSelection.h"
#include "print/QtPrinterSurface.h"
#include "results/ColumnProfileEditor.h"
#include "results/ResultTable.h"
#include "settings/StoredSettings.h"
#include "system/Platform.h"
#include "ui/AppLog.h"
#include "ui/FolderOpener.h"
#include "ui/Pictures.h"
#include "ui/QtPrompter.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTableView>

#include <cmath>

namespace vellora {

const std::array<int, ColumnCount> MainWindow::kDefaultWidthsTwips{465,  2200, 480,  1010,
                                                                   1440, 1395, 1400, 6500};

namespace {

// The column dialog reaches column 0 of the table and the file counter through this.
class TableNumberTarget : public NumberColumnTarget
{
public:
    TableNumberTarget(ResultTable& table, const QLabel& counter) : m_table(table), m_counter(counter) {}
    QString fileCounterText() const override { return m_counter.text(); }
    qsizetype rowCount() const override { return m_table.rowCount(); }
    void clearNumberColumn(qsizetype) override { m_table.setNumberColumn(false); }
    void numberRows(qsizetype) override { m_table.setNumberColumn(true); }

private:
    ResultTable& m_table;
    const QLabel& m_counter;
};

} // namespace

MainWindow::MainWindow(Options options, QWidget* parent) : QMainWindow(parent), m_options(std::move(options))
{
    setObjectName(QStringLiteral("frmMAIN"));
    setWindowTitle(QStringLiteral("Vellora File"));
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAcceptDrops(true); // a folder or a file dropped selects its folder

    if (m_options.prompter) {
        m_prompter = m_options.prompter;
    } else {
        m_ownPrompter = std::make_unique<QtPrompter>(this);
        m_prompter = m_ownPrompter.get();
    }

    m_folderOpener = new FolderOpener(*m_prompter, this);
    m_table = new ResultTable(this);
    m_driver = std::make_unique<ScanDriver>(*m_table, m_state, *m_prompter);
    m_actions = std::make_unique<FileActions>(*m_table, *m_prompter, *this);

    buildLayout();
    buildMenus();
    // At least the room the controls need, menus included: they scroll only on a screen that
    // is too small for them (centreOnScreen).
    if (const auto* scroller = qobject_cast<QScrollArea*>(centralWidget()))
        resize(size().expandedTo(scroller->widget()->minimumSizeHint() +
                                 QSize(0, menuBar()->sizeHint().height())));
    m_numberTarget = std::make_unique<TableNumberTarget>(*m_table, *m_lblTotFile);

    connect(m_driver.get(), &ScanDriver::controlsChanged, this, &MainWindow::applyControls);
    connect(m_driver.get(), &ScanDriver::finished, this, &MainWindow::scanFinished);
    connect(m_table, &ResultTable::viewPositionRequested, this, &MainWindow::applyViewPosition);
    // A session that ends may quit the application without closing the window first.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::closing);

    Form_Load();
}

MainWindow::~MainWindow()
{
    // The controls go after this window's state: one that still reacts then (the pattern box
    // takes its text when it loses the focus) must find nobody listening.
    qApp->removeEventFilter(this);
    for (QObject* control : findChildren<QObject*>())
        disconnect(control, nullptr, this, nullptr);
    // The worker must stop before the table it fills goes away.
    m_driver.reset();
}

void MainWindow::setBusy(bool busy)
{
    if (busy) {
        if (m_busyDepth++ == 0)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0 && --m_busyDepth == 0) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void MainWindow::Form_Load()
{
    setBusy(true);

    LeggiPiattaforma(m_system);
    LeggiVersioneWindows(m_system);

    const StoredSettings stored = LeggiREGEDIT(m_options.store);
    m_state.CartellaRicerca = stored.lastDir;
    m_state.PatternFile = stored.patternFile;
    m_state.OrdineGriglia = orderFromIndex(stored.orderGrid).value_or(Order::None);
    m_state.OptS = stored.optS;
    m_state.OptV = stored.optV;
    if (const std::optional<Scope> scope = stored.tipoRic ? scopeFromIndex(*stored.tipoRic) : std::nullopt)
        m_state.TipoRicerca = *scope;
    setInfoKind(static_cast<InfoKind>(stored.infoFile), false);
    switch (stored.winState) {
    case 1:
        setWindowState(Qt::WindowMinimized);
        break;
    case 2:
        setWindowState(Qt::WindowMaximized);
        break;
    default:
        setWindowState(Qt::WindowNoState);
        break;
    }

    // The boxes follow the user's picks only: selecting the stored entries here runs their
    // handlers once, below.
    m_cboRicercaIn->setCurrentIndex(int(m_state.TipoRicerca));
    scopeChanged(m_cboRicercaIn->currentIndex());

    const QStringList headings = defaultHeadings();
    for (int c = 0; c < ColumnCount; ++c) {
        if (c != ColInfo)
            m_state.Intestazioni[c] = headings[c];
    }
    applyProfileDefaults(m_state);
    ImpostaInterfaccia();

    m_cboORD->setCurrentIndex(orderIndex(m_state.OrdineGriglia));
    orderChanged(m_cboORD->currentIndex());

    ReimpostaColonne();
    const StoredColumnWidths widths = LeggiLarghezzeColonne(m_options.store);
    for (int c = 0; c < ColumnCount; ++c) {
        if (widths[c])
            setColumnWidthTwips(c, *widths[c]);
    }

    fillDriveBox();
    if (!setFolderList(m_state.CartellaRicerca)) {
        // The stored folder is gone or its volume is not mounted: start from home, silently.
        m_state.CartellaRicerca = homeFolder();
        if (!setFolderList(m_state.CartellaRicerca))
            qCWarning(lcApp) << "cannot show the home folder" << m_state.CartellaRicerca;
        m_lblCurDir->setText(m_state.folderText());
    }
    m_state.DriveSelezionato = mountPointOf(m_state.CartellaRicerca);
    selectDriveItem(m_state.DriveSelezionato);

    m_cboPATTERN->setEditText(m_state.PatternFile);
    m_excludeHistory = stored.filters.excludeHistory;
    m_cboESCLUDI->addItems(m_excludeHistory);
    m_cboESCLUDI->setEditText(stored.filters.exclude);
    exclusionsTaken(); // masks that cannot be used stay in the box, to be told at the scan
    m_state.filters.minSize = stored.filters.minSize;
    m_state.filters.maxSize = stored.filters.maxSize;
    m_state.filters.modifiedFrom = stored.filters.modifiedFrom;
    m_state.filters.modifiedTo = stored.filters.modifiedTo;
    showFilterCount();
    m_lblCurDir->setText(m_state.folderText());

    m_cmdStampa->setEnabled(false);
    m_cmdRimuovi->setEnabled(false);
    m_mnuEsporta->setEnabled(false);
    m_mnuExcel->setEnabled(false);
    m_mnuAltroFormato->setEnabled(false);
    m_lblNessunFile->setVisible(false);
    m_GRIGLIA->setVisible(false);
    m_lblCartelle->setText(QStringLiteral("0"));

    setBusy(false);
    showScreenPixels();
}

void MainWindow::showScreenPixels()
{
    // The screen's own pixels, not the scaled ones the window's sizes are given in.
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QSize pixels = (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize();
        m_lblRisMonitor->setText(screenResolutionText(pixels.width(), pixels.height()));
    }
}

void MainWindow::centreOnScreen()
{
    showScreenPixels();
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    // The frame is known once the window is shown; before, the title bar is guessed.
    const QRect inner = geometry(), outer0 = frameGeometry();
    QMargins frame(inner.left() - outer0.left(), inner.top() - outer0.top(), outer0.right() - inner.right(),
                   outer0.bottom() - inner.bottom());
    if (!isVisible())
        frame = QMargins(4, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4, 4, 4);
    // The window's own size where it fits; otherwise as large as the screen lets it be, its
    // controls scrolling.
    const QSize fits(std::min(width(), room.width() - frame.left() - frame.right()),
                     std::min(height(), room.height() - frame.top() - frame.bottom()));
    if (fits != size())
        resize(fits);
    QRect outer(QPoint(), fits.grownBy(frame));
    outer.moveCenter(room.center());
    // Always fully on screen: the top left corner first where both cannot be.
    outer.moveLeft(std::max(room.left(), std::min(outer.left(), room.right() - outer.width() + 1)));
    outer.moveTop(std::max(room.top(), std::min(outer.top(), room.bottom() - outer.height() + 1)));
    move(outer.topLeft());
}

void MainWindow::stopScan()
{
    if (!m_driver->isRunning())
        return;
    // Closing is never refused: the walk or the fill stops at its next entry or row, and
    // a fresh driver takes the place of the stopped one.
    disconnect(m_driver.get(), nullptr, this, nullptr);
    m_driver.reset();
    m_driver = std::make_unique<ScanDriver>(*m_table, m_state, *m_prompter);
    connect(m_driver.get(), &ScanDriver::controlsChanged, this, &MainWindow::applyControls);
    connect(m_driver.get(), &ScanDriver::finished, this, &MainWindow::scanFinished);
    if (m_busyDepth > 0) {
        m_busyDepth = 1;
        setBusy(false);
    }
}

void MainWindow::closing()
{
    if (m_closed)
        return;
    m_closed = true;
    stopScan();
    leaveComparison(); // the columns' widths stored are the listing's
    m_table->reset();
    writeSettings();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    closing();
    event->accept();
}

void MainWindow::writeSettings()
{
    StoredSettings values;
    values.lastDir = m_state.CartellaRicerca;
    values.patternFile = m_cboPATTERN->currentText();
    values.orderGrid = static_cast<std::int16_t>(m_cboORD->currentIndex());
    values.optS = m_state.OptS;
    values.optV = m_state.OptV;
    const std::array<int, ColumnCount> widths = columnWidthsTwips();
    for (int c = 0; c < ColumnCount; ++c)
        values.colWidths[c] = widths[c];
    values.tipoRic = int(m_state.TipoRicerca);
    values.infoFile = m_mnuPD->isChecked() ? 3 : m_mnuFD->isChecked() ? 2 : 1;
    const Qt::WindowStates ws = windowState();
    values.winState = (ws & Qt::WindowMinimized) ? 1 : (ws & Qt::WindowMaximized) ? 2 : 0;
    values.filters = {.exclude = m_cboESCLUDI->currentText(),
                      .excludeHistory = m_excludeHistory,
                      .minSize = m_state.filters.minSize,
                      .maxSize = m_state.filters.maxSize,
                      .modifiedFrom = m_state.filters.modifiedFrom,
                      .modifiedTo = m_state.filters.modifiedTo};
    // Closing goes on either way; the user learns that the settings were not kept, and why.
    QString error;
    if (!ScriviREGEDIT(m_options.store, values, &error)) {
        qCWarning(lcApp) << "settings not written to" << m_options.store.filePath();
        m_prompter->message(error, QString(), Prompter::Icon::Warning, Prompter::Buttons::Ok);
    }
}

void MainWindow::ImpostaInterfaccia()
{
    const bool subfolders = m_state.TipoRicerca == Scope::Subfolders;
    m_fraIMPOSTAZIONI->setTitle(subfolders ? QStringLiteral("Impostazioni Trova File(s)")
                                           : QStringLiteral("Impostazioni Stampa Directory"));
    m_lblTipoFile_->setText(subfolders ? QStringLiteral("File(s) da Trovare")
                                       : QStringLiteral("Tipo di File da visualizzare"));
    m_cmdAvvia->setText(subfolders ? QStringLiteral("&Trova File(s)") : QStringLiteral("Leggi Direc&tory"));
    m_lblCurDir_->setText(subfolders ? QStringLiteral("Cartella di Ricerca Principale")
                                     : QStringLiteral("Cartella da Stampare"));
    // A list made with the other scope must be scanned again before it is printed.
    m_printAllowed = false;
    updatePrintExport();
    // A running scan keeps its interrupt button.
    if (!m_driver->isRunning())
        m_cmdInterrompi->setEnabled(false);
}

void MainWindow::ReimpostaColonne()
{
    for (int c = 0; c < ColumnCount; ++c)
        setColumnWidthTwips(c, kDefaultWidthsTwips[c]);
}

void MainWindow::setColumnWidthTwips(int column, int twips)
{
    m_widthsSetTwips[std::size_t(column)] = twips;
    m_GRIGLIA->horizontalHeader()->resizeSection(column, twipsToPixels(twips, m_GRIGLIA->logicalDpiX()));
    fitFolderColumn();
}

void MainWindow::showInFileManager(const QString& path, bool selectFile)
{
    if (m_options.showInFileManager)
        m_options.showInFileManager(path, selectFile);
    else if (selectFile)
        m_folderOpener->showItem(path);
    else
        m_folderOpener->showFolder(path);
}

void MainWindow::fitFolderColumn()
{
    QHeaderView* header = m_GRIGLIA->horizontalHeader();
    if (m_fittingFolder || header->isSectionHidden(ColFolder))
        return;
    // The last column ends at the table's right edge, its heading and sort arrow in view. Where
    // the columns before it leave too little room, it keeps its width and the table scrolls.
    const int wanted = twipsToPixels(m_widthsSetTwips[ColFolder], m_GRIGLIA->logicalDpiX());
    const int room = m_GRIGLIA->viewport()->width() - header->sectionPosition(ColFolder);
    const int least = 4 * header->fontMetrics().height();
    const int width = room >= least ? std::min(wanted, room) : wanted;
    m_folderFitPixels = width;
    if (header->sectionSize(ColFolder) != width) {
        m_fittingFolder = true;
        header->resizeSection(ColFolder, width);
        m_fittingFolder = false;
    }
}

std::array<int, ColumnCount> MainWindow::columnWidthsTwips() const
{
    std::array<int, ColumnCount> widths{};
    const int dpi = m_GRIGLIA->logicalDpiX();
    for (int c = 0; c < ColumnCount; ++c) {
        const int pixels = m_GRIGLIA->horizontalHeader()->sectionSize(c);
        const int set = m_widthsSetTwips[std::size_t(c)];
        // The last column fitted to the table keeps the width it was given.
        const bool given =
            twipsToPixels(set, dpi) == pixels || (c == ColFolder && pixels == m_folderFitPixels);
        widths[c] = (set > 0 && given) ? set : pixelsToTwips(pixels, dpi);
    }
    return widths;
}

int MainWindow::twipsToPixels(int twips, int dpi)
{
    return int(std::lround(double(twips) * dpi / 1440.0));
}

int MainWindow::pixelsToTwips(int pixels, int dpi)
{
    return dpi > 0 ? int(std::lround(double(pixels) * 1440.0 / dpi)) : pixels * 15;
}

QString MainWindow::screenResolutionText(int width, int height)
{
    // Each number as text with the blank that a non-negative number carries in front.
    const auto number = [](int n) { return n >= 0 ? u' ' + QString::number(n) : QString::number(n); };
    return number(width) + QStringLiteral(" x") + number(height);
}

bool MainWindow::patternUsable(const QString& pattern)
{
    // Every mask of the pattern, and at least one: " ; ;" lists nothing and is refused.
    return parseMasks(pattern).has_value();
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_lblTempo->setVisible(m_lblTempo->isHidden());
    event->accept();
}

} // namespace vellora
