#pragma once
// What a listing is asked for and what it leaves: plain values, so that a request can be
// compared, stored and run again, and the facts of the listing shown can travel with the
// table to reports and exports.

#include "fileinfo/VersionReader.h"
#include "results/StateTypes.h"
#include "scan/ListingFilters.h"

#include <cstdint>
#include <QByteArray>
#include <QString>

namespace vellora {

struct ListingRequest
{
    QByteArray folder; // the folder's bytes as the file system has them, ending with '/'
    QString pattern = QStringLiteral("*.*"); // as typed: its masks are split by the listing
    // The exclusions and the ranges; its masks are the pattern's, set by the listing.
    ListingFilters filters;
    Scope scope = Scope::Folder;
    Order order = Order::NameAscending;
    // The table's profile ("VEDI"): the cells the fill reads, and which orders may run.
    ColumnProfile columns = kDefaultOptV;
    InfoKind infoKind = InfoKind::CompanyName;

    bool operator==(const ListingRequest&) const = default;
};

// The end of a listing: its counts, how far it got, and what the titles of its reports and
// exports name.
struct ListingSummary
{
    // The folder and the pattern as titles name them: the folder as the table's folder cells
    // show it (a byte that is not UTF-8 reads U+FFFD), then the pattern.
    QString listedText;
    // What it was listed with beyond the pattern: titles name it after listedText.
    ListingFilters filters;
    Scope scope = Scope::Folder;
    std::uint64_t files = 0;   // TotFile: the files the walk found
    std::uint64_t folders = 0; // TotCartelle: the folders it entered, the start included
    bool folderRead = false;   // the start folder could be read
    bool walkInterrupted = false;
    bool filled = false;       // the fill ran: files found, the walk not interrupted
    bool complete = false;     // every row filled: the rows can be ordered and shown
    qsizetype filledRows = 0;  // rows 1..filledRows hold their cells
    bool versionError = false; // ErroreVersione: a cell the profile asks for could not be read
    // Rows whose size, date or version the profile asks for but could not be read, counted
    // once the rows are ordered (a size or date order reads the files again).
    qsizetype unreadableRows = 0;
    // Files a size or date range left out because their size or date could not be read: they
    // have no row, and the closing messages count them apart.
    std::uint64_t unlistedUnreadable = 0;
};

} // namespace vellora
