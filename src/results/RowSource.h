#pragma once
// What reports and exports read of the result table: rows 1 to N in the table's current
// order. The result table implements it; report and export tests use small in-memory
// sources.

#include <QByteArray>
#include <QString>

namespace vellora {

class RowSource
{
public:
    virtual ~RowSource() = default;

    // N: the number of data rows (what lblTotFile shows).
    [[nodiscard]] virtual qsizetype rowCount() const = 0;
    // Cell text of data row 1..N, column 0..7, as the table shows it.
    [[nodiscard]] virtual QString text(qsizetype row, int column) const = 0;
    // The file's name bytes (base name, "." and extension as the file system has them).
    [[nodiscard]] virtual QByteArray nameBytes(qsizetype row) const = 0;
    // The folder bytes of the row (cell 7), ending with '/'.
    [[nodiscard]] virtual QByteArray folderBytes(qsizetype row) const = 0;

    // Full path of the row's file: the folder (or folderOverride when not null, for the
    // selected-folder scope) followed by the name bytes.
    [[nodiscard]] QByteArray rowPath(qsizetype row, const QByteArray& folderOverride = {}) const
    {
        return (folderOverride.isNull() ? folderBytes(row) : folderOverride) + nameBytes(row);
    }
};

} // namespace vellora
