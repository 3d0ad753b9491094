// vellora-list's command line: the usage text and the parser. Every bad combination is
// refused here, before anything is scanned, with one line that names it.

#include "ListCommand.h"
#include "scan/PatternMatcher.h"

namespace vellora {

namespace {

bool parseColumns(const QString& list, ColumnProfile& profile)
{
    profile = {0, 1, 1, 0, 0, 0, 0, 1};
    if (list.isEmpty())
        return true;
    for (const QString& item : list.split(QLatin1Char(','))) {
        const QString name = item.trimmed();
        if (name == u"number")
            profile[ColNumber] = 1;
        else if (name == u"size")
            profile[ColSize] = 1;
        else if (name == u"date")
            profile[ColDate] = 1;
        else if (name == u"version")
            profile[ColVersion] = 1;
        else if (name == u"info")
            profile[ColInfo] = 1;
        else
            return false;
    }
    return true;
}

// What the loop collects before the combinations are checked.
struct Seen
{
    bool folder = false;
    bool columns = false;
    bool exportKind = false;
    bool print = false;
    bool printers = false;
    bool preview = false;
    bool separate = false;
    bool checksum = false;
    bool csvSeparator = false;
    bool output = false;
    bool help = false;
    bool version = false;
};

// The first combination that makes no sense, or an empty text.
QString badCombination(const ListOptions& o, const Seen& s)
{
    if (s.exportKind && s.print)
        return QStringLiteral("--export and --print exclude each other");
    if (s.preview && (s.exportKind || s.print || s.printers))
        return QStringLiteral("--preview-pages goes with no other action");
    if (s.preview && (!s.output || o.output == u"-"))
        return QStringLiteral("--preview-pages needs --output DIR, the folder of the pictures");
    if (s.printers && (s.exportKind || s.print || s.output || s.folder))
        return QStringLiteral("--printers takes no folder and no other action");
    if (s.separate && !(s.exportKind && !o.format && o.exportKind == ExportKind::Tabbed))
        return QStringLiteral("--separate goes with --export tsv only");
    if (s.checksum && !o.format)
        return QStringLiteral("--checksum goes with --export csv, xlsx, html or json only");
    if (s.csvSeparator && o.format != FormatKind::Csv)
        return QStringLiteral("--csv-separator goes with --export csv only");
    if (s.output && !s.exportKind && !s.print && !s.preview)
        return QStringLiteral("--output goes with --export, --print or --preview-pages only");
    if (s.output && s.print && o.output == u"-")
        return QStringLiteral("--print cannot write to the standard output");
    if (s.output && s.print && o.printer != u"PDF")
        return QStringLiteral("--output goes with --print PDF only: other printers print on paper");
    if (!s.folder && !s.printers)
        return QStringLiteral("a folder is required (see --help)");
    return {};
}

} // namespace

QString listUsage()
{
    return QStringLiteral(
        "Usage: vellora-list [OPTIONS] FOLDER\n"
        "       vellora-list --export text|tsv [--separate] [--output FILE|-] [OPTIONS] FOLDER\n"
        "       vellora-list --export csv|xlsx|html|json [--checksum sha256] [--csv-separator ,|;]\n"
        "                    [--output FILE|-] [OPTIONS] FOLDER\n"
        "       vellora-list --print PRINTER [--output FILE.pdf] [OPTIONS] FOLDER\n"
        "       vellora-list --preview-pages FROM-TO --output DIR [OPTIONS] FOLDER\n"
        "       vellora-list --printers | --version | --help\n"
        "\n"
        "Reads FOLDER as the window's start button does (scan, fill, order). Without an\n"
        "action it writes the table as tab-separated text (UTF-8): a heading row, then one\n"
        "line per file with number, name, extension, size, date, version, info and folder.\n"
        "\n"
        "What to read:\n"
        "  --subfolders        read FOLDER and all its subfolders (default: FOLDER only)\n"
        "  --pattern PATTERN   file pattern, only '*' is special, case ignored (default *.*)\n"
        "  --order N           0..10 as in the window's order list (default 0), -1 scan order\n"
        "                      0 name A-Z, 1 name Z-A, 2 extension, 3 size 0-9, 4 size 9-0,\n"
        "                      5 date 1-31, 6 date 31-1, 7 versions grouped, 8 info,\n"
        "                      9 folder A-Z, 10 folder Z-A; an order whose column is not\n"
        "                      in --columns keeps the scan order\n"
        "  --columns LIST      comma-separated, possibly empty: number,size,date,version,info\n"
        "                      the columns the table fills (default: number); with --export\n"
        "                      and --print also the columns written or printed (default:\n"
        "                      size); name, extension and, with --subfolders, the folder are\n"
        "                      always there\n"
        "  --info KIND         company (default), description or product: the info column\n"
        "\n"
        "Actions:\n"
        "  --export KIND       write the window's export file instead of the table:\n"
        "                      text: the text report (Lista_yyyy-mm-dd_hh-mm-ss.txt)\n"
        "                      tsv:  the file for a spreadsheet (ListaExcel_...txt)\n"
        "                      csv:  comma-separated values for any spreadsheet (Lista_...csv)\n"
        "                      xlsx: an Excel workbook (Lista_...xlsx)\n"
        "                      html: a web page with a sortable table (Lista_...html)\n"
        "                      json: JSON lines, one object per file (Lista_...jsonl)\n"
        "  --separate          with --export tsv: name and extension in two fields\n"
        "  --checksum sha256   with the four formats above: the SHA-256 of every file\n"
        "  --csv-separator S   with --export csv: ',' or ';' (default: ';' where the\n"
        "                      locale writes decimals with a comma, else ',')\n"
        "  --output FILE       the export file, '-' for the standard output; default: the\n"
        "                      export folder (VELLORA_EXPORT_DIR, else ~/temp) and the name\n"
        "                      the window gives it. With --print PDF: the PDF file\n"
        "  --print PRINTER     print the report the print dialog chooses (portrait, or\n"
        "                      landscape with --subfolders and info in --columns) on the\n"
        "                      named printer; PDF is the built-in PDF printer, which writes\n"
        "                      Stampa_yyyy-mm-dd_hh-mm-ss.pdf into the export folder\n"
        "  --preview-pages FROM-TO\n"
        "                      picture pages FROM to TO of that report, as the print preview\n"
        "                      draws them on the PDF printer's pages, at 100 dpi: PNG files\n"
        "                      page-0001.png and on in the folder --output DIR\n"
        "  --printers          list the printers, one per line, the current one first\n"
        "  --version           the program's version\n"
        "  --help              this text\n"
        "\n"
        "Where a file was written goes to the standard error. Control characters inside\n"
        "names are written as '?'.\n"
        "Exit status: 0 done, 1 the folder cannot be read or the output cannot be written or\n"
        "printed, 2 bad arguments, 130 interrupted.\n");
}

ParsedArguments parseListArguments(const QStringList& args)
{
    ParsedArguments parsed;
    ListOptions o;
    Seen seen;
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
            seen.help = true;
        } else if (name == u"--version") {
            seen.version = true;
        } else if (name == u"--subfolders") {
            o.subfolders = true;
        } else if (name == u"--pattern") {
            const auto v = value();
            if (!v)
                return fail(QStringLiteral("--pattern needs a value"));
            if (!isUsablePattern(*v))
                return fail(kInvalidPatternMessage);
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
            seen.columns = true;
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
        } else if (name == u"--export") {
            const auto v = value();
            o.format.reset();
            if (v == u"text")
                o.exportKind = ExportKind::Text;
            else if (v == u"tsv")
                o.exportKind = ExportKind::Tabbed;
            else if (const auto format = v ? formatKindFromName(*v) : std::nullopt)
                o.format = format;
            else
                return fail(QStringLiteral("--export takes text, tsv, csv, xlsx, html or json"));
            seen.exportKind = true;
        } else if (name == u"--checksum") {
            if (value() != u"sha256")
                return fail(QStringLiteral("--checksum takes sha256"));
            o.checksum = true;
            seen.checksum = true;
        } else if (name == u"--csv-separator") {
            const auto v = value();
            if (v != u"," && v != u";")
                return fail(QStringLiteral("--csv-separator takes , or ;"));
            o.csvSeparator = v->at(0);
            seen.csvSeparator = true;
        } else if (name == u"--separate") {
            seen.separate = true;
            o.layout = NameLayout::Separate;
        } else if (name == u"--output") {
            const auto v = value();
            if (!v || v->isEmpty())
                return fail(QStringLiteral("--output needs a file name or -"));
            o.output = *v;
            seen.output = true;
        } else if (name == u"--print") {
            const auto v = value();
            if (!v || v->isEmpty())
                return fail(QStringLiteral("--print needs a printer name (PDF: the built-in one)"));
            o.printer = *v;
            seen.print = true;
        } else if (name == u"--preview-pages") {
            const auto v = value();
            const QStringList ends = v ? v->split(QLatin1Char('-')) : QStringList();
            bool okFrom = false;
            bool okTo = false;
            const int from = ends.value(0).toInt(&okFrom);
            const int to = ends.size() == 2 ? ends[1].toInt(&okTo) : from;
            okTo = okTo || ends.size() == 1;
            if (ends.size() > 2 || !okFrom || !okTo || from < 1 || to < from)
                return fail(QStringLiteral("--preview-pages takes FROM-TO, page numbers from 1"));
            o.previewFrom = from;
            o.previewTo = to;
            seen.preview = true;
        } else if (name == u"--printers") {
            seen.printers = true;
        } else if (a.startsWith(u'-') && a != u"-") {
            return fail(QStringLiteral("unknown option %1").arg(a));
        } else {
            if (seen.folder)
                return fail(QStringLiteral("only one folder may be given"));
            o.folder = a;
            seen.folder = true;
        }
    }
    if (seen.help || seen.version) {
        o.action = seen.help ? ListOptions::Action::Help : ListOptions::Action::Version;
        parsed.options = o;
        return parsed;
    }
    const QString bad = badCombination(o, seen);
    if (!bad.isEmpty())
        return fail(bad);
    if (seen.printers)
        o.action = ListOptions::Action::Printers;
    else if (seen.print)
        o.action = ListOptions::Action::Print;
    else if (seen.preview)
        o.action = ListOptions::Action::Preview;
    else if (seen.exportKind)
        o.action = ListOptions::Action::Export;
    // One list of columns is both profiles: what is filled and what is written.
    if (seen.columns)
        o.optS = o.optV;
    parsed.options = o;
    return parsed;
}

bool needsGuiApplication(const ListOptions& options)
{
    return options.action == ListOptions::Action::Print || options.action == ListOptions::Action::Printers ||
           options.action == ListOptions::Action::Preview;
}

} // namespace vellora
