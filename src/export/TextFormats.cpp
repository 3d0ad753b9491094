// The plain-text formats: CSV for spreadsheets, JSON lines for scripts, and the checksum list
// for sha256sum -c.

#include "ChecksumLine.h"
#include "FormatWriters.h"

#include "results/Formats.h"

#include <algorithm>
#include <QIODevice>

namespace vellora {

namespace {

// RFC 4180: a field is quoted when it holds the separator, a double quote or a line break,
// its quotes doubled. A text a spreadsheet would run as a formula gets the apostrophe of
// the file "per Excel": spreadsheets open CSV files as readily as their own.
void appendCsvField(QString& out, QStringView field, QChar separator)
{
    if (looksLikeFormula(field)) {
        const QString text = QLatin1Char('\'') + field.toString();
        appendCsvField(out, text, separator);
        return;
    }
    bool quote = false;
    for (const QChar c : field) {
        if (c == separator || c == u'"' || c == u'\n' || c == u'\r') {
            quote = true;
            break;
        }
    }
    if (quote)
        appendQuoted(out, field);
    else
        out += field;
}

class CsvWriter : public TextRecordWriter
{
public:
    using TextRecordWriter::TextRecordWriter;

    bool begin() override
    {
        // The byte-order mark is what tells a spreadsheet that the file is UTF-8.
        if (!m_sink.write(QByteArray("\xEF\xBB\xBF")))
            return failed();
        QString& out = m_sink.text();
        for (qsizetype i = 0; i < m_setup.headings.size(); ++i) {
            if (i > 0)
                out += m_setup.separator;
            appendCsvField(out, sanitizeLine(m_setup.headings[i]), m_setup.separator);
        }
        out += QLatin1String("\r\n");
        return true;
    }

    bool write(const ExportRecord& r) override
    {
        QString& out = m_sink.text();
        bool first = true;
        for (const Field f : m_setup.fields) {
            if (!first)
                out += m_setup.separator;
            first = false;
            switch (f) {
            case Field::Size:
                if (r.statted)
                    out += QString::number(r.size);
                break;
            case Field::Date:
                // ISO order: every spreadsheet reads it as a date, whatever its locale.
                if (const std::optional<LocalTime> t = r.statted ? localTime(r.mtime) : std::nullopt)
                    appendDateTime(out, *t, QLatin1Char(' '));
                break;
            default:
                appendCsvField(out, textCell(r, f, m_setup.infoKind), m_setup.separator);
            }
        }
        out += QLatin1String("\r\n");
        return m_sink.flushIfFull() || failed();
    }
};

void appendJsonString(QString& out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    out += u'"';
    // Most texts need no escape at all: they go in whole.
    const bool plain = std::none_of(text.begin(), text.end(),
                                    [](QChar c) { return c.unicode() < 0x20 || c == u'"' || c == u'\\'; });
    if (plain) {
        out += text;
        out += u'"';
        return;
    }
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += u'\\';
            out += c;
        } else if (u < 0x20) {
            switch (u) {
            case u'\n':
                out += QLatin1String("\\n");
                break;
            case u'\r':
                out += QLatin1String("\\r");
                break;
            case u'\t':
                out += QLatin1String("\\t");
                break;
            default:
                out += QLatin1String("\\u00");
                out += QLatin1Char(hex[u >> 4]);
                out += QLatin1Char(hex[u & 15]);
            }
        } else {
            out += c;
        }
    }
    out += u'"';
}

void appendMember(QString& out, QLatin1String key, QStringView value)
{
    out += QLatin1String(",\"");
    out += key;
    out += QLatin1String("\":");
    appendJsonString(out, value);
}

class JsonLinesWriter : public TextRecordWriter
{
public:
    JsonLinesWriter(QIODevice& out, const WriterSetup& setup)
        : TextRecordWriter(out, setup), m_relative(setup.listing.folder),
          m_compared(setup.listing.comparison.has_value())
    {
    }

    bool begin() override { return true; }

    // Names are written exactly (JSON escapes what needs it); bytes that are not UTF-8
    // read as U+FFFD, and then the path's bytes go along in base64 so a script can still
    // reach the file.
    bool write(const ExportRecord& r) override
    {
        QString& out = m_sink.text();
        out += QLatin1String("{\"number\":");
        out += QString::number(r.number);
        if (m_compared) {
            appendMember(out, QLatin1String("state"), r.state);
            out += QLatin1String(",\"changed\":[");
            for (qsizetype i = 0; i < r.changed.size(); ++i) {
                if (i > 0)
                    out += u',';
                appendJsonString(out, r.changed[i]);
            }
            out += u']';
        }
        appendMember(out, QLatin1String("name"), r.name);
        appendMember(out, QLatin1String("extension"), r.extension);
        appendMember(out, QLatin1String("folder"), r.folder);
        const QByteArray path = r.folderBytes + r.nameBytes;
        appendMember(out, QLatin1String("path"), QString::fromUtf8(path));
        if (!QUtf8StringView(path).isValidUtf8())
            appendMember(out, QLatin1String("path_bytes"), QString::fromLatin1(path.toBase64()));
        // Where the file lies inside the listed folder: a listing of a copy elsewhere, or of
        // the same folder later, is compared by it.
        // A comparison's rows come from two folders: each knows its own place.
        if (const std::optional<QByteArray> relative = m_compared ? r.relative : m_relative.of(r))
            appendMember(out, QLatin1String("relative"), QString::fromUtf8(*relative));
        if (m_compared && !r.previous.isEmpty())
            appendMember(out, QLatin1String("previous"), QString::fromUtf8(r.previous));
        out += QLatin1String(",\"size\":");
        out += r.statted ? QString::number(r.size) : QStringLiteral("null");
        out += QLatin1String(",\"modified\":");
        if (const std::optional<LocalTime> t = r.statted ? localTime(r.mtime) : std::nullopt) {
            QString stamp;
            appendIsoTime(stamp, r.mtime, *t);
            appendJsonString(out, stamp);
        } else {
            out += QLatin1String("null");
        }
        const VersionData& v = r.version;
        appendMember(out, QLatin1String("version"), v.fileVersion);
        appendMember(out, QLatin1String("company"), v.companyName);
        appendMember(out, QLatin1String("description"), v.fileDescription);
        appendMember(out, QLatin1String("product"), v.productName);
        if (m_setup.checksum)
            appendMember(out, QLatin1String("sha256"), QString::fromLatin1(r.sha256));
        out += QLatin1String("}\n");
        return m_sink.flushIfFull() || failed();
    }

private:
    RelativePath m_relative;
    bool m_compared;
};

// The lines are bytes: a path is written as the file system has it (sha256sum -c opens it by
// those bytes), escaped by manifestLine where a backslash or a line break is in it.
class ManifestWriter : public RecordWriter
{
public:
    ManifestWriter(QIODevice& out, const WriterSetup& setup)
        : m_sink(out), m_relative(setup.listing.folder), m_compared(setup.listing.comparison.has_value())
    {
    }

    bool begin() override { return true; }

    bool write(const ExportRecord& r) override
    {
        const std::optional<QByteArray> relative = m_compared ? r.relative : m_relative.of(r);
        Sha256 digest;
        if (!relative || relative->isEmpty()) {
            ++m_outside;
            return true;
        }
        if (!parseSha256(std::string_view(r.sha256.constData(), std::size_t(r.sha256.size())), digest)) {
            ++m_unhashed;
            return true;
        }
        m_lines +=
            manifestLine(digest, std::string_view(relative->constData(), std::size_t(relative->size())));
        return m_lines.size() < kChunkBytes || flush();
    }

    bool finish() override { return flush(); }

    QStringList notes() const override
    {
        QStringList out;
        if (m_unhashed > 0)
            out << (m_unhashed == 1
                        ? QStringLiteral("1 file non è nella lista: non si è potuto leggere.")
                        : QStringLiteral("%1 file non sono nella lista: non si sono potuti leggere.")
                              .arg(m_unhashed));
        if (m_outside > 0)
            out << (m_outside == 1
                        ? QStringLiteral("1 file non è nella lista: è fuori dalla cartella elencata.")
                        : QStringLiteral("%1 file non sono nella lista: sono fuori dalla cartella elencata.")
                              .arg(m_outside));
        return out;
    }

private:
    static constexpr qsizetype kChunkBytes = 256 * 1024;

    bool flush()
    {
        if (!m_sink.write(m_lines)) {
            m_error = m_sink.error();
            return false;
        }
        m_lines.resize(0);
        return true;
    }

    Utf8Sink m_sink;
    RelativePath m_relative;
    bool m_compared;
    QByteArray m_lines;
    qsizetype m_unhashed = 0;
    qsizetype m_outside = 0;
};

} // namespace

std::unique_ptr<RecordWriter> makeCsvWriter(QIODevice& out, const WriterSetup& setup)
{
    return std::make_unique<CsvWriter>(out, setup);
}

std::unique_ptr<RecordWriter> makeJsonLinesWriter(QIODevice& out, const WriterSetup& setup)
{
    return std::make_unique<JsonLinesWriter>(out, setup);
}

std::unique_ptr<RecordWriter> makeManifestWriter(QIODevice& out, const WriterSetup& setup)
{
    return std::make_unique<ManifestWriter>(out, setup);
}

} // namespace vellora
