#pragma once
// What the program keeps of the listing filters between runs, in the program's key beside
// the other values, under names of their own:
//   Escludi                        string  the "Escludi" box's text as typed; "" excludes nothing
//   EscludiStoria0..EscludiStoria9 string  the box's drop-down list, most recent first; ""
//                                          for an unused place
//   DimMin, DimMax                 string  size bounds in bytes, decimal digits (a 32-bit
//                                          number cannot hold them); "" for no bound
//   DataDa, DataA                  string  first and last day of the modification range,
//                                          "yyyy-MM-dd"; "" for no bound
// The masks themselves are the pattern, kept as "PatternFile". A value is written only when
// set or when the key already holds it, so the file of a user who never set a filter holds
// none of these names.
//
// Reading follows the rule of every other value: what is missing, unreadable (255
// characters or more) or does not fit reads as its default (no filter), with no message. A
// size bound that is not a whole number of bytes, a day that is not a real day, and a pair
// whose start lies after its end are dropped (a pair whole: it could list nothing).

#include "SettingsStore.h"

#include <cstdint>
#include <optional>
#include <QDate>
#include <QStringList>

namespace vellora {

struct StoredFilters
{
    QString exclude;
    QStringList excludeHistory; // at most kExcludeHistory entries, none empty
    std::optional<std::int64_t> minSize;
    std::optional<std::int64_t> maxSize;
    std::optional<QDate> modifiedFrom;
    std::optional<QDate> modifiedTo;

    static constexpr int kExcludeHistory = 10;

    bool operator==(const StoredFilters&) const = default;
};

// On a key the caller opened: the window reads and writes them with its other values, in
// one save.
[[nodiscard]] StoredFilters readFilters(const SettingsKey& key);
void writeFilters(SettingsKey& key, const StoredFilters& values);

// Opening the program's key for them alone.
[[nodiscard]] StoredFilters LeggiFiltri(const SettingsStore& store);
bool ScriviFiltri(const SettingsStore& store, const StoredFilters& values, QString* errorText = nullptr);

// The history after entry was used: entry first, once, then the others in their order, at
// most kExcludeHistory. A blank entry leaves the history as it is.
[[nodiscard]] QStringList withHistoryEntry(QStringList history, const QString& entry);

} // namespace vellora
