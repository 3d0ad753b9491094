// The scan as the window shows it: the driver's control states, the pattern, scope and
// order boxes, and the start command.

#include "MainWindow.h"

#include "results/ResultTable.h"
#include "settings/FilterSettings.h"
#include "ui/DialogPrompter.h"
#include "ui/FiltriDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace vellora {

void MainWindow::applyControls(const ScanDriver::Controls& c)
{
    // Only what the driver changed: the folder and pattern handlers write the same labels
    // between scans, and a stale driver value must not overwrite them.
    const ScanDriver::Controls& was = m_shown;
    if (c.busy != was.busy)
        setBusy(c.busy);
    if (c.tableVisible != was.tableVisible)
        m_GRIGLIA->setVisible(c.tableVisible);
    if (c.esciEnabled != was.esciEnabled)
        m_cmdEsci->setEnabled(c.esciEnabled);
    if (c.interrompiEnabled != was.interrompiEnabled)
        m_cmdInterrompi->setEnabled(c.interrompiEnabled);
    if (c.nessunFileVisible != was.nessunFileVisible)
        m_lblNessunFile->setVisible(c.nessunFileVisible);
    if (c.curDirVisible != was.curDirVisible)
        m_lblCurDir->setVisible(c.curDirVisible);
    if (c.curDirTitleVisible != was.curDirTitleVisible)
        m_lblCurDir_->setVisible(c.curDirTitleVisible);
    if (c.totFile != was.totFile)
        m_lblTotFile->setText(c.totFile);
    if (c.cartelle != was.cartelle)
        m_lblCartelle->setText(c.cartelle);
    if (c.curDirTitle != was.curDirTitle)
        m_lblCurDir_->setText(c.curDirTitle);
    if (c.curDir != was.curDir)
        m_lblCurDir->setText(c.curDir);
    if (c.tempo != was.tempo)
        m_lblTempo->setText(c.tempo);
    m_shown = c;
    updatePrintExport();
}

void MainWindow::updatePrintExport()
{
    // The driver's control state says whether the table is complete: off while a scan refills
    // it, already on while its end-of-scan message shows. A list made with another scope than
    // the one now chosen is not printed either.
    const bool on = m_shown.printExportEnabled && m_printAllowed;
    m_cmdStampa->setEnabled(on);
    m_mnuEsporta->setEnabled(on);
    m_mnuExcel->setEnabled(on);
    m_mnuAltroFormato->setEnabled(on);
}

void MainWindow::cmdAvvia_Click()
{
    if (m_driver->isRunning())
        return;
    if (!checkPattern() || !checkExclusions())
        return;
    rememberExclusions();
    leaveComparison(); // a new scan puts the listing back in the grid
    m_printAllowed = true;
    m_orderPending = false;
    m_cmdRimuovi->setEnabled(false);
    m_driver->start();
}

void MainWindow::scanFinished()
{
    updatePrintExport();
    showOrderOnHeading(); // the profile may have changed since the last order
    if (m_orderPending) {
        m_orderPending = false;
        // The order picked during the scan, once the table it applies to is complete.
        if (m_shown.printExportEnabled && m_cboORD->currentIndex() != orderIndex(m_state.OrdineGriglia))
            orderChanged(m_cboORD->currentIndex());
        else
            m_state.OrdineGriglia = orderFromIndex(m_cboORD->currentIndex()).value_or(Order::None);
    }
}

void MainWindow::patternTaken()
{
    m_state.PatternFile = m_cboPATTERN->currentText();
    m_lblCurDir->setText(m_state.folderText());
}

bool MainWindow::checkPattern()
{
    patternTaken();
    if (patternUsable(m_state.PatternFile))
        return true;
    m_prompter->message(QStringLiteral("Valore Pattern non Valido"), QString(), Prompter::Icon::Information,
                        Prompter::Buttons::Ok);
    m_cboPATTERN->setFocus(Qt::OtherFocusReason);
    return false;
}

bool MainWindow::exclusionsTaken(QString* error)
{
    const std::optional<QStringList> masks = parseExclusions({m_cboESCLUDI->currentText()}, error);
    if (masks) {
        m_state.filters.exclusions = *masks;
        m_lblCurDir->setText(m_state.folderText());
    }
    return masks.has_value();
}

bool MainWindow::checkExclusions()
{
    QString error;
    if (exclusionsTaken(&error))
        return true;
    m_prompter->message(error.left(1).toUpper() + error.mid(1), QString(), Prompter::Icon::Information,
                        Prompter::Buttons::Ok);
    m_cboESCLUDI->setFocus(Qt::OtherFocusReason);
    return false;
}

void MainWindow::rememberExclusions()
{
    const QString text = m_cboESCLUDI->currentText();
    const QStringList history = withHistoryEntry(m_excludeHistory, text);
    if (history == m_excludeHistory)
        return;
    m_excludeHistory = history;
    m_cboESCLUDI->clear();
    m_cboESCLUDI->addItems(m_excludeHistory);
    m_cboESCLUDI->setEditText(text);
}

void MainWindow::openFilters()
{
    FiltriDialog dialog(m_state.filters, this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    m_state.filters = dialog.filters();
    showFilterCount();
    m_lblCurDir->setText(m_state.folderText());
}

void MainWindow::showFilterCount()
{
    const int on = m_state.filters.rangeCount();
    m_cmdFiltri->setText(on == 0 ? QStringLiteral("Fi&ltri...") : QStringLiteral("Fi&ltri (%1)").arg(on));
}

void MainWindow::scopeChanged(int index)
{
    const std::optional<Scope> scope = scopeFromIndex(index);
    if (!scope)
        return;
    m_state.TipoRicerca = *scope;
    ImpostaInterfaccia();
}

void MainWindow::orderChanged(int index)
{
    if (m_driver->isRunning()) {
        // The running scan orders by what it started with; the new choice follows it.
        m_orderPending = true;
        return;
    }
    m_state.OrdineGriglia = orderFromIndex(index).value_or(Order::None);
    runOrder();
}

void MainWindow::runOrder()
{
    setBusy(true);
    m_table->OrdinaGriglia(m_state.OrdineGriglia, m_state.OptV);
    m_table->NumeraGriglia(m_state.OptV[ColNumber] == 1);
    showOrderOnHeading();
    setBusy(false);
}

void MainWindow::reorderAndNumber()
{
    runOrder();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && menuKeyPressed(watched, *static_cast<QKeyEvent*>(event)))
        return true;
    const bool inPattern = watched == m_cboPATTERN || watched == m_cboPATTERN->lineEdit();
    const bool inExclusions = watched == m_cboESCLUDI || watched == m_cboESCLUDI->lineEdit();
    if ((inPattern || inExclusions) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            cmdAvvia_Click();
            return true; // the box neither adds the text to its list nor passes the key on
        }
    } else if (inPattern && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Leaving for another control of the window; a popup or a message box taking the
        // focus is not leaving the box.
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason) {
            patternTaken();
            const bool toStart = QApplication::focusWidget() == m_cmdAvvia;
            if (!patternUsable(m_state.PatternFile) && !toStart && !m_patternCheckQueued) {
                m_patternCheckQueued = true;
                // Not from inside the focus change itself.
                QTimer::singleShot(0, this, [this] {
                    m_patternCheckQueued = false;
                    if (!m_closed && !patternUsable(m_cboPATTERN->currentText()))
                        checkPattern();
                });
            }
        }
    } else if (inExclusions && event->type() == QEvent::FocusOut) {
        // A mask that cannot be used is told when a scan is asked for.
        exclusionsTaken();
    } else if (watched == m_cboDRIVE && event->type() == QEvent::FocusOut) {
        m_lblCurDir->setText(m_state.folderText());
    } else if (watched == m_GRIGLIA && event->type() == QEvent::Resize) {
        // After the table has laid out its viewport for the new size.
        QMetaObject::invokeMethod(this, &MainWindow::fitFolderColumn, Qt::QueuedConnection);
    } else if (watched == m_GRIGLIA && event->type() == QEvent::FocusIn) {
        gridFocusIn();
    } else if (watched == m_GRIGLIA && event->type() == QEvent::FocusOut) {
        gridFocusOut();
    } else if (watched == m_cmdRimuovi) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            if (m_cmdRimuovi->isEnabled())
                rimuoviPressed();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyPress ||
            event->type() == QEvent::KeyRelease)
            return true; // the delete starts on the press only
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vellora
