// The window's two export files as record writers: the text report ("Lista_...txt", a
// six-line header and one fixed-column line per file) and the file for a spreadsheet
// ("ListaExcel_...txt", one tab-separated line per file, no header). Both are written in the
// locale's encoding, every line ending with CR LF.

#include "ColumnLine.h"
#include "FormatWriters.h"

#include "results/AppState.h"
#include "results/Formats.h"

namespace vellora {

namespace {

constexpr qsizetype kNameChars = 17;
constexpr qsizetype kLastFieldChars = 44;
constexpr qsizetype kReportWidth = 111;
constexpr qsizetype kInfoNameWidth = 21;
// A comparison's state ("modificato" and a blank) stands before the name; the line keeps its
// width, the last field gives up as many characters.
constexpr qsizetype kStateColumns = 11;

// The cells of the window's files read what the table shows, control characters as "?".
QString sizeText(const ExportRecord& r)
{
    return r.statted ? formatSize(r.size) : QString();
}

QString dateText(const ExportRecord& r)
{
    return r.statted ? formatDateReport(r.mtime) : QString();
}

QString lastFieldText(const ExportRecord& r, Field f, InfoKind kind, qsizetype chars = kLastFieldChars)
{
    const QString text = sanitizeLine(f == Field::Folder ? r.folder : r.version.info(kind));
    return leftChars(text, chars).toString();
}

class TextReportWriter : public TextRecordWriter
{
public:
    TextReportWriter(QIODevice& out, const WriterSetup& setup)
        : TextRecordWriter(out, setup), m_shift(setup.listing.comparison ? kStateColumns : 0)
    {
        m_sink.useLocaleEncoding();
    }

    bool begin() override
    {
        const ListingFacts& l = m_setup.listing;
        const QString crlf = QStringLiteral("\r\n");
        const QString dashes(kReportWidth, QChar(0x2014));
        const QString count = QString::number(l.files);
        const QString bracket = sanitizeLine(l.bracket);
        const qsizetype gap = 85 - (count.size() + 1) - charCount(bracket);

        QString& h = m_sink.text();
        h += sanitizeLine(l.systemLine) + crlf;
        if (l.comparison)
            h += QStringLiteral("Confronto di ");
        else
            h += l.subfolders ? QStringLiteral("Esporta (con Sottocartelle): ") : QStringLiteral("Esporta: ");
        h += sanitizeLine(listingTitle(l)) + crlf;
        h += QStringLiteral("Totale File ") + count + QStringLiteral(" (") + bracket + QLatin1Char(')');
        // A bracket text too long for the line gets no padding rather than a negative one.
        h += QString(qMax<qsizetype>(gap, 0), QLatin1Char(' '));
        h += QLatin1Char('(') + formatDay(l.when.date()) + QLatin1Char(')') + crlf;
        h += dashes + crlf;
        if (m_shift > 0)
            h += QStringLiteral("Stato").leftJustified(m_shift);
        h += QStringLiteral("Nome File         Ext  Dimensione Data Ult. Modif.");
        if (l.subfolders)
            h += QStringLiteral("        Versione Cartella");
        else
            h += QStringLiteral("        Versione ") +
                 infoReportName(m_setup.infoKind).leftJustified(kInfoNameWidth, u' ', true);
        h += crlf;
        h += dashes + crlf;
        return m_sink.flushIfFull() || failed();
    }

    // Each field starts in its column; a field that runs past the next one's column pushes
    // that one onto a line of its own (ColumnLine::tab).
    bool write(const ExportRecord& r) override
    {
        ColumnLine line(m_sink.text());
        const qsizetype at = m_shift;
        for (const Field f : m_setup.fields) {
            switch (f) {
            case Field::State:
                line.write(leftChars(r.state, kStateColumns - 1));
                break;
            case Field::Name:
                line.tab(1 + at);
                line.write(leftChars(sanitizeLine(r.name), kNameChars));
                break;
            case Field::Extension:
                line.tab(19 + at);
                line.write(sanitizeLine(r.extension));
                break;
            case Field::Size: {
                const QString size = sizeText(r);
                line.tab(34 + at - charCount(size));
                line.write(size);
                break;
            }
            case Field::Date:
                line.tab(35 + at);
                line.write(dateText(r));
                break;
            case Field::Version: {
                const QString version = sanitizeLine(r.version.fileVersion);
                line.tab(67 + at - charCount(version));
                line.write(version);
                break;
            }
            case Field::Info:
            case Field::Folder:
                line.tab(68 + at);
                line.write(lastFieldText(r, f, m_setup.infoKind, kLastFieldChars - at));
                break;
            case Field::Checksum:
            case Field::Changes:
            case Field::Previous:
                break;
            }
        }
        line.endLine();
        return m_sink.flushIfFull() || failed();
    }

private:
    qsizetype m_shift;
};

// Every text field goes through appendSpreadsheetField: spreadsheets read this file, and
// would otherwise take some names for formulas or for quoted texts.
class TabbedWriter : public TextRecordWriter
{
public:
    TabbedWriter(QIODevice& out, const WriterSetup& setup, bool separateName)
        : TextRecordWriter(out, setup), m_separateName(separateName)
    {
        m_sink.useLocaleEncoding();
    }

    bool begin() override { return true; }

    bool write(const ExportRecord& r) override
    {
        QString& out = m_sink.text();
        const QChar tab = QLatin1Char('\t');
        // A comparison's state and what changed come first.
        for (const Field f : m_setup.fields) {
            if (f == Field::State || f == Field::Changes) {
                appendSpreadsheetField(out, textCell(r, f, m_setup.infoKind));
                out += tab;
            }
        }
        const QString name = sanitizeLine(r.name);
        const QString ext = sanitizeLine(r.extension);
        if (m_separateName) {
            appendSpreadsheetField(out, leftChars(name, kNameChars));
            out += tab;
            appendSpreadsheetField(out, ext);
        } else {
            // The one-field layout always writes the dot, also for a name without extension.
            appendSpreadsheetField(out, leftChars(name, kNameChars).toString() + u'.' + ext);
        }
        for (const Field f : m_setup.fields) {
            switch (f) {
            case Field::Name:
            case Field::Extension:
            case Field::Checksum:
            case Field::State:
            case Field::Changes:
            case Field::Previous:
                continue;
            case Field::Size:
                out += tab;
                out += sizeText(r);
                break;
            case Field::Date:
                out += tab;
                out += dateText(r);
                break;
            case Field::Version:
                out += tab;
                appendSpreadsheetField(out, sanitizeLine(r.version.fileVersion));
                break;
            case Field::Info:
            case Field::Folder:
                out += tab;
                appendSpreadsheetField(out, lastFieldText(r, f, m_setup.infoKind));
                break;
            }
        }
        out += QLatin1String("\r\n");
        return m_sink.flushIfFull() || failed();
    }

private:
    bool m_separateName;
};

} // namespace

std::unique_ptr<RecordWriter> makeTextReportWriter(QIODevice& out, const WriterSetup& setup)
{
    return std::make_unique<TextReportWriter>(out, setup);
}

std::unique_ptr<RecordWriter> makeTabbedWriter(QIODevice& out, const WriterSetup& setup, bool separateName)
{
    return std::make_unique<TabbedWriter>(out, setup, separateName);
}

} // namespace vellora
