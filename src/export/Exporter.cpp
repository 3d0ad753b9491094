#include "Exporter.h"

#include "ColumnLine.h"
#include "ExportLog.h"
#include "results/AppState.h"
#include "results/Formats.h"
#include "results/RowSource.h"
#include "system/ErrorText.h"
#include "system/OutputFile.h"
#include "system/Platform.h"
#include "system/Prompter.h"
#include "system/SystemData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QStringEncoder>

#include <cerrno>

namespace vellora {

namespace {

constexpr qsizetype kNameChars = 17;
constexpr qsizetype kLastFieldChars = 44;
constexpr qsizetype kReportWidth = 111;
constexpr qsizetype kInfoNameWidth = 21;
// Encoded and handed to the device in chunks of about this many characters, at row ends.
constexpr qsizetype kChunkChars = 64 * 1024;

// Encodes in the locale's encoding and writes in chunks; remembers the first failure.
class ChunkWriter
{
public:
    explicit ChunkWriter(QIODevice& out) : m_out(out), m_encoder(QStringConverter::System) {}

    QString& buffer() { return m_buffer; }

    bool flushIfFull() { return m_buffer.size() < kChunkChars || flush(); }

    bool flush()
    {
        if (m_failed)
            return false;
        if (m_buffer.isEmpty())
            return true;
        const QByteArray bytes = m_encoder.encode(m_buffer);
        m_buffer.resize(0); // keeps the capacity for the next chunk
        errno = 0;
        if (m_out.write(bytes) != bytes.size()) {
            m_failed = true;
            m_error = errnoCause(errno, m_out.errorString());
            return false;
        }
        return true;
    }

    [[nodiscard]] const QString& error() const { return m_error; }

private:
    QIODevice& m_out;
    QStringEncoder m_encoder;
    QString m_buffer;
    bool m_failed = false;
    QString m_error;
};

struct Flags
{
    bool size, date, version, info, subfolders;
};

Flags flagsOf(const AppState& state)
{
    // A field is written when its flag is 1; other values leave it out.
    return {state.OptS[ColSize] == 1, state.OptS[ColDate] == 1, state.OptS[ColVersion] == 1,
            state.OptS[ColInfo] == 1, state.TipoRicerca == Scope::Subfolders};
}

// What one row needs from its file, read with at most one stat and one version read.
struct RowFacts
{
    QString size;
    QString date;
    QString version;
    QString info;
    bool unreadable = false;
};

RowFacts readFacts(FactReader& reader, const RowSource& rows, qsizetype row, const Flags& f, InfoKind kind)
{
    RowFacts facts;
    const bool wantInfo = f.info && !f.subfolders;
    const bool wantStat = f.size || f.date;
    const bool wantVersion = f.version || wantInfo;
    if (!wantStat && !wantVersion)
        return facts;
    const FileFacts ff = rows.readFacts(
        reader, row, (wantStat ? FactReader::Stat : 0u) | (wantVersion ? FactReader::Version : 0u));
    if (wantStat) {
        if (ff.statted) {
            if (f.size)
                facts.size = formatSize(ff.size);
            if (f.date)
                facts.date = formatDateReport(ff.mtime);
        } else {
            facts.unreadable = true;
        }
    }
    if (wantVersion) {
        const VersionData& vd = ff.version;
        if (!vd.readable)
            facts.unreadable = true;
        if (f.version)
            facts.version = sanitizeLine(vd.fileVersion);
        if (wantInfo)
            facts.info = sanitizeLine(vd.info(kind));
    }
    return facts;
}

QString dashes()
{
    return QString(kReportWidth, QChar(0x2014));
}

QString textHeader(const ExportRequest& r, qsizetype rowCount, const Flags& f)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString count = QString::number(rowCount);
    const QString bracket = sanitizeLine(r.state.bracketText());
    const qsizetype gap = 85 - (count.size() + 1) - charCount(bracket);

    QString h;
    h += sanitizeLine(r.system.systemLine()) + crlf;
    h += (f.subfolders ? QStringLiteral("Esporta (con Sottocartelle): ") : QStringLiteral("Esporta: "));
    h += sanitizeLine(r.state.listingText()) + crlf;
    h += QStringLiteral("Totale File ") + count + QStringLiteral(" (") + bracket + QLatin1Char(')');
    // A bracket text too long for the line gets no padding rather than a negative one.
    h += QString(qMax<qsizetype>(gap, 0), QLatin1Char(' '));
    h += QLatin1Char('(') + formatDay(r.now.date()) + QLatin1Char(')') + crlf;
    h += dashes() + crlf;
    h += QStringLiteral("Nome File         Ext  Dimensione Data Ult. Modif.");
    if (f.subfolders)
        h += QStringLiteral("        Versione Cartella");
    else
        h += QStringLiteral("        Versione ") +
             infoReportName(r.state.infoKind).leftJustified(kInfoNameWidth, u' ', true);
    h += crlf;
    h += dashes() + crlf;
    return h;
}

bool writeText(ChunkWriter& w, const ExportRequest& r, FactReader& reader, ExportStats& stats)
{
    const Flags f = flagsOf(r.state);
    const qsizetype n = r.rows.rowCount();
    w.buffer() += textHeader(r, n, f);
    ColumnLine line(w.buffer());
    for (qsizetype row = 1; row <= n; ++row) {
        const RowFacts facts = readFacts(reader, r.rows, row, f, r.state.infoKind);
        stats.unreadableRows += facts.unreadable ? 1 : 0;

        line.write(leftChars(sanitizeLine(r.rows.text(row, ColName)), kNameChars));
        line.tab(19);
        line.write(sanitizeLine(r.rows.text(row, ColExt)));
        if (f.size) {
            line.tab(34 - charCount(facts.size));
            line.write(facts.size);
        }
        if (f.date) {
            line.tab(35);
            line.write(facts.date);
        }
        if (f.version) {
            line.tab(67 - charCount(facts.version));
            line.write(facts.version);
        }
        if (f.subfolders) {
            line.tab(68);
            line.write(leftChars(sanitizeLine(r.rows.text(row, ColFolder)), kLastFieldChars));
        } else if (f.info) {
            line.tab(68);
            line.write(leftChars(facts.info, kLastFieldChars));
        }
        line.endLine();
        ++stats.rows;
        if (!w.flushIfFull())
            return false;
    }
    return w.flush();
}

// Every field goes through appendSpreadsheetField: spreadsheets read this file, and would
// otherwise take some names for formulas or for quoted texts.
bool writeTabbed(ChunkWriter& w, const ExportRequest& r, FactReader& reader, ExportStats& stats)
{
    const Flags f = flagsOf(r.state);
    const qsizetype n = r.rows.rowCount();
    QString& out = w.buffer();
    const QChar tab = QLatin1Char('\t');
    for (qsizetype row = 1; row <= n; ++row) {
        const RowFacts facts = readFacts(reader, r.rows, row, f, r.state.infoKind);
        stats.unreadableRows += facts.unreadable ? 1 : 0;

        const QString name = sanitizeLine(r.rows.text(row, ColName));
        const QString ext = sanitizeLine(r.rows.text(row, ColExt));
        if (r.layout == NameLayout::Single) {
            // The one-field layout always writes the dot, also for a name without extension.
            appendSpreadsheetField(out, leftChars(name, kNameChars).toString() + u'.' + ext);
        } else {
            appendSpreadsheetField(out, leftChars(name, kNameChars));
            out += tab;
            appendSpreadsheetField(out, ext);
        }
        if (f.size) {
            out += tab;
            out += facts.size;
        }
        if (f.date) {
            out += tab;
            out += facts.date;
        }
        if (f.version) {
            out += tab;
            appendSpreadsheetField(out, facts.version);
        }
        if (f.subfolders) {
            out += tab;
            appendSpreadsheetField(out,
                                   leftChars(sanitizeLine(r.rows.text(row, ColFolder)), kLastFieldChars));
        } else if (f.info) {
            out += tab;
            appendSpreadsheetField(out, leftChars(facts.info, kLastFieldChars));
        }
        out += QLatin1String("\r\n");
        ++stats.rows;
        if (!w.flushIfFull())
            return false;
    }
    return w.flush();
}

} // namespace

QString defaultExportFileName(ExportKind kind, const QDateTime& now)
{
    const QString stem = kind == ExportKind::Text ? QStringLiteral("Lista_") : QStringLiteral("ListaExcel_");
    return stem + now.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".txt");
}

bool exportTo(QIODevice& out, ExportKind kind, const ExportRequest& request, ExportStats* stats,
              QString* error)
{
    const std::unique_ptr<FactReader> reader = request.rows.facts().reader();
    ExportStats local;
    ChunkWriter writer(out);
    const bool ok = kind == ExportKind::Text ? writeText(writer, request, *reader, local)
                                             : writeTabbed(writer, request, *reader, local);
    if (stats)
        *stats = local;
    if (!ok && error)
        *error = writer.error();
    if (local.unreadableRows > 0)
        qCInfo(lcExport) << local.unreadableRows << "listed files could not be read; their fields are blank";
    return ok;
}

ExportOutcome exportToFile(ExportKind kind, const ExportRequest& request)
{
    QString folder = request.folder;
    if (folder.isEmpty()) {
        ExportOutcome outcome;
        (void)makeFolder(folder, &outcome.error);
        return outcome;
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return exportToPath(kind, request, folder + defaultExportFileName(kind, request.now));
}

ExportOutcome exportToPath(ExportKind kind, const ExportRequest& request, const QString& filePath)
{
    OutputFile file(filePath);
    ExportOutcome outcome;
    outcome.filePath = file.path();
    const auto failed = [&] {
        qCWarning(lcExport) << outcome.error;
        return outcome;
    };
    if (!makeFolder(QFileInfo(outcome.filePath).path() + QLatin1Char('/'), &outcome.error) ||
        !file.open(&outcome.error))
        return failed();
    QString cause;
    if (!exportTo(file.device(), kind, request, &outcome.stats, &cause)) {
        file.cancel();
        outcome.error = cannotWriteMessage(outcome.filePath, cause);
        return failed();
    }
    if (!file.commit(&outcome.error))
        return failed();
    outcome.ok = true;
    qCInfo(lcExport) << "exported" << outcome.stats.rows << "rows to" << outcome.filePath;
    return outcome;
}

QString completionMessage(ExportKind kind, const QString& filePath)
{
    const QString head = kind == ExportKind::Text
                             ? QStringLiteral("Esportazione in formato Testo terminata: vedi file ")
                             : QStringLiteral("Esportazione per Excel terminata: vedi file ");
    return head + QStringLiteral("\r\n") + QDir::toNativeSeparators(filePath);
}

void reportOutcome(Prompter& prompter, ExportKind kind, const ExportOutcome& outcome)
{
    if (outcome.ok)
        prompter.message(completionMessage(kind, outcome.filePath) +
                             (outcome.stats.unreadableRows > 0
                                  ? QStringLiteral("\r\n") + unreadableFilesNote(outcome.stats.unreadableRows)
                                  : QString()),
                         kProgramTitle, Prompter::Icon::None, Prompter::Buttons::Ok);
    else
        prompter.message(outcome.error, kProgramTitle, Prompter::Icon::Critical, Prompter::Buttons::Ok);
}

} // namespace vellora
