#pragma once
// The main window's state that dialogs and operations read and write. The window owns the
// one instance and hands it by reference; nothing here is global.

#include "fileinfo/VersionReader.h"

#include <array>
#include <cstdint>
#include <QString>
#include <QStringList>

namespace vellora {

using ColumnProfile = std::array<std::int16_t, 8>;

inline constexpr ColumnProfile kDefaultOptV{1, 1, 1, 0, 0, 0, 0, 0};
inline constexpr ColumnProfile kDefaultOptS{1, 1, 1, 1, 0, 0, 0, 0};

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

// The eleven orders of cboORD, index = position.
[[nodiscard]] const QStringList& orderCaptions();

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
    int TipoRicerca = 0;      // 0 selected folder only, 1 with subfolders
    int OrdineGriglia = 0;    // 0..10, -1 none
    QStringList Intestazioni = defaultHeadings();
    QString ProfiloColonne; // "VEDI", "STAMPA", "ESPORTA"
    ColumnProfile OptV = kDefaultOptV;
    ColumnProfile OptS = kDefaultOptS;
    InfoKind infoKind = InfoKind::CompanyName; // the checked entry of "Colonna &Info"
    QString exportKind;                        // the window's Tag: "TESTO" or "EXCEL"

    // What the last scan left for reports and exports.
    std::uint64_t totCartelle = 0; // TotCartelle of the last scan
    int scanScope = 0;             // TipoRicerca the last scan ran with
    QString listedFolderText;      // folder and pattern the last scan listed

    // lblCurDir's text when it shows the folder: CartellaRicerca followed by PatternFile.
    [[nodiscard]] QString folderText() const { return CartellaRicerca + PatternFile; }
    // What report and export titles name: the folder and pattern of the listing they
    // write, which stays the same when the user picks another folder after the scan.
    [[nodiscard]] QString listingText() const
    {
        return listedFolderText.isEmpty() ? folderText() : listedFolderText;
    }
    // Order caption, " - Cartelle Controllate ", folder count: the bracket text of headers.
    [[nodiscard]] QString bracketText() const;
};

} // namespace vellora
