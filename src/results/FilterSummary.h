#pragma once
// What the filters beyond the masks say in a title, after the folder and the pattern
// ("/srv/app/*.exe;*.dll  (esclusi .git;*.tmp; da 1 MB; dal 01/11/2026)"). Its parts, each
// only when on, in this order, joined by "; " inside one pair of brackets:
//   exclusions  "esclusi .git;*.tmp"        the masks as parsed, joined by ";"
//   size        "da 1 MB", "fino a 10 MB", "da 1 MB a 10 MB"
//   date        "dal 01/11/2026", "fino al 30/11/2026", "dal 01/11/2026 al 30/11/2026";
//               before days 08 and 11, "dall'", "all'": "dall'08/11/2026", "fino all'11/11/2026"
// A size is written in the largest of GB, MB and KB (1 K = 1,024) that holds it whole, else
// in bytes ("1,536 KB", "100 byte", "0 byte"), with the table's grouping; a day as the
// table writes dates (formatDay: "01/11/2026" in Italian, "01.11.2026" in German).

#include "scan/ListingFilters.h"

#include <QString>

namespace vellora {

// The brackets and what is in them; empty when filters.isActive() is false.
[[nodiscard]] QString describeFilters(const ListingFilters& filters);

// title, then two spaces and the description when a filter is on; title itself otherwise,
// so a listing without filters keeps its title byte for byte.
[[nodiscard]] QString titleWithFilters(const QString& title, const ListingFilters& filters);

} // namespace vellora
