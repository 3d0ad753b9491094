// The grid of frmMAIN: where the view stands, the file actions on its current row, and the
// conveniences every list has: headings that order, a menu on the rows, copy, the keyboard.

#include "MainWindow.h"

#include "results/ColumnProfileEditor.h"
#include "results/ResultTable.h"
#include "system/Platform.h"
#include "ui/FolderOpener.h"
#include "ui/GridCommands.h"
#include "ui/ResultGrid.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

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
    if (m_comparison) // its rows are files of listings, some gone: nothing to remove
        return;
    m_actions->deleteRow(currentRow());
}

void MainWindow::gridDoubleClicked()
{
    if (m_comparison)
        return;
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

namespace {

QAction* gridAction(QWidget* grid, const char* name, const QString& text, const QKeySequence& keys = {})
{
    auto* a = new QAction(text, grid);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(keys);
    // The keys act while the grid has the focus, and nowhere else.
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid->addAction(a);
    return a;
}

} // namespace

void MainWindow::buildGridCommands()
{
    auto* grid = static_cast<ResultGrid*>(m_GRIGLIA);
    // Tab leaves the grid for the next control; the arrows move inside it.
    grid->setTabKeyNavigation(false);

    QHeaderView* headings = grid->horizontalHeader();
    headings->setSectionsClickable(true);
    headings->setSortIndicatorShown(true);
    headings->setSortIndicator(-1, Qt::AscendingOrder);
    // A click on a heading orders; it does not select the column.
    disconnect(headings, &QHeaderView::sectionPressed, grid, nullptr);
    disconnect(headings, &QHeaderView::sectionEntered, grid, nullptr);
    connect(headings, &QHeaderView::sectionClicked, this, &MainWindow::headingClicked);
    // "Nr." is the fixed column's own heading, and orders nothing.
    grid->numberColumn()->horizontalHeader()->setSectionsClickable(false);

    QAction* rename = gridAction(grid, "mnuRinomina", QStringLiteral("&Rinomina"), Qt::Key_F2);
    QAction* remove = gridAction(grid, "mnuRimuovi", QStringLiteral("Ri&muovi"), Qt::Key_Delete);
    QAction* folder = gridAction(grid, "mnuApriCartella", QStringLiteral("&Apri cartella"));
    QAction* path = gridAction(grid, "mnuCopiaPercorso", QStringLiteral("&Copia percorso"));
    QAction* copy = gridAction(grid, "mnuCopia", QStringLiteral("Copia"), QKeySequence::Copy);
    m_mnuGRIGLIA = new QMenu(grid);
    m_mnuGRIGLIA->setObjectName(QStringLiteral("mnuGRIGLIA"));
    m_mnuGRIGLIA->addActions({rename, remove, folder, path});

    connect(rename, &QAction::triggered, this, [this] { m_actions->renameRow(currentRow()); });
    connect(remove, &QAction::triggered, this, [this] { m_actions->deleteRow(currentRow()); });
    connect(folder, &QAction::triggered, this, [this] {
        if (m_actions->rowUsable(currentRow()))
            showInFileManager(QFile::decodeName(m_table->rowPath(currentRow())), true);
    });
    connect(path, &QAction::triggered, this, [this] {
        if (m_actions->rowUsable(currentRow()))
            QGuiApplication::clipboard()->setText(QFile::decodeName(m_table->rowPath(currentRow())));
    });
    connect(copy, &QAction::triggered, this, &MainWindow::copyRows);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, &MainWindow::gridMenuRequested);
}

void MainWindow::headingClicked(int column)
{
    if (m_comparison) // only its state heading orders it
        return;
    const Order shown = orderFromIndex(m_cboORD->currentIndex()).value_or(Order::None);
    if (const std::optional<Order> order = orderForHeading(column, shown, m_state.OptV)) {
        // As a pick in the order box: the box shows it and its handler runs.
        m_cboORD->setCurrentIndex(orderIndex(*order));
        orderChanged(orderIndex(*order));
    }
    // The header moved its arrow by itself on the click; the order in force decides.
    showOrderOnHeading();
}

void MainWindow::showOrderOnHeading()
{
    const std::optional<HeadingMark> mark = headingOfOrder(m_state.OrdineGriglia, m_state.OptV);
    m_GRIGLIA->horizontalHeader()->setSortIndicator(
        mark ? mark->column : -1, mark && mark->descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void MainWindow::gridMenuRequested(const QPoint& pos)
{
    // The entries act on the current row: the one under the pointer (the menu key points at
    // the current cell). A selection that holds it stays for the copy that may follow.
    const QModelIndex at = m_GRIGLIA->indexAt(pos);
    if (!at.isValid() || m_comparison)
        return;
    QItemSelectionModel* selection = m_GRIGLIA->selectionModel();
    if (at.row() + 1 != currentRow())
        selection->setCurrentIndex(at, selection->isSelected(at) ? QItemSelectionModel::NoUpdate
                                                                 : QItemSelectionModel::ClearAndSelect);
    if (m_actions->rowUsable(currentRow()))
        m_mnuGRIGLIA->popup(m_GRIGLIA->viewport()->mapToGlobal(pos));
}

void MainWindow::copyRows()
{
    std::vector<qsizetype> rows;
    for (const QItemSelectionRange& range : m_GRIGLIA->selectionModel()->selection())
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.push_back(r + 1);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    std::vector<int> columns;
    for (int c = 0; c < ColumnCount; ++c)
        if (!m_GRIGLIA->isColumnHidden(c))
            columns.push_back(c);
    QGuiApplication::clipboard()->setText(rowsAsText(*m_table, rows, columns));
}

} // namespace vellora
