#include "PrintReport.h"

#include "fileinfo/VersionReader.h"
#include "PrintLog.h"
#include "results/AppState.h"
#include "results/Formats.h"
#include "results/RowSource.h"
#include "TextColumns.h"

#include <algorithm>
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
        out.rows = n;

        m_surface.setFont(QStringLiteral("Courier New"), 8);
        m_surface.setPaperSize(PrinterSurface::PaperA4);
        m_surface.setOrientation(m_layout.orientation);
        // Fewer than two lines would never fill a page; the printer's font cannot be that
        // large on A4, but a broken driver answer must not make the loop below endless.
        const int lines = std::max<int>(2, ContaRighePagina(m_surface, m_layout.bodyHeightMm));
        const QString header = headerText(n);
        const QString separator = kIndent + QString(m_layout.separatorWidth, QChar(0x2014));

        int c = 1;
        int lastPercent = -1;
        bool pageClosed = false;
        for (qsizetype i = 1; i <= n; ++i) {
            if (c == 1)
                m_surface.print({Item::txt(header)}, true);
            if (!printRow(i))
                ++out.unreadableRows;
            const int p = progressPercent(i, n);
            if (p != lastPercent && m_opt.progress) {
                lastPercent = p;
                m_opt.progress(p);
            }
            ++c;
            if (c == lines) {
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
            for (int k = 0; k < lines - c; ++k)
                m_surface.printLine(QStringLiteral(" "));
            printFooter(separator);
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
            std::max<qsizetype>(0, m_layout.line3Width - (count.size() + 1) - columnsOf(bracket));
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
        lines << kIndent +
                     (subTitle ? QStringLiteral("Stampa (con Sottocartelle) di ")
                               : QStringLiteral("Stampa di ")) +
                     sanitizeLine(st.folderText());
        lines << kIndent + QStringLiteral("Totale File ") + count + QStringLiteral(" (") + bracket +
                     QStringLiteral(")") + QString(spaces, QLatin1Char(' ')) + QStringLiteral("(") +
                     today.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(")");
        lines << kIndent + dashes;
        lines << kIndent + heading;
        lines << kIndent + dashes;
        return lines.join(kCrLf);
    }

    // Prints row i; false when its file could not be read again.
    bool printRow(qsizetype i)
    {
        const RowSource& rows = m_in.rows;
        PrinterSurface::Items items;
        items.reserve(14);
        items << Item::txt(kIndent + leftColumns(sanitizeLine(rows.text(i, ColName)), 17));
        items << Item::tab(22) << Item::txt(sanitizeLine(rows.text(i, ColExt)));

        // The table's folder, not the one selected now: after the user has moved to
        // another folder the listed files are still where the scan found them.
        const QByteArray path = rows.rowPath(i);
        bool readable = true;

        if (m_size || m_date) {
            FileStat st;
            if (statFile(path, st)) {
                if (m_size) {
                    const QString s = formatSize(st.size);
                    items << Item::tab(37 - int(columnsOf(s))) << Item::txt(s);
                }
                if (m_date) {
                    items << Item::tab(38)
                          << Item::txt(m_layout.landscape ? formatDateShort(st.mtime)
                                                          : formatDateReport(st.mtime));
                }
            } else {
                readable = false;
            }
        }

        VersionData vd;
        if (m_version || m_info) {
            vd = readVersionData(path);
            if (!vd.readable)
                readable = false;
        }
        if (m_version) {
            const QString v = vd.readable ? sanitizeLine(vd.fileVersion) : QString();
            items << Item::tab(m_layout.versionEnd + 1 - int(columnsOf(v))) << Item::txt(v);
        }
        if (m_info) {
            const QString info = vd.readable ? sanitizeLine(vd.info(m_in.state.infoKind)) : QString();
            items << Item::tab(m_layout.infoTab) << Item::txt(leftColumns(info, m_layout.infoCut));
        }
        if (m_folder) {
            items << Item::tab(m_layout.folderTab)
                  << Item::txt(leftColumns(sanitizeLine(rows.text(i, ColFolder)), m_layout.folderCut));
        }
        m_surface.print(items, true);
        return readable;
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
