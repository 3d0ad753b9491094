#pragma once
// What reports and exports read of the result table: rows 1 to N in the table's current
// order, and where the facts of their files come from. The result table implements it;
// report and export tests use small in-memory sources.

#include "fileinfo/FileFacts.h"

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
    // The reader of the rows' files: the file system unless a test says otherwise.
    [[nodiscard]] virtual const FactSource& facts() const { return fileSystemFacts(); }

    // Full path of the row's file: its folder followed by its name bytes.
    [[nodiscard]] QByteArray rowPath(qsizetype row) const { return folderBytes(row) + nameBytes(row); }

    // The row's file read again, relative to its folder.
    [[nodiscard]] FileFacts readFacts(FactReader& reader, qsizetype row, unsigned want) const
    {
        const QByteArray name = nameBytes(row);
        return reader.read(folderBytes(row), std::string_view(name.constData(), std::size_t(name.size())),
                           want);
    }
};

} // namespace vellora
