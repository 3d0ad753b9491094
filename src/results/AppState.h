#pragma once
// The main window's state that dialogs and operations read and write. The window owns the
// one instance and hands it by reference; nothing here is global.

#include "fileinfo/VersionReader.h"
#include "results/ListingRequest.h"
#include "results/StateTypes.h"

#include <cstdint>
#include <QString>
#include <QStringList>

namespace vellora {

// Heading of column 6: at start-up from the stored kind, or when picked from the menu
// (the product name reads "Info File" at start-up, "Info Prodotto" from the menu).
[[nodiscard]] QString infoHeadingAtStartup(InfoKind kind);
[[nodiscard]] QString infoHeadingFromMenu(InfoKind kind);
// The name reports and exports use: "Produttore", "Descrizione File", "Info File".
[[nodiscard]] QString infoReportName(InfoKind kind);

[[nodiscard]] QStringList defaultHeadings(); // Intestazioni with "Produttore" at index 6

struct AppState
{
    QString CartellaRicerca; // selected folder, always ends with "/"
    QString PatternFile = QStringLiteral("*.*");
    QString DriveSelezionato; // mount point of the volume holding the folder
    Scope TipoRicerca = Scope::Folder;
    Order OrdineGriglia = Order::NameAscending;
    QStringList Intestazioni = defaultHeadings();
    ProfileKind ProfiloColonne = ProfileKind::Vedi; // the profile the column dialog edits
    ColumnProfile OptV = kDefaultOptV;
    ColumnProfile OptS = kDefaultOptS;
    InfoKind infoKind = InfoKind::CompanyName; // the checked entry of "Colonna &Info"
    ExportKind exportKind =
        ExportKind::Text; // the export dialog's file (Text or Tabbed), as the menu chose it
    // The exclusions ("Escludi") and the ranges ("Fi&ltri...") the next listing uses; the
    // masks are PatternFile's.
    ListingFilters filters;

    // What the last listing left for reports and exports: the listing service's summary,
    // as it ended.
    ListingSummary listed;

    // The listing the start button asks for: the folder (its own bytes, also when it came
    // from a command line that is not UTF-8), the pattern, the scope, the order, the table's
    // profile and the info kind.
    [[nodiscard]] ListingRequest listingRequest() const;
    // The state of a window whose controls chose the request's folder, pattern, scope,
    // order, table profile and info kind at start-up (the info heading as start-up names it).
    [[nodiscard]] static AppState forRequest(const ListingRequest& request);

    // lblCurDir's text when it shows the folder: CartellaRicerca followed by PatternFile,
    // then the filters that are on (titleWithFilters).
    [[nodiscard]] QString folderText() const;
    // The folder and pattern of the listing reports and exports write, which stay the same
    // when the user picks another folder after the scan; and the filters it was listed with.
    [[nodiscard]] QString listingText() const
    {
        return listed.listedText.isEmpty() ? CartellaRicerca + PatternFile : listed.listedText;
    }
    [[nodiscard]] const ListingFilters& listingFilters() const
    {
        return listed.listedText.isEmpty() ? filters : listed.filters;
    }
    // What report titles name: listingText(), then the filters that were on.
    [[nodiscard]] QString listingTitle() const;
    // Order caption, " - Cartelle Controllate ", folder count: the bracket text of headers.
    [[nodiscard]] QString bracketText() const;
};

} // namespace vellora
