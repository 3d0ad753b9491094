#pragma once
// The two paged reports of the result table: portrait (111 columns, the info or the folder
// as last field) and landscape (162 columns, info and folder). Both print rows 1..N in the
// table's order, behind a 3-column indent, in "Courier New" 8 on A4, with the header at the
// top of every page and the separator and "Pag. n" at the bottom.

#include "PrinterSurface.h"

#include <cstdint>
#include <functional>
#include <QDate>

namespace vellora {

class RowSource;
struct AppState;

// What the reports read: the table, the main window's state and the system line.
struct ReportInput
{
    const RowSource& rows;
    const AppState& state;
    QString systemLine;
};

struct ReportOptions
{
    // Pause after the document is handed over, in milliseconds.
    int waitMs = 1000;
    // Rounded percentage of rows printed; called only when it changes.
    std::function<void(int)> progress;
    // Date of header line 3; the current date when null.
    QDate today;
};

struct ReportOutcome
{
    JobResult job;
    qsizetype rows = 0;
    qsizetype unreadableRows = 0; // files that could not be read again at print time
    int pages = 0;
};

// The number of lines of the current font that reach `heightMm` from the top of the page.
// Measures without printing, so it starts no job.
[[nodiscard]] std::int16_t ContaRighePagina(PrinterSurface& surface, std::int16_t heightMm);

// i * 100 / n rounded to the nearest whole number, halves to even.
[[nodiscard]] int progressPercent(qsizetype i, qsizetype n);

// Landscape exactly when the list comes from a scan with subfolders and the info column is
// printed; the print dialog's picture and its choice of report both follow it.
[[nodiscard]] bool usesLandscape(int tipoRicerca, int infoFlag);

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
