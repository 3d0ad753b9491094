// The comparison in the window: File › "Confronta con un elenco salvato..." fills the grid with
// a comparison (the state in the first column, the counts above the grid), which printing and
// every export then show; a new scan puts the listing back. File › "Salva elenco..." writes
// the rows shown as a saved listing to compare with later.

#include "MainWindow.h"

#include "export/Export.h"
#include "results/ResultTable.h"
#include "system/Platform.h"
#include "ui/CompareDialog.h"
#include "ui/ComparisonModel.h"
#include "ui/DialogPrompter.h"
#include "ui/ResultGrid.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace vellora {

void MainWindow::openCompare()
{
    if (m_driver->isRunning())
        return;
    CompareDialog dialog(m_state.listingRequest(), *m_prompter, this);
    if (m_prompter->exec(dialog) == QDialog::Accepted && dialog.result())
        showComparison(dialog.result());
}

const RowSource& MainWindow::activeRows() const
{
    if (m_comparison)
        return m_comparison->rows();
    return *m_table;
}

void MainWindow::showComparison(std::shared_ptr<const ComparedSides> sides)
{
    leaveComparison();
    auto* grid = static_cast<ResultGrid*>(m_GRIGLIA);
    QHeaderView* header = grid->horizontalHeader();
    for (int c = 0; c < ColumnCount; ++c)
        m_listingWidths[std::size_t(c)] = header->sectionSize(c);
    m_comparison = new ComparisonModel(std::move(sides), m_state.Intestazioni, m_state.infoKind, this);
    grid->setModel(m_comparison);
    // Every fact of the listings is shown, the state wide enough for its longest word.
    header->resizeSection(ColNumber,
                          grid->fontMetrics().horizontalAdvance(QStringLiteral("modificato")) + 16);
    for (int c = 1; c < ColumnCount; ++c)
        if (header->sectionSize(c) <= 1)
            header->resizeSection(c, twipsToPixels(kDefaultWidthsTwips[std::size_t(c)], grid->logicalDpiX()));
    grid->syncNumberColumn();
    QHeaderView* stateHeading = grid->numberColumn()->horizontalHeader();
    stateHeading->setSectionsClickable(true);
    if (!m_lblConfronto) {
        m_lblConfronto = new QLabel(m_fraRESULT);
        m_lblConfronto->setObjectName(QStringLiteral("lblConfronto"));
        m_lblConfronto->setTextFormat(Qt::PlainText);
        if (auto* box = qobject_cast<QVBoxLayout*>(m_fraRESULT->layout()))
            box->insertWidget(1, m_lblConfronto);
        connect(stateHeading, &QHeaderView::sectionClicked, this, [this] {
            if (m_comparison)
                m_comparison->toggleStateOrder();
        });
    }
    m_lblConfronto->setText(m_comparison->countsLine());
    m_lblConfronto->setVisible(true);
    m_lblTotFile->setText(QString::number(m_comparison->rows().rowCount()));
    grid->setVisible(true);
    m_lblNessunFile->setVisible(false);
    const bool rows = m_comparison->rows().rowCount() > 0;
    m_cmdRimuovi->setEnabled(false);
    m_cmdStampa->setEnabled(rows);
    for (QAction* a : {m_mnuEsporta, m_mnuExcel, m_mnuAltroFormato})
        a->setEnabled(rows);
}

void MainWindow::leaveComparison()
{
    if (!m_comparison)
        return;
    auto* grid = static_cast<ResultGrid*>(m_GRIGLIA);
    grid->setModel(m_table);
    grid->numberColumn()->horizontalHeader()->setSectionsClickable(false);
    for (int c = 0; c < ColumnCount; ++c)
        grid->horizontalHeader()->resizeSection(c, m_listingWidths[std::size_t(c)]);
    grid->syncNumberColumn();
    // The view made a new selection model for the table: the current row follows it again.
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                m_table->setCurrentRow(current.isValid() ? current.row() + 1 : 0);
            });
    delete m_comparison;
    m_comparison = nullptr;
    m_lblConfronto->setVisible(false);
    m_lblTotFile->setText(QString::number(m_table->rowCount()));
    updatePrintExport();
}

void MainWindow::saveListing()
{
    const RowSource& rows = activeRows();
    const QString title = QStringLiteral("Salva elenco");
    if (rows.rowCount() == 0 || (!m_comparison && !m_shown.printExportEnabled)) {
        m_prompter->message(QStringLiteral("Nessun elenco da salvare: avviare prima la ricerca."), title,
                            Prompter::Icon::Information, Prompter::Buttons::Ok);
        return;
    }
    const QString path = QFileDialog::getSaveFileName(
        this, title,
        QDir(exportFolder()).filePath(exportFileName(ExportKind::JsonLines, QDateTime::currentDateTime())),
        QStringLiteral("Elenchi salvati (*.jsonl)"));
    if (path.isEmpty())
        return;
    ExportChoice choice;
    choice.kind = ExportKind::JsonLines;
    choice.checksum = m_prompter->message(QStringLiteral("Calcolare il checksum SHA-256 di ogni file?\r\n"
                                                         "Con i checksum il confronto guarda il contenuto "
                                                         "dei file, non solo dimensione e data."),
                                          title, Prompter::Icon::Question,
                                          Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
    std::atomic_bool interrupt{false};
    QProgressDialog progress(QStringLiteral("Salvataggio dell'elenco..."), QStringLiteral("&Annulla"), 0,
                             int(qMin<qsizetype>(rows.rowCount(), INT_MAX)), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    ExportRequest request(rows, m_state, m_system, QDateTime::currentDateTime(), choice, &interrupt,
                          [&](qsizetype done, qsizetype) {
                              progress.setValue(int(qMin<qsizetype>(done, INT_MAX)));
                              QApplication::processEvents();
                              if (progress.wasCanceled())
                                  interrupt = true;
                          });
    const ExportOutcome outcome = writeExport(request, ExportTarget::file(path));
    progress.reset();
    if (outcome.interrupted)
        return;
    reportOutcome(*m_prompter, ExportKind::JsonLines, outcome);
}

} // namespace vellora
