#pragma once
// The typed values that the window's state, listing requests, reports and exports pass around:
// the table's columns and their profiles, the scope, the eleven orders, which profile the
// column dialog edits, and the export kinds. Where the user or a file sees one of them (a list
// box's position, a stored setting, a caption), the functions here give its number or text.

#include <array>
#include <cstdint>
#include <optional>
#include <QString>
#include <QStringList>

namespace vellora {

// Column indexes of the result table.
enum Column : int {
    ColNumber = 0,
    ColName = 1,
    ColExt = 2,
    ColSize = 3,
    ColDate = 4,
    ColVersion = 5,
    ColInfo = 6,
    ColFolder = 7,
    ColumnCount = 8
};

// Eight flags by table column, 1: the column takes part.
using ColumnProfile = std::array<std::int16_t, 8>;

inline constexpr ColumnProfile kDefaultOptV{1, 1, 1, 0, 0, 0, 0, 0};
inline constexpr ColumnProfile kDefaultOptS{1, 1, 1, 1, 0, 0, 0, 0};

// What a listing reads: the folder alone or with all its subfolders. The number is the
// position in the scope box and the stored "TipoRic".
enum class Scope : int { Folder = 0, Subfolders = 1 };

[[nodiscard]] std::optional<Scope> scopeFromIndex(int index); // 0 or 1
// "Cartella Selezionata" or "Sottocartelle".
[[nodiscard]] QString scopeCaption(Scope scope);

// The eleven orders of the order box (the number is the box's position, the stored
// "OrderGrid" and vellora-list's --order), and None: the rows as the scan found them.
enum class Order : int {
    None = -1,
    NameAscending = 0, // "Ordinamento Nome File A-Z"
    NameDescending,    // "Ordinamento Nome File Z-A"
    Extension,         // "Ordinamento Estensione"
    SizeAscending,     // "Ordinamento Dimensione 0-9"
    SizeDescending,    // "Ordinamento Dimensione 9-0"
    DateAscending,     // "Ordinamento Data 1-31"
    DateDescending,    // "Ordinamento Data 31-1"
    VersionGroups,     // "Raggruppamento Versioni": versions Z to A, the empty ones last
    Info,              // "Ordinamento Info File"
    FolderAscending,   // "Ordinamento Directory A-Z"
    FolderDescending,  // "Ordinamento Directory Z-A"
};
inline constexpr int kOrderCount = 11;

// -1 to 10; nothing for any other number.
[[nodiscard]] std::optional<Order> orderFromIndex(int index);
[[nodiscard]] constexpr int orderIndex(Order order)
{
    return int(order);
}
// The order box's entries, by position.
[[nodiscard]] const QStringList& orderCaptions();
// The order's caption; empty for None.
[[nodiscard]] QString orderCaption(Order order);

// The column an order sorts by, and whether its texts or numbers run downwards.
struct OrderKey
{
    int column;
    bool descending;
};
[[nodiscard]] OrderKey orderKey(Order order); // column -1 for None

// Which profile the column dialog edits: the table's ("VEDI"), or the one printing and
// exporting share ("STAMPA", "ESPORTA"; the dialog's caption tells them apart).
enum class ProfileKind { Vedi, Stampa, Esporta };

// What an export writes: the window's two files (the text report, the file for a
// spreadsheet), then the formats for today's tools, and a checksum list for sha256sum -c.
enum class ExportKind { Text, Tabbed, Csv, Xlsx, Html, JsonLines, Sha256 };

} // namespace vellora
