#include "GridCommands.h"

#include "results/Formats.h"
#include "results/ResultRows.h"
#include "results/RowSource.h"

namespace vellora {

namespace {

// The orders of each heading: the first click, and the second one.
struct HeadingOrders
{
    Order first;
    Order second;
};

std::optional<HeadingOrders> ordersOf(int column)
{
    switch (column) {
    case ColName:
        return HeadingOrders{Order::NameAscending, Order::NameDescending};
    case ColExt:
        return HeadingOrders{Order::Extension, Order::Extension};
    case ColSize:
        return HeadingOrders{Order::SizeAscending, Order::SizeDescending};
    case ColDate:
        return HeadingOrders{Order::DateAscending, Order::DateDescending};
    case ColVersion:
        return HeadingOrders{Order::VersionGroups, Order::VersionGroups};
    case ColInfo:
        return HeadingOrders{Order::Info, Order::Info};
    case ColFolder:
        return HeadingOrders{Order::FolderAscending, Order::FolderDescending};
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<Order> orderForHeading(int column, Order current, const ColumnProfile& optV)
{
    const std::optional<HeadingOrders> orders = ordersOf(column);
    if (!orders || !orderKeyShown(orders->first, optV))
        return std::nullopt;
    return current == orders->first ? orders->second : orders->first;
}

std::optional<HeadingMark> headingOfOrder(Order order, const ColumnProfile& optV)
{
    if (!orderKeyShown(order, optV))
        return std::nullopt;
    // Z-A, 9-0, 31-1, and the grouped versions, whose key is sorted Z to A.
    const OrderKey key = orderKey(order);
    return HeadingMark{key.column, key.descending};
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
