#include "ReportLayout.h"

#include "fileinfo/FileFacts.h"
#include "results/AppState.h"
#include "results/Formats.h"
#include "results/RowSource.h"
#include "TextColumns.h"

#include <algorithm>
#include <optional>
#include <QElapsedTimer>
#include <QStringList>

namespace vellora {

using Item = PrinterSurface::Item;

struct ReportShape
{
    PrinterSurface::Orientation orientation;
    std::int16_t bodyHeightMm;
    int line3Width; // spaces in header line 3 are this minus (digits of N + 1) minus the bracket
    int separatorWidth;
    int footerTab;
    int versionEnd; // last column of the right-aligned version
    int infoTab;
    int infoCut;
    int folderTab;
    int folderCut;
};

namespace {

const QString kIndent = QStringLiteral("   ");
// A comparison's state ("modificato" and a blank) stands before the name; the line keeps its
// width, the last field gives up as many columns.
constexpr int kStateColumns = 11;
const QString kCrLf = QStringLiteral("\r\n");

constexpr ReportShape kPortrait{PrinterSurface::Orientation::Portrait, 245, 85, 111, 54, 69, 71, 44, 71, 44};
constexpr ReportShape kLandscape{
    PrinterSurface::Orientation::Landscape, 160, 136, 162, 78, 67, 69, 40, 110, 56};

} // namespace

ReportLayout::ReportLayout(PrinterSurface& measure, const ReportInput& input, bool landscape, QDate today)
    : m_measure(measure), m_in(input), m_shape(landscape ? kLandscape : kPortrait), m_landscape(landscape),
      m_today(today.isNull() ? QDate::currentDate() : today),
      m_rowCount(std::max<qsizetype>(0, input.rows.rowCount()))
{
    const ColumnProfile& f = m_in.state.OptS;
    m_size = f[ColSize] == 1;
    m_date = f[ColDate] == 1;
    m_version = f[ColVersion] == 1;
    m_subfolders = m_in.state.TipoRicerca == Scope::Subfolders;
    m_info = f[ColInfo] == 1 && (landscape || !m_subfolders);
    m_folder = landscape || m_subfolders;
    m_compared = input.rows.comparison();
    m_shift = m_compared ? kStateColumns : 0;

    measure.setFont(QStringLiteral("Courier New"), 8);
    measure.setPaperSize(PrinterSurface::PaperA4);
    measure.setOrientation(m_shape.orientation);
    // Fewer than two lines would never fill a page; the printer's font cannot be that
    // large on A4, but a broken driver answer must not make the paging endless.
    m_lines = std::max<int>(2, ContaRighePagina(measure, m_shape.bodyHeightMm));
    m_header = headerText();
    m_separator = kIndent + QString(m_shape.separatorWidth, QChar(0x2014));
}

QString ReportLayout::headerText() const
{
    const AppState& st = m_in.state;
    const QString count = QString::number(m_rowCount);
    const QString bracket = sanitizeLine(m_compared ? m_compared->countsText : st.bracketText());
    // A bracket text too long for the line would make the count negative: the date then
    // simply follows it.
    const qsizetype spaces =
        std::max<qsizetype>(0, m_shape.line3Width - (count.size() + 1) - m_measure.textColumns(bracket));
    const bool subTitle = m_landscape || m_subfolders;
    const QString infoField = infoReportName(st.infoKind).leftJustified(21, QLatin1Char(' '), true);
    const QString dashes = QString(m_shape.separatorWidth, QChar(0x2014));

    QString heading;
    if (m_landscape) {
        heading = QStringLiteral("Nome File         Ext  Dimensione Data Ult. Mod.") +
                  QStringLiteral("        Versione ") + infoField + QString(20, QLatin1Char(' ')) +
                  QStringLiteral("Cartella");
    } else {
        heading = QStringLiteral("Nome File         Ext  Dimensione Data Ult. Modif.") +
                  (m_subfolders ? QStringLiteral("        Versione Cartella")
                                : QStringLiteral("        Versione ") + infoField);
    }

    QStringList lines;
    const int blanks = (!m_landscape && m_subfolders) ? 3 : 2;
    for (int k = 0; k < blanks; ++k)
        lines << QString();
    lines << kIndent + sanitizeLine(m_in.systemLine);
    // A long folder is cut where the separator ends, not at the paper's edge.
    const QString title = m_compared ? QStringLiteral("Confronto di ") + m_compared->before +
                                           QStringLiteral(" con ") + m_compared->after
                          : subTitle ? QStringLiteral("Stampa (con Sottocartelle) di ") + st.listingTitle()
                                     : QStringLiteral("Stampa di ") + st.listingTitle();
    lines << kIndent + m_measure.leftColumns(sanitizeLine(title), m_shape.separatorWidth);
    lines << kIndent + QStringLiteral("Totale File ") + count + QStringLiteral(" (") + bracket +
                 QStringLiteral(")") + QString(spaces, QLatin1Char(' ')) + QStringLiteral("(") +
                 formatDay(m_today) + QStringLiteral(")");
    lines << kIndent + dashes;
    lines << kIndent + QString(m_compared ? QStringLiteral("Stato").leftJustified(m_shift) : QString()) +
                 heading;
    lines << kIndent + dashes;
    return lines.join(kCrLf);
}

LaidRow ReportLayout::row(qsizetype i, FactReader& reader) const
{
    const RowSource& rows = m_in.rows;
    LaidRow out;
    PrinterSurface::Items& items = out.items;
    items.reserve(16);
    const int at = m_shift;
    const QString name = m_measure.leftColumns(sanitizeLine(rows.text(i, ColName)), 17);
    if (m_compared)
        items << Item::txt(kIndent + m_measure.leftColumns(rows.comparedRow(i).state, kStateColumns - 1))
              << Item::tab(4 + at) << Item::txt(name);
    else
        items << Item::txt(kIndent + name);
    items << Item::tab(22 + at) << Item::txt(sanitizeLine(rows.text(i, ColExt)));

    // The table's folder, not the one selected now: after the user has moved to another
    // folder the listed files are still where the scan found them.
    const bool wantStat = m_size || m_date;
    const bool wantVersion = m_version || m_info;
    FileFacts facts;
    if (wantStat || wantVersion)
        facts = rows.readFacts(reader, i,
                               (wantStat ? FactReader::Stat : 0u) | (wantVersion ? FactReader::Version : 0u));
    out.readable = (!wantStat || facts.statted) && (!wantVersion || facts.version.readable);
    if (wantStat && facts.statted) {
        if (m_size) {
            const QString s = formatSize(facts.size);
            items << Item::tab(37 + at - int(m_measure.textColumns(s))) << Item::txt(s);
        }
        if (m_date) {
            items << Item::tab(38 + at)
                  << Item::txt(m_landscape ? formatDateShort(facts.mtime) : formatDateReport(facts.mtime));
        }
    }

    const VersionData& vd = facts.version;
    if (m_version) {
        const QString v = vd.readable ? sanitizeLine(vd.fileVersion) : QString();
        items << Item::tab(m_shape.versionEnd + at + 1 - int(m_measure.textColumns(v))) << Item::txt(v);
    }
    // The info field gives up the state's columns; in the landscape report the folder after it
    // keeps its place, in the portrait one it is last and gives them up itself.
    if (m_info) {
        const QString info = vd.readable ? sanitizeLine(vd.info(m_in.state.infoKind)) : QString();
        items << Item::tab(m_shape.infoTab + at)
              << Item::txt(m_measure.leftColumns(info, m_shape.infoCut - at));
    }
    if (m_folder) {
        const int tab = m_landscape ? m_shape.folderTab : m_shape.folderTab + at;
        items << Item::tab(tab)
              << Item::txt(m_measure.leftColumns(sanitizeLine(rows.text(i, ColFolder)),
                                                 m_landscape ? m_shape.folderCut : m_shape.folderCut - at));
    }
    out.lines = paperLines(m_measure, items);
    return out;
}

bool ReportLayout::paintPage(PrinterSurface& surface, int number, RowFeed& rows) const
{
    surface.print({Item::txt(m_header)}, true);
    // The first output opens the document: when its file or printer cannot be had, no
    // row is read, and the report's outcome says why.
    if (!surface.jobError().isEmpty())
        return false;
    int used = 0;
    // A full page stops before the next row is read: it belongs to the next page.
    while (used < bodyLines()) {
        const LaidRow* r = rows.peek();
        if (!r || !fits(used, r->lines))
            break;
        surface.print(r->items, true);
        used += r->lines;
        rows.take();
    }
    // Blank lines down to the footer: the separator and the footer stand at the same
    // height on every page.
    for (int k = used; k < bodyLines(); ++k)
        surface.printLine(QStringLiteral(" "));
    surface.printLine(m_separator);
    surface.print(
        {Item::tab(m_shape.footerTab), Item::txt(QStringLiteral("Pag. ") + QString::number(number))}, true);
    return true;
}

namespace {

// The rows of one laid-out page, read again as it is drawn.
class PageFeed : public RowFeed
{
public:
    PageFeed(const ReportLayout& layout, FactReader& reader, qsizetype first, qsizetype last)
        : m_layout(layout), m_reader(reader), m_next(first), m_last(last)
    {
    }
    const LaidRow* peek() override
    {
        if (m_next > m_last)
            return nullptr;
        if (!m_row)
            m_row = m_layout.row(m_next, m_reader);
        return &*m_row;
    }
    void take() override
    {
        m_row.reset();
        ++m_next;
    }

private:
    const ReportLayout& m_layout;
    FactReader& m_reader;
    qsizetype m_next;
    qsizetype m_last;
    std::optional<LaidRow> m_row;
};

} // namespace

ReportPages::ReportPages(PrinterSurface& measure, const ReportInput& input, QDate today)
    : m_layout(measure, input, usesLandscape(input.state.TipoRicerca, input.state.OptS[ColInfo]), today),
      m_geometry(measure.pageGeometry()), m_reader(input.rows.facts().reader())
{
}

ReportPages::~ReportPages() = default;

bool ReportPages::layOut(int budgetMs, int page)
{
    QElapsedTimer clock;
    clock.start();
    const qsizetype n = m_layout.rowCount();
    while (m_next <= n) {
        // The clock is read every few rows only: a row costs microseconds.
        if ((m_next & 31) == 0 && budgetMs >= 0 && clock.elapsed() >= budgetMs)
            break;
        if (page > 0 && pageCount() > page)
            break;
        const int lines = m_layout.row(m_next, *m_reader).lines;
        if (!m_layout.fits(m_used, lines)) {
            m_starts.push_back(m_next);
            m_used = 0;
        }
        m_used += lines;
        ++m_next;
    }
    return complete();
}

bool ReportPages::pageReady(int page) const
{
    return page >= 1 && page <= pageCount() && (page < pageCount() || complete());
}

void ReportPages::drawPage(PrinterSurface& surface, int page)
{
    if (!pageReady(page))
        return;
    const qsizetype first = m_starts[std::size_t(page - 1)];
    const qsizetype last = page < pageCount() ? m_starts[std::size_t(page)] - 1 : m_layout.rowCount();
    PageFeed feed(m_layout, *m_reader, first, last);
    m_layout.paintPage(surface, page, feed);
}

bool usesLandscape(Scope scope, int infoFlag)
{
    return scope == Scope::Subfolders && infoFlag != 0;
}

std::int16_t ContaRighePagina(PrinterSurface& surface, std::int16_t heightMm)
{
    const PrinterSurface::ScaleMode remembered = surface.scaleMode();
    surface.setScaleMode(PrinterSurface::ScaleMode::Millimetres);
    surface.setCurrentX(0);
    surface.setCurrentY(0);
    int n = 0;
    // The count is a 16-bit number; a surface whose lines do not advance stops there.
    while (n < 32767) {
        ++n;
        if (surface.positionAfterLines(n) >= heightMm)
            break;
    }
    surface.setCurrentX(0);
    surface.setCurrentY(0);
    surface.setScaleMode(remembered);
    return static_cast<std::int16_t>(n);
}

} // namespace vellora
