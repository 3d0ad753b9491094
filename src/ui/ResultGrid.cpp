#include "ResultGrid.h"

#include <QHeaderView>
#include <QScrollBar>

namespace vellora {

ResultGrid::ResultGrid(QWidget* parent) : QTableView(parent), m_fixed(new QTableView(this))
{
    m_fixed->setObjectName(QStringLiteral("GRIGLIA_Nr"));
    // A click in the fixed column is a click in the table: the focus goes to this view.
    m_fixed->setFocusProxy(this);
    m_fixed->verticalHeader()->hide();
    m_fixed->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_fixed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fixed->setFrameShape(QFrame::NoFrame);
    m_fixed->setWordWrap(false);
    m_fixed->setCornerButtonEnabled(false);
    viewport()->stackUnder(m_fixed);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section != 0)
            return;
        m_fixed->setColumnWidth(0, size);
        placeNumberColumn();
    });
    connect(m_fixed->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_fixed->verticalScrollBar(),
            &QAbstractSlider::setValue);
    // A double click on a number is a double click on its row.
    connect(m_fixed, &QAbstractItemView::doubleClicked, this, &QAbstractItemView::doubleClicked);
}

void ResultGrid::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    m_fixed->setModel(model);
    m_fixed->setSelectionModel(selectionModel());
    if (model) {
        // A reset brings every column back in the fixed view.
        connect(model, &QAbstractItemModel::modelReset, this, &ResultGrid::showOnlyNumberColumn);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ResultGrid::showOnlyNumberColumn);
    }
    showOnlyNumberColumn();
}

void ResultGrid::syncNumberColumn()
{
    m_fixed->setSelectionBehavior(selectionBehavior());
    m_fixed->setSelectionMode(selectionMode());
    QHeaderView* rows = m_fixed->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(verticalHeader()->minimumSectionSize());
    rows->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_fixed->setVerticalScrollMode(verticalScrollMode());
    m_fixed->horizontalHeader()->setDefaultAlignment(horizontalHeader()->defaultAlignment());
    m_fixed->horizontalHeader()->setHighlightSections(horizontalHeader()->highlightSections());
    showOnlyNumberColumn();
}

void ResultGrid::showOnlyNumberColumn()
{
    const QAbstractItemModel* m = model();
    if (!m)
        return;
    for (int c = 1; c < m->columnCount(); ++c)
        m_fixed->setColumnHidden(c, true);
    m_fixed->setColumnHidden(0, false);
    m_fixed->setColumnWidth(0, columnWidth(0));
    placeNumberColumn();
}

void ResultGrid::placeNumberColumn()
{
    m_fixed->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_fixed->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), columnWidth(0),
                         viewport()->height() + horizontalHeader()->height());
}

void ResultGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    placeNumberColumn();
}

void ResultGrid::updateGeometries()
{
    QTableView::updateGeometries();
    placeNumberColumn();
}

QModelIndex ResultGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    // Moving left must not leave the current cell under the fixed column.
    if (cursorAction == MoveLeft && current.column() > 0 &&
        visualRect(current).left() < m_fixed->columnWidth(0)) {
        const int value =
            horizontalScrollBar()->value() + visualRect(current).left() - m_fixed->columnWidth(0);
        horizontalScrollBar()->setValue(value);
    }
    return current;
}

} // namespace vellora
