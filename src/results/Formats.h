#pragma once
// Number and date texts shared by the table, the reports and the exports. Sizes are
// grouped by threes with the locale's separator (QLocale(), so tests can set it); dates are
// local time.

#include <QString>
#include <cstdint>

namespace vellora {

[[nodiscard]] QString formatSize(std::int64_t bytes);           // "###,###,##0"
[[nodiscard]] QString formatDateTable(std::int64_t mtimeSecs);  // "dd/mm/yyyy hh:mm"
[[nodiscard]] QString formatDateReport(std::int64_t mtimeSecs); // "dd/mm/yyyy-hh:mm"
[[nodiscard]] QString formatDateShort(std::int64_t mtimeSecs);  // "dd/mm/yy-hh:mm"
[[nodiscard]] QString formatDateSortKey(std::int64_t mtimeSecs); // "yyyy/mm/dd hh:mm"

// Replaces control characters (tab, line breaks...) by "?" so one file stays one line.
[[nodiscard]] QString sanitizeLine(const QString& text);

// Size and last-modified time of a file, by one stat. False when it cannot be read.
struct FileStat {
    std::int64_t size = 0;
    std::int64_t mtime = 0; // seconds since the epoch
};
[[nodiscard]] bool statFile(const QByteArray& path, FileStat& out);

} // namespace vellora
