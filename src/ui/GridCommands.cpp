#include "GridCommands.h"

#include "results/Formats.h"
#include "results/ResultRows.h"
#include "results/RowSource.h"

namespace vellora {

namespace {

// The orders of each heading: the first click, and the second one.
struct HeadingOrders
{
    int first;
    int second;
};

std::optional<HeadingOrders> ordersOf(int column)
{
    switch (column) {
    case ColName:
        return HeadingOrders{0, 1};
    case ColExt:
        return HeadingOrders{2, 2};
    case ColSize:
        return HeadingOrders{3, 4};
    case ColDate:
        return HeadingOrders{5, 6};
    case ColVersion:
        return HeadingOrders{7, 7};
    case ColInfo:
        return HeadingOrders{8, 8};
    case ColFolder:
        return HeadingOrders{9, 10};
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<int> orderForHeading(int column, int current, const ColumnProfile& optV)
{
    const std::optional<HeadingOrders> orders = ordersOf(column);
    if (!orders || !orderKeyShown(orders->first, optV))
        return std::nullopt;
    return current == orders->first ? orders->second : orders->first;
}

std::optional<HeadingMark> headingOfOrder(int order, const ColumnProfile& optV)
{
    if (!orderKeyShown(order, optV))
        return std::nullopt;
    for (int column = ColName; column < ColumnCount; ++column) {
        const std::optional<HeadingOrders> orders = ordersOf(column);
        if (!orders || (order != orders->first && order != orders->second))
            continue;
        // Z-A, 9-0, 31-1, and the grouped versions, whose key is sorted Z to A.
        const bool descending = order == 1 || order == 4 || order == 6 || order == 7 || order == 10;
        return HeadingMark{column, descending};
    }
    return std::nullopt;
}

QString rowsAsText(const RowSource& table, const std::vector<qsizetype>& rows,
                   const std::vector<int>& columns)
{
    QString out;
    const auto line = [&](qsizetype row) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i > 0)
                out += u'\t';
            appendSpreadsheetField(out, sanitizeLine(table.text(row, columns[i])));
        }
        out += u'\n';
    };
    line(0);
    for (qsizetype row : rows)
        line(row);
    return out;
}

} // namespace vellora
