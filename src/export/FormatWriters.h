#pragma once
// The record writers, one per export format, fed row by row in the table's order: the window's
// text report and tab-separated file, CSV, the workbook, the page and JSON lines. Text formats
// go straight to the device in chunks; the workbook is composed in scratch files of the
// system's temporary folder (its zip needs seeking) and copied to the device when complete.

#include "ExportRecords.h"
#include "results/RowSource.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QDateTime>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

class QIODevice;

namespace vellora {

// What the report headers tell about the listing, for the text report, the page and the
// workbook.
struct ListingFacts
{
    QString systemLine;
    QString folder; // ends with "/"
    QString pattern;
    // The filters beyond the masks, as titles tell them ("esclusi .git; da 1 MB"); empty when
    // none was on.
    QString filters;
    QString scope; // "Cartella Selezionata" or "Sottocartelle"
    QString order; // the order's caption, or "Nessun ordinamento"
    qsizetype files = 0;
    std::uint64_t folders = 0; // folders the scan looked into
    QDateTime when;            // when the export runs
    bool subfolders = false;   // the scope is "Sottocartelle"
    // The text report's bracket: the order's caption (none without an order),
    // " - Cartelle Controllate " and the folders; a comparison's counts by state.
    QString bracket;

    // The folder and the pattern, then the filters in brackets when any was on: the title
    // that names what was listed.
    [[nodiscard]] QString title() const
    {
        return filters.isEmpty() ? folder + pattern
                                 : folder + pattern + QStringLiteral("  (") + filters + QLatin1Char(')');
    }
    // The rows are a comparison: what was compared with what, the counts by state.
    std::optional<ComparedListing> comparison;
};

// What the titles of reports and exports name: the folder and pattern listed, or the two
// sides of a comparison ("elenco.jsonl con /srv/app/").
[[nodiscard]] QString listingTitle(const ListingFacts& listing);

// The cells a row shows, in the table's order: name, extension, then the columns of the
// export profile, the folder, and the checksum when asked for. The text report and the
// tab-separated file show the folder only with subfolders, in the place of the info.
// A comparison's rows also show their state, the facts that changed and, for a moved file,
// its path before.
enum class Field { Name, Extension, Size, Date, Version, Info, Folder, Checksum, State, Changes, Previous };

struct WriterSetup
{
    ListingFacts listing;
    QList<Field> fields;
    QStringList headings; // one per field
    InfoKind infoKind = InfoKind::CompanyName;
    QChar separator = QLatin1Char(','); // CSV
    bool checksum = false;              // JSON lines: the sha256 member
    // The workbook's last step, its compression, takes seconds for a million rows and runs
    // to its end once begun: meanwhile waiting is called about 20 times a second (the
    // window stays live), and an interrupt set by then drops the finished workbook.
    const std::atomic_bool* interrupt = nullptr;
    std::function<void()> waiting;
};

class RecordWriter
{
public:
    virtual ~RecordWriter() = default;
    // False with error() set (an Italian cause, without the file's name) when a write fails.
    [[nodiscard]] virtual bool begin() = 0;
    [[nodiscard]] virtual bool write(const ExportRecord& record) = 0;
    [[nodiscard]] virtual bool finish() = 0;
    [[nodiscard]] const QString& error() const { return m_error; }
    // What the closing message adds about what this format left out (Italian lines).
    [[nodiscard]] virtual QStringList notes() const { return {}; }

protected:
    QString m_error;
};

// The devices must outlive the writers.
[[nodiscard]] std::unique_ptr<RecordWriter> makeTextReportWriter(QIODevice& out, const WriterSetup& setup);
[[nodiscard]] std::unique_ptr<RecordWriter> makeTabbedWriter(QIODevice& out, const WriterSetup& setup,
                                                             bool separateName);
[[nodiscard]] std::unique_ptr<RecordWriter> makeCsvWriter(QIODevice& out, const WriterSetup& setup);
[[nodiscard]] std::unique_ptr<RecordWriter> makeHtmlWriter(QIODevice& out, const WriterSetup& setup);
[[nodiscard]] std::unique_ptr<RecordWriter> makeJsonLinesWriter(QIODevice& out, const WriterSetup& setup);
[[nodiscard]] std::unique_ptr<RecordWriter> makeXlsxWriter(QIODevice& out, const WriterSetup& setup);
// A checksum list that sha256sum -c reads: "HEX  PATH" for every file of the listed folder
// that has a checksum, by its path inside that folder.
[[nodiscard]] std::unique_ptr<RecordWriter> makeManifestWriter(QIODevice& out, const WriterSetup& setup);

// A time broken down, with its offset from UTC: one conversion serves every format.
struct LocalTime
{
    int year, month, day, hour, minute, second;
    int offsetSecs; // east of UTC
};
// Local time, or nothing for a time outside the years 1 to 9999 there: no reader of ISO
// dates or spreadsheet takes a five-digit year, and such a date is written as unknown.
[[nodiscard]] std::optional<LocalTime> localTime(std::int64_t secs);
// The same in UTC (offset 0).
[[nodiscard]] std::optional<LocalTime> utcTime(std::int64_t secs);
// "yyyy-mm-dd hh:mm:ss" (middle ' ') or "yyyy-mm-ddThh:mm:ss" (middle 'T').
void appendDateTime(QString& out, const LocalTime& t, QChar middle);
// ISO 8601 with the offset ("+hh:mm", "-hh:mm"); in UTC ("Z") where the offset has seconds
// (the local mean times of the 19th century: +00:49:56 in Rome), which ISO cannot write.
void appendIsoTime(QString& out, std::int64_t secs, const LocalTime& local);

// The text of a cell that holds text (name, extension, version, info, folder, checksum),
// control characters shown as "?" so one file stays one line; empty for the others.
[[nodiscard]] QString textCell(const ExportRecord& record, Field field, InfoKind kind);

// One line of text for the workbook's XML and the page: what sanitizeLine replaces, and
// every character XML 1.0 does not allow (U+FFFE, U+FFFF, a surrogate without its pair), as
// "?". One such character in a name would make the whole sheet unreadable.
[[nodiscard]] QString xmlLine(const QString& text);
// The character xmlLine puts at position i of text (the page escapes text by characters).
[[nodiscard]] QChar lineChar(QStringView text, qsizetype i);

// Where a record's file lies inside the listed folder: its path below it, "/"-separated, by
// which a later listing of the folder, or one of a copy elsewhere, is compared.
class RelativePath
{
public:
    // The listed folder as the listing's facts name it (ending with "/").
    explicit RelativePath(const QString& listedFolder);
    // Nothing for a record outside the listed folder.
    [[nodiscard]] std::optional<QByteArray> of(const ExportRecord& record) const;

private:
    QByteArray m_listedBytes;
    qsizetype m_listedSlashes = 0;
};

// Encodes text as UTF-8 and hands it to a device in large chunks; remembers the first
// failure with its Italian cause.
class Utf8Sink
{
public:
    explicit Utf8Sink(QIODevice& out) : m_out(out) {}
    // The window's two files are written in the locale's encoding instead (UTF-8 on Linux).
    void useLocaleEncoding() { m_encoder.emplace(QStringConverter::System); }
    QString& text() { return m_text; }
    // Writes what is gathered once it is large; false after a failed write.
    [[nodiscard]] bool flushIfFull() { return m_text.size() < kChunkChars || flush(); }
    [[nodiscard]] bool flush();
    [[nodiscard]] bool write(const QByteArray& bytes);
    [[nodiscard]] const QString& error() const { return m_error; }

private:
    static constexpr qsizetype kChunkChars = 64 * 1024;
    QIODevice& m_out;
    QString m_text;
    QString m_error;
    std::optional<QStringEncoder> m_encoder;
};

// The text formats: records gathered in a UTF-8 sink and written in chunks.
class TextRecordWriter : public RecordWriter
{
public:
    TextRecordWriter(QIODevice& out, const WriterSetup& setup) : m_sink(out), m_setup(setup) {}
    [[nodiscard]] bool finish() override { return m_sink.flush() || failed(); }

protected:
    // Takes the sink's error; false, so that a writer can return it.
    [[nodiscard]] bool failed()
    {
        m_error = m_sink.error();
        return false;
    }

    Utf8Sink m_sink;
    WriterSetup m_setup;
};

} // namespace vellora
