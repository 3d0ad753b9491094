#include "ListCommand.h"

#include "results/Formats.h"
#include "results/ResultTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <string>
#include <string_view>

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
        if (!m_buf.empty() && m_ok)
            m_ok = std::fwrite(m_buf.data(), 1, m_buf.size(), m_file) == m_buf.size();
        m_buf.clear();
    }
    [[nodiscard]] bool finish()
    {
        flush();
        return m_ok && std::fflush(m_file) == 0;
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    std::FILE* m_file;
    std::string m_buf;
    bool m_ok = true;
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

bool parseColumns(const QString& list, ColumnProfile& optV)
{
    optV = {0, 1, 1, 0, 0, 0, 0, 1};
    if (list.isEmpty())
        return true;
    for (const QString& item : list.split(QLatin1Char(','))) {
        const QString name = item.trimmed();
        if (name == u"number")
            optV[ColNumber] = 1;
        else if (name == u"size")
            optV[ColSize] = 1;
        else if (name == u"date")
            optV[ColDate] = 1;
        else if (name == u"version")
            optV[ColVersion] = 1;
        else if (name == u"info")
            optV[ColInfo] = 1;
        else
            return false;
    }
    return true;
}

} // namespace

QString listUsage()
{
    return QStringLiteral(
        "Usage: vellora-list [--subfolders] [--pattern PATTERN] [--order N] [--columns LIST]\n"
        "                    [--info company|description|product] FOLDER\n"
        "\n"
        "Lists the files of FOLDER as a tab-separated table (UTF-8): a heading row, then one\n"
        "line per file with number, name, extension, size, date, version, info and folder.\n"
        "\n"
        "  --subfolders        read FOLDER and all its subfolders (default: FOLDER only)\n"
        "  --pattern PATTERN   file pattern, only '*' is special, case ignored (default *.*)\n"
        "  --order N           0..10 as in the window's order list (default 0), -1 scan order\n"
        "                      0 name A-Z, 1 name Z-A, 2 extension, 3 size 0-9, 4 size 9-0,\n"
        "                      5 date 1-31, 6 date 31-1, 7 versions grouped, 8 info,\n"
        "                      9 folder A-Z, 10 folder Z-A; an order whose column is not\n"
        "                      listed in --columns keeps the scan order\n"
        "  --columns LIST      comma-separated, possibly empty: number,size,date,version,info\n"
        "                      (default: number); name, extension and folder are always filled\n"
        "  --info KIND         company (default), description or product: the info column\n"
        "  --help              this text\n"
        "\n"
        "Control characters inside names are written as '?'. Exit status: 0 done, 1 the\n"
        "folder cannot be read, 2 bad arguments, 130 interrupted.\n");
}

ParsedArguments parseListArguments(const QStringList& args)
{
    ParsedArguments parsed;
    ListOptions o;
    bool haveFolder = false;
    auto fail = [&](const QString& msg) {
        parsed.error = msg;
        return parsed;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        // Options take their value as the next argument or after '='.
        QString name = a;
        std::optional<QString> inlineValue;
        if (a.startsWith(u"--")) {
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            if (eq > 0) {
                name = a.left(eq);
                inlineValue = a.mid(eq + 1);
            }
        }
        auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (name == u"--help" || name == u"-h") {
            o.action = ListOptions::Action::Help;
        } else if (name == u"--subfolders") {
            o.subfolders = true;
        } else if (name == u"--pattern") {
            const auto v = value();
            if (!v)
                return fail(QStringLiteral("--pattern needs a value"));
            o.pattern = *v;
        } else if (name == u"--order") {
            const auto v = value();
            bool ok = false;
            const int n = v ? v->toInt(&ok) : 0;
            if (!ok || n < -1 || n > 10)
                return fail(QStringLiteral("--order needs a number from -1 to 10"));
            o.order = n;
        } else if (name == u"--columns") {
            const auto v = value();
            if (!v || !parseColumns(*v, o.optV))
                return fail(QStringLiteral(
                    "--columns takes a comma-separated list of number,size,date,version,info"));
        } else if (name == u"--info") {
            const auto v = value();
            if (v == u"company")
                o.infoKind = InfoKind::CompanyName;
            else if (v == u"description")
                o.infoKind = InfoKind::FileDescription;
            else if (v == u"product")
                o.infoKind = InfoKind::ProductName;
            else
                return fail(QStringLiteral("--info takes company, description or product"));
        } else if (a.startsWith(u'-') && a != u"-") {
            return fail(QStringLiteral("unknown option %1").arg(a));
        } else {
            if (haveFolder)
                return fail(QStringLiteral("only one folder may be given"));
            o.folder = a;
            haveFolder = true;
        }
    }
    if (o.action == ListOptions::Action::List && !haveFolder)
        return fail(QStringLiteral("a folder is required (see --help)"));
    parsed.options = o;
    return parsed;
}

ListCommand::ListCommand(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) {}

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
    case ListOptions::Action::List:
        return list(options);
    }
    return kExitUsage;
}

int ListCommand::list(const ListOptions& options)
{
    QByteArray folder = QFile::encodeName(options.folder);
    if (!folder.endsWith('/'))
        folder.append('/');
    if (!QFileInfo(options.folder).isDir()) {
        std::fprintf(m_err, "vellora-list: cannot read the folder %s\n", folder.constData());
        return kExitFolder;
    }

    QElapsedTimer lastProgress;
    lastProgress.start();
    FolderEnteredFn onFolder;
    if (m_progress)
        onFolder = [&](const QByteArray&) {
            if (lastProgress.elapsed() < 100)
                return;
            lastProgress.restart();
            std::fprintf(m_err, "\r%llu file, %llu cartelle",
                         static_cast<unsigned long long>(m_scan.totFile.load()),
                         static_cast<unsigned long long>(m_scan.totCartelle.load()));
            std::fflush(m_err);
        };
    ScanResults scan;
    const bool readable =
        ScandisciCartella(options.pattern, folder, options.subfolders, m_scan, scan, onFolder);
    if (m_progress) {
        std::fputs("\r\033[K", m_err);
        std::fflush(m_err);
    }
    if (m_scan.interrupt.load())
        return kExitInterrupted;
    if (!readable) {
        std::fprintf(m_err, "vellora-list: cannot read the folder %s\n", folder.constData());
        return kExitFolder;
    }

    FillOptions fill;
    fill.optV = options.optV;
    fill.infoKind = options.infoKind;
    FillResult filled = fillRows(std::move(scan), fill, m_scan.interrupt);
    if (filled.interrupted || m_scan.interrupt.load())
        return kExitInterrupted;

    QStringList headings = defaultHeadings();
    headings[ColInfo] = infoReportName(options.infoKind);
    ResultTable table;
    table.PopolaGriglia(std::move(filled), headings, options.optV, options.order);
    // The heading row always names the eight columns, whatever the profile empties.
    headings[ColNumber] = defaultHeadings()[ColNumber];

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

    std::string num;
    for (std::size_t pos = 0; pos < rows.order.size(); ++pos) {
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
        std::fprintf(m_err, "vellora-list: cannot write the output\n");
        return kExitFolder;
    }
    return kExitOk;
}

} // namespace vellora
