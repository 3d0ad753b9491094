#pragma once
// What a listing keeps of the files it finds: the masks a name must match (any of them),
// the masks that leave a file out or a folder unentered, and the ranges of size and of
// modification day a file must lie in. A plain value: compared, stored, handed to the scan.
//
// The texts it is made from, as the pattern box, the "Escludi" box and vellora-list give them:
//   masks       "*.exe;*.dll": separated by ";", blanks (spaces) around each one ignored,
//               empty ones (";;", a trailing ";") dropped. Each mask follows the program's
//               pattern rules (PatternMatcher); a text with one mask lists exactly what that
//               pattern lists. No mask left, or one holding "/" or NUL: "Valore Pattern non
//               Valido", as for a single pattern.
//   exclusions  the same form, from any number of texts (--exclude may be repeated); nothing
//               left means nothing excluded. A mask holding "/" or NUL is refused: names never
//               hold them, so such a mask would silently exclude nothing.
//   sizes       "N", "NK", "NM", "NG": whole bytes, 1 K = 1,024 bytes; case is ignored, blanks
//               around the number and the unit too, and a "B" may close it ("7B", "10 MB").
//               Both ends are included.
//   days        "YYYY-MM-DD", local days; both ends are included, the last one up to its
//               last second.
// Errors are one short Italian text naming the value and the cause, with no leading capital
// where it begins with a word, so that vellora-list can put it after its own name.
//
// Titles tell the filters with describeFilters() (results/FilterSummary.h, where the
// program's other number and date texts are made), whose header gives every form.

#include <cstdint>
#include <optional>
#include <QDate>
#include <QString>
#include <QStringList>

namespace vellora {

struct ListingFilters
{
    QStringList masks{QStringLiteral("*.*")}; // at least one, each as parsed
    QStringList exclusions;                   // empty: nothing excluded
    std::optional<std::int64_t> minSize;      // bytes
    std::optional<std::int64_t> maxSize;
    std::optional<QDate> modifiedFrom; // local days
    std::optional<QDate> modifiedTo;

    bool operator==(const ListingFilters&) const = default;

    [[nodiscard]] bool hasSizeRange() const { return minSize || maxSize; }
    [[nodiscard]] bool hasDateRange() const { return modifiedFrom || modifiedTo; }
    // Anything on beyond the masks: without it, titles and headers are those of a plain
    // pattern, and the scan walks as it always did.
    [[nodiscard]] bool isActive() const { return !exclusions.isEmpty() || hasSizeRange() || hasDateRange(); }
    // The filters of the "Fi&ltri..." dialog that are on: the size range and the date range
    // count one each, whichever of their ends are set (the button reads "Fi&ltri (2)").
    [[nodiscard]] int rangeCount() const { return int(hasSizeRange()) + int(hasDateRange()); }

    // The first second (since the epoch) of modifiedFrom, and the first second after
    // modifiedTo, in local time; the lowest and highest values when the end is open.
    [[nodiscard]] std::int64_t modifiedFromSecs() const;
    [[nodiscard]] std::int64_t modifiedUntilSecs() const;
};

// Each parser returns nullopt and sets *error (when given) on a bad value.
[[nodiscard]] std::optional<QStringList> parseMasks(const QString& text, QString* error = nullptr);
[[nodiscard]] std::optional<QStringList> parseExclusions(const QStringList& texts, QString* error = nullptr);
[[nodiscard]] std::optional<std::int64_t> parseSize(const QString& text, QString* error = nullptr);
[[nodiscard]] std::optional<QDate> parseDay(const QString& text, QString* error = nullptr);
// A range whose start lies after its end lists nothing: refused, so the user hears why.
// Empty when both ranges can be used.
[[nodiscard]] QString rangeError(const ListingFilters& filters);

// The texts as the window and vellora-list hold them; an empty text sets nothing.
struct FilterTexts
{
    QString pattern = QStringLiteral("*.*");
    QStringList exclusions;
    QString minSize, maxSize;
    QString modifiedFrom, modifiedTo;
};
[[nodiscard]] std::optional<ListingFilters> parseFilters(const FilterTexts& texts, QString* error = nullptr);

// The closing note on files a range left out because their size or date could not be read
// (ScanState::unreadable): unlike the files counted by unreadableFilesNote, they have no row.
// Empty for 0.
[[nodiscard]] QString unlistedUnreadableNote(std::uint64_t count);

} // namespace vellora
