#include "ListCommand.h"

#include "fileinfo/FolderPaths.h"
#include "print/HeadlessPrint.h"
#include "print/PrintMessages.h"
#include "print/QtPrinterSurface.h"
#include "results/Formats.h"
#include "results/Listing.h"
#include "results/ResultTable.h"
#include "system/ErrorText.h"
#include "system/Platform.h"
#include "system/SystemData.h"
#include "system/Version.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <cerrno>
#include <string>
#include <string_view>
#include <unistd.h>

namespace vellora {

namespace {

// Writes through one big buffer: a million rows must not cost a million writes.
class BufferedWriter
{
public:
    explicit BufferedWriter(std::FILE* f) : m_file(f) { m_buf.reserve(kFlushAt + 4096); }
    ~BufferedWriter() { flush(); }

    void put(std::string_view s)
    {
        m_buf.append(s);
        if (m_buf.size() >= kFlushAt)
            flush();
    }
    void put(char c) { m_buf.push_back(c); }
    void flush()
    {
        if (!m_buf.empty() && m_ok) {
            errno = 0;
            m_ok = std::fwrite(m_buf.data(), 1, m_buf.size(), m_file) == m_buf.size();
            if (!m_ok)
                m_error = errno;
        }
        m_buf.clear();
    }
    [[nodiscard]] bool finish()
    {
        flush();
        errno = 0;
        if (m_ok && std::fflush(m_file) != 0) {
            m_ok = false;
            m_error = errno;
        }
        return m_ok;
    }
    [[nodiscard]] int error() const { return m_error; }
    [[nodiscard]] bool failed() const { return !m_ok; }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    std::FILE* m_file;
    std::string m_buf;
    bool m_ok = true;
    int m_error = 0;
};

// One cell: control characters become '?' so one file stays one line. Printable ASCII, the
// usual case, goes straight through.
std::string cellBytes(std::string_view bytes)
{
    bool plain = true;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7f) {
            plain = false;
            break;
        }
    }
    if (plain)
        return std::string(bytes);
    return sanitizeLine(QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))).toUtf8().toStdString();
}

std::string cellBytes(const QString& text)
{
    return sanitizeLine(text).toUtf8().toStdString();
}

// Writes out what the standard output still buffers and lets it go. The last bytes of an
// export are written only here: a failure here gives error its cause, unless it has one.
bool closeStandardOutput(QFile& out, QString& error)
{
    errno = 0;
    const bool ok = out.flush();
    if (!ok && error.isEmpty())
        error = errnoCause(errno, out.errorString());
    out.close();
    return ok;
}

// The eight headings as reports and this command name them (info: "Info File" for products).
QStringList reportHeadings(InfoKind kind)
{
    QStringList headings = defaultHeadings();
    headings[ColInfo] = infoReportName(kind);
    return headings;
}

// The description of this machine, as the window reads it at start-up.
SystemData machineSystemData()
{
    SystemData system;
    LeggiPiattaforma(system);
    LeggiVersioneWindows(system);
    return system;
}

} // namespace

ListCommand::ListCommand(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) {}

void ListCommand::say(const QString& line)
{
    // The messages are the window's, whose boxes break the line before the file name.
    QString text = line;
    text.replace(QStringLiteral("\r\n"), QString());
    std::fprintf(m_err, "%s\n", text.toLocal8Bit().constData());
    std::fflush(m_err);
}

void ListCommand::sayUnreadable(qsizetype count, std::uint64_t unlisted)
{
    if (count > 0)
        say(QStringLiteral("vellora-list: ") + unreadableFilesNote(count));
    if (unlisted > 0)
        say(QStringLiteral("vellora-list: ") + unlistedUnreadableNote(unlisted));
}

int ListCommand::run(const QStringList& args)
{
    const ParsedArguments parsed = parseListArguments(args);
    if (!parsed.options) {
        std::fprintf(m_err, "vellora-list: %s\n", parsed.error.toLocal8Bit().constData());
        return kExitUsage;
    }
    return run(*parsed.options);
}

int ListCommand::run(const ListOptions& options)
{
    switch (options.action) {
    case ListOptions::Action::Help: {
        const QByteArray text = listUsage().toUtf8();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), m_out);
        return kExitOk;
    }
    case ListOptions::Action::Version: {
        const QByteArray text = (QStringLiteral("vellora-list ") + programVersionText()).toUtf8();
        std::fprintf(m_out, "%s\n", text.constData());
        return kExitOk;
    }
    case ListOptions::Action::List:
        return list(options);
    case ListOptions::Action::Export:
        return exportList(options);
    case ListOptions::Action::Print:
        return print(options);
    case ListOptions::Action::Printers:
        return listPrinters();
    case ListOptions::Action::Preview:
        return previewPages(options);
    case ListOptions::Action::Compare:
        return compare(options);
    case ListOptions::Action::Verify:
        return verify(options);
    }
    return kExitUsage;
}

int ListCommand::scanInto(const ListOptions& options, ResultTable& table, AppState& state)
{
    // A relative folder is named from the working folder by the C library: Qt's look-up gives
    // no name past the path limit or once the folder was removed, and "." became "/".
    const QByteArray given = fileinfo::pathBytes(options.folder);
    QByteArray absolute;
    const int pathError = given.isEmpty() ? ENOENT : fileinfo::absolutePath(given, absolute);
    if (pathError != 0) {
        say(QStringLiteral("vellora-list: impossibile leggere la cartella %1: %2")
                .arg(options.folder, workingFolderCause(pathError)));
        return kExitFolder;
    }
    if (!absolute.endsWith('/'))
        absolute.append('/');
    // Exports and reports name the folder in their headers as the window does: absolute.
    // The plain listing keeps the folder as it was given, as its folder column always has.
    QByteArray folder = options.action == ListOptions::Action::List ? given : absolute;
    if (!folder.endsWith('/'))
        folder.append('/');
    const int fd = fileinfo::openFolderToRead(folder);
    if (fd < 0) {
        say(QStringLiteral("vellora-list: impossibile leggere la cartella %1: %2")
                .arg(fileinfo::pathText(absolute), errnoCause(errno)));
        return kExitFolder;
    }
    ::close(fd);

    ListingRequest request = options.listing;
    request.folder = folder;
    table.setFactSource(m_facts);
    Listing listing(request, m_scan, &table.facts());
    QElapsedTimer lastProgress;
    lastProgress.start();
    bool progressShown = false;
    const auto endProgress = [&] {
        if (progressShown) {
            std::fputs("\r\033[K", m_err);
            std::fflush(m_err);
            progressShown = false;
        }
    };
    Listing::Hooks hooks;
    if (m_progress)
        hooks.folderEntered = [&](const QByteArray&) {
            if (lastProgress.elapsed() < 100)
                return;
            lastProgress.restart();
            std::fprintf(m_err, "\r%llu file, %llu cartelle",
                         static_cast<unsigned long long>(m_scan.totFile.load()),
                         static_cast<unsigned long long>(m_scan.totCartelle.load()));
            std::fflush(m_err);
            progressShown = true;
        };
    hooks.filling = endProgress;
    listing.setHooks(std::move(hooks));
    listing.collect();
    endProgress();
    if (listing.summary().walkInterrupted || m_scan.interrupt.load())
        return kExitInterrupted;
    if (!listing.summary().folderRead) { // it went between the look above and the walk
        say(QStringLiteral("vellora-list: impossibile leggere la cartella %1")
                .arg(fileinfo::pathText(absolute)));
        return kExitFolder;
    }
    if (!listing.summary().complete)
        return kExitInterrupted;

    listing.deliver(table, reportHeadings(request.infoKind));
    state = AppState::forRequest(request);
    state.OptS = options.optS;
    state.listed = listing.summary();
    // A size or date order re-reads every file: a stop asked for meanwhile ends the run here.
    if (m_scan.interrupt.load())
        return kExitInterrupted;
    return kExitOk;
}

int ListCommand::list(const ListOptions& options)
{
    ResultTable table;
    AppState state;
    if (const int rc = scanInto(options, table, state); rc != kExitOk)
        return rc;

    // The heading row always names the eight columns, whatever the profile empties.
    const QStringList headings = reportHeadings(options.listing.infoKind);
    BufferedWriter w(m_out);
    for (int c = 0; c < ColumnCount; ++c) {
        if (c > 0)
            w.put('\t');
        w.put(cellBytes(headings[c]));
    }
    w.put('\n');

    const ResultRows& rows = table.rows();
    std::vector<std::string> folderCells(rows.folders.size());
    for (std::size_t f = 0; f < rows.folders.size(); ++f)
        folderCells[f] =
            cellBytes(std::string_view(rows.folders[f].constData(), std::size_t(rows.folders[f].size())));
    std::vector<std::string> stringCells(rows.strings.size());
    for (std::size_t s = 0; s < rows.strings.size(); ++s)
        stringCells[s] = cellBytes(rows.strings[s]);

    for (std::size_t pos = 0; pos < rows.order.size(); ++pos) {
        // A million lines to a terminal take a while: Ctrl+C still stops them, between lines;
        // a reader gone away too.
        if (pos % 4096 == 0 && (m_scan.interrupt.load(std::memory_order_relaxed) || w.failed()))
            break;
        const ResultRows::Row& r = rows.rows[rows.order[pos]];
        const std::string_view name = rows.name(r);
        if (table.isNumbered())
            w.put(std::to_string(pos + 1));
        w.put('\t');
        w.put(cellBytes(baseNameOf(name)));
        w.put('\t');
        w.put(cellBytes(extensionOf(name)));
        w.put('\t');
        if (ResultRows::has(r, ColSize))
            w.put(formatSize(r.size).toStdString());
        w.put('\t');
        if (ResultRows::has(r, ColDate))
            w.put(formatDateTable(r.mtime).toStdString());
        w.put('\t');
        if (ResultRows::has(r, ColVersion))
            w.put(stringCells[r.version]);
        w.put('\t');
        if (ResultRows::has(r, ColInfo))
            w.put(stringCells[r.info]);
        w.put('\t');
        w.put(folderCells[r.folder]);
        w.put('\n');
    }
    if (!w.finish()) {
        say(QStringLiteral("vellora-list: scrittura sull'output standard non riuscita: ") +
            errnoCause(w.error()));
        return kExitOutput;
    }
    if (m_scan.interrupt.load())
        return kExitInterrupted;
    // Files whose size, date or version the profile asks for but that could not be read:
    // the closing note, as the exports have.
    sayUnreadable(state.listed.unreadableRows, state.listed.unlistedUnreadable);
    return kExitOk;
}

int ListCommand::exportList(const ListOptions& options)
{
    ResultTable table;
    AppState state;
    if (const int rc = scanInto(options, table, state); rc != kExitOk)
        return rc;
    return deliverExport(options, table, state);
}

int ListCommand::deliverExport(const ListOptions& options, const RowSource& rows, const AppState& state)
{
    const SystemData system = machineSystemData();
    const ExportKind kind = options.exportChoice.kind;
    ExportRequest request{rows, state, system, m_clock(), options.exportChoice, &m_scan.interrupt};
    bool progressShown = false;
    // The newer formats show their progress; the window's two files never had one.
    if (m_progress && !isWindowFile(kind))
        request.progress = [this, &progressShown](qsizetype done, qsizetype total) {
            std::fprintf(m_err, "\r%lld di %lld file", static_cast<long long>(done),
                         static_cast<long long>(total));
            std::fflush(m_err);
            progressShown = true;
        };
    const auto endProgress = [&] {
        if (progressShown) {
            std::fputs("\r\033[K", m_err);
            std::fflush(m_err);
        }
    };

    ExportOutcome outcome;
    if (options.output == u"-") {
        std::fflush(m_out);
        QFile out;
        if (out.open(m_out, QIODevice::WriteOnly))
            outcome = writeExport(request, ExportTarget::stream(out));
        outcome.ok = closeStandardOutput(out, outcome.error) && outcome.ok;
        endProgress();
        if (outcome.interrupted)
            return kExitInterrupted;
        if (!outcome.ok) {
            say(QStringLiteral("vellora-list: scrittura sull'output standard non riuscita") +
                (outcome.error.isEmpty() ? QString() : QStringLiteral(": ") + outcome.error));
            return kExitOutput;
        }
    } else {
        outcome = writeExport(request, options.output.isEmpty() ? ExportTarget::folder(exportFolder())
                                                                : ExportTarget::file(options.output));
        endProgress();
        if (outcome.interrupted || (!outcome.ok && m_scan.interrupt.load())) // Ctrl+C, or while a FIFO waited
            return kExitInterrupted;
        if (!outcome.ok) {
            say(QStringLiteral("vellora-list: ") + outcome.error);
            return kExitOutput;
        }
        say(completionMessage(kind, outcome.filePath));
    }
    for (const QString& note : exportNotes(outcome))
        say(QStringLiteral("vellora-list: ") + note);
    return kExitOk;
}

int ListCommand::scanForReport(const ListOptions& options, const QString& what, ResultTable& table,
                               AppState& state, SystemData& system)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        say(QStringLiteral("vellora-list: ") + what + QStringLiteral(" richiede un'applicazione grafica"));
        return kExitOutput;
    }
    if (const int rc = scanInto(options, table, state); rc != kExitOk)
        return rc;
    system = machineSystemData();
    return kExitOk;
}

int ListCommand::print(const ListOptions& options)
{
    ResultTable table;
    AppState state;
    SystemData system;
    if (const int rc = scanForReport(options, QStringLiteral("la stampa"), table, state, system);
        rc != kExitOk)
        return rc;

    QtPrinterSurface surface;
    const ReportInput input{table, state, system.systemLine()};
    const ReportOutcome outcome = printHeadless(surface, options.printer, options.output, input);
    if (!outcome.job.ok) {
        if (m_scan.interrupt.load()) // Ctrl+C while a FIFO waited for its reader
            return kExitInterrupted;
        say(QStringLiteral("vellora-list: ") +
            (outcome.job.error.isEmpty() ? QStringLiteral("Stampa non riuscita") : outcome.job.error));
        return kExitOutput;
    }
    if (!outcome.job.pdfPath.isEmpty())
        say(pdfDoneText(outcome.job.pdfPath));
    sayUnreadable(outcome.unreadableRows, outcome.unlistedRows);
    return kExitOk;
}

int ListCommand::listPrinters()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        say(QStringLiteral("vellora-list: l'elenco delle stampanti richiede un'applicazione grafica"));
        return kExitOutput;
    }
    QtPrinterSurface surface;
    const QStringList names = printersCurrentFirst(surface);
    for (const QString& name : names)
        std::fprintf(m_out, "%s\n", sanitizeLine(name).toUtf8().constData());
    return std::fflush(m_out) == 0 ? kExitOk : kExitOutput;
}

} // namespace vellora
