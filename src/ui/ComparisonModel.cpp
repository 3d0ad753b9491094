#include "ComparisonModel.h"

#include "results/StateTypes.h"

namespace vellora {

QColor fileStateColour(FileState state)
{
    switch (state) {
    case FileState::Added:
        return QColor(0, 128, 0);
    case FileState::Removed:
        return QColor(192, 0, 0);
    case FileState::Moved:
        return QColor(0, 64, 192);
    case FileState::Changed:
        return QColor(176, 96, 0);
    case FileState::Unchanged:
        break;
    }
    return QColor(96, 96, 96);
}

ComparisonModel::ComparisonModel(std::shared_ptr<const ComparedSides> sides, const QStringList& headings,
                                 InfoKind infoKind, QObject* parent)
    : QAbstractTableModel(parent), m_rows(std::move(sides), infoKind), m_headings(headings)
{
    m_headings[ColNumber] = QStringLiteral("Stato");
}

int ComparisonModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.rowCount());
}

int ComparisonModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ComparisonModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount({}) || index.column() >= ColumnCount)
        return {};
    const qsizetype row = index.row() + 1;
    const bool state = index.column() == ColNumber;
    switch (role) {
    case Qt::DisplayRole:
        return state ? fileStateWord(m_rows.file(row).state) : m_rows.text(row, index.column());
    case Qt::ForegroundRole:
        return state ? QVariant(fileStateColour(m_rows.file(row).state)) : QVariant();
    case Qt::ToolTipRole:
        return state ? QVariant(m_rows.comparedRow(row).changed.join(QStringLiteral(", "))) : QVariant();
    case Qt::TextAlignmentRole: {
        const bool right = index.column() == ColSize || index.column() == ColVersion;
        return int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant ComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return m_headings.value(section);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void ComparisonModel::toggleStateOrder()
{
    beginResetModel();
    m_rows.orderByState(!m_rows.orderedByState());
    endResetModel();
}

QString ComparisonModel::countsLine() const
{
    const ComparedListing& c = *m_rows.comparison();
    return QStringLiteral("Confronto di %1 con %2: %3").arg(c.before, c.after, c.countsText);
}

} // namespace vellora
