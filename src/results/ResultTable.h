#pragma once
// The result table: one row per found file, eight columns, over compact storage
// (ResultRows). It is the model the window's view shows, and the RowSource that reports,
// exports and file actions read. Rows are numbered as the user sees them: row 0 is the
// heading row, data rows are 1..N; the Qt model row of data row r is r - 1.
//
// Lives on the UI thread. The fill (fillRows) runs elsewhere and hands its ResultRows over
// through PopolaGriglia.

#include "results/AppState.h"
#include "results/ResultRows.h"
#include "results/RowSource.h"
#include "scan/ScanResults.h"

#include <atomic>
#include <functional>
#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

namespace vellora {

// What the fill needs besides the scan results.
struct FillOptions
{
    ColumnProfile optV = kDefaultOptV;
    InfoKind infoKind = InfoKind::CompanyName;
    int threads = 0;                   // 0: pick by the number of cores; the rows come out the same
    const FactSource* facts = nullptr; // null: the file system
    // Called before each row (data row number 1..N) on a fill thread; tests use it to
    // delete files or to interrupt at a given row.
    std::function<void(qsizetype row)> beforeRow;
};

struct FillResult
{
    ResultRows rows;           // N rows; rows past an interrupt are empty
    qsizetype filledRows = 0;  // rows 1..filledRows were written
    bool interrupted = false;  // the fill stopped before row filledRows + 1
    bool versionError = false; // ErroreVersione: some cell could not be filled
    bool ordered = false;      // rows are already in the order asked for (ordered off the UI thread)
};

// The fill of the table from the scan results, off the UI thread: rows in scan order; for
// each row one open and read of the file when the version or the info is shown, which also
// gives the date, and otherwise one stat when the date is shown. The interrupt flag is
// checked before every row. The scan results are consumed (their name pool and folders move
// into the rows).
[[nodiscard]] FillResult fillRows(ScanResults&& scan, const FillOptions& options,
                                  const std::atomic_bool& interrupt);

class ResultTable : public QAbstractTableModel, public RowSource
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultTable)

public:
    // Where the view should stand: first visible data row, current row and column, the last
    // column of the selection (data rows 1..N; 0 when the table has no data row).
    struct ViewPosition
    {
        qsizetype firstVisibleRow = 0;
        qsizetype currentRow = 0;
        int currentColumn = 1;
        int lastSelectedColumn = 7;
    };

    explicit ResultTable(QObject* parent = nullptr);
    ~ResultTable() override;

    // QAbstractItemModel. No default argument here, so that rowCount() on a ResultTable
    // means the RowSource count.
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // RowSource: data rows 1..N; text(0, c) is the heading of column c.
    [[nodiscard]] qsizetype rowCount() const override;
    [[nodiscard]] QString text(qsizetype row, int column) const override;
    [[nodiscard]] QByteArray nameBytes(qsizetype row) const override;
    [[nodiscard]] QByteArray folderBytes(qsizetype row) const override;
    [[nodiscard]] const FactSource& facts() const override { return m_facts ? *m_facts : fileSystemFacts(); }
    // Where the fill, the orders, the reports and the exports read the files (null: the
    // file system). Not owned.
    void setFactSource(const FactSource* facts) { m_facts = facts; }

    // Takes the filled rows (model reset) with the headings to show (Intestazioni; the
    // number heading is left empty when numberShown is false). When the fill completed, the
    // rows are ordered by order (unless the fill says they already are) and numbered; an
    // interrupted fill stays as it came.
    void PopolaGriglia(FillResult&& fill, const QStringList& headings, const ColumnProfile& optV,
                       Order order);

    // The eleven orders (None, or an order whose key column is not shown in optV, leaves the
    // rows as they are). Returns true when the rows were sorted. Size and date orders re-read
    // each file once; a file that cannot be read leaves its key cell empty.
    bool OrdinaGriglia(Order order, const ColumnProfile& optV);
    // Numbers rows 1..N when numberShown and asks the view to stand on row 1, columns 1..7.
    void NumeraGriglia(bool numberShown);

    // Scan start: drops every row and heading (the table is hidden then).
    void reset();
    // Clears the text of every cell, headings included; the row count stays (the table's
    // only row was deleted).
    void clearAllCells();
    // The column dialog: shown renumbers 1..N and restores the heading "Nr."; hidden
    // empties the number column and its heading.
    void setNumberColumn(bool shown);
    // The info heading, etc.: replaces the text of heading c right away.
    void setHeading(int column, const QString& text);

    // Cell writes from the file actions (rows 1..N). setName replaces the file's name
    // bytes, which rewrites cells 1 and 2 and the row's path.
    void setText(qsizetype row, int column, const QString& text);
    void setName(qsizetype row, const QByteArray& nameBytes);
    // Removes data row r; the rows below move up.
    void removeRow(qsizetype row);

    [[nodiscard]] bool isRowFilled(qsizetype row) const; // false for rows an interrupt left empty
    [[nodiscard]] bool isNumbered() const { return m_numbered; }
    [[nodiscard]] const ResultRows& rows() const { return m_rows; }

    // View position: requested by NumeraGriglia and the file actions; the view reports the
    // user's moves back through setCurrentRow.
    [[nodiscard]] const ViewPosition& viewPosition() const { return m_view; }
    void requestViewPosition(const ViewPosition& position);
    void setCurrentRow(qsizetype row);

    // Base name and extension of a file name as cell texts (bytes decoded as UTF-8).
    [[nodiscard]] static QString baseName(const QByteArray& nameBytes);
    [[nodiscard]] static QString extension(const QByteArray& nameBytes);

Q_SIGNALS:
    void viewPositionRequested(const vellora::ResultTable::ViewPosition& position);

private:
    [[nodiscard]] QString cellText(std::uint32_t storageIndex, qsizetype displayRow, int column) const;
    [[nodiscard]] bool validRow(qsizetype row) const
    {
        return row >= 1 && row <= qsizetype(m_rows.order.size());
    }
    [[nodiscard]] std::uint32_t storageIndex(qsizetype row) const
    {
        return m_rows.order[std::size_t(row - 1)];
    }
    [[nodiscard]] static quint64 overrideKey(std::uint32_t index, int column)
    {
        return (quint64(index) << 3) | quint64(column);
    }
    void emitRowChanged(qsizetype row);

    ResultRows m_rows;
    const FactSource* m_facts = nullptr;
    QStringList m_headings;  // what row 0 shows
    bool m_numbered = false; // column 0 shows the display position...
    // ...as it was at the last numbering: rows removed since keep the numbers the others had
    // (positions before the removals, ascending), until the next numbering.
    std::vector<qsizetype> m_removedSinceNumbering;
    [[nodiscard]] qsizetype numberAt(qsizetype displayRow) const;
    bool m_cleared = false;              // clearAllCells: every cell reads empty
    QHash<quint64, QString> m_overrides; // texts written cell by cell (rare)
    ViewPosition m_view;
};

} // namespace vellora
