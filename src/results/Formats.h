#pragma once
// Number and date texts shared by the table, the reports and the exports. Sizes are
// grouped by threes with the locale's separator; dates are local time, written with the
// locale's date and time separators ("/" and ":" in the C and Italian locales). The locale
// is QLocale(), so tests can set it.

#include <cstdint>
#include <QDate>
#include <QString>

namespace vellora {

[[nodiscard]] QString formatSize(std::int64_t bytes);            // "###,###,##0"
[[nodiscard]] QString formatDateTable(std::int64_t mtimeSecs);   // "dd/mm/yyyy hh:mm"
[[nodiscard]] QString formatDateReport(std::int64_t mtimeSecs);  // "dd/mm/yyyy-hh:mm"
[[nodiscard]] QString formatDateShort(std::int64_t mtimeSecs);   // "dd/mm/yy-hh:mm"
[[nodiscard]] QString formatDateSortKey(std::int64_t mtimeSecs); // "yyyy/mm/dd hh:mm"
[[nodiscard]] QString formatDay(const QDate& day);               // "dd/mm/yyyy"
// What the formats above put between day, month and year, and between hours and minutes.
[[nodiscard]] QString dateSeparator();
[[nodiscard]] QString timeSeparator();

// Replaces control characters (tab, line breaks...) by "?" so one file stays one line.
[[nodiscard]] QString sanitizeLine(const QString& text);

} // namespace vellora
