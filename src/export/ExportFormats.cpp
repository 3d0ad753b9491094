#include "ExportFormats.h"

#include "ExportLog.h"
#include "FormatWriters.h"
#include "results/AppState.h"
#include "results/RowSource.h"
#include "system/ErrorText.h"
#include "system/OutputFile.h"
#include "system/Platform.h"
#include "system/Prompter.h"
#include "system/SystemData.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace vellora {

namespace {

ListingFacts listingFacts(const FormatRequest& r)
{
    ListingFacts l;
    l.systemLine = r.system.systemLine();
    // The listing's folder and pattern, as the report titles name them: a pattern never
    // holds "/", so the folder is everything up to the last one.
    const QString listed = r.state.listingText();
    const qsizetype slash = listed.lastIndexOf(QLatin1Char('/'));
    l.folder = listed.left(slash + 1);
    l.pattern = listed.mid(slash + 1);
    l.scope = scopeCaption(r.state.TipoRicerca);
    l.order = r.state.OrdineGriglia == Order::None ? QStringLiteral("Nessun ordinamento")
                                                   : orderCaption(r.state.OrdineGriglia);
    l.files = r.rows.rowCount();
    l.folders = r.state.listed.folders;
    l.when = r.now;
    return l;
}

// The table's columns that the export profile writes, in the table's order, with the
// table's headings; name, extension and folder always, as the table always shows them.
unsigned chooseFields(const AppState& state, const FormatChoice& choice, WriterSetup& setup)
{
    const ColumnProfile& opt = state.OptS;
    const auto add = [&](Field f, int column) {
        setup.fields << f;
        setup.headings << state.Intestazioni.value(column);
    };
    add(Field::Name, ColName);
    add(Field::Extension, ColExt);
    if (opt[ColSize] == 1)
        add(Field::Size, ColSize);
    if (opt[ColDate] == 1)
        add(Field::Date, ColDate);
    if (opt[ColVersion] == 1)
        add(Field::Version, ColVersion);
    if (opt[ColInfo] == 1)
        add(Field::Info, ColInfo);
    add(Field::Folder, ColFolder);
    if (choice.checksum) {
        setup.fields << Field::Checksum;
        setup.headings << QStringLiteral("SHA-256");
    }
    if (choice.kind == FormatKind::JsonLines)
        return FactReader::Stat | FactReader::Version; // every member, always
    unsigned facts = 0;
    if (opt[ColSize] == 1 || opt[ColDate] == 1)
        facts |= FactReader::Stat;
    if (opt[ColVersion] == 1 || opt[ColInfo] == 1)
        facts |= FactReader::Version;
    return facts;
}

// The note a record counts in, by what its row leaves blank of the facts asked for (facts:
// FactReader::Want bits): a file that cannot be opened still has its size and date.
void countGaps(FormatOutcome& outcome, const ExportRecord& rec, unsigned facts)
{
    const bool stat = facts & FactReader::Stat;
    const bool noVersion = (facts & FactReader::Version) && !rec.version.readable;
    if ((stat && !rec.statted) || (!stat && noVersion))
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

std::unique_ptr<RecordWriter> makeWriter(FormatKind kind, QIODevice& out, const WriterSetup& setup)
{
    switch (kind) {
    case FormatKind::Csv:
        return makeCsvWriter(out, setup);
    case FormatKind::Xlsx:
        return makeXlsxWriter(out, setup);
    case FormatKind::Html:
        return makeHtmlWriter(out, setup);
    case FormatKind::JsonLines:
        return makeJsonLinesWriter(out, setup);
    }
    return nullptr;
}

} // namespace

std::optional<FormatKind> formatKindFromName(const QString& name)
{
    if (name == u"csv")
        return FormatKind::Csv;
    if (name == u"xlsx")
        return FormatKind::Xlsx;
    if (name == u"html")
        return FormatKind::Html;
    if (name == u"json")
        return FormatKind::JsonLines;
    return std::nullopt;
}

QString formatTitle(FormatKind kind)
{
    switch (kind) {
    case FormatKind::Csv:
        return QStringLiteral("CSV");
    case FormatKind::Xlsx:
        return QStringLiteral("XLSX");
    case FormatKind::Html:
        return QStringLiteral("HTML");
    case FormatKind::JsonLines:
        return QStringLiteral("JSON lines");
    }
    return {};
}

QString formatFileName(FormatKind kind, const QDateTime& now)
{
    static const char* const suffixes[] = {".csv", ".xlsx", ".html", ".jsonl"};
    return QStringLiteral("Lista_") + now.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) +
           QLatin1String(suffixes[int(kind)]);
}

QChar localeCsvSeparator()
{
    return QLocale().decimalPoint() == QLatin1String(",") ? QLatin1Char(';') : QLatin1Char(',');
}

QStringList formatColumnHeadings(const AppState& state, const FormatChoice& choice)
{
    WriterSetup setup;
    (void)chooseFields(state, choice, setup);
    return setup.headings;
}

FormatOutcome writeFormat(QIODevice& out, const FormatRequest& request)
{
    const qsizetype n = request.rows.rowCount();
    WriterSetup setup;
    setup.listing = listingFacts(request);
    setup.infoKind = request.state.infoKind;
    setup.separator = request.choice.separator.isNull() ? localeCsvSeparator() : request.choice.separator;
    setup.checksum = request.choice.checksum;
    setup.interrupt = request.interrupt;
    if (request.progress)
        setup.waiting = [&request, n] { request.progress(n, n); };
    RecordPlan plan;
    plan.facts = chooseFields(request.state, request.choice, setup);
    plan.checksum = request.choice.checksum;

    FormatOutcome outcome;
    const auto stopped = [&] { return request.interrupt && request.interrupt->load(); };
    const std::unique_ptr<RecordWriter> writer = makeWriter(request.choice.kind, out, setup);
    RecordReader reader(request.rows, plan, request.interrupt);
    const bool written = writer->begin() && reader.run(
                                                [&](const ExportRecord& rec) {
                                                    ++outcome.rows;
                                                    countGaps(outcome, rec, plan.facts);
                                                    return writer->write(rec);
                                                },
                                                request.progress);
    if (!written) {
        outcome.interrupted = reader.interrupted();
        outcome.error = writer->error();
        return outcome;
    }
    if (!writer->finish() || stopped()) {
        outcome.interrupted = stopped();
        outcome.error = writer->error();
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

FormatOutcome writeFormatToFile(const FormatRequest& request)
{
    QString folder = request.folder;
    if (folder.isEmpty()) {
        FormatOutcome outcome;
        (void)makeFolder(folder, &outcome.error);
        return outcome;
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return writeFormatToPath(request, folder + formatFileName(request.choice.kind, request.now));
}

FormatOutcome writeFormatToPath(const FormatRequest& request, const QString& filePath)
{
    OutputFile file(filePath);
    FormatOutcome outcome;
    outcome.filePath = file.path();
    const QFileInfo target(outcome.filePath);
    if (!makeFolder(target.path() + QLatin1Char('/'), &outcome.error) || !file.open(&outcome.error)) {
        qCWarning(lcExport) << outcome.error;
        return outcome;
    }
    const QString path = outcome.filePath;
    outcome = writeFormat(file.device(), request);
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

QString formatCompletionMessage(FormatKind kind, const QString& filePath)
{
    return QStringLiteral("Esportazione in formato %1 terminata: vedi file ").arg(formatTitle(kind)) +
           QStringLiteral("\r\n") + QDir::toNativeSeparators(filePath);
}

QStringList formatNotes(const FormatOutcome& outcome)
{
    QStringList notes;
    if (outcome.unreadableRows > 0)
        notes << unreadableFilesNote(outcome.unreadableRows);
    if (outcome.noVersionRows > 0)
        notes << gapNote(outcome.noVersionRows, "i suoi dati di versione sono vuoti",
                         "i loro dati di versione sono vuoti");
    if (outcome.noVersionNoHashRows > 0)
        notes << gapNote(outcome.noVersionNoHashRows, "i suoi dati di versione e il suo checksum sono vuoti",
                         "i loro dati di versione e il loro checksum sono vuoti");
    if (outcome.noHashRows > 0)
        notes << gapNote(outcome.noHashRows, "il suo checksum è vuoto", "il loro checksum è vuoto");
    return notes;
}

void reportFormatOutcome(Prompter& prompter, FormatKind kind, const FormatOutcome& outcome)
{
    if (outcome.ok) {
        QStringList lines{formatCompletionMessage(kind, outcome.filePath)};
        lines << formatNotes(outcome);
        prompter.message(lines.join(QStringLiteral("\r\n")), kProgramTitle, Prompter::Icon::None,
                         Prompter::Buttons::Ok);
    } else if (outcome.interrupted) {
        prompter.message(QStringLiteral("Esportazione interrotta: nessun file è stato scritto."),
                         kProgramTitle, Prompter::Icon::Information, Prompter::Buttons::Ok);
    } else {
        prompter.message(outcome.error, kProgramTitle, Prompter::Icon::Critical, Prompter::Buttons::Ok);
    }
}

} // namespace vellora
