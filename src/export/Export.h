#pragma once
// The one way a list is exported, whatever the format: the window's text report and file for a
// spreadsheet, CSV, an Excel workbook, a web page and JSON lines. An ExportRequest names the
// rows (the result table, or any other row source), the state they were listed with and the
// choices; writeExport reads the rows ahead on worker threads, hands them in the table's order
// to the format's record writer, and writes to a target: a stream, a file of the caller's
// choosing, or the export folder under the name the window gives the file. A file is written
// beside its final name and renamed when complete, so a failure or a stop leaves nothing. One
// outcome tells how it went, and closingMessage words it for the user.
//
// Written without any widget, so the window's dialogs and vellora-list give the same bytes for
// the same choices.

#include "ExportRecords.h"
#include "results/StateTypes.h"
#include "system/Prompter.h"

#include <atomic>
#include <optional>
#include <QDateTime>
#include <QString>
#include <QStringList>

class QIODevice;

namespace vellora {

struct AppState;
class RowSource;
struct SystemData;

// The tab-separated file's name field: "Nome + Ext unico" or "Nome ed Ext separati".
enum class NameLayout { Single, Separate };

// The window's two files ("Testo", "per Excel"); the others are the formats for today's tools.
[[nodiscard]] constexpr bool isWindowFile(ExportKind kind)
{
    return kind == ExportKind::Text || kind == ExportKind::Tabbed;
}
// vellora-list's names: "text", "tsv", "csv", "xlsx", "html", "json", "sha256"; nothing
// otherwise.
[[nodiscard]] std::optional<ExportKind> exportKindFromName(const QString& name);
// The name closing messages give a kind: "Testo", "Excel", "CSV", "XLSX", "HTML", "JSON lines",
// "SHA-256".
[[nodiscard]] QString formatTitle(ExportKind kind);
// "Lista_yyyy-mm-dd_hh-mm-ss.txt" (text), "ListaExcel_...txt" (tab-separated), "Lista_..."
// with ".csv", ".xlsx", ".html", ".jsonl" or ".sha256".
[[nodiscard]] QString exportFileName(ExportKind kind, const QDateTime& now);
// ";" where the locale writes decimals with a comma (a spreadsheet there splits on ";"),
// "," elsewhere.
[[nodiscard]] QChar localeCsvSeparator();

struct ExportChoice
{
    ExportChoice(ExportKind kind = ExportKind::Text, NameLayout layout = NameLayout::Single,
                 bool checksum = false, QChar separator = {})
        : kind(kind), layout(layout), checksum(checksum), separator(separator)
    {
    }

    ExportKind kind;
    NameLayout layout; // the tab-separated file
    bool checksum;     // the newer formats: the SHA-256 of every file
    QChar separator;   // CSV; null: the locale's

    bool operator==(const ExportChoice&) const = default;
};

// The headings of the columns that CSV, the workbook and the page write: name, extension,
// the columns of the export profile, the folder, and the checksum when asked for; the rows of
// a comparison (compared) also their state, what changed and a moved file's path before.
[[nodiscard]] QStringList exportColumnHeadings(const AppState& state, const ExportChoice& choice,
                                               bool compared = false);

struct ExportRequest
{
    // rows, state and system must outlive the export.
    ExportRequest(const RowSource& rows, const AppState& state, const SystemData& system, QDateTime now,
                  ExportChoice choice = {}, const std::atomic_bool* interrupt = nullptr,
                  ProgressFn progress = {})
        : rows(rows), state(state), system(system), now(std::move(now)), choice(choice), interrupt(interrupt),
          progress(std::move(progress))
    {
    }

    const RowSource& rows;
    const AppState& state; // the export profile, the info kind and what the listing left
    const SystemData& system;
    QDateTime now; // names the file and dates the header
    ExportChoice choice;
    const std::atomic_bool* interrupt; // set by the user to stop; may be null
    ProgressFn progress;               // may be empty
};

// Where an export goes.
struct ExportTarget
{
    enum class Kind { Folder, File, Stream };
    Kind kind = Kind::Folder;
    QString path;                // the folder, or the file
    QIODevice* device = nullptr; // the stream

    // The folder (created when missing) under exportFileName; an empty folder (no home
    // folder known) fails with the reason.
    [[nodiscard]] static ExportTarget folder(const QString& folder)
    {
        return {Kind::Folder, folder, nullptr};
    }
    // A file of the caller's choosing (its folder is created when missing).
    [[nodiscard]] static ExportTarget file(const QString& path) { return {Kind::File, path, nullptr}; }
    // An open device, written as it is (the standard output): errors name no file.
    [[nodiscard]] static ExportTarget stream(QIODevice& device) { return {Kind::Stream, QString(), &device}; }
};

struct ExportOutcome
{
    bool ok = false;
    bool interrupted = false; // stopped by the user: nothing was left behind
    QString filePath;         // the full name of the file written (or not written); empty for a stream
    QString error;            // Italian message for the user when neither ok nor interrupted; for a
                              // stream the cause alone
    qsizetype rows = 0;
    // The files whose fields could not all be read, each counted once by what it leaves blank
    // (the window's two files count every gap as a file that could not be read):
    qsizetype unreadableRows = 0;      // every field (the file could not be read at all)
    qsizetype noVersionRows = 0;       // its version data
    qsizetype noVersionNoHashRows = 0; // its version data and its checksum
    qsizetype noHashRows = 0;          // its checksum alone
    // Files the listing left out because a size or date range was on and their size or date
    // could not be read (no row of theirs was written).
    std::uint64_t unlistedRows = 0;
    QStringList writerNotes;           // what the format itself left out, worded
};

[[nodiscard]] ExportOutcome writeExport(const ExportRequest& request, const ExportTarget& target);

// "Esportazione in formato Testo terminata: vedi file ", "Esportazione per Excel terminata:
// vedi file ", "Esportazione in formato CSV terminata: vedi file "..., CR LF and the file's name.
[[nodiscard]] QString completionMessage(ExportKind kind, const QString& filePath);
// What the closing message adds: the files that could not be read, one line for each kind
// of gap (every field, the files a range left out, the version data, the checksum); empty
// when every file was read.
[[nodiscard]] QStringList exportNotes(const ExportOutcome& outcome);

// The closing message box's text and icon: completion with its notes, the interruption, or
// the failure.
struct ClosingMessage
{
    QString text;
    Prompter::Icon icon = Prompter::Icon::None;
};
[[nodiscard]] ClosingMessage closingMessage(ExportKind kind, const ExportOutcome& outcome);
// Shows it: Ok button, the program's title.
void reportOutcome(Prompter& prompter, ExportKind kind, const ExportOutcome& outcome);

} // namespace vellora
