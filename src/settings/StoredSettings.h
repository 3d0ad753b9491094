#pragma once
// The values the program keeps between runs, as read at start-up and written at closing.
// Plain data: the main window applies them to its state and controls and collects them
// again when it closes.
//
// Every value that is missing, unreadable or does not fit its field reads as its default,
// with no message:
//   LastDir      the home folder when missing, empty, 255 characters or longer, or not an
//                absolute path; a trailing "/" is added when absent.
//   PatternFile  "*.*" when missing or 255 characters or longer; an empty text is kept (the
//                window writes one when the user leaves the pattern box empty).
//   OrderGrid    0 unless -1 (no order) to 10: any other index would select no valid order.
//   OptS, OptV   an element stays 0 unless the stored number is 0 or 1.
//   TipoRic      absent unless 0 or 1: the window then keeps its own scope.
//   InfoFile     1 (company name) unless 1, 2 or 3. A kind outside the three would leave the
//                info menu with nothing checked, the column without heading, and an
//                undefined kind to store again at closing; the company name is what a
//                first run shows, so an unknown kind is treated as a missing one.
//   WinState     0 (normal) unless 0, 1 or 2.
//   Col_0..Col_7 absent unless 0 to kMaxColumnWidth twips.

#include "FilterSettings.h"
#include "SettingsStore.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vellora {

using StoredProfile = std::array<std::int16_t, 8>;
using StoredColumnWidths = std::array<std::optional<qint32>, 8>; // twips; nullopt: keep default

inline constexpr qint32 kMaxColumnWidth = 1440 * 1000; // a thousand inches: beyond any screen

struct StoredSettings
{
    QString lastDir; // CartellaRicerca, ends with "/"
    QString patternFile = QStringLiteral("*.*");
    std::int16_t orderGrid = 0;     // 0..10, -1 for no order
    StoredProfile optS{};           // defaults for an all-zero profile are applied
    StoredProfile optV{};           // by the window's start-up, not here
    std::optional<int> tipoRic;     // 0 or 1; nullopt: keep the window's scope
    int infoFile = 1;               // 1 company name, 2 file description, 3 product name
    int winState = 0;               // 0 normal, 1 minimized, 2 maximized
    StoredColumnWidths colWidths{}; // written by ScriviREGEDIT; LeggiREGEDIT leaves
                                    // them empty, LeggiLarghezzeColonne reads them
    StoredFilters filters;          // "Escludi" and the ranges, under their own names

    bool operator==(const StoredSettings&) const = default;
};

// Reads every value but the column widths, in the order "LastDir", "PatternFile",
// "OrderGrid", "OptS0".."OptS7", "OptV0".."OptV7", "TipoRic", "InfoFile", "WinState", then
// the filters (FilterSettings.h).
[[nodiscard]] StoredSettings LeggiREGEDIT(const SettingsStore& store);

// Reads "Col_0".."Col_7" (the window's start-up does it after setting the default widths).
[[nodiscard]] StoredColumnWidths LeggiLarghezzeColonne(const SettingsStore& store);

// Writes every value, changed or not, in the order "LastDir", "PatternFile", "OrderGrid",
// "OptS0".."OptS7", "OptV0".."OptV7", "Col_0".."Col_7", "TipoRic", "InfoFile", "WinState".
// Widths that are nullopt and a nullopt scope are not written; the filters follow, each only
// when set or already in the file. Returns false when the file
// could not be written, with the Italian message in errorText.
bool ScriviREGEDIT(const SettingsStore& store, const StoredSettings& values, QString* errorText = nullptr);

} // namespace vellora
