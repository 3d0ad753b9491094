#pragma once
// The exports for today's tools, beside the text and tab-separated ones: CSV, an Excel
// workbook, a web page and JSON lines, each with an optional SHA-256 of every file. Written
// without any widget, so the window's dialog and vellora-list give the same bytes for the
// same choices. The files are named, placed and written like the other exports: beside
// their final name and renamed when complete; a stream target is written into.

#include "ExportRecords.h"

#include <atomic>
#include <optional>
#include <QDateTime>
#include <QString>
#include <QStringList>

class QIODevice;

namespace vellora {

struct AppState;
class Prompter;
class RowSource;
struct SystemData;

enum class FormatKind { Csv, Xlsx, Html, JsonLines };

// "csv", "xlsx", "html", "json" (vellora-list's names); nullopt otherwise.
[[nodiscard]] std::optional<FormatKind> formatKindFromName(const QString& name);
// The name the closing message gives the format: "CSV", "XLSX", "HTML", "JSON lines".
[[nodiscard]] QString formatTitle(FormatKind kind);
// "Lista_yyyy-mm-dd_hh-mm-ss" and ".csv", ".xlsx", ".html" or ".jsonl".
[[nodiscard]] QString formatFileName(FormatKind kind, const QDateTime& now);
// ";" where the locale writes decimals with a comma (a spreadsheet there splits on ";"),
// "," elsewhere.
[[nodiscard]] QChar localeCsvSeparator();

struct FormatChoice
{
    FormatKind kind = FormatKind::Csv;
    bool checksum = false;
    QChar separator; // CSV; null: the locale's
};

// The headings of the columns that CSV, the workbook and the page write: name, extension,
// the columns of the export profile, the folder, and the checksum when asked for.
[[nodiscard]] QStringList formatColumnHeadings(const AppState& state, const FormatChoice& choice);

struct FormatRequest
{
    const RowSource& rows;
    const AppState& state;
    const SystemData& system;
    QDateTime now;  // names the file and dates the header facts
    QString folder; // where writeFormatToFile writes
    FormatChoice choice;
    const std::atomic_bool* interrupt = nullptr; // set by the user to stop; may be null
    ProgressFn progress;                         // may be empty
};

struct FormatOutcome
{
    bool ok = false;
    bool interrupted = false; // stopped by the user: nothing was left behind
    QString filePath;         // the full name of the file written (or not written)
    QString error;            // Italian message for the user when neither ok nor interrupted
    qsizetype rows = 0;
    // The files whose fields could not all be read, each counted once by what it leaves blank:
    qsizetype unreadableRows = 0;      // every field (the file could not be read at all)
    qsizetype noVersionRows = 0;       // its version data
    qsizetype noVersionNoHashRows = 0; // its version data and its checksum
    qsizetype noHashRows = 0;          // its checksum alone
};

// The whole export to an open device. On failure error holds the Italian cause alone (the
// device may have no name). An interrupt that comes after the last row, while the file is
// finished, still stops it: nothing is complete until the outcome says so.
[[nodiscard]] FormatOutcome writeFormat(QIODevice& out, const FormatRequest& request);
// To request.folder under formatFileName (the folder is created when missing).
[[nodiscard]] FormatOutcome writeFormatToFile(const FormatRequest& request);
// To a file of the caller's choosing (its folder is created when missing).
[[nodiscard]] FormatOutcome writeFormatToPath(const FormatRequest& request, const QString& filePath);

// "Esportazione in formato X terminata: vedi file ", CR LF and the file's name.
[[nodiscard]] QString formatCompletionMessage(FormatKind kind, const QString& filePath);
// What the closing message adds: the files that could not be read, one line for each kind
// of gap (every field, the version data, the checksum); empty when every file was read.
[[nodiscard]] QStringList formatNotes(const FormatOutcome& outcome);
// The closing message box: completion with its notes, the interruption, or the failure.
void reportFormatOutcome(Prompter& prompter, FormatKind kind, const FormatOutcome& outcome);

} // namespace vellora
