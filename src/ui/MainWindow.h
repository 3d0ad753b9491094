#pragma once
// frmMAIN: the program's only top-level window. It owns the window state (AppState), the
// result table and the scan driver, and wires its controls to them; the logic lives in
// those classes and in FileActions. Split by concern: MainWindow.cpp (start-up, closing,
// interface mode), MainWindowLayout.cpp (controls), MainWindowMenus.cpp (menus and the
// dialogs they open), MainWindowFolders.cpp (drive and folder), MainWindowScan.cpp
// (scan, pattern, scope and order), MainWindowTable.cpp (the grid, its conveniences and
// the file actions).

#include "results/AppState.h"
#include "results/ScanDriver.h"
#include "settings/SettingsStore.h"
#include "system/SystemData.h"
#include "ui/FileActions.h"

#include <array>
#include <functional>
#include <memory>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QTreeView;

namespace vellora {

class FolderOpener;
class FolderReveal;
class FolderTreeModel;
class NumberColumnTarget;
class PrinterSelection;
class DialogPrompter;
class QtPrinterSurface;
class ResultTable;
class ComparisonModel;
class RowSource;
struct ComparedSides;

struct MainWindowOptions
{
    SettingsStore store = SettingsStore(); // where LeggiREGEDIT and ScriviREGEDIT read and write
    DialogPrompter* prompter = nullptr;    // null: Qt's own boxes, owned by the window
    // "Verifica" (a folder) and "Apri cartella" (a file, to select); null: the desktop's file
    // manager (FolderOpener).
    std::function<void(const QString& path, bool selectFile)> showInFileManager;
};

class MainWindow : public QMainWindow, public FileActions::Host
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    using Options = MainWindowOptions;

    // Runs the start-up: settings read and applied, controls filled, the table hidden.
    explicit MainWindow(Options options = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    [[nodiscard]] AppState& state() { return m_state; }
    [[nodiscard]] ResultTable& table() { return *m_table; }
    [[nodiscard]] ScanDriver& driver() { return *m_driver; }
    [[nodiscard]] FileActions& fileActions() { return *m_actions; }
    [[nodiscard]] const SystemData& systemData() const { return m_system; }

    // The captions of the scope; disables printing and export.
    void ImpostaInterfaccia();
    // Default column widths: 465, 2200, 480, 1010, 1440, 1395, 1400, 6500 twips.
    void ReimpostaColonne();
    // Column widths in twips as the grid has them now (what closing stores).
    [[nodiscard]] std::array<int, ColumnCount> columnWidthsTwips() const;
    void setColumnWidthTwips(int column, int twips);
    void showInFileManager(const QString& path, bool selectFile);
    // The folder column (the last) narrowed to end at the table's right edge.
    void fitFolderColumn();

    // Where a window in the normal state first shows up: centred on its screen, fully on it,
    // made smaller where the screen is smaller than the window.
    void centreOnScreen();

    // cmdAvvia and Enter in the pattern box.
    void cmdAvvia_Click();

    // A folder named from outside (vellora FOLDER, a drop): selected as if picked in the
    // tree, a file's folder for a file; a path that cannot be read is told and changes nothing.
    void openFolder(const QString& path);

    // " 1024 x 768" for a screen of 1024 by 768 pixels.
    [[nodiscard]] static QString screenResolutionText(int width, int height);
    [[nodiscard]] static int twipsToPixels(int twips, int dpi);
    [[nodiscard]] static int pixelsToTwips(int pixels, int dpi);
    // The mount point of the volume that holds folder, ending with "/".
    [[nodiscard]] static QString mountPointOf(const QString& folder);
    // What the scanner can use as a pattern: masks separated by ";", at least one not
    // blank, none holding "/" or NUL.
    [[nodiscard]] static bool patternUsable(const QString& pattern);

    static const std::array<int, ColumnCount> kDefaultWidthsTwips;

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // MainWindow.cpp
    void Form_Load();
    void closing();
    void writeSettings();
    void stopScan();
    void setBusy(bool busy) override;

    // MainWindowLayout.cpp
    void buildLayout();
    QGroupBox* buildSettingsFrame();
    QGroupBox* buildResultFrame();
    void setupGrid();

    // MainWindowMenus.cpp
    void buildMenus();
    void setInfoKind(InfoKind kind, bool fromMenu);
    void openColumns(ProfileKind profile);
    void openExport(ExportKind kind);
    void openFormatExport();
    void openPrint();
    void openPrinterSelection();
    void openAbout();
    // A key of the menus pressed in a control of this window that would take it for itself.
    bool menuKeyPressed(QObject* watched, QKeyEvent& key);
    [[nodiscard]] PrinterSelection& printerSelection();
    // "Risoluzione Monitor": the pixels of the screen the window is on.
    void showScreenPixels();

    // MainWindowCompare.cpp
    void openCompare();
    // The grid shows the comparison until a new scan; printing and exports follow it.
    void showComparison(std::shared_ptr<const ComparedSides> sides);
    void leaveComparison();
    void saveListing();
    // What the grid shows: the comparison, else the table.
    [[nodiscard]] const RowSource& activeRows() const;

    // MainWindowFolders.cpp
    void fillDriveBox();
    [[nodiscard]] bool setFolderList(const QString& folder);
    void folderChanged(const QString& path);
    void driveChanged(int index);
    void selectDriveItem(const QString& mountPoint);

    // MainWindowScan.cpp
    void applyControls(const ScanDriver::Controls& controls);
    void updatePrintExport();
    void scanFinished();
    void patternTaken();
    bool checkPattern();
    // The "Escludi" box's text into the state's exclusions and lblCurDir; false (the state
    // left as it was) when a mask cannot be used.
    bool exclusionsTaken(QString* error = nullptr);
    bool checkExclusions();
    void openFilters();
    void showFilterCount();
    // The box's history after a scan that used its text, most recent first.
    void rememberExclusions();
    void scopeChanged(int index);
    void orderChanged(int index);
    void runOrder();

    // MainWindowTable.cpp
    void applyViewPosition(const ResultTable::ViewPosition& position);
    void gridFocusIn();
    void gridFocusOut();
    void rimuoviPressed();
    void gridDoubleClicked();
    [[nodiscard]] qsizetype currentRow() const;
    QString fileCounterText() const override;
    void setFileCounterText(const QString& text) override;
    void setRimuoviEnabled(bool enabled) override;
    void reorderAndNumber() override;
    // The conveniences of the grid: heading clicks, the row menu, copy.
    void buildGridCommands();
    void headingClicked(int column);
    void showOrderOnHeading();
    void gridMenuRequested(const QPoint& pos);
    void copyRows();

    Options m_options;
    std::unique_ptr<DialogPrompter> m_ownPrompter;
    DialogPrompter* m_prompter = nullptr;
    FolderOpener* m_folderOpener = nullptr; // "Verifica" and "Apri cartella"
    AppState m_state;
    SystemData m_system;
    ResultTable* m_table = nullptr; // child QObject
    std::unique_ptr<ScanDriver> m_driver;
    std::unique_ptr<FileActions> m_actions;
    std::unique_ptr<NumberColumnTarget> m_numberTarget;
    std::unique_ptr<QtPrinterSurface> m_printerSurface;   // made at the first print or printer choice
    std::unique_ptr<PrinterSelection> m_printerSelection; // lives for the run (first-notice flag)

    ScanDriver::Controls m_shown; // what applyControls last put on the controls
    bool m_printAllowed = false;  // no scope change since the last scan started
    bool m_orderPending = false;  // the order box changed during a scan
    bool m_closed = false;
    bool m_patternCheckQueued = false;
    QStringList m_excludeHistory; // cboESCLUDI's list, most recent first
    int m_busyDepth = 0;
    ComparisonModel* m_comparison = nullptr;        // child; shown in place of the table
    std::array<int, ColumnCount> m_listingWidths{}; // the columns' widths before it
    QLabel* m_lblConfronto = nullptr;               // the counts per state above the grid

    // Controls; all are children of the window.
    QGroupBox* m_fraIMPOSTAZIONI = nullptr;
    QLabel* m_Label2 = nullptr;
    QComboBox* m_cboDRIVE = nullptr;
    QLabel* m_Label3 = nullptr;
    QTreeView* m_BoxDIR = nullptr;
    FolderTreeModel* m_dirModel = nullptr;
    FolderReveal* m_treeReveal = nullptr; // keeps the chosen folder in view while the tree loads
    QLabel* m_lblTipoFile_ = nullptr;
    QComboBox* m_cboPATTERN = nullptr;
    QPushButton* m_cmdFiltri = nullptr; // "Fi&ltri...", "Fi&ltri (N)" while N ranges are on
    QLabel* m_lblEscludi_ = nullptr;
    QComboBox* m_cboESCLUDI = nullptr; // masks left out, with the last ten used
    QLabel* m_lbl_Sottocartelle = nullptr;
    QComboBox* m_cboRicercaIn = nullptr;
    QLabel* m_lblOrd_ = nullptr;
    QComboBox* m_cboORD = nullptr;
    QLabel* m_lblTempo = nullptr;
    QGroupBox* m_fraRESULT = nullptr;
    QTableView* m_GRIGLIA = nullptr;
    // The twips each column was last set to: a width the user did not drag is stored back
    // exactly, not rounded through pixels at every run.
    std::array<int, ColumnCount> m_widthsSetTwips{};
    int m_folderFitPixels = -1;   // the folder column's width as fitFolderColumn left it
    bool m_fittingFolder = false; // its own resize is not a change to answer
    QLabel* m_lblCurDir_ = nullptr;
    QLabel* m_lblCurDir = nullptr;
    QLabel* m_lbl_TotFile = nullptr;
    QLabel* m_lblTotFile = nullptr;
    QLabel* m_lblCartelle_ = nullptr;
    QLabel* m_lblCartelle = nullptr;
    QLabel* m_lblNessunFile = nullptr;
    QLabel* m_lblAggiornaGriglia = nullptr;
    QGroupBox* m_fraRisMonitor = nullptr;
    QLabel* m_lblRisMonitor = nullptr;
    QPushButton* m_cmdAvvia = nullptr;
    QPushButton* m_cmdInterrompi = nullptr;
    QPushButton* m_cmdStampa = nullptr;
    QPushButton* m_cmdRimuovi = nullptr;
    QPushButton* m_cmdEsci = nullptr;

    QAction* m_mnuEsporta = nullptr;
    QAction* m_mnuExcel = nullptr;
    QAction* m_mnuAltroFormato = nullptr;
    QAction* m_mnuConfronta = nullptr;
    QAction* m_mnuSalvaElenco = nullptr;
    QAction* m_mnuStampante = nullptr;
    QAction* m_mnuEsci = nullptr;
    QAction* m_mnuDefault = nullptr;
    QAction* m_mnuColVIS = nullptr;
    QAction* m_mnuColST = nullptr;
    QAction* m_mnuCN = nullptr;
    QAction* m_mnuFD = nullptr;
    QAction* m_mnuPD = nullptr;
    QAction* m_mnuVerifica = nullptr;
    QAction* m_mnuVersione = nullptr;
    QMenu* m_mnuGRIGLIA = nullptr; // the rows' context menu; its entries belong to the grid
};

} // namespace vellora
