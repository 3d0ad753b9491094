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

// Whether a spreadsheet would take the text of a cell for a formula: it begins with "=",
// "+", "-" or "@". A crafted file name could so run against whoever opens a list; written
// for a spreadsheet, such a text gets the apostrophe that marks a cell as text.
[[nodiscard]] bool looksLikeFormula(QStringView text);

// The field in double quotes, its quotes doubled: how CSV and spreadsheets read a quoted text
// back as itself.
void appendQuoted(QString& out, QStringView field);

// One field of tab-separated text for a spreadsheet (the file "per Excel", the table's
// copy). A field that begins with a double quote would read as a quoted text running to the
// next quote, across tabs and lines (merging the rows of several files): it is written
// quoted, its quotes doubled, so it reads back as itself. A formula gets its apostrophe.
// Other fields are written as they are.
void appendSpreadsheetField(QString& out, QStringView field);

} // namespace vellora
