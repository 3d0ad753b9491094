#pragma once
// The two paged reports of the result table: portrait (111 columns, the info or the folder
// as last field) and landscape (162 columns, info and folder). Both print rows 1..N in the
// table's order, behind a 3-column indent, in "Courier New" 8 on A4, with the header at the
// top of every page and the separator and "Pag. n" at the bottom. Their pages are laid out
// and drawn by ReportLayout, as the preview's are.

#include "ReportLayout.h"

#include <atomic>
#include <functional>
#include <QDate>

namespace vellora {

struct ReportOptions
{
    // Pause after the document is handed over, in milliseconds.
    int waitMs = 1000;
    // Rounded percentage of rows printed; called only when it changes.
    std::function<void(int)> progress;
    // Date of header line 3; the current date when null.
    QDate today;
    // Set by the user to stop: the page being drawn is finished, then the document is
    // dropped (PrinterSurface::abortDoc). May be null.
    const std::atomic_bool* interrupt = nullptr;
};

struct ReportOutcome
{
    JobResult job;
    qsizetype rows = 0;
    qsizetype unreadableRows = 0; // files that could not be read again at print time
    // Files the listing left out because a range was on and their size or date could not be
    // read: told beside the others.
    std::uint64_t unlistedRows = 0;
    int pages = 0;
};

// i * 100 / n rounded to the nearest whole number, halves to even.
[[nodiscard]] int progressPercent(qsizetype i, qsizetype n);

class StampaVerticale
{
public:
    StampaVerticale(PrinterSurface& surface, ReportInput input, ReportOptions options = {});
    [[nodiscard]] ReportOutcome run();

private:
    PrinterSurface& m_surface;
    ReportInput m_input;
    ReportOptions m_options;
};

class StampaOrizzontale
{
public:
    StampaOrizzontale(PrinterSurface& surface, ReportInput input, ReportOptions options = {});
    [[nodiscard]] ReportOutcome run();

private:
    PrinterSurface& m_surface;
    ReportInput m_input;
    ReportOptions m_options;
};

// Runs the report the print dialog chooses for the state.
[[nodiscard]] ReportOutcome printChosenReport(PrinterSurface& surface, const ReportInput& input,
                                              const ReportOptions& options);

} // namespace vellora
