#pragma once
// What reports and exports read of the result table: rows 1 to N in the table's current
// order, and where the facts of their files come from. The result table implements it;
// report and export tests use small in-memory sources.

#include "fileinfo/FileFacts.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace vellora {

// What a comparison of two listings shows besides a listing's cells: what was compared with
// what, and how many files are in each state. Reports and exports name it in their headers.
struct ComparedListing
{
    QString before; // the saved listing, list or folder compared, as messages name it
    QString after;
    QList<std::pair<QString, qsizetype>> counts; // each state's word and its files
    QString countsText;                          // "3 aggiunti, 1 rimosso, ..."
};

// A row of a comparison: its state, the facts that changed, where it lies inside the folders
// compared and, for a moved file, where it was.
struct ComparedRow
{
    QString state;       // "modificato"
    QStringList changed; // "dimensione", "data"
    QByteArray relative;
    QByteArray previous;
};

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

    // Rows of a comparison: the comparison, null for a listing; and row r's state.
    [[nodiscard]] virtual const ComparedListing* comparison() const { return nullptr; }
    [[nodiscard]] virtual ComparedRow comparedRow(qsizetype) const { return {}; }
    // The facts of rows that are not read again from their files (a comparison shows what the
    // listings held, of files that may be gone): true with facts set. The checksum's hex
    // digits the same way: true with sha256 set (empty: none was recorded).
    [[nodiscard]] virtual bool recordedFacts(qsizetype, FileFacts&) const { return false; }
    [[nodiscard]] virtual bool recordedChecksum(qsizetype, QByteArray&) const { return false; }

    // Full path of the row's file: its folder followed by its name bytes.
    [[nodiscard]] QByteArray rowPath(qsizetype row) const { return folderBytes(row) + nameBytes(row); }

    // The row's file read again, relative to its folder (or its facts as recorded).
    [[nodiscard]] FileFacts readFacts(FactReader& reader, qsizetype row, unsigned want) const
    {
        if (FileFacts recorded; recordedFacts(row, recorded))
            return recorded;
        const QByteArray name = nameBytes(row);
        return reader.read(folderBytes(row), std::string_view(name.constData(), std::size_t(name.size())),
                           want);
    }
};

} // namespace vellora
