#pragma once
// The rows of the result table in compact form, as a plain value that the fill builds on a
// worker thread and hands over whole. A million rows must fit in well under 100 bytes each:
// names live back to back in one pool, each folder once, version and info texts interned,
// dates and sizes as numbers. Text is made only when someone reads a cell.

#include "fileinfo/FileFacts.h"
#include "results/AppState.h"

#include <cstdint>
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace vellora {

struct ResultRows
{
    struct Row
    {
        std::uint64_t nameOffset = 0; // into names
        std::int64_t size = 0;        // bytes
        std::int64_t mtime = 0;       // seconds since the epoch
        std::uint32_t folder = 0;     // into folders
        std::uint32_t version = 0;    // into strings; 0 is the empty text
        std::uint32_t info = 0;       // into strings
        std::uint16_t nameLength = 0;
        std::uint8_t filled = 0; // bit c set: cell c holds text (c = 1..7)
    };

    std::vector<Row> rows;                   // storage order: the order of the scan
    std::vector<std::uint32_t> order;        // display position -> index into rows
    std::vector<QByteArray> folders;         // each ends with '/'
    std::string names;                       // name bytes, back to back
    std::vector<QString> strings{QString()}; // interned versions and infos

    [[nodiscard]] std::size_t size() const { return rows.size(); }
    [[nodiscard]] std::string_view name(const Row& r) const
    {
        return {names.data() + r.nameOffset, r.nameLength};
    }
    [[nodiscard]] static bool has(const Row& r, int column) { return (r.filled >> column) & 1u; }
    static void mark(Row& r, int column, bool on)
    {
        r.filled = on ? std::uint8_t(r.filled | (1u << column)) : std::uint8_t(r.filled & ~(1u << column));
    }

    // Appends name bytes to the pool and points the row at them (rename keeps the old bytes
    // in the pool: renames are rare, a compaction is not worth it).
    void setName(Row& r, std::string_view bytes);
    [[nodiscard]] QByteArray path(const Row& r) const;

    // Identity order over all rows.
    void resetOrder();
    // Approximate heap bytes held (benchmarks report it per row).
    [[nodiscard]] std::size_t memoryBytes() const;
};

// Base name and extension split at the last '.' of a file name: ".profile" gives "" and
// "profile", "archive.tar.gz" gives "archive.tar" and "gz", "Makefile" gives "Makefile"
// and "".
[[nodiscard]] std::string_view baseNameOf(std::string_view name);
[[nodiscard]] std::string_view extensionOf(std::string_view name);

} // namespace vellora

namespace vellora {

// Whether order may run under the VEDI profile: its key column must be shown (never for None).
[[nodiscard]] bool orderKeyShown(Order order, const ColumnProfile& optV);
// Sorts rows.order by order (stable); false, leaving the order alone, when it may not run.
// The size and date orders read every file again through facts.
bool sortRows(ResultRows& rows, Order order, const ColumnProfile& optV, const FactSource& facts);

} // namespace vellora
