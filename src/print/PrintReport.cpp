#include "PrintReport.h"

#include "fileinfo/FileFacts.h"
#include "PrintLog.h"
#include "results/AppState.h"
#include "results/RowSource.h"

#include <optional>
#include <QThread>

namespace vellora {

namespace {

// The rows in table order, each read once, as the pages ask for them; counts what was
// printed and moves the progress bar.
class PrintFeed : public RowFeed
{
public:
    PrintFeed(const ReportLayout& layout, FactReader& reader, const ReportOptions& options,
              ReportOutcome& out)
        : m_layout(layout), m_reader(reader), m_opt(options), m_out(out)
    {
    }
    const LaidRow* peek() override
    {
        if (m_next > m_layout.rowCount())
            return nullptr;
        if (!m_row)
            m_row = m_layout.row(m_next, m_reader);
        return &*m_row;
    }
    void take() override
    {
        ++m_out.rows;
        if (!m_row->readable)
            ++m_out.unreadableRows;
        m_row.reset();
        const int p = progressPercent(m_next, m_layout.rowCount());
        if (p != m_lastPercent && m_opt.progress) {
            m_lastPercent = p;
            m_opt.progress(p);
        }
        ++m_next;
    }

private:
    const ReportLayout& m_layout;
    FactReader& m_reader;
    const ReportOptions& m_opt;
    ReportOutcome& m_out;
    qsizetype m_next = 1;
    std::optional<LaidRow> m_row;
    int m_lastPercent = -1;
};

ReportOutcome runReport(PrinterSurface& surface, const ReportInput& input, const ReportOptions& options,
                        bool landscape)
{
    ReportOutcome out;
    out.unlistedRows = input.state.listed.unlistedUnreadable;
    const std::unique_ptr<FactReader> reader = input.rows.facts().reader();
    const ReportLayout layout(surface, input, landscape, options.today);
    PrintFeed feed(layout, *reader, options, out);
    // Page after page until the rows run out. A last row that fills its page ends the
    // report there: a further page would hold nothing but blank lines and a footer. An
    // empty list still prints one page, with its header.
    // A stop asked for is seen between pages: the page on the paper is always whole.
    for (int page = 1;; ++page) {
        if (options.interrupt && options.interrupt->load()) {
            out.job = surface.abortDoc();
            qCInfo(lcPrint) << "report stopped by the user after" << page - 1 << "pages";
            return out;
        }
        if (page > 1)
            surface.newPage();
        if (!layout.paintPage(surface, page, feed)) {
            out.job = surface.endDoc();
            return out;
        }
        if (!feed.peek())
            break;
    }
    out.pages = surface.page();
    out.job = surface.endDoc();
    if (out.unreadableRows > 0)
        qCInfo(lcPrint) << out.unreadableRows << "listed files could not be read again while printing";
    if (options.waitMs > 0)
        QThread::msleep(static_cast<unsigned long>(options.waitMs));
    return out;
}

} // namespace

int progressPercent(qsizetype i, qsizetype n)
{
    if (n <= 0)
        return 0;
    const std::int64_t num = std::int64_t(i) * 100;
    std::int64_t q = num / n;
    const std::int64_t twiceRest = (num % n) * 2;
    if (twiceRest > n || (twiceRest == n && (q % 2) == 1))
        ++q;
    return int(q);
}

StampaVerticale::StampaVerticale(PrinterSurface& surface, ReportInput input, ReportOptions options)
    : m_surface(surface), m_input(std::move(input)), m_options(std::move(options))
{
}

ReportOutcome StampaVerticale::run()
{
    return runReport(m_surface, m_input, m_options, false);
}

StampaOrizzontale::StampaOrizzontale(PrinterSurface& surface, ReportInput input, ReportOptions options)
    : m_surface(surface), m_input(std::move(input)), m_options(std::move(options))
{
}

ReportOutcome StampaOrizzontale::run()
{
    return runReport(m_surface, m_input, m_options, true);
}

ReportOutcome printChosenReport(PrinterSurface& surface, const ReportInput& input,
                                const ReportOptions& options)
{
    if (usesLandscape(input.state.TipoRicerca, input.state.OptS[ColInfo]))
        return StampaOrizzontale(surface, input, options).run();
    return StampaVerticale(surface, input, options).run();
}

} // namespace vellora
