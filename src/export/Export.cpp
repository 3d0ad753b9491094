#include "Export.h"

#include "ExportLog.h"
#include "FormatWriters.h"
#include "results/AppState.h"
#include "results/FilterSummary.h"
#include "results/RowSource.h"
#include "system/ErrorText.h"
#include "system/OutputFile.h"
#include "system/Platform.h"
#include "system/SystemData.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace vellora {

namespace {

ListingFacts listingFacts(const ExportRequest& r)
{
    ListingFacts l;
    l.systemLine = r.system.systemLine();
    // The listing's folder and pattern, as the report titles name them: a pattern never
    // holds "/", so the folder is everything up to the last one.
    const QString listed = r.state.listingText();
    const qsizetype slash = listed.lastIndexOf(QLatin1Char('/'));
    l.folder = listed.left(slash + 1);
    l.pattern = listed.mid(slash + 1);
    // The description without its brackets: the facts of the page and the workbook give it
    // a line of its own, the titles put it back in brackets.
    const QString filters = describeFilters(r.state.listingFilters());
    l.filters = filters.isEmpty() ? QString() : filters.mid(1, filters.size() - 2);
    l.scope = scopeCaption(r.state.TipoRicerca);
    l.order = r.state.OrdineGriglia == Order::None ? QStringLiteral("Nessun ordinamento")
                                                   : orderCaption(r.state.OrdineGriglia);
    l.files = r.rows.rowCount();
    l.folders = r.state.listed.folders;
    l.when = r.now;
    l.subfolders = r.state.TipoRicerca == Scope::Subfolders;
    l.bracket = r.state.bracketText();
    if (const ComparedListing* compared = r.rows.comparison()) {
        l.comparison = *compared;
        l.bracket = compared->countsText;
    }
    return l;
}

// The fields the format writes, with the table's headings, and the facts to read for them
// (FactReader::Want bits). Name and extension always, then the columns the export profile
// checks (size, date, version, info) in the table's order. The window's two files end with
// the folder in the place of the info when the listing holds subfolders; the newer formats
// always end with the folder, and the checksum when asked for. A comparison's rows lead with
// their state (and, but in the fixed columns of the text report, the facts that changed), and
// the newer formats add a moved file's path before. A checksum list writes paths and
// checksums alone.
unsigned chooseFields(const AppState& state, const ExportChoice& choice, bool compared, WriterSetup& setup)
{
    if (choice.kind == ExportKind::Sha256)
        return 0;
    const ColumnProfile& opt = state.OptS;
    const auto add = [&](Field f, int column) {
        setup.fields << f;
        setup.headings << state.Intestazioni.value(column);
    };
    const auto addNamed = [&](Field f, const char* heading) {
        setup.fields << f;
        setup.headings << QString::fromUtf8(heading);
    };
    if (compared) {
        addNamed(Field::State, "Stato");
        if (choice.kind != ExportKind::Text)
            addNamed(Field::Changes, "Modifiche");
    }
    add(Field::Name, ColName);
    add(Field::Extension, ColExt);
    if (opt[ColSize] == 1)
        add(Field::Size, ColSize);
    if (opt[ColDate] == 1)
        add(Field::Date, ColDate);
    if (opt[ColVersion] == 1)
        add(Field::Version, ColVersion);
    if (isWindowFile(choice.kind)) {
        if (state.TipoRicerca == Scope::Subfolders)
            add(Field::Folder, ColFolder);
        else if (opt[ColInfo] == 1)
            add(Field::Info, ColInfo);
    } else {
        if (opt[ColInfo] == 1)
            add(Field::Info, ColInfo);
        add(Field::Folder, ColFolder);
        if (compared)
            addNamed(Field::Previous, "Percorso precedente");
        if (choice.checksum)
            addNamed(Field::Checksum, "SHA-256");
    }
    if (choice.kind == ExportKind::JsonLines)
        return FactReader::Stat | FactReader::Version; // every member, always
    unsigned facts = 0;
    for (const Field f : setup.fields) {
        if (f == Field::Size || f == Field::Date)
            facts |= FactReader::Stat;
        else if (f == Field::Version || f == Field::Info)
            facts |= FactReader::Version;
    }
    return facts;
}

// The note a record counts in, by what its row leaves blank of the facts asked for (facts:
// FactReader::Want bits): a file that cannot be opened still has its size and date. The
// window's two files have one note, for every file whose fields are not all there.
void countGaps(ExportOutcome& outcome, const ExportRecord& rec, unsigned facts, bool oneNote)
{
    const bool stat = facts & FactReader::Stat;
    const bool noVersion = (facts & FactReader::Version) && !rec.version.readable;
    if ((stat && !rec.statted) || ((!stat || oneNote) && noVersion))
        ++outcome.unreadableRows;
    else if (noVersion)
        ++(rec.unhashed ? outcome.noVersionNoHashRows : outcome.noVersionRows);
    else if (rec.unhashed)
        ++outcome.noHashRows;
}

// "N file non si sono potuti leggere: ..." with what their rows leave blank.
QString gapNote(qsizetype count, const char* one, const char* many)
{
    return count == 1 ? QStringLiteral("1 file non si è potuto leggere: %1.").arg(QString::fromUtf8(one))
                      : QStringLiteral("%1 file non si sono potuti leggere: %2.")
                            .arg(count)
                            .arg(QString::fromUtf8(many));
}

// A checksum list always has the checksums; the window's two files never.
bool writesChecksums(const ExportChoice& choice)
{
    return choice.kind == ExportKind::Sha256 || (choice.checksum && !isWindowFile(choice.kind));
}

std::unique_ptr<RecordWriter> makeWriter(const ExportChoice& choice, QIODevice& out, const WriterSetup& setup)
{
    switch (choice.kind) {
    case ExportKind::Text:
        return makeTextReportWriter(out, setup);
    case ExportKind::Tabbed:
        return makeTabbedWriter(out, setup, choice.layout == NameLayout::Separate);
    case ExportKind::Csv:
        return makeCsvWriter(out, setup);
    case ExportKind::Xlsx:
        return makeXlsxWriter(out, setup);
    case ExportKind::Html:
        return makeHtmlWriter(out, setup);
    case ExportKind::JsonLines:
        return makeJsonLinesWriter(out, setup);
    case ExportKind::Sha256:
        return makeManifestWriter(out, setup);
    }
    return nullptr;
}

// The whole export to an open device. On failure error holds the Italian cause alone (the
// device may have no name). An interrupt that comes after the last row, while the file is
// finished, still stops it: nothing is complete until the outcome says so.
ExportOutcome writeTo(QIODevice& out, const ExportRequest& request)
{
    const qsizetype n = request.rows.rowCount();
    const ExportChoice& choice = request.choice;
    WriterSetup setup;
    setup.listing = listingFacts(request);
    setup.infoKind = request.state.infoKind;
    setup.separator = choice.separator.isNull() ? localeCsvSeparator() : choice.separator;
    setup.checksum = writesChecksums(choice);
    setup.interrupt = request.interrupt;
    if (request.progress)
        setup.waiting = [&request, n] { request.progress(n, n); };
    RecordPlan plan;
    const bool compared = request.rows.comparison() != nullptr;
    plan.facts = chooseFields(request.state, choice, compared, setup);
    plan.checksum = setup.checksum;
    // A comparison shows what its listings held, whose gaps it told already; a checksum list
    // words what it leaves out itself.
    const bool countsGaps = !compared && choice.kind != ExportKind::Sha256;

    ExportOutcome outcome;
    outcome.unlistedRows = request.state.listed.unlistedUnreadable;
    const auto stopped = [&] { return request.interrupt && request.interrupt->load(); };
    const std::unique_ptr<RecordWriter> writer = makeWriter(choice, out, setup);
    RecordReader reader(request.rows, plan, request.interrupt);
    const bool written =
        writer->begin() && reader.run(
                               [&](const ExportRecord& rec) {
                                   ++outcome.rows;
                                   if (countsGaps)
                                       countGaps(outcome, rec, plan.facts, isWindowFile(choice.kind));
                                   return writer->write(rec);
                               },
                               request.progress);
    if (!written || !writer->finish() || stopped()) {
        outcome.interrupted = written ? stopped() : reader.interrupted();
        outcome.error = writer->error();
        return outcome;
    }
    outcome.ok = true;
    outcome.writerNotes = writer->notes();
    if (outcome.unreadableRows > 0)
        qCInfo(lcExport) << outcome.unreadableRows
                         << "listed files could not be read; their fields are blank";
    return outcome;
}

ExportOutcome writeToPath(const ExportRequest& request, const QString& filePath)
{
    OutputFile file(filePath);
    ExportOutcome outcome;
    outcome.filePath = file.path();
    const QFileInfo target(outcome.filePath);
    if (!makeFolder(target.path() + QLatin1Char('/'), &outcome.error) || !file.open(&outcome.error)) {
        qCWarning(lcExport) << outcome.error;
        return outcome;
    }
    const QString path = outcome.filePath;
    outcome = writeTo(file.device(), request);
    outcome.filePath = path;
    if (!outcome.ok) {
        file.cancel();
        if (!outcome.interrupted)
            outcome.error = cannotWriteMessage(path, outcome.error);
        qCInfo(lcExport) << (outcome.interrupted ? QStringLiteral("interrupted") : outcome.error);
        return outcome;
    }
    if (!file.commit(&outcome.error)) {
        outcome.ok = false;
        qCWarning(lcExport) << outcome.error;
        return outcome;
    }
    qCInfo(lcExport) << "exported" << outcome.rows << "rows to" << path;
    return outcome;
}

} // namespace

std::optional<ExportKind> exportKindFromName(const QString& name)
{
    static const std::pair<const char16_t*, ExportKind> names[] = {
        {u"text", ExportKind::Text},     {u"tsv", ExportKind::Tabbed}, {u"csv", ExportKind::Csv},
        {u"xlsx", ExportKind::Xlsx},     {u"html", ExportKind::Html},  {u"json", ExportKind::JsonLines},
        {u"sha256", ExportKind::Sha256},
    };
    for (const auto& [text, kind] : names)
        if (name == QStringView(text))
            return kind;
    return std::nullopt;
}

QString formatTitle(ExportKind kind)
{
    switch (kind) {
    case ExportKind::Text:
        return QStringLiteral("Testo");
    case ExportKind::Tabbed:
        return QStringLiteral("Excel");
    case ExportKind::Csv:
        return QStringLiteral("CSV");
    case ExportKind::Xlsx:
        return QStringLiteral("XLSX");
    case ExportKind::Html:
        return QStringLiteral("HTML");
    case ExportKind::JsonLines:
        return QStringLiteral("JSON lines");
    case ExportKind::Sha256:
        return QStringLiteral("SHA-256");
    }
    return {};
}

QString exportFileName(ExportKind kind, const QDateTime& now)
{
    static const char* const suffixes[] = {".txt", ".txt", ".csv", ".xlsx", ".html", ".jsonl", ".sha256"};
    const QString stem =
        kind == ExportKind::Tabbed ? QStringLiteral("ListaExcel_") : QStringLiteral("Lista_");
    return stem + now.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QLatin1String(suffixes[int(kind)]);
}

QChar localeCsvSeparator()
{
    return QLocale().decimalPoint() == QLatin1String(",") ? QLatin1Char(';') : QLatin1Char(',');
}

QStringList exportColumnHeadings(const AppState& state, const ExportChoice& choice, bool compared)
{
    WriterSetup setup;
    (void)chooseFields(state, choice, compared, setup);
    return setup.headings;
}

ExportOutcome writeExport(const ExportRequest& request, const ExportTarget& target)
{
    switch (target.kind) {
    case ExportTarget::Kind::Stream:
        return writeTo(*target.device, request);
    case ExportTarget::Kind::File:
        return writeToPath(request, target.path);
    case ExportTarget::Kind::Folder:
        break;
    }
    QString folder = target.path;
    if (folder.isEmpty()) {
        ExportOutcome outcome;
        (void)makeFolder(folder, &outcome.error);
        return outcome;
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return writeToPath(request, folder + exportFileName(request.choice.kind, request.now));
}

QString completionMessage(ExportKind kind, const QString& filePath)
{
    const QString head =
        kind == ExportKind::Tabbed
            ? QStringLiteral("Esportazione per Excel terminata: vedi file ")
            : QStringLiteral("Esportazione in formato %1 terminata: vedi file ").arg(formatTitle(kind));
    return head + QStringLiteral("\r\n") + QDir::toNativeSeparators(filePath);
}

QStringList exportNotes(const ExportOutcome& outcome)
{
    QStringList notes;
    if (outcome.unreadableRows > 0)
        notes << unreadableFilesNote(outcome.unreadableRows);
    if (outcome.unlistedRows > 0)
        notes << unlistedUnreadableNote(outcome.unlistedRows);
    if (outcome.noVersionRows > 0)
        notes << gapNote(outcome.noVersionRows, "i suoi dati di versione sono vuoti",
                         "i loro dati di versione sono vuoti");
    if (outcome.noVersionNoHashRows > 0)
        notes << gapNote(outcome.noVersionNoHashRows, "i suoi dati di versione e il suo checksum sono vuoti",
                         "i loro dati di versione e il loro checksum sono vuoti");
    if (outcome.noHashRows > 0)
        notes << gapNote(outcome.noHashRows, "il suo checksum è vuoto", "il loro checksum è vuoto");
    return notes + outcome.writerNotes;
}

ClosingMessage closingMessage(ExportKind kind, const ExportOutcome& outcome)
{
    // The window's two files end with a box without icon, as they always have; the newer
    // formats with the information icon their "interrupted" box has.
    if (outcome.ok)
        return {(QStringList{completionMessage(kind, outcome.filePath)} + exportNotes(outcome))
                    .join(QStringLiteral("\r\n")),
                isWindowFile(kind) ? Prompter::Icon::None : Prompter::Icon::Information};
    if (outcome.interrupted)
        return {QStringLiteral("Esportazione interrotta: nessun file è stato scritto."),
                Prompter::Icon::Information};
    return {outcome.error, Prompter::Icon::Critical};
}

void reportOutcome(Prompter& prompter, ExportKind kind, const ExportOutcome& outcome)
{
    const ClosingMessage m = closingMessage(kind, outcome);
    prompter.message(m.text, kProgramTitle, m.icon, Prompter::Buttons::Ok);
}

} // namespace vellora
