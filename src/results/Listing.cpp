#include "Listing.h"

#include "results/ResultTable.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcResults)

namespace vellora {

namespace {

// Rows whose size, date or version the profile asks for and that hold none: their files could
// not be read, at the fill or when an order read them again.
qsizetype countUnreadable(const ResultRows& rows, const ColumnProfile& columns)
{
    qsizetype count = 0;
    for (const std::uint32_t index : rows.order) {
        const ResultRows::Row& r = rows.rows[index];
        for (const int c : {int(ColSize), int(ColDate), int(ColVersion)}) {
            if (columns[c] == 1 && !ResultRows::has(r, c)) {
                ++count;
                break;
            }
        }
    }
    return count;
}

} // namespace

Listing::Listing(ListingRequest request, ScanState& scan, const FactSource* facts)
    : m_request(std::move(request)), m_scan(scan), m_facts(facts), m_fill(std::make_unique<FillResult>())
{
    m_summary.scope = m_request.scope;
    m_summary.listedText = QString::fromUtf8(m_request.folder) + m_request.pattern;
    // Both front ends refuse a pattern without a mask before they list; should one come
    // anyway, no mask lists nothing rather than everything.
    m_request.filters.masks = parseMasks(m_request.pattern).value_or(QStringList());
    m_summary.filters = m_request.filters;
}

Listing::~Listing() = default;

void Listing::collect()
{
    ScanResults found;
    const bool subfolders = m_request.scope == Scope::Subfolders;
    m_summary.folderRead = ScandisciCartella(m_request.filters, m_request.folder, subfolders, m_scan, found,
                                             m_hooks.folderEntered);
    if (!m_summary.folderRead)
        qCInfo(lcResults) << "cannot read the folder" << m_request.folder;
    m_summary.files = m_scan.totFile.load();
    m_summary.folders = m_scan.totCartelle.load();
    m_summary.walkInterrupted = m_scan.interrupt.load();
    m_summary.unlistedUnreadable = m_scan.unreadable.load();
    if (!m_summary.walkInterrupted && m_summary.files > 0 && !found.entries.empty()) {
        if (m_hooks.filling)
            m_hooks.filling();
        FillOptions fill;
        fill.optV = m_request.columns;
        fill.infoKind = m_request.infoKind;
        fill.beforeRow = m_hooks.beforeRow;
        fill.facts = m_facts;
        *m_fill = fillRows(std::move(found), fill, m_scan.interrupt);
        // Ordered here, on the listing's thread: a million rows take longer to order than a
        // window may stop answering, and the table only takes the rows as they come.
        if (!m_fill->interrupted)
            m_fill->ordered = sortRows(m_fill->rows, m_request.order, m_request.columns,
                                       m_facts ? *m_facts : fileSystemFacts());
        m_summary.filled = true;
        m_summary.filledRows = m_fill->filledRows;
        m_summary.versionError = m_fill->versionError;
    }
    m_summary.complete = !m_summary.walkInterrupted && !m_fill->interrupted;
}

void Listing::deliver(ResultTable& table, const QStringList& headings)
{
    table.PopolaGriglia(std::move(*m_fill), headings, m_request.columns, m_request.order);
    *m_fill = FillResult();
    if (m_summary.complete)
        m_summary.unreadableRows = countUnreadable(table.rows(), m_request.columns);
}

} // namespace vellora
