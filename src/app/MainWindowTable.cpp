// The grid of frmMAIN: where the view stands, and the file actions on its current row.

#include "MainWindow.h"

#include "results/ColumnProfileEditor.h"
#include "results/ResultTable.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

namespace vellora {

void MainWindow::applyViewPosition(const ResultTable::ViewPosition& position)
{
    const int rows = m_table->rowCount(QModelIndex());
    if (position.currentRow < 1 || position.currentRow > rows)
        return;
    const int row = int(position.currentRow - 1);
    const int first = int(std::clamp<qsizetype>(position.firstVisibleRow, 1, rows) - 1);
    QItemSelectionModel* selection = m_GRIGLIA->selectionModel();
    const QModelIndex current = m_table->index(row, position.currentColumn);
    selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    selection->select(QItemSelection(current, m_table->index(row, position.lastSelectedColumn)),
                      QItemSelectionModel::ClearAndSelect);
    // Rows only: the fixed number column stays in view.
    m_GRIGLIA->scrollTo(m_table->index(first, ColNumber), QAbstractItemView::PositionAtTop);
}

qsizetype MainWindow::currentRow() const
{
    const QModelIndex current = m_GRIGLIA->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void MainWindow::gridFocusIn()
{
    m_cmdRimuovi->setEnabled(parseFileCounter(m_lblTotFile->text()) > 0);
}

void MainWindow::gridFocusOut()
{
    m_cmdRimuovi->setEnabled(false);
}

void MainWindow::rimuoviPressed()
{
    m_actions->deleteRow(currentRow());
}

void MainWindow::gridDoubleClicked()
{
    m_actions->renameRow(currentRow());
}

QString MainWindow::fileCounterText() const
{
    return m_lblTotFile->text();
}

void MainWindow::setFileCounterText(const QString& text)
{
    m_lblTotFile->setText(text);
}

void MainWindow::setRimuoviEnabled(bool enabled)
{
    m_cmdRimuovi->setEnabled(enabled);
}

} // namespace vellora
