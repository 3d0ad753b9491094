#pragma once
// vellora-list: the scan, fill and order of the window, headless. By default it writes the
// table as tab-separated UTF-8 text; it can instead write the window's two export files
// (byte for byte what the export dialog writes for the same inputs), print the report the
// print dialog would choose, or list the printers. Parsing builds one ListOptions; run()
// dispatches on it.

#include "export/Export.h"
#include "results/AppState.h"
#include "results/ListingRequest.h"
#include "scan/Scanner.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <optional>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace vellora {

class ListedFiles;
class ResultTable;
class RowSource;
struct ComparedSides;
struct VerifyOutcome;
struct SystemData;

struct ListOptions
{
    enum class Action { List, Export, Print, Printers, Preview, Help, Version, Compare, Verify };
    Action action = Action::List;
    // The folder to list and the --output path keep the arguments' bytes (fileinfo::pathText).
    QString folder; // the folder to list
    // What to list: --pattern, --subfolders, --order, --columns as the table's profile (what
    // the fill reads, which orders may run) and --info. Its folder's bytes are set when the
    // folder has been made absolute.
    ListingRequest listing;
    // --exclude (any number of times), --min-size, --max-size, --modified-from and
    // --modified-to go to listing.filters, parsed with the pattern's masks.
    // --columns also chooses what --export and --print write. Without --columns both keep the
    // window's first-run profiles.
    ColumnProfile optS = kDefaultOptS;
    // Action::Export: --export KIND, --separate, --checksum sha256, --csv-separator.
    ExportChoice exportChoice;
    QString printer; // Action::Print: device name, "PDF" built in
    // --output: the export file ("-": standard output), the PDF file, or the folder of the
    // preview's pictures; empty: the export folder with the name the window would give it.
    QString output;
    int previewFrom = 0; // Action::Preview: the pages pictured, 1-based
    int previewTo = 0;
    // Action::Compare: --compare BEFORE (a saved listing or a folder); folder is AFTER, empty
    // for the folder BEFORE was made from. --all keeps the unchanged files; --export writes
    // the comparison in that format instead of the table; --checksum sha256 hashes every file
    // of a folder compared.
    QString compareBefore;
    bool showAll = false;
    bool exportCompared = false;
    // Action::Verify: --verify LIST; folder is where the files are looked for and new files
    // found, empty for the list's own folder (else the working folder). exportCompared: the
    // checked files are written in that format instead of lines.
    QString verifyList;
};

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFolder = 1; // the starting folder cannot be read
inline constexpr int kExitOutput = 1; // the export or the print failed
inline constexpr int kExitUsage = 2;  // bad arguments
inline constexpr int kExitInterrupted = 130;
// --compare and --verify answer as diff does: 0 the same, 1 differences, 2 trouble.
inline constexpr int kExitDiffers = 1;
inline constexpr int kExitTrouble = 2;

struct ParsedArguments
{
    std::optional<ListOptions> options; // empty on a usage error
    QString error;                      // one line, without the program name
};

// args without the program name.
[[nodiscard]] ParsedArguments parseListArguments(const QStringList& args);
[[nodiscard]] QString listUsage();

// Whether the options need a QGuiApplication (printer fonts and devices).
[[nodiscard]] bool needsGuiApplication(const ListOptions& options);

class ListCommand
{
public:
    // out and err are not owned.
    ListCommand(std::FILE* out, std::FILE* err);

    // The flag SIGINT sets: the walk stops before its next entry, the fill before its next
    // row, and run() returns kExitInterrupted. Lock-free, so a signal handler may set it.
    [[nodiscard]] std::atomic_bool& interruptFlag() { return m_scan.interrupt; }

    // Runs the parsed command; returns the exit code. --print and --printers need a
    // QGuiApplication; without one they fail with kExitOutput.
    [[nodiscard]] int run(const ListOptions& options);
    // Parses and runs; usage errors print one line on err and give kExitUsage.
    [[nodiscard]] int run(const QStringList& args);

    // Progress lines on err while scanning (the front end turns it on for a terminal).
    void setProgress(bool on) { m_progress = on; }
    // The clock that names export files and dates headers (tests fix it).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // Where file facts come from; null (the default): the file system. Not owned.
    void setFactSource(const FactSource* facts) { m_facts = facts; }

private:
    // Scans and fills the table as the window's start button does; returns kExitOk or the
    // exit code to give up with. state gets what the scan leaves for reports and exports.
    [[nodiscard]] int scanInto(const ListOptions& options, ResultTable& table, AppState& state);
    // What printing and the preview pages need first: a graphical application (what: the
    // Italian name of the action, for the message without one), the scan and the system line.
    [[nodiscard]] int scanForReport(const ListOptions& options, const QString& what, ResultTable& table,
                                    AppState& state, SystemData& system);
    [[nodiscard]] int list(const ListOptions& options);
    [[nodiscard]] int exportList(const ListOptions& options);
    [[nodiscard]] int print(const ListOptions& options);
    [[nodiscard]] int listPrinters();
    [[nodiscard]] int previewPages(const ListOptions& options);
    [[nodiscard]] int compare(const ListOptions& options);
    [[nodiscard]] int verify(const ListOptions& options);
    // A folder read now as one side of a comparison or the files present for a check: the
    // scan with the options' pattern, scope and filters, then each file's facts (want).
    [[nodiscard]] int readFolderSide(const ListOptions& options, const QString& folder, unsigned want,
                                     ListedFiles& files);
    [[nodiscard]] int writeComparedTable(const ComparedSides& sides);
    [[nodiscard]] int writeCheckedLines(const VerifyOutcome& outcome);
    // Writes rows as --export and --output ask (a listing or a comparison).
    [[nodiscard]] int deliverExport(const ListOptions& options, const RowSource& rows, const AppState& state);
    void say(const QString& line); // one line on err
    // The closing notes on files that could not be read: listed with blank fields (count), and
    // left out by a range (unlisted).
    void sayUnreadable(qsizetype count, std::uint64_t unlisted);

    std::FILE* m_out;
    std::FILE* m_err;
    ScanState m_scan;
    bool m_progress = false;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    const FactSource* m_facts = nullptr;
};

} // namespace vellora
