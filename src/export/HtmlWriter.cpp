// The list as one web page: the header facts, the table's headings, and the rows as data —
// blocks of columns in <script type="application/json"> elements — that the page's script
// draws, only the rows in view, so a million files open at once. A small list also comes as
// plain table rows, so that it is complete without script, prints whole and any HTML
// reader gets it. The page loads nothing from anywhere; every text is escaped.

#include "FormatWriters.h"
#include "HtmlPageAssets.h"

#include "results/Formats.h"

#include <ctime>
#include <QHash>
#include <QIODevice>
#include <QLocale>

namespace vellora {

namespace {

// Up to this many files the page also holds the table rows, for readers without script and
// for paper: about a megabyte, and half a second of layout in Chromium before the script
// takes over. Many more would make the page slow to open again.
constexpr qsizetype kTableRows = 5000;
// Rows per data block: blocks are written while the rows come, a few MB each at most.
constexpr int kBlockRows = 20000;

void appendEscaped(QString& out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = lineChar(text, i);
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            out += c;
        }
    }
}

// A JSON string that can sit inside a <script> element: "<", ">" and "&" are escaped, so no
// text can end the element ("</script") or change how it is read ("<!--"), and the line
// separators are escaped for readers that take JSON for JavaScript.
void appendJsonString(QString& out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    out += QLatin1Char('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = lineChar(text, i);
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u < 0x20 || u == u'<' || u == u'>' || u == u'&' || u == 0x2028 || u == 0x2029) {
            out += QLatin1String("\\u");
            for (int shift = 12; shift >= 0; shift -= 4)
                out += QLatin1Char(hex[(u >> shift) & 0xf]);
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
}

const char* fieldKey(Field f)
{
    switch (f) {
    case Field::Name:
        return "name";
    case Field::Extension:
        return "ext";
    case Field::Size:
        return "size";
    case Field::Date:
        return "date";
    case Field::Version:
        return "version";
    case Field::Info:
        return "info";
    case Field::Folder:
        return "folder";
    case Field::Checksum:
        return "sha256";
    case Field::State:
        return "state";
    case Field::Changes:
        return "changes";
    case Field::Previous:
        return "previous";
    }
    return "";
}

// The date as the page shows it: the local time of the export, written as seconds since
// 1970 as if it were UTC, so the page shows what the other formats show wherever it is
// opened. Null where the local time is unknown or past what a browser's dates hold.
void appendWallTime(QString& out, std::int64_t secs)
{
    const auto t = static_cast<std::time_t>(secs);
    std::tm tm{};
    constexpr std::int64_t kBrowserLimit = 8640000000000; // seconds either side of 1970
    if (!::localtime_r(&t, &tm) || secs > kBrowserLimit || secs < -kBrowserLimit) {
        out += QLatin1String("null");
        return;
    }
    out += QString::number(secs + std::int64_t(tm.tm_gmtoff));
}

class HtmlWriter : public TextRecordWriter
{
public:
    HtmlWriter(QIODevice& out, const WriterSetup& setup)
        : TextRecordWriter(out, setup), m_tableRows(setup.listing.files <= kTableRows),
          m_columns(setup.fields.size())
    {
    }

    bool begin() override
    {
        const ListingFacts& l = m_setup.listing;
        QString& out = m_sink.text();
        out += QLatin1String("<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"utf-8\">\n"
                             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                             "<title>");
        appendEscaped(out, (l.comparison ? QStringLiteral("Confronto - ") : QStringLiteral("Lista - ")) +
                               listingTitle(l));
        out += QLatin1String("</title>\n<style>\n");
        out += QLatin1String(page::kStyle);
        for (qsizetype i = 0; i < m_setup.fields.size(); ++i) {
            if (m_setup.fields[i] == Field::Size)
                out += QStringLiteral("td:nth-child(%1){text-align:right}\n").arg(i + 1);
            else if (m_setup.fields[i] == Field::Checksum)
                out += QStringLiteral("td:nth-child(%1){font:11px monospace}\n").arg(i + 1);
        }
        out += l.comparison ? QLatin1String("</style>\n</head>\n<body>\n<h1>Confronto</h1>\n")
                            : QLatin1String("</style>\n</head>\n<body>\n<h1>Lista dei file</h1>\n");
        appendFacts(out);
        if (!m_tableRows) {
            out += QStringLiteral("<noscript><p>Per mostrare i suoi %1 file questa pagina ha bisogno di "
                                  "JavaScript, che qui è disattivato. La stessa lista senza script è "
                                  "l'esportazione CSV (menu File, \"Esporta in altro formato...\", o "
                                  "vellora-list --export csv).</p></noscript>\n"
                                  "<p class=\"stampa\">Sono stampate le sole righe mostrate nella "
                                  "pagina: la lista intera si stampa da Vellora File.</p>\n")
                       .arg(l.files);
        }
        out += QLatin1String("<table id=\"lista\">\n<thead><tr>");
        for (qsizetype i = 0; i < m_setup.fields.size(); ++i) {
            const Field f = m_setup.fields[i];
            out +=
                f == Field::Size || f == Field::Date ? QLatin1String("<th data-n>") : QLatin1String("<th>");
            appendEscaped(out, sanitizeLine(m_setup.headings.value(i)));
            out += QLatin1String("</th>");
        }
        out += QLatin1String("</tr></thead>\n<tbody>\n");
        if (!m_tableRows) {
            out += QLatin1String("</tbody>\n</table>\n");
            appendSetup(out);
        }
        return m_sink.flushIfFull() || failed();
    }

    bool write(const ExportRecord& r) override
    {
        if (m_tableRows)
            appendTableRow(m_sink.text(), r);
        appendToBlock(r);
        if (!m_tableRows && m_blockRows == kBlockRows)
            appendBlock(m_sink.text());
        return m_sink.flushIfFull() || failed();
    }

    bool finish() override
    {
        QString& out = m_sink.text();
        if (m_tableRows) {
            out += QLatin1String("</tbody>\n</table>\n");
            appendSetup(out);
        }
        appendBlock(out);
        out += QLatin1String("<script>\n");
        out += QLatin1String(page::kScript);
        out += QLatin1String("</script>\n</body>\n</html>\n");
        return m_sink.flush() || failed();
    }

private:
    void appendFacts(QString& out) const
    {
        const ListingFacts& l = m_setup.listing;
        out += QLatin1String("<dl>\n");
        const auto fact = [&](const char* label, const QString& value) {
            out += QLatin1String("<dt>");
            out += QLatin1String(label);
            out += QLatin1String("</dt><dd>");
            appendEscaped(out, value);
            out += QLatin1String("</dd>\n");
        };
        fact("Sistema", l.systemLine);
        if (l.comparison) {
            fact("Prima", l.comparison->before);
            fact("Dopo", l.comparison->after);
            for (const auto& [state, count] : l.comparison->counts)
                fact(state.toUtf8().constData(), QString::number(count));
            fact("Totale File", QString::number(l.files));
        } else {
            fact("Cartella", l.folder);
            fact("Pattern", l.pattern);
            if (!l.filters.isEmpty())
                fact("Filtri", l.filters);
            fact("Ricerca in", l.scope);
            fact("Totale File", QString::number(l.files));
            fact("Cartelle Controllate", QString::number(l.folders));
        }
        fact("Ordinamento", l.order);
        fact("Data", formatDateTable(l.when.toSecsSinceEpoch()));
        if (m_setup.checksum)
            fact("Checksum", QStringLiteral("SHA-256"));
        out += QLatin1String("</dl>\n");
    }

    // What the script needs besides the rows: the columns and how numbers and dates are
    // written in the exporter's locale, as the table rows write them.
    void appendSetup(QString& out) const
    {
        out += QLatin1String("<script type=\"application/json\" id=\"vellora-pagina\">{\"fields\":[");
        for (qsizetype i = 0; i < m_setup.fields.size(); ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            appendJsonString(out, QString::fromLatin1(fieldKey(m_setup.fields[i])));
        }
        out += QLatin1String("],\"group\":");
        appendJsonString(out, QLocale().groupSeparator());
        out += QLatin1String(",\"dateSep\":");
        appendJsonString(out, dateSeparator());
        out += QLatin1String(",\"timeSep\":");
        appendJsonString(out, timeSeparator());
        out += QLatin1String(",\"table\":");
        out += m_tableRows ? QLatin1String("true") : QLatin1String("false");
        out += QLatin1String("}</script>\n");
    }

    void appendTableRow(QString& out, const ExportRecord& r) const
    {
        out += QLatin1String("<tr>");
        for (const Field f : m_setup.fields) {
            if (f == Field::Size || f == Field::Date) {
                if (!r.statted || (f == Field::Date && !localTime(r.mtime))) {
                    out += QLatin1String("<td></td>");
                    continue;
                }
                out += QLatin1String("<td data-v=\"");
                out += QString::number(f == Field::Size ? r.size : r.mtime);
                out += QLatin1String("\">");
                out += f == Field::Size ? formatSize(r.size) : formatDateTable(r.mtime);
            } else {
                out += QLatin1String("<td>");
                appendEscaped(out, textCell(r, f, m_setup.infoKind));
            }
            out += QLatin1String("</td>");
        }
        out += QLatin1String("</tr>\n");
    }

    // The row's values, one to each column of the block; a folder is written once, where it
    // first comes, and then named by its number.
    void appendToBlock(const ExportRecord& r)
    {
        const QLatin1String comma(m_blockRows > 0 ? "," : "");
        for (qsizetype i = 0; i < m_setup.fields.size(); ++i) {
            QString& col = m_columns[i];
            col += comma;
            switch (m_setup.fields[i]) {
            case Field::Size:
                if (!r.statted)
                    col += QLatin1String("null");
                else if (r.size > kExactInBrowser || r.size < -kExactInBrowser)
                    col += QLatin1Char('"') + QString::number(r.size) + QLatin1Char('"');
                else
                    col += QString::number(r.size);
                break;
            case Field::Date:
                if (r.statted)
                    appendWallTime(col, r.mtime);
                else
                    col += QLatin1String("null");
                break;
            case Field::Folder: {
                const QString folder = textCell(r, Field::Folder, m_setup.infoKind);
                auto it = m_folderIds.constFind(folder);
                if (it == m_folderIds.constEnd()) {
                    it = m_folderIds.insert(folder, int(m_folderIds.size()));
                    if (!m_newFolders.isEmpty())
                        m_newFolders += QLatin1Char(',');
                    appendJsonString(m_newFolders, folder);
                }
                col += QString::number(*it);
                break;
            }
            default:
                appendJsonString(col, textCell(r, m_setup.fields[i], m_setup.infoKind));
            }
        }
        ++m_blockRows;
    }

    void appendBlock(QString& out)
    {
        if (m_blockRows == 0)
            return;
        out += QLatin1String("<script type=\"application/json\" class=\"vellora-righe\">{\"folders\":[");
        out += m_newFolders;
        out += QLatin1String("],\"cols\":[");
        for (qsizetype i = 0; i < m_columns.size(); ++i) {
            out += i > 0 ? QLatin1String(",[") : QLatin1String("[");
            out += m_columns[i];
            out += QLatin1Char(']');
            m_columns[i].resize(0);
        }
        out += QLatin1String("]}</script>\n");
        m_newFolders.resize(0);
        m_blockRows = 0;
    }

    // Sizes past 2^53 lose digits as a browser's numbers: they are written as text.
    static constexpr std::int64_t kExactInBrowser = std::int64_t(1) << 53;

    const bool m_tableRows;
    QList<QString> m_columns; // the block's values, column by column
    QString m_newFolders;     // the folders first named in this block
    QHash<QString, int> m_folderIds;
    int m_blockRows = 0;
};

} // namespace

std::unique_ptr<RecordWriter> makeHtmlWriter(QIODevice& out, const WriterSetup& setup)
{
    return std::make_unique<HtmlWriter>(out, setup);
}

} // namespace vellora
