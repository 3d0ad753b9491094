// vellora-list's command line: the usage text and the parser (Qt's QCommandLineParser, which
// takes "--name value" and "--name=value" anywhere, and "--" before a folder that begins with
// "-"). Every bad argument or combination is refused here, before anything is scanned, with one
// Italian line that names it.

#include "ListCommand.h"
#include "scan/ListingFilters.h"

#include <QCommandLineParser>

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

// The options without a value, then those with one.
const QStringList kFlags{"help", "version", "subfolders", "separate", "printers", "all"};
const QStringList kValued{"pattern",  "order",         "columns", "info",     "export",
                          "checksum", "csv-separator", "output",  "print",    "preview-pages",
                          "exclude",  "min-size",      "max-size", "modified-from", "modified-to",
                          "compare",  "verify"};

QList<QCommandLineOption> options()
{
    QList<QCommandLineOption> all{
        QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")})};
    for (const QString& name : kFlags.mid(1))
        all << QCommandLineOption(name);
    for (const QString& name : kValued)
        all << QCommandLineOption(name, QString(), QStringLiteral("value"));
    return all;
}

// What made the parser give up: an unknown option, an option without its value (the last
// argument), or a value given to an option that takes none.
QString parserFailure(const QCommandLineParser& parser, const QStringList& args)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.front();
        return QStringLiteral("opzione sconosciuta %1 (vedi --help)")
            .arg((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    }
    for (const QString& a : args) {
        if (a == u"--")
            break;
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (a.startsWith(u"--") && eq > 2 && kFlags.contains(a.mid(2, eq - 2)))
            return QStringLiteral("l'opzione %1 non prende valori").arg(a.left(eq));
    }
    if (!args.isEmpty() && args.back().startsWith(u"--") && kValued.contains(args.back().mid(2)))
        return QStringLiteral("l'opzione %1 richiede un valore").arg(args.back());
    return QStringLiteral("argomenti non validi (vedi --help)");
}

// What the command line holds before the combinations are checked.
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
    bool compare = false;
    bool verify = false;
    bool all = false;
};

// Reads what the first options choose: what to read and how; the first bad value's line, or
// an empty text.
QString readScanValues(const QCommandLineParser& p, ListOptions& o)
{
    if (p.isSet(QStringLiteral("pattern")))
        o.listing.pattern = p.value(QStringLiteral("pattern"));
    // The masks, the exclusions and the ranges in one go: the first bad value names itself.
    // An empty bound given on purpose is a mistake, not an open end.
    for (const char* name : {"min-size", "max-size", "modified-from", "modified-to"}) {
        const QString option = QLatin1String(name);
        if (p.isSet(option) && p.value(option).trimmed().isEmpty())
            return QStringLiteral("l'opzione --%1 richiede un valore").arg(option);
    }
    QString error;
    const std::optional<ListingFilters> filters = parseFilters(
        {o.listing.pattern, p.values(QStringLiteral("exclude")), p.value(QStringLiteral("min-size")),
         p.value(QStringLiteral("max-size")), p.value(QStringLiteral("modified-from")),
         p.value(QStringLiteral("modified-to"))},
        &error);
    if (!filters)
        return error;
    o.listing.filters = *filters;
    if (p.isSet(QStringLiteral("order"))) {
        bool ok = false;
        const std::optional<Order> order = orderFromIndex(p.value(QStringLiteral("order")).toInt(&ok));
        if (!ok || !order)
            return QStringLiteral("--order richiede un numero da -1 a 10");
        o.listing.order = *order;
    }
    if (p.isSet(QStringLiteral("columns")) &&
        !parseColumns(p.value(QStringLiteral("columns")), o.listing.columns))
        return QStringLiteral(
            "--columns richiede un elenco separato da virgole di number, size, date, version, info");
    if (p.isSet(QStringLiteral("info"))) {
        const QString v = p.value(QStringLiteral("info"));
        if (v == u"company")
            o.listing.infoKind = InfoKind::CompanyName;
        else if (v == u"description")
            o.listing.infoKind = InfoKind::FileDescription;
        else if (v == u"product")
            o.listing.infoKind = InfoKind::ProductName;
        else
            return QStringLiteral("--info richiede company, description o product");
    }
    return {};
}

// Reads what the actions choose; the first bad value's line, or an empty text.
QString readActionValues(const QCommandLineParser& p, ListOptions& o)
{
    if (p.isSet(QStringLiteral("export"))) {
        const std::optional<ExportKind> kind = exportKindFromName(p.value(QStringLiteral("export")));
        if (!kind)
            return QStringLiteral("--export richiede text, tsv, csv, xlsx, html, json o sha256");
        o.exportChoice.kind = *kind;
        // A checksum list is made of checksums.
        o.exportChoice.checksum = o.exportChoice.checksum || *kind == ExportKind::Sha256;
    }
    if (p.isSet(QStringLiteral("checksum"))) {
        if (p.value(QStringLiteral("checksum")) != u"sha256")
            return QStringLiteral("--checksum richiede sha256");
        o.exportChoice.checksum = true;
    }
    if (p.isSet(QStringLiteral("csv-separator"))) {
        const QString v = p.value(QStringLiteral("csv-separator"));
        if (v != u"," && v != u";")
            return QStringLiteral("--csv-separator richiede , oppure ;");
        o.exportChoice.separator = v.front();
    }
    o.output = p.value(QStringLiteral("output"));
    if (p.isSet(QStringLiteral("output")) && o.output.isEmpty())
        return QStringLiteral("--output richiede il nome di un file oppure -");
    o.printer = p.value(QStringLiteral("print"));
    if (p.isSet(QStringLiteral("print")) && o.printer.isEmpty())
        return QStringLiteral("--print richiede il nome di una stampante (PDF: quella incorporata)");
    o.compareBefore = p.value(QStringLiteral("compare"));
    if (p.isSet(QStringLiteral("compare")) && o.compareBefore.isEmpty())
        return QStringLiteral("--compare richiede un elenco salvato (.jsonl) o una cartella");
    o.verifyList = p.value(QStringLiteral("verify"));
    if (p.isSet(QStringLiteral("verify")) && o.verifyList.isEmpty())
        return QStringLiteral("--verify richiede una lista di checksum o un elenco salvato");
    if (p.isSet(QStringLiteral("preview-pages"))) {
        const QStringList ends = p.value(QStringLiteral("preview-pages")).split(QLatin1Char('-'));
        bool okFrom = false;
        bool okTo = ends.size() == 1;
        o.previewFrom = ends.front().toInt(&okFrom);
        o.previewTo = ends.size() == 2 ? ends[1].toInt(&okTo) : o.previewFrom;
        if (ends.size() > 2 || !okFrom || !okTo || o.previewFrom < 1 || o.previewTo < o.previewFrom)
            return QStringLiteral("--preview-pages richiede DA-A, numeri di pagina da 1");
    }
    return {};
}

// The first combination that makes no sense, or an empty text.
QString badCombination(const ListOptions& o, const Seen& s)
{
    if (s.compare && s.verify)
        return QStringLiteral("--compare e --verify si escludono a vicenda");
    if ((s.compare || s.verify) && (s.print || s.preview || s.printers))
        return QStringLiteral("--compare e --verify non vanno con --print, --preview-pages o --printers");
    if (s.compare && s.exportKind && o.exportChoice.kind == ExportKind::Sha256)
        return QStringLiteral("--export sha256 non va con --compare: scrive i checksum di un elenco");
    if (s.verify && s.exportKind && o.exportChoice.kind == ExportKind::Sha256)
        return QStringLiteral("--export sha256 non va con --verify: scrive i checksum di un elenco");
    if (s.all && !s.compare)
        return QStringLiteral("--all va solo con --compare");
    if (s.exportKind && s.print)
        return QStringLiteral("--export e --print si escludono a vicenda");
    if (s.preview && (s.exportKind || s.print || s.printers))
        return QStringLiteral("--preview-pages non va con altre azioni");
    if (s.preview && (!s.output || o.output == u"-"))
        return QStringLiteral("--preview-pages richiede --output CARTELLA, la cartella delle immagini");
    if (s.printers && (s.exportKind || s.print || s.output || s.folder))
        return QStringLiteral("--printers non prende cartelle né altre azioni");
    const ExportKind kind = o.exportChoice.kind;
    if (s.separate && !(s.exportKind && kind == ExportKind::Tabbed))
        return QStringLiteral("--separate va solo con --export tsv");
    if (s.checksum && !s.compare && !(s.exportKind && !isWindowFile(kind)))
        return QStringLiteral(
            "--checksum va solo con --compare o con --export csv, xlsx, html, json o sha256");
    if (s.csvSeparator && !(s.exportKind && kind == ExportKind::Csv))
        return QStringLiteral("--csv-separator va solo con --export csv");
    if (s.output && !s.exportKind && !s.print && !s.preview)
        return QStringLiteral("--output va solo con --export, --print o --preview-pages");
    if (s.output && s.print && o.output == u"-")
        return QStringLiteral("--print non può scrivere sull'output standard");
    if (s.output && s.print && o.printer != u"PDF")
        return QStringLiteral("--output va solo con --print PDF: le altre stampanti stampano su carta");
    if (!s.folder && !s.printers && !s.compare && !s.verify)
        return QStringLiteral("manca la cartella da leggere (vedi --help)");
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
        "       vellora-list --compare BEFORE [--all] [--checksum sha256] [--export KIND]\n"
        "                    [--output FILE|-] [OPTIONS] [AFTER]\n"
        "       vellora-list --verify LIST [--export KIND] [--output FILE|-] [OPTIONS] [FOLDER]\n"
        "       vellora-list --printers | --version | --help\n"
        "\n"
        "Reads FOLDER as the window's start button does (scan, fill, order). Without an\n"
        "action it writes the table as tab-separated text (UTF-8): a heading row, then one\n"
        "line per file with number, name, extension, size, date, version, info and folder.\n"
        "\n"
        "What to read:\n"
        "  --subfolders        read FOLDER and all its subfolders (default: FOLDER only)\n"
        "  --pattern PATTERN   file pattern, only '*' is special, case ignored (default *.*);\n"
        "                      several masks separated by ';' list a name any of them matches\n"
        "  --exclude MASKS     leave out the files and the folders (not entered) whose names\n"
        "                      match one of the masks (';' between them); may be repeated\n"
        "  --min-size N[K|M|G] only files of at least N bytes (1 K = 1024 bytes)\n"
        "  --max-size N[K|M|G] only files of at most N bytes\n"
        "  --modified-from YYYY-MM-DD\n"
        "                      only files changed on that day or later\n"
        "  --modified-to YYYY-MM-DD\n"
        "                      only files changed on that day or earlier\n"
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
        "                      json: JSON lines, one object per file (Lista_...jsonl): the\n"
        "                      saved listing that --compare and --verify read\n"
        "                      sha256: a checksum list that sha256sum -c checks, paths\n"
        "                      relative to FOLDER (Lista_...sha256)\n"
        "  --separate          with --export tsv: name and extension in two fields\n"
        "  --checksum sha256   with csv, xlsx, html or json: the SHA-256 of every file\n"
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
        "  --compare BEFORE    what changed from BEFORE to AFTER, each a saved listing\n"
        "                      (.jsonl) or a folder read now with --pattern and --subfolders;\n"
        "                      AFTER defaults to the folder BEFORE was made from. A table:\n"
        "                      state (aggiunto, rimosso, spostato, modificato, invariato),\n"
        "                      path, size, date, version and SHA-256 before and after, the\n"
        "                      changed fields, a moved file's old path. With --export: that\n"
        "                      format, the state and the changes as columns\n"
        "  --all               with --compare: the unchanged files too\n"
        "  --checksum sha256   with --compare and a folder AFTER: hash every file, not only\n"
        "                      those that size and time cannot tell apart\n"
        "  --verify LIST       check files against LIST, a sha256sum file or a saved listing\n"
        "                      with checksums: one line per file (ok, diverso, mancante,\n"
        "                      illeggibile; nuovo with FOLDER: a file there that LIST does\n"
        "                      not name), a summary on the standard error. Paths are read\n"
        "                      below FOLDER, else the listing's folder, else the working one.\n"
        "                      With --export: that format, the state as the first column\n"
        "  --version           the program's version\n"
        "  --help              this text\n"
        "\n"
        "Where a file was written goes to the standard error. Control characters inside\n"
        "names are written as '?'.\n"
        "Exit status: 0 done, 1 the folder cannot be read or the output cannot be written or\n"
        "printed, 2 bad arguments, 130 interrupted. --compare and --verify as diff: 0 no\n"
        "difference, 1 differences, 2 trouble.\n");
}

ParsedArguments parseListArguments(const QStringList& args)
{
    ParsedArguments parsed;
    QCommandLineParser parser;
    parser.addOptions(options());
    // The first argument is the program's name to the parser.
    if (!parser.parse(QStringList{QStringLiteral("vellora-list")} + args)) {
        parsed.error = parserFailure(parser, args);
        return parsed;
    }
    ListOptions o;
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))) {
        o.action =
            parser.isSet(QStringLiteral("help")) ? ListOptions::Action::Help : ListOptions::Action::Version;
        parsed.options = o;
        return parsed;
    }
    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1) {
        parsed.error = QStringLiteral("si può indicare una sola cartella");
        return parsed;
    }
    o.folder = folders.value(0);
    o.listing.scope = parser.isSet(QStringLiteral("subfolders")) ? Scope::Subfolders : Scope::Folder;
    parsed.error = readScanValues(parser, o);
    if (parsed.error.isEmpty())
        parsed.error = readActionValues(parser, o);
    if (!parsed.error.isEmpty())
        return parsed;
    Seen seen;
    seen.folder = !folders.isEmpty();
    seen.columns = parser.isSet(QStringLiteral("columns"));
    seen.exportKind = parser.isSet(QStringLiteral("export"));
    seen.print = parser.isSet(QStringLiteral("print"));
    seen.printers = parser.isSet(QStringLiteral("printers"));
    seen.preview = parser.isSet(QStringLiteral("preview-pages"));
    seen.separate = parser.isSet(QStringLiteral("separate"));
    seen.checksum = parser.isSet(QStringLiteral("checksum"));
    seen.csvSeparator = parser.isSet(QStringLiteral("csv-separator"));
    seen.output = parser.isSet(QStringLiteral("output"));
    seen.compare = parser.isSet(QStringLiteral("compare"));
    seen.verify = parser.isSet(QStringLiteral("verify"));
    seen.all = parser.isSet(QStringLiteral("all"));
    o.showAll = seen.all;
    if (seen.separate)
        o.exportChoice.layout = NameLayout::Separate;
    parsed.error = badCombination(o, seen);
    if (!parsed.error.isEmpty())
        return parsed;
    if (seen.printers)
        o.action = ListOptions::Action::Printers;
    else if (seen.print)
        o.action = ListOptions::Action::Print;
    else if (seen.preview)
        o.action = ListOptions::Action::Preview;
    else if (seen.exportKind)
        o.action = ListOptions::Action::Export;
    // A comparison or a check is the action; --export then names the format it is written in.
    if (seen.compare || seen.verify) {
        o.action = seen.compare ? ListOptions::Action::Compare : ListOptions::Action::Verify;
        o.exportCompared = seen.exportKind;
    }
    // One list of columns is both profiles: what is filled and what is written.
    if (seen.columns)
        o.optS = o.listing.columns;
    parsed.options = o;
    return parsed;
}

bool needsGuiApplication(const ListOptions& options)
{
    return options.action == ListOptions::Action::Print || options.action == ListOptions::Action::Printers ||
           options.action == ListOptions::Action::Preview;
}

} // namespace vellora
