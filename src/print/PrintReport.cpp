#include "PrintReport.h"

#include "fileinfo/FileFacts.h"
#include "PrintLog.h"
#include "results/AppState.h"
#include "results/Formats.h"
#include "results/RowSource.h"
#include "TextColumns.h"

#include <algorithm>
#include <memory>
#include <QThread>

namespace vellora {

namespace {

using Item = PrinterSurface::Item;

const QString kIndent = QStringLiteral("   ");
const QString kCrLf = QStringLiteral("\r\n");

// Where the two reports differ; everything else is shared.
struct Layout
{
    PrinterSurface::Orientation orientation;
    std::int16_t bodyHeightMm;
    bool landscape;
    int line3Width; // spaces in header line 3 are this minus (digits of N + 1) minus the bracket
    int separatorWidth;
    int footerTab;
    int versionEnd; // last column of the right-aligned version
    int infoTab;
    int infoCut;
    int folderTab;
    int folderCut;
};

constexpr Layout kPortrait{
    PrinterSurface::Orientation::Portrait, 245, false, 85, 111, 54, 69, 71, 44, 71, 44};
constexpr Layout kLandscape{
    PrinterSurface::Orientation::Landscape, 160, true, 136, 162, 78, 67, 69, 40, 110, 56};

class ReportRun
{
public:
    ReportRun(PrinterSurface& surface, const ReportInput& input, const ReportOptions& options,
              const Layout& layout)
        : m_surface(surface), m_in(input), m_opt(options), m_layout(layout)
    {
        const ColumnProfile& f = m_in.state.OptS;
        m_size = f[ColSize] == 1;
        m_date = f[ColDate] == 1;
        m_version = f[ColVersion] == 1;
        m_subfolders = m_in.state.TipoRicerca == 1;
        if (m_layout.landscape) {
            m_info = f[ColInfo] == 1;
            m_folder = true;
        } else {
            m_info = !m_subfolders && f[ColInfo] == 1;
            m_folder = m_subfolders;
        }
    }

    ReportOutcome run()
    {
        ReportOutcome out;
        const qsizetype n = std::max<qsizetype>(0, m_in.rows.rowCount());

        m_reader = m_in.rows.facts().reader();
        m_surface.setFont(QStringLiteral("Courier New"), 8);
        m_surface.setPaperSize(PrinterSurface::PaperA4);
        m_surface.setOrientation(m_layout.orientation);
        // Fewer than two lines would never fill a page; the printer's font cannot be that
        // large on A4, but a broken driver answer must not make the loop below endless.
        const int lines = std::max<int>(2, ContaRighePagina(m_surface, m_layout.bodyHeightMm));
        const QString header = headerText(n);
        const QString separator = kIndent + QString(m_layout.separatorWidth, QChar(0x2014));

        // c is the paper line the next row starts on, 1 at the top of a page's body, which
        // holds lines - 1 paper lines. A row whose extension pushes its fields onto a second
        // line takes two; a row that does not fit any more goes to the next page whole.
        int c = 1;
        int lastPercent = -1;
        bool pageClosed = false;
        for (qsizetype i = 1; i <= n; ++i) {
            if (c == 1) {
                m_surface.print({Item::txt(header)}, true);
                // The first output opens the document: when its file or printer cannot be
                // had, no row is read, and the outcome says why.
                if (i == 1 && !m_surface.jobError().isEmpty()) {
                    out.job = m_surface.endDoc();
                    return out;
                }
            }
            bool readable = true;
            const PrinterSurface::Items items = rowItems(i, readable);
            const int taken = paperLines(m_surface, items);
            if (c > 1 && c - 1 + taken > lines - 1) {
                closePage(lines, c, separator);
                m_surface.newPage();
                c = 1;
                m_surface.print({Item::txt(header)}, true);
            }
            m_surface.print(items, true);
            ++out.rows;
            if (!readable)
                ++out.unreadableRows;
            const int p = progressPercent(i, n);
            if (p != lastPercent && m_opt.progress) {
                lastPercent = p;
                m_opt.progress(p);
            }
            c += taken;
            if (c >= lines) {
                printFooter(separator);
                // A last row that fills its page closes the report here: a further page
                // would hold nothing but blank lines and a footer.
                if (i == n) {
                    pageClosed = true;
                    break;
                }
                m_surface.newPage();
                c = 1;
            }
        }
        if (!pageClosed) {
            if (n == 0)
                m_surface.print({Item::txt(header)}, true);
            closePage(lines, c, separator);
        }
        out.pages = m_surface.page();
        out.job = m_surface.endDoc();
        if (out.unreadableRows > 0)
            qCInfo(lcPrint) << out.unreadableRows << "listed files could not be read again while printing";
        if (m_opt.waitMs > 0)
            QThread::msleep(static_cast<unsigned long>(m_opt.waitMs));
        return out;
    }

private:
    QString headerText(qsizetype n) const
    {
        const AppState& st = m_in.state;
        const QString count = QString::number(n);
        const QString bracket = sanitizeLine(st.bracketText());
        const QDate today = m_opt.today.isNull() ? QDate::currentDate() : m_opt.today;
        // A bracket text too long for the line would make the count negative: the date
        // then simply follows it.
        const qsizetype spaces =
            std::max<qsizetype>(0, m_layout.line3Width - (count.size() + 1) - m_surface.textColumns(bracket));
        const bool subTitle = m_layout.landscape || m_subfolders;
        const QString infoField = infoReportName(st.infoKind).leftJustified(21, QLatin1Char(' '), true);
        const QString dashes = QString(m_layout.separatorWidth, QChar(0x2014));

        QString heading;
        if (m_layout.landscape) {
            heading = QStringLiteral("Nome File         Ext  Dimensione Data Ult. Mod.") +
                      QStringLiteral("        Versione ") + infoField + QString(20, QLatin1Char(' ')) +
                      QStringLiteral("Cartella");
        } else {
            heading = QStringLiteral("Nome File         Ext  Dimensione Data Ult. Modif.") +
                      (m_subfolders ? QStringLiteral("        Versione Cartella")
                                    : QStringLiteral("        Versione ") + infoField);
        }

        QStringList lines;
        const int blanks = (!m_layout.landscape && m_subfolders) ? 3 : 2;
        for (int k = 0; k < blanks; ++k)
            lines << QString();
        lines << kIndent + sanitizeLine(m_in.systemLine);
        // A long folder is cut where the separator ends, not at the paper's edge.
        lines << kIndent + m_surface.leftColumns((subTitle ? QStringLiteral("Stampa (con Sottocartelle) di ")
                                                           : QStringLiteral("Stampa di ")) +
                                                     sanitizeLine(st.listingText()),
                                                 m_layout.separatorWidth);
        lines << kIndent + QStringLiteral("Totale File ") + count + QStringLiteral(" (") + bracket +
                     QStringLiteral(")") + QString(spaces, QLatin1Char(' ')) + QStringLiteral("(") +
                     formatDay(today) + QStringLiteral(")");
        lines << kIndent + dashes;
        lines << kIndent + heading;
        lines << kIndent + dashes;
        return lines.join(kCrLf);
    }

    // The items of row i's line; readable turns false when its file could not be read again.
    PrinterSurface::Items rowItems(qsizetype i, bool& readable)
    {
        const RowSource& rows = m_in.rows;
        PrinterSurface::Items items;
        items.reserve(14);
        items << Item::txt(kIndent + m_surface.leftColumns(sanitizeLine(rows.text(i, ColName)), 17));
        items << Item::tab(22) << Item::txt(sanitizeLine(rows.text(i, ColExt)));

        // The table's folder, not the one selected now: after the user has moved to
        // another folder the listed files are still where the scan found them.
        const bool wantStat = m_size || m_date;
        const bool wantVersion = m_version || m_info;
        FileFacts facts;
        if (wantStat || wantVersion)
            facts = rows.readFacts(
                *m_reader, i, (wantStat ? FactReader::Stat : 0u) | (wantVersion ? FactReader::Version : 0u));
        readable = (!wantStat || facts.statted) && (!wantVersion || facts.version.readable);
        if (wantStat && facts.statted) {
            if (m_size) {
                const QString s = formatSize(facts.size);
                items << Item::tab(37 - int(m_surface.textColumns(s))) << Item::txt(s);
            }
            if (m_date) {
                items << Item::tab(38)
                      << Item::txt(m_layout.landscape ? formatDateShort(facts.mtime)
                                                      : formatDateReport(facts.mtime));
            }
        }

        const VersionData& vd = facts.version;
        if (m_version) {
            const QString v = vd.readable ? sanitizeLine(vd.fileVersion) : QString();
            items << Item::tab(m_layout.versionEnd + 1 - int(m_surface.textColumns(v))) << Item::txt(v);
        }
        if (m_info) {
            const QString info = vd.readable ? sanitizeLine(vd.info(m_in.state.infoKind)) : QString();
            items << Item::tab(m_layout.infoTab) << Item::txt(m_surface.leftColumns(info, m_layout.infoCut));
        }
        if (m_folder) {
            items << Item::tab(m_layout.folderTab)
                  << Item::txt(
                         m_surface.leftColumns(sanitizeLine(rows.text(i, ColFolder)), m_layout.folderCut));
        }
        return items;
    }

    // Blank lines down to the page's footer, then the footer: the separator and the footer
    // stand at the same height on every page.
    void closePage(int lines, int c, const QString& separator)
    {
        for (int k = 0; k < lines - c; ++k)
            m_surface.printLine(QStringLiteral(" "));
        printFooter(separator);
    }

    void printFooter(const QString& separator)
    {
        m_surface.printLine(separator);
        m_surface.print({Item::tab(m_layout.footerTab),
                         Item::txt(QStringLiteral("Pag. ") + QString::number(m_surface.page()))},
                        true);
    }

    PrinterSurface& m_surface;
    const ReportInput& m_in;
    const ReportOptions& m_opt;
    const Layout& m_layout;
    std::unique_ptr<FactReader> m_reader;
    bool m_size = false;
    bool m_date = false;
    bool m_version = false;
    bool m_info = false;
    bool m_folder = false;
    bool m_subfolders = false;
};

} // namespace

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

bool usesLandscape(int tipoRicerca, int infoFlag)
{
    return tipoRicerca != 0 && (infoFlag != 0 || tipoRicerca != 1);
}

StampaVerticale::StampaVerticale(PrinterSurface& surface, ReportInput input, ReportOptions options)
    : m_surface(surface), m_input(std::move(input)), m_options(std::move(options))
{
}

ReportOutcome StampaVerticale::run()
{
    return ReportRun(m_surface, m_input, m_options, kPortrait).run();
}

StampaOrizzontale::StampaOrizzontale(PrinterSurface& surface, ReportInput input, ReportOptions options)
    : m_surface(surface), m_input(std::move(input)), m_options(std::move(options))
{
}

ReportOutcome StampaOrizzontale::run()
{
    return ReportRun(m_surface, m_input, m_options, kLandscape).run();
}

ReportOutcome printChosenReport(PrinterSurface& surface, const ReportInput& input,
                                const ReportOptions& options)
{
    if (usesLandscape(input.state.TipoRicerca, input.state.OptS[ColInfo]))
        return StampaOrizzontale(surface, input, options).run();
    return StampaVerticale(surface, input, options).run();
}

} // namespace vellora
