#pragma once
// The logic behind the conveniences of the result grid: a click on a heading picks an order
// of the order box, and the selected rows become text for the clipboard.

#include "results/AppState.h"

#include <optional>
#include <QString>
#include <vector>

namespace vellora {

class RowSource;

// The order of cboORD that a click on the heading of column asks for, with current the
// order the box shows: the column's first order, or its other direction when the first one
// is in force (name, size, date, folder). Nothing for "Nr." and for a column whose order would
// leave the table as it is (its key column not shown in optV), as the box would.
[[nodiscard]] std::optional<Order> orderForHeading(int column, Order current, const ColumnProfile& optV);

// The heading that shows an order and its direction; nothing for None and for an order whose
// key column is not shown, which leaves the table as the scan left it.
struct HeadingMark
{
    int column = -1;
    bool descending = false;
};
[[nodiscard]] std::optional<HeadingMark> headingOfOrder(Order order, const ColumnProfile& optV);

// The rows (1..N, in the given order) as tab-separated lines with a heading row, each cell as
// the table shows it in the given columns; a control character inside a cell becomes "?" so
// that one row is always one line. Every line ends with "\n". The text is pasted into
// spreadsheets: cells are written as the file "per Excel" writes them (no formula runs).
[[nodiscard]] QString rowsAsText(const RowSource& table, const std::vector<qsizetype>& rows,
                                 const std::vector<int>& columns);

} // namespace vellora
