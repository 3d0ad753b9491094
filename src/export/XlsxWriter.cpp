// The list as an Excel workbook, written with libxlsxwriter in its constant-memory mode:
// each row goes to the library's scratch file as it comes, so a million rows take no more
// memory than ten. Sizes are numbers, dates real date cells, every other cell a text (a
// name that looks like a formula stays a name). The zip is composed in a scratch file of
// our own and copied to the device, which may be a stream that cannot seek.
//
// All scratch files live in the system's temporary folder: they take six to nine times the
// workbook's size, which the target's disk need not have. None keeps a name that a stop
// could leave behind: our zip never has one, the library's lose theirs as they are made.

#include "FormatWriters.h"

#include "system/ErrorText.h"
#include "system/NumberLocale.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>
#include <xlsxwriter.h>

namespace vellora {

namespace {

constexpr lxw_row_t kSheetRows = 1048576; // the most a sheet holds, heading included
constexpr int kLongestText = 32767;       // the most a cell holds
constexpr double kWidestColumn = 80;
constexpr double kDateWidth = 17;

// Days since 30/12/1899 in local time, as spreadsheets count them; nothing for a time they
// cannot show (before 1900 or after 9999). Spreadsheets count a 29 February 1900 that never
// was: the days before March 1900 are one lower.
std::optional<double> serialDate(std::int64_t secs)
{
    const std::optional<LocalTime> t = localTime(secs);
    if (!t || t->year < 1900)
        return std::nullopt;
    const double days = double(secs + t->offsetSecs) / 86400.0 + 25569.0;
    return days < 61 ? days - 1 : days;
}

QString libraryCause(lxw_error e)
{
    switch (e) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("memoria esaurita");
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
        return QStringLiteral("impossibile scrivere i file di lavoro temporanei");
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return QStringLiteral("errore nella compressione della cartella di lavoro");
    default:
        return QStringLiteral("errore nella composizione della cartella di lavoro (codice %1)").arg(int(e));
    }
}

// The file the library composes the zip in. It is made without a name (O_TMPFILE, or
// unlinked at once) and the library opens it again through /proc/self/fd; only where /proc
// is missing does it keep its name until the writer is done.
class ScratchZip
{
public:
    ScratchZip() = default;
    ~ScratchZip()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_named.isEmpty())
            ::unlink(m_named.constData());
    }
    ScratchZip(const ScratchZip&) = delete;
    ScratchZip& operator=(const ScratchZip&) = delete;

    // False with errno set.
    [[nodiscard]] bool open(const QByteArray& folder)
    {
        m_fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd >= 0 && reachable())
            return true;
        if (m_fd >= 0)
            ::close(m_fd);
        m_named = folder + "/.vellora-XXXXXX.xlsx";
        m_fd = ::mkostemps(m_named.data(), 5, O_CLOEXEC);
        if (m_fd < 0) {
            m_named.clear();
            return false;
        }
        if (reachable()) {
            ::unlink(m_named.constData());
            m_named.clear();
        } else {
            m_path = m_named;
        }
        return true;
    }
    [[nodiscard]] int fd() const { return m_fd; }
    // The name the library opens.
    [[nodiscard]] const QByteArray& path() const { return m_path; }

private:
    bool reachable()
    {
        m_path = "/proc/self/fd/" + QByteArray::number(m_fd);
        return ::access(m_path.constData(), W_OK) == 0;
    }

    int m_fd = -1;
    QByteArray m_path;
    QByteArray m_named;
};

// The library tells its failures on the standard error, in English and with its source
// lines, before returning them; vellora-list's one Italian line says it all, so they are
// sent nowhere while the library works. Nothing else of ours writes there meanwhile but
// the progress line on a terminal, which the compression keeps at its end anyway.
class QuietStandardError
{
public:
    QuietStandardError() : m_saved(::dup(STDERR_FILENO))
    {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStandardError()
    {
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int m_saved;
};

class XlsxWriter : public RecordWriter
{
public:
    XlsxWriter(QIODevice& out, const WriterSetup& setup) : m_out(out), m_setup(setup) {}

    ~XlsxWriter() override
    {
        if (m_book)
            lxw_workbook_free(m_book); // discards an unfinished workbook without writing it
    }

    bool begin() override
    {
        const CNumbersHere cNumbers;
        m_tmpdir = QFile::encodeName(QDir::tempPath());
        errno = 0;
        if (!m_scratch.open(m_tmpdir))
            return fail(errnoCause(errno));

        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_tmpdir.data();
        options.use_zip64 = m_setup.listing.files >= qsizetype(kSheetRows) ? LXW_TRUE : LXW_FALSE;
        errno = 0;
        const QuietStandardError quiet;
        m_book = workbook_new_opt(m_scratch.path().constData(), &options);
        if (!m_book)
            return fail(errnoCause(errno, QStringLiteral("impossibile creare la cartella di lavoro")));
        // The export's own time, so the same choices give the same workbook.
        m_title = xmlLine((m_setup.listing.comparison ? QStringLiteral("Confronto - ")
                                                      : QStringLiteral("Lista - ")) +
                          listingTitle(m_setup.listing))
                      .toUtf8();
        lxw_doc_properties props{};
        props.title = m_title.data();
        props.created = std::time_t(m_setup.listing.when.toSecsSinceEpoch());
        workbook_set_properties(m_book, &props);

        m_bold = workbook_add_format(m_book);
        format_set_bold(m_bold);
        m_number = workbook_add_format(m_book);
        format_set_num_format(m_number, "#,##0");
        m_date = workbook_add_format(m_book);
        format_set_num_format(m_date, "dd/mm/yyyy hh:mm");
        return addSheet();
    }

    bool write(const ExportRecord& r) override
    {
        const CNumbersHere cNumbers;
        if (m_row >= kSheetRows && !(closeSheet() && addSheet()))
            return false;
        for (qsizetype i = 0; i < m_setup.fields.size(); ++i) {
            const auto col = lxw_col_t(i);
            const Field f = m_setup.fields[i];
            lxw_error e = LXW_NO_ERROR;
            errno = 0;
            if (f == Field::Size) {
                if (r.statted) {
                    e = worksheet_write_number(m_sheet, m_row, col, double(r.size), m_number);
                    const int digits = int(QByteArray::number(qint64(r.size)).size());
                    widen(i, digits + (digits - 1) / 3);
                }
            } else if (f == Field::Date) {
                if (const std::optional<double> day = r.statted ? serialDate(r.mtime) : std::nullopt)
                    e = worksheet_write_number(m_sheet, m_row, col, *day, m_date);
            } else {
                e = writeText(m_row, col, textCell(r, f, m_setup.infoKind), i);
            }
            if (e != LXW_NO_ERROR)
                return libraryFailed(e, errno);
        }
        ++m_row;
        return true;
    }

    bool finish() override
    {
        {
            const CNumbersHere cNumbers;
            if (!closeSheet() || !writeFacts())
                return false;
        }
        const auto [e, err] = closeBook();
        if (e != LXW_NO_ERROR)
            return libraryFailed(e, err);
        // A stop asked for while the zip was made: the workbook goes no further.
        if (m_setup.interrupt && m_setup.interrupt->load())
            return false;
        return copyToDevice();
    }

private:
    bool addSheet()
    {
        ++m_sheets;
        const QByteArray name = m_sheets == 1 ? QByteArray("Lista") : "Lista " + QByteArray::number(m_sheets);
        m_sheet = workbook_add_worksheet(m_book, name.constData());
        if (!m_sheet)
            return fail(QStringLiteral("impossibile aggiungere il foglio %1").arg(QString::fromLatin1(name)));
        m_widths.assign(std::size_t(m_setup.fields.size()), 0.0);
        for (qsizetype i = 0; i < m_setup.fields.size(); ++i) {
            const lxw_error e = writeText(0, lxw_col_t(i), m_setup.headings.value(i), i, m_bold);
            if (e != LXW_NO_ERROR)
                return libraryFailed(e, errno);
            if (m_setup.fields[i] == Field::Date)
                widen(i, kDateWidth);
        }
        worksheet_freeze_panes(m_sheet, 1, 0);
        m_row = 1;
        return true;
    }

    bool closeSheet()
    {
        const auto last = lxw_col_t(m_setup.fields.size() - 1);
        for (std::size_t i = 0; i < m_widths.size(); ++i)
            worksheet_set_column(m_sheet, lxw_col_t(i), lxw_col_t(i), m_widths[i] + 2, nullptr);
        const lxw_error e = worksheet_autofilter(m_sheet, 0, 0, m_row - 1, last);
        return e == LXW_NO_ERROR || libraryFailed(e, errno);
    }

    // The report header's facts, on a sheet of their own after the list.
    bool writeFacts()
    {
        lxw_worksheet* sheet = workbook_add_worksheet(m_book, "Informazioni");
        if (!sheet)
            return fail(QStringLiteral("impossibile aggiungere il foglio Informazioni"));
        const ListingFacts& l = m_setup.listing;
        lxw_row_t row = 0;
        double widest = 12;
        const auto label = [&](const char* text) { worksheet_write_string(sheet, row, 0, text, m_bold); };
        const auto text = [&](const char* name, const QString& value) {
            label(name);
            const QByteArray utf8 = xmlLine(value.left(kLongestText)).toUtf8();
            worksheet_write_string(sheet, row++, 1, utf8.constData(), nullptr);
            widest = std::max(widest, double(value.size()));
        };
        const auto number = [&](const char* name, double value) {
            label(name);
            worksheet_write_number(sheet, row++, 1, value, nullptr);
        };
        text("Sistema", l.systemLine);
        if (l.comparison) {
            text("Prima", l.comparison->before);
            text("Dopo", l.comparison->after);
            for (const auto& [state, count] : l.comparison->counts)
                number(state.toUtf8().constData(), double(count));
            number("Totale File", double(l.files));
        } else {
            text("Cartella", l.folder);
            text("Pattern", l.pattern);
            if (!l.filters.isEmpty())
                text("Filtri", l.filters);
            text("Ricerca in", l.scope);
            number("Totale File", double(l.files));
            number("Cartelle Controllate", double(l.folders));
        }
        text("Ordinamento", l.order);
        label("Data");
        if (const std::optional<double> day = serialDate(l.when.toSecsSinceEpoch()))
            worksheet_write_number(sheet, row, 1, *day, m_date);
        ++row;
        if (m_setup.checksum)
            text("Checksum", QStringLiteral("SHA-256"));
        worksheet_set_column(sheet, 0, 0, 22, nullptr);
        worksheet_set_column(sheet, 1, 1, std::min(widest, kWidestColumn) + 2, nullptr);
        return true;
    }

    lxw_error writeText(lxw_row_t row, lxw_col_t col, const QString& text, qsizetype field,
                        lxw_format* format = nullptr)
    {
        if (text.isEmpty())
            return LXW_NO_ERROR;
        // Cut first: the cut may part a surrogate pair, whose half then becomes "?".
        const QString cut = xmlLine(text.size() > kLongestText ? text.left(kLongestText) : text);
        widen(field, double(cut.size()));
        const QByteArray utf8 = cut.toUtf8();
        return worksheet_write_string(m_sheet, row, col, utf8.constData(), format);
    }

    void widen(qsizetype field, double chars)
    {
        double& w = m_widths[std::size_t(field)];
        w = std::max(w, std::min(chars, kWidestColumn));
    }

    // Writes the zip (the library's close: it frees the workbook whatever happens). The
    // close cannot be stopped once begun, so it runs on a thread of its own while this one
    // keeps the caller informed; errno is the close's own.
    std::pair<lxw_error, int> closeBook()
    {
        lxw_workbook* book = std::exchange(m_book, nullptr);
        const QuietStandardError quiet;
        const auto close = [book] {
            const CNumbersHere cNumbers;
            errno = 0;
            const lxw_error e = workbook_close(book);
            return std::pair{e, errno};
        };
        std::future<std::pair<lxw_error, int>> closed;
        try {
            closed = std::async(std::launch::async, close);
        } catch (const std::system_error&) {
            return close(); // no thread to be had: the caller waits without news
        }
        while (closed.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            if (m_setup.waiting)
                m_setup.waiting();
        return closed.get();
    }

    bool copyToDevice()
    {
        std::vector<char> block(std::size_t(1) << 20);
        for (off_t at = 0;;) {
            errno = 0;
            const ssize_t got = ::pread(m_scratch.fd(), block.data(), block.size(), at);
            if (got < 0)
                return fail(errnoCause(errno));
            if (got == 0)
                return true;
            at += got;
            errno = 0;
            if (m_out.write(block.data(), got) != got)
                return fail(errnoCause(errno, m_out.errorString()));
        }
    }

    bool libraryFailed(lxw_error e, int err)
    {
        // The library gives up on a failed write of its scratch files without a cause of its
        // own; errno still holds the system's.
        return fail(err != 0 ? errnoCause(err) : libraryCause(e));
    }

    bool fail(const QString& cause)
    {
        if (m_error.isEmpty())
            m_error = cause;
        return false;
    }

    QIODevice& m_out;
    WriterSetup m_setup;
    ScratchZip m_scratch;
    QByteArray m_tmpdir;
    QByteArray m_title;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_bold = nullptr;
    lxw_format* m_number = nullptr;
    lxw_format* m_date = nullptr;
    lxw_row_t m_row = 0;
    int m_sheets = 0;
    std::vector<double> m_widths;
};

} // namespace

std::unique_ptr<RecordWriter> makeXlsxWriter(QIODevice& out, const WriterSetup& setup)
{
    return std::make_unique<XlsxWriter>(out, setup);
}

} // namespace vellora
