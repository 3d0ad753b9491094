// The list as one web page: the header facts, a table of the chosen columns, a style for
// paper, and a few lines of script that sort the table by a click on a heading. The page
// loads nothing from anywhere and is complete without its script; every text is escaped.

#include "FormatWriters.h"

#include "results/Formats.h"

#include <QIODevice>

namespace vellora {

namespace {

// Every text of the page comes through here: one line each, characters XML and HTML do not
// allow as "?", markup escaped.
void appendEscaped(QString& out, const QString& text)
{
    for (const QChar c : xmlLine(text)) {
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

const char kStyle[] =
    R"(body{font:13px/1.35 "DejaVu Sans",Verdana,sans-serif;margin:1.2em;color:#222;background:#fff}
h1{font-size:1.25em;margin:0 0 .5em}
dl{display:grid;grid-template-columns:max-content auto;gap:.1em 1.2em;margin:0 0 1em}
dt{font-weight:bold}dd{margin:0}
table{border-collapse:collapse}
th,td{border:1px solid #c8c8c8;padding:.15em .5em;text-align:left;vertical-align:top;white-space:nowrap}
th{background:#e8ecf2;position:sticky;top:0;cursor:pointer}
tbody tr:nth-child(even){background:#f6f7f9}
th[aria-sort=ascending]::after{content:" \25B2"}th[aria-sort=descending]::after{content:" \25BC"}
@media print{body{margin:0;font-size:8pt}th{position:static;background:none;cursor:auto}
thead{display:table-header-group}tr{break-inside:avoid}tbody tr:nth-child(even){background:none}
th,td{border-color:#888}}
)";

// Sorts the rows by the clicked column: numbers by their data-v value (sizes, dates), text
// in the Italian order. Rows are moved, not rebuilt, so a large page stays responsive.
const char kScript[] = R"((function(){var t=document.getElementById("lista");if(!t||!t.tHead)return;
var b=t.tBodies[0],hs=t.tHead.rows[0].cells,co=new Intl.Collator("it",{numeric:true});
Array.prototype.forEach.call(hs,function(h,i){h.tabIndex=0;h.onkeydown=function(e){if(e.key==="Enter")h.onclick()};
h.onclick=function(){var up=h.getAttribute("aria-sort")!=="ascending",n=h.hasAttribute("data-n");
Array.prototype.forEach.call(hs,function(x){x.removeAttribute("aria-sort")});h.setAttribute("aria-sort",up?"ascending":"descending");
var rs=Array.prototype.map.call(b.rows,function(r){var c=r.cells[i],v=n?c.getAttribute("data-v"):c.textContent;return[n?(v===null?-Infinity:Number(v)):v,r]});
rs.sort(function(x,y){var o=n?(x[0]<y[0]?-1:x[0]>y[0]?1:0):co.compare(x[0],y[0]);return up?o:-o});
var f=document.createDocumentFragment();rs.forEach(function(x){f.appendChild(x[1])});b.appendChild(f)}})})();
)";

class HtmlWriter : public TextRecordWriter
{
public:
    using TextRecordWriter::TextRecordWriter;

    bool begin() override
    {
        const ListingFacts& l = m_setup.listing;
        QString& out = m_sink.text();
        out += QLatin1String("<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"utf-8\">\n"
                             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                             "<title>Lista - ");
        appendEscaped(out, l.folder + l.pattern);
        out += QLatin1String("</title>\n<style>\n");
        out += QLatin1String(kStyle);
        for (qsizetype i = 0; i < m_setup.fields.size(); ++i) {
            if (m_setup.fields[i] == Field::Size)
                out += QStringLiteral("td:nth-child(%1){text-align:right}\n").arg(i + 1);
            else if (m_setup.fields[i] == Field::Checksum)
                out += QStringLiteral("td:nth-child(%1){font:11px monospace}\n").arg(i + 1);
        }
        out += QLatin1String("</style>\n</head>\n<body>\n<h1>Lista dei file</h1>\n<dl>\n");
        const auto fact = [&](const char* label, const QString& value) {
            out += QLatin1String("<dt>");
            out += QLatin1String(label);
            out += QLatin1String("</dt><dd>");
            appendEscaped(out, value);
            out += QLatin1String("</dd>\n");
        };
        fact("Sistema", l.systemLine);
        fact("Cartella", l.folder);
        fact("Pattern", l.pattern);
        fact("Ricerca in", l.scope);
        fact("Totale File", QString::number(l.files));
        fact("Cartelle Controllate", QString::number(l.folders));
        fact("Ordinamento", l.order);
        fact("Data", formatDateTable(l.when.toSecsSinceEpoch()));
        if (m_setup.checksum)
            fact("Checksum", QStringLiteral("SHA-256"));
        out += QLatin1String("</dl>\n<table id=\"lista\">\n<thead><tr>");
        for (qsizetype i = 0; i < m_setup.fields.size(); ++i) {
            const Field f = m_setup.fields[i];
            out +=
                f == Field::Size || f == Field::Date ? QLatin1String("<th data-n>") : QLatin1String("<th>");
            appendEscaped(out, m_setup.headings.value(i));
            out += QLatin1String("</th>");
        }
        out += QLatin1String("</tr></thead>\n<tbody>\n");
        return m_sink.flushIfFull() || failed();
    }

    bool write(const ExportRecord& r) override
    {
        QString& out = m_sink.text();
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
        return m_sink.flushIfFull() || failed();
    }

    bool finish() override
    {
        QString& out = m_sink.text();
        out += QLatin1String("</tbody>\n</table>\n<script>\n");
        out += QLatin1String(kScript);
        out += QLatin1String("</script>\n</body>\n</html>\n");
        return m_sink.flush() || failed();
    }
};

} // namespace

std::unique_ptr<RecordWriter> makeHtmlWriter(QIODevice& out, const WriterSetup& setup)
{
    return std::make_unique<HtmlWriter>(out, setup);
}

} // namespace vellora
