#include "ResultTable.h"

#include "results/Formats.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcResults, "vellora.results")

namespace vellora {

namespace {

QString fromBytes(std::string_view b)
{
    return QString::fromUtf8(b.data(), qsizetype(b.size()));
}

} // namespace

ResultTable::ResultTable(QObject* parent) : QAbstractTableModel(parent), m_headings(defaultHeadings()) {}

ResultTable::~ResultTable() = default;

int ResultTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.order.size());
}

int ResultTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.order.size()) || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(m_rows.order[std::size_t(index.row())], index.row() + 1, index.column());
    case Qt::TextAlignmentRole: {
        const bool right = index.column() == ColSize || index.column() == ColVersion;
        // As an int: what every delegate version reads.
        return int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant ResultTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return text(0, section);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

qsizetype ResultTable::rowCount() const
{
    return qsizetype(m_rows.order.size());
}

QString ResultTable::text(qsizetype row, int column) const
{
    if (column < 0 || column >= ColumnCount)
        return {};
    if (row == 0)
        return m_cleared ? QString() : m_headings.value(column);
    if (!validRow(row))
        return {};
    return cellText(storageIndex(row), row, column);
}

QString ResultTable::cellText(std::uint32_t index, qsizetype displayRow, int column) const
{
    if (m_cleared)
        return {};
    if (!m_overrides.isEmpty()) {
        const auto it = m_overrides.constFind(overrideKey(index, column));
        if (it != m_overrides.constEnd())
            return *it;
    }
    const ResultRows::Row& r = m_rows.rows[index];
    if (column == ColNumber)
        return m_numbered && ResultRows::has(r, ColName) ? QString::number(numberAt(displayRow)) : QString();
    if (!ResultRows::has(r, column))
        return {};
    switch (column) {
    case ColName:
        return fromBytes(baseNameOf(m_rows.name(r)));
    case ColExt:
        return fromBytes(extensionOf(m_rows.name(r)));
    case ColSize:
        return formatSize(r.size);
    case ColDate:
        return formatDateTable(r.mtime);
    case ColVersion:
        return m_rows.strings[r.version];
    case ColInfo:
        return m_rows.strings[r.info];
    case ColFolder:
        return QString::fromUtf8(m_rows.folders[r.folder]);
    }
    return {};
}

qsizetype ResultTable::numberAt(qsizetype displayRow) const
{
    qsizetype n = displayRow;
    for (qsizetype removed : m_removedSinceNumbering)
        if (removed <= n)
            ++n;
    return n;
}

QByteArray ResultTable::nameBytes(qsizetype row) const
{
    if (!validRow(row))
        return {};
    const std::string_view n = m_rows.name(m_rows.rows[storageIndex(row)]);
    return QByteArray(n.data(), qsizetype(n.size()));
}

QByteArray ResultTable::folderBytes(qsizetype row) const
{
    if (!validRow(row))
        return {};
    return m_rows.folders[m_rows.rows[storageIndex(row)].folder];
}

void ResultTable::PopolaGriglia(FillResult&& fill, const QStringList& headings, const ColumnProfile& optV,
                                Order order)
{
    beginResetModel();
    m_rows = std::move(fill.rows);
    m_headings = headings;
    while (m_headings.size() < ColumnCount)
        m_headings.append(QString());
    if (optV[ColNumber] != 1)
        m_headings[ColNumber].clear();
    m_numbered = false;
    m_cleared = false;
    m_overrides.clear();
    m_removedSinceNumbering.clear();
    m_view = {};
    endResetModel();
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (fill.interrupted)
        return;
    if (!fill.ordered)
        OrdinaGriglia(order, optV);
    NumeraGriglia(optV[ColNumber] == 1);
}

bool ResultTable::OrdinaGriglia(Order order, const ColumnProfile& optV)
{
    if (m_rows.order.empty() || m_cleared || !orderKeyShown(order, optV))
        return false;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> oldRowToStorage;
    oldRowToStorage.reserve(std::size_t(before.size()));
    for (const QModelIndex& i : before)
        oldRowToStorage.push_back(int(m_rows.order[std::size_t(i.row())]));
    sortRows(m_rows, order, optV, facts());
    if (!before.isEmpty()) {
        // Persistent indexes follow their rows; a view keeps only a few.
        std::vector<int> storageToRow(m_rows.rows.size()); // removed rows leave gaps in storage
        for (std::size_t p = 0; p < m_rows.order.size(); ++p)
            storageToRow[m_rows.order[p]] = int(p);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype k = 0; k < before.size(); ++k)
            after.append(
                index(storageToRow[std::size_t(oldRowToStorage[std::size_t(k)])], before[k].column()));
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

void ResultTable::NumeraGriglia(bool numberShown)
{
    m_removedSinceNumbering.clear();
    if (numberShown && !m_numbered) {
        m_numbered = true;
        if (!m_rows.order.empty())
            Q_EMIT dataChanged(index(0, ColNumber), index(int(m_rows.order.size()) - 1, ColNumber));
    } else if (numberShown && !m_rows.order.empty()) {
        // Positions moved under the numbers (an order, a removed row).
        Q_EMIT dataChanged(index(0, ColNumber), index(int(m_rows.order.size()) - 1, ColNumber));
    }
    const qsizetype first = m_rows.order.empty() ? 0 : 1;
    requestViewPosition({first, first, 1, 7});
}

void ResultTable::reset()
{
    beginResetModel();
    m_rows = ResultRows();
    m_numbered = false;
    m_cleared = false;
    m_overrides.clear();
    m_removedSinceNumbering.clear();
    m_view = {};
    endResetModel();
}

void ResultTable::clearAllCells()
{
    m_cleared = true;
    m_numbered = false;
    m_overrides.clear();
    if (!m_rows.order.empty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_rows.order.size()) - 1, ColumnCount - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void ResultTable::setNumberColumn(bool shown)
{
    if (m_cleared)
        return;
    m_headings[ColNumber] = shown ? defaultHeadings()[ColNumber] : QString();
    for (auto it = m_overrides.begin(); it != m_overrides.end();) {
        if (int(it.key() & 7u) == ColNumber)
            it = m_overrides.erase(it);
        else
            ++it;
    }
    m_numbered = shown;
    m_removedSinceNumbering.clear();
    Q_EMIT headerDataChanged(Qt::Horizontal, ColNumber, ColNumber);
    if (!m_rows.order.empty())
        Q_EMIT dataChanged(index(0, ColNumber), index(int(m_rows.order.size()) - 1, ColNumber));
}

void ResultTable::setHeading(int column, const QString& text)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_headings[column] = text;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void ResultTable::setText(qsizetype row, int column, const QString& text)
{
    if (!validRow(row) || column < 0 || column >= ColumnCount)
        return;
    m_overrides.insert(overrideKey(storageIndex(row), column), text);
    const QModelIndex i = index(int(row - 1), column);
    Q_EMIT dataChanged(i, i);
}

void ResultTable::setName(qsizetype row, const QByteArray& nameBytes)
{
    if (!validRow(row))
        return;
    const std::uint32_t si = storageIndex(row);
    m_rows.setName(m_rows.rows[si], std::string_view(nameBytes.constData(), std::size_t(nameBytes.size())));
    m_overrides.remove(overrideKey(si, ColName));
    m_overrides.remove(overrideKey(si, ColExt));
    emitRowChanged(row);
}

void ResultTable::removeRow(qsizetype row)
{
    if (!validRow(row))
        return;
    const std::uint32_t si = storageIndex(row);
    const qsizetype original = numberAt(row);
    beginRemoveRows({}, int(row - 1), int(row - 1));
    m_rows.order.erase(m_rows.order.begin() + (row - 1));
    if (m_numbered)
        m_removedSinceNumbering.insert(
            std::upper_bound(m_removedSinceNumbering.begin(), m_removedSinceNumbering.end(), original),
            original);
    for (int c = 0; c < ColumnCount; ++c)
        m_overrides.remove(overrideKey(si, c));
    // The storage row stays (no renumbering of a million indexes); it is simply unreachable.
    endRemoveRows();
}

bool ResultTable::isRowFilled(qsizetype row) const
{
    return validRow(row) && !m_cleared && ResultRows::has(m_rows.rows[storageIndex(row)], ColName);
}

void ResultTable::requestViewPosition(const ViewPosition& position)
{
    m_view = position;
    Q_EMIT viewPositionRequested(m_view);
}

void ResultTable::setCurrentRow(qsizetype row)
{
    m_view.currentRow = row;
}

void ResultTable::emitRowChanged(qsizetype row)
{
    Q_EMIT dataChanged(index(int(row - 1), 0), index(int(row - 1), ColumnCount - 1));
}

QString ResultTable::baseName(const QByteArray& nameBytes)
{
    return fromBytes(baseNameOf(std::string_view(nameBytes.constData(), std::size_t(nameBytes.size()))));
}

QString ResultTable::extension(const QByteArray& nameBytes)
{
    return fromBytes(extensionOf(std::string_view(nameBytes.constData(), std::size_t(nameBytes.size()))));
}

} // namespace vellora
