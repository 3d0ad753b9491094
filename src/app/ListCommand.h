#pragma once
// vellora-list: the scan, fill and order of the window, headless, writing the table as
// tab-separated UTF-8 text. Parsing builds one ListOptions; run() dispatches on it, so that
// new actions (export, print...) are a field and a branch, not a rewrite.

#include "results/AppState.h"
#include "scan/Scanner.h"

#include <atomic>
#include <cstdio>
#include <optional>
#include <QString>
#include <QStringList>

namespace vellora {

struct ListOptions
{
    enum class Action { List, Help };
    Action action = Action::List;
    QString folder; // the folder to list
    QString pattern = QStringLiteral("*.*");
    bool subfolders = false;
    int order = 0;                     // 0..10, -1: scan order
    ColumnProfile optV = kDefaultOptV; // --columns
    InfoKind infoKind = InfoKind::CompanyName;
};

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFolder = 1; // the starting folder cannot be read
inline constexpr int kExitUsage = 2;  // bad arguments
inline constexpr int kExitInterrupted = 130;

struct ParsedArguments
{
    std::optional<ListOptions> options; // empty on a usage error
    QString error;                      // one line, without the program name
};

// args without the program name.
[[nodiscard]] ParsedArguments parseListArguments(const QStringList& args);
[[nodiscard]] QString listUsage();

class ListCommand
{
public:
    // out and err are not owned.
    ListCommand(std::FILE* out, std::FILE* err);

    // The flag SIGINT sets: the walk stops before its next entry, the fill before its next
    // row, and run() returns kExitInterrupted. Lock-free, so a signal handler may set it.
    [[nodiscard]] std::atomic_bool& interruptFlag() { return m_scan.interrupt; }

    // Runs the parsed command; returns the exit code.
    [[nodiscard]] int run(const ListOptions& options);
    // Parses and runs; usage errors print one line on err and give kExitUsage.
    [[nodiscard]] int run(const QStringList& args);

    // Progress lines on err while scanning (the front end turns it on for a terminal).
    void setProgress(bool on) { m_progress = on; }

private:
    [[nodiscard]] int list(const ListOptions& options);

    std::FILE* m_out;
    std::FILE* m_err;
    ScanState m_scan;
    bool m_progress = false;
};

} // namespace vellora
