// The menus of frmMAIN and the dialogs they open. Every dialog is built anew at each
// opening and runs modally through the prompter.

#include "MainWindow.h"

#include "print/PrinterSelection.h"
#include "print/QtPrinterSurface.h"
#include "results/ResultTable.h"
#include "system/Platform.h"
#include "ui/AboutDialog.h"
#include "ui/ColonneDialog.h"
#include "ui/DialogPrompter.h"
#include "ui/EsportaDialog.h"
#include "ui/EsportaFormatoDialog.h"
#include "ui/FolderOpener.h"
#include "ui/FrmImpostaStampante.h"
#include "ui/FrmStampaDir.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

namespace vellora {

namespace {

QAction* action(QObject* parent, const char* name, const QString& text)
{
    auto* a = new QAction(text, parent);
    a->setObjectName(QLatin1String(name));
    return a;
}

QMenu* menu(QWidget* parent, const char* name, const QString& title)
{
    auto* m = new QMenu(title, parent);
    m->setObjectName(QLatin1String(name));
    m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
    return m;
}

QAction* separator(QMenu* m, const char* name)
{
    QAction* s = m->addSeparator();
    s->setObjectName(QLatin1String(name));
    return s;
}

} // namespace

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();

    QMenu* file = menu(this, "mnuFile", QStringLiteral("&File"));
    m_mnuEsporta = action(this, "mnuEsporta", QStringLiteral("Esporta in Formato &Testo"));
    m_mnuExcel = action(this, "mnuExcel", QStringLiteral("Esporta in Formato per E&xcel"));
    m_mnuAltroFormato = action(this, "mnuAltroFormato", QStringLiteral("Esporta in altro &formato..."));
    m_mnuStampante = action(this, "mnuStampante", QStringLiteral("&Imposta Stampante"));
    m_mnuStampante->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    m_mnuEsci = action(this, "mnuEsci", QStringLiteral("&Esci"));
    file->addAction(m_mnuEsporta);
    file->addAction(m_mnuExcel);
    file->addAction(m_mnuAltroFormato);
    m_mnuSalvaElenco = action(this, "mnuSalvaElenco", QStringLiteral("&Salva elenco..."));
    m_mnuConfronta = action(this, "mnuConfronta", QStringLiteral("&Confronta con un elenco salvato..."));
    file->addAction(m_mnuSalvaElenco);
    file->addAction(m_mnuConfronta);
    connect(m_mnuSalvaElenco, &QAction::triggered, this, &MainWindow::saveListing);
    connect(m_mnuConfronta, &QAction::triggered, this, &MainWindow::openCompare);
    separator(file, "sepc");
    file->addAction(m_mnuStampante);
    separator(file, "mnuSep1");
    file->addAction(m_mnuEsci);
    bar->addMenu(file);

    QMenu* options = menu(this, "mnuOpzioni", QStringLiteral("&Opzioni"));
    m_mnuDefault = action(this, "mnuDefault", QStringLiteral("Reimposta Colonne &Default"));
    options->addAction(m_mnuDefault);
    separator(options, "mnuSep4");
    QMenu* columns = menu(this, "mnuColonne", QStringLiteral("&Nascondi/Scopri Colonne"));
    m_mnuColVIS = action(this, "mnuColVIS", QStringLiteral("Da Vis&ualizzare"));
    m_mnuColVIS->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    m_mnuColST = action(this, "mnuColST", QStringLiteral("Da Sta&mpare"));
    m_mnuColST->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    columns->addAction(m_mnuColVIS);
    columns->addAction(m_mnuColST);
    options->addMenu(columns);
    QMenu* info = menu(this, "mnuColInfo", QStringLiteral("Colonna &Info"));
    m_mnuCN = action(this, "mnuCN", QStringLiteral("Produttore (Company Name)"));
    m_mnuFD = action(this, "mnuFD", QStringLiteral("Descrizione (File Description)"));
    m_mnuPD = action(this, "mnuPD", QStringLiteral("Info File (Product Name)"));
    auto* kinds = new QActionGroup(this);
    kinds->setExclusive(true);
    for (QAction* a : {m_mnuCN, m_mnuFD, m_mnuPD}) {
        a->setCheckable(true);
        kinds->addAction(a);
        info->addAction(a);
    }
    options->addMenu(info);
    bar->addMenu(options);

    m_mnuVerifica = action(this, "mnuVerifica", QStringLiteral("Verific&a"));
    m_mnuVersione = action(this, "mnuVersione", QStringLiteral("&Versione"));
    bar->addAction(m_mnuVerifica);
    bar->addAction(m_mnuVersione);

    // Shortcuts work while the menus are closed, wherever the focus is in the window: a
    // control that claims one of their keys for itself (the pattern box clears its line on
    // Ctrl+U) is not asked (menuKeyPressed).
    addActions({m_mnuEsporta, m_mnuExcel, m_mnuStampante, m_mnuEsci, m_mnuDefault, m_mnuColVIS, m_mnuColST});
    qApp->installEventFilter(this);

    connect(m_mnuEsporta, &QAction::triggered, this, [this] { openExport(ExportKind::Text); });
    connect(m_mnuExcel, &QAction::triggered, this, [this] { openExport(ExportKind::Tabbed); });
    connect(m_mnuAltroFormato, &QAction::triggered, this, &MainWindow::openFormatExport);
    connect(m_mnuStampante, &QAction::triggered, this, &MainWindow::openPrinterSelection);
    connect(m_mnuEsci, &QAction::triggered, this, &QWidget::close);
    connect(m_mnuDefault, &QAction::triggered, this, &MainWindow::ReimpostaColonne);
    connect(m_mnuColVIS, &QAction::triggered, this, [this] { openColumns(ProfileKind::Vedi); });
    connect(m_mnuColST, &QAction::triggered, this, [this] { openColumns(ProfileKind::Stampa); });
    connect(m_mnuCN, &QAction::triggered, this, [this] { setInfoKind(InfoKind::CompanyName, true); });
    connect(m_mnuFD, &QAction::triggered, this, [this] { setInfoKind(InfoKind::FileDescription, true); });
    connect(m_mnuPD, &QAction::triggered, this, [this] { setInfoKind(InfoKind::ProductName, true); });
    connect(m_mnuVerifica, &QAction::triggered, this,
            [this] { showInFileManager(m_state.CartellaRicerca, false); });
    connect(m_mnuVersione, &QAction::triggered, this, &MainWindow::openAbout);
}

bool MainWindow::menuKeyPressed(QObject* watched, QKeyEvent& key)
{
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    const QKeySequence pressed(QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
    for (const QAction* a : actions()) {
        if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed) {
            // Not claimed by the control, so the window's shortcut runs.
            key.ignore();
            return true;
        }
    }
    return false;
}

void MainWindow::setInfoKind(InfoKind kind, bool fromMenu)
{
    QAction* entry = kind == InfoKind::ProductName       ? m_mnuPD
                     : kind == InfoKind::FileDescription ? m_mnuFD
                                                         : m_mnuCN;
    entry->setChecked(true);
    m_state.infoKind = kind;
    // The table keeps its heading until the next fill.
    m_state.Intestazioni[ColInfo] = fromMenu ? infoHeadingFromMenu(kind) : infoHeadingAtStartup(kind);
}

void MainWindow::openColumns(ProfileKind profile)
{
    apriColonne(*m_prompter, m_state, profile, m_numberTarget.get(), this);
}

void MainWindow::openExport(ExportKind kind)
{
    m_state.exportKind = kind;
    EsportaDialog dialog(m_state, activeRows(), m_system, *m_prompter, this);
    dialog.setColumnDialogOpener([this, &dialog] {
        apriColonne(*m_prompter, m_state, ProfileKind::Esporta, m_numberTarget.get(), &dialog);
    });
    m_prompter->exec(dialog);
}

void MainWindow::openFormatExport()
{
    EsportaFormatoDialog dialog(m_state, activeRows(), m_system, *m_prompter, this);
    dialog.setColumnDialogOpener([this, &dialog] {
        apriColonne(*m_prompter, m_state, ProfileKind::Esporta, m_numberTarget.get(), &dialog);
    });
    m_prompter->exec(dialog);
}

PrinterSelection& MainWindow::printerSelection()
{
    if (!m_printerSelection) {
        m_printerSurface = std::make_unique<QtPrinterSurface>();
        m_printerSelection = std::make_unique<PrinterSelection>(*m_printerSurface);
    }
    return *m_printerSelection;
}

void MainWindow::openPrinterSelection()
{
    mnuStampante_Click(printerSelection(), *m_prompter, this);
}

void MainWindow::openPrint()
{
    PrinterSelection& selection = printerSelection();
    FrmStampaDir dialog(*m_printerSurface, m_state, activeRows(), m_system.systemLine(), *m_prompter, this);
    dialog.setPrinterSelection(&selection);
    dialog.setSettingsStore(m_options.store);
    dialog.setPrinterSelectionOpener(
        [this, &dialog] { mnuStampante_Click(printerSelection(), *m_prompter, &dialog); });
    dialog.setColumnsOpener([this, &dialog] {
        apriColonne(*m_prompter, m_state, ProfileKind::Stampa, m_numberTarget.get(), &dialog);
    });
    m_prompter->exec(dialog);
}

void MainWindow::openAbout()
{
    AboutDialog dialog(this);
    m_prompter->exec(dialog);
}

} // namespace vellora
