#pragma once
// The one way a page of the report is laid out and drawn, whatever shows it: the printer,
// the PDF printer and the preview all call paintPage. The layout knows the report (header,
// row fields, how many paper lines fit, which rows go on a page) and measures text through
// the printer surface it was made for; it knows nothing of the device a page lands on.

#include "PrinterSurface.h"
#include "results/StateTypes.h"

#include <cstdint>
#include <memory>
#include <QDate>
#include <vector>

namespace vellora {

class FactReader;
class RowSource;
struct ComparedListing;
struct AppState;

// What the reports read: the table, the main window's state and the system line.
struct ReportInput
{
    const RowSource& rows;
    const AppState& state;
    QString systemLine;
};

struct ReportShape; // where the portrait and the landscape report differ

// One row of the report, read and placed: its items and the paper lines they take.
struct LaidRow
{
    PrinterSurface::Items items;
    int lines = 1;
    bool readable = true; // false when its file could not be read again
};

// Hands the rows of a page to the painter in order, reading each one when first asked.
class RowFeed
{
public:
    virtual ~RowFeed() = default;
    // The next row, or null when no row is left.
    [[nodiscard]] virtual const LaidRow* peek() = 0;
    // The painter has put the peeked row on the page.
    virtual void take() = 0;
};

class ReportLayout
{
public:
    // Sets the report's font, paper and orientation on `measure` (the current printer) and
    // counts its lines per page; every later measure of text goes through it, so the
    // layout must not outlive it. `today` dates header line 3 (the current date when null).
    ReportLayout(PrinterSurface& measure, const ReportInput& input, bool landscape, QDate today = {});

    [[nodiscard]] bool landscape() const { return m_landscape; }
    [[nodiscard]] const PrinterSurface& measure() const { return m_measure; }
    [[nodiscard]] qsizetype rowCount() const { return m_rowCount; }
    // Paper lines for rows on every page: the lines per page less the footer's line.
    [[nodiscard]] int bodyLines() const { return m_lines - 1; }

    // Row i (1..N) read through reader and turned into its fields.
    [[nodiscard]] LaidRow row(qsizetype i, FactReader& reader) const;

    // Whether a row of `lines` paper lines still goes on a page whose rows already take
    // `used`. A page takes its first row whatever its size; the others move on whole.
    [[nodiscard]] bool fits(int used, int lines) const { return used == 0 || used + lines <= bodyLines(); }

    // Page `number`: the header, the rows the feed hands while they fit, blank lines down
    // to the footer, the separator and "Pag. number". False when the surface's document
    // could not be opened (jobError): nothing more is drawn and no row is read.
    bool paintPage(PrinterSurface& surface, int number, RowFeed& rows) const;

private:
    [[nodiscard]] QString headerText() const;

    const PrinterSurface& m_measure;
    ReportInput m_in; // the table and the state it refers to outlive the layout
    const ReportShape& m_shape;
    bool m_landscape;
    QDate m_today;
    qsizetype m_rowCount = 0;
    int m_lines = 2;
    QString m_header;
    QString m_separator;
    bool m_size = false;
    bool m_date = false;
    bool m_version = false;
    bool m_info = false;
    bool m_folder = false;
    bool m_subfolders = false;
    const ComparedListing* m_compared = nullptr; // the rows are a comparison's
    int m_shift = 0;                             // columns the state takes before the name
};

// The report laid out ahead of drawing, for the preview: where every page starts. Rows are
// read once to place them; a page is read again only when it is drawn, so a long report is
// placed quickly and drawn a page at a time.
class ReportPages
{
public:
    // The report the print dialog would choose for the input, measured on `measure`.
    ReportPages(PrinterSurface& measure, const ReportInput& input, QDate today = {});
    ~ReportPages();
    ReportPages(const ReportPages&) = delete;
    ReportPages& operator=(const ReportPages&) = delete;

    [[nodiscard]] const ReportLayout& layout() const { return m_layout; }
    // The printer's page, taken when the layout set the report up on it.
    [[nodiscard]] const PageGeometry& geometry() const { return m_geometry; }
    // Places rows for about budgetMs milliseconds (all of them when negative), or until
    // `page` is complete; true when every row has its page.
    bool layOut(int budgetMs, int page = 0);
    [[nodiscard]] bool complete() const { return m_next > m_layout.rowCount(); }
    // Pages known so far: all of them once complete; the last one known may still grow.
    [[nodiscard]] int pageCount() const { return int(m_starts.size()); }
    // Whether page (1-based) has all its rows placed.
    [[nodiscard]] bool pageReady(int page) const;

    // Draws page (1-based, ready) on any surface through the layout's painter.
    void drawPage(PrinterSurface& surface, int page);

private:
    ReportLayout m_layout;
    PageGeometry m_geometry;
    std::unique_ptr<FactReader> m_reader;
    std::vector<qsizetype> m_starts{1}; // first row of each page
    qsizetype m_next = 1;               // the next row to place
    int m_used = 0;                     // paper lines its page already holds
};

// Landscape exactly when the list comes from a scan with subfolders and the info column is
// printed; the print dialog's picture and its choice of report both follow it.
[[nodiscard]] bool usesLandscape(Scope scope, int infoFlag);

// The number of lines of the current font that reach `heightMm` from the top of the page.
// Measures without printing, so it starts no job.
[[nodiscard]] std::int16_t ContaRighePagina(PrinterSurface& surface, std::int16_t heightMm);

} // namespace vellora
