#include "ScanDriver.h"

#include "fileinfo/FolderPaths.h"
#include "system/Prompter.h"

#include <QFile>
#include <QLoggingCategory>
#include <QMetaObject>

#include <cmath>

Q_DECLARE_LOGGING_CATEGORY(lcResults)

namespace vellora {

namespace {
const QString kCercando = QStringLiteral("Ricerca in corso...");
const QString kPrincipale = QStringLiteral("Cartella di Ricerca Principale");
const QString kNonPredisposti = QStringLiteral("1 o più Files non sono predisposti per la Versione !");
} // namespace

struct ScanDriver::WorkerOutput
{
    bool walkInterrupted = false;
    bool filled = false; // the fill ran (files found, walk not interrupted)
    std::uint64_t totFile = 0;
    std::uint64_t totCartelle = 0;
    FillResult fill;
};

ScanDriver::ScanDriver(ResultTable& table, AppState& state, Prompter& prompter, QObject* parent)
    : QObject(parent), m_table(table), m_state(state), m_prompter(prompter)
{
    m_progressTimer.setInterval(50);
    connect(&m_progressTimer, &QTimer::timeout, this, &ScanDriver::pollProgress);
}

ScanDriver::~ScanDriver()
{
    m_scan.interrupt = true;
    joinWorker();
}

void ScanDriver::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

QString ScanDriver::FormattaTempo(qint64 seconds)
{
    // A monotonic clock never gives a negative span; clamp anyway so a caller's mistake
    // cannot print "-1:-1:-1".
    if (seconds < 0)
        seconds = 0;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 - 60 * hours;
    const qint64 secs = seconds % 60;
    const QChar zero(u'0');
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, zero)
        .arg(minutes, 2, 10, zero)
        .arg(secs, 2, 10, zero);
}

void ScanDriver::setControls(const Controls& c)
{
    if (c == m_controls)
        return;
    m_controls = c;
    Q_EMIT controlsChanged(m_controls);
}

void ScanDriver::setPhase(Phase p)
{
    if (p == m_phase)
        return;
    m_phase = p;
    Q_EMIT phaseChanged(p);
}

void ScanDriver::start()
{
    if (isRunning())
        return;
    joinWorker();

    m_job.pattern = m_state.PatternFile;
    // The folder's own bytes, also when it came from a command line that is not UTF-8.
    m_job.folder = fileinfo::pathBytes(m_state.CartellaRicerca);
    if (!m_job.folder.endsWith('/'))
        m_job.folder.append('/');
    m_job.subfolders = m_state.TipoRicerca == Scope::Subfolders;
    m_job.optV = m_state.OptV;
    m_job.fill = FillOptions{};
    m_job.fill.optV = m_state.OptV;
    m_job.fill.infoKind = m_state.infoKind;
    m_job.fill.beforeRow = m_hooks.beforeRow;
    m_job.fill.facts = &m_table.facts();
    m_job.headings = m_state.Intestazioni;
    m_job.order = m_state.OrdineGriglia;
    m_job.folderText = m_state.folderText();

    m_table.reset();
    m_scan.reset();
    m_totFile = m_totCartelle = 0;
    m_clock.start();

    Controls c = m_controls;
    c.tableVisible = false;
    c.nessunFileVisible = false;
    c.busy = true;
    c.curDirTitle = kCercando;
    c.esciEnabled = false;
    c.interrompiEnabled = true;
    // Nothing is printed or exported from a table that is being refilled.
    c.printExportEnabled = false;
    // A start folder that cannot be read never moves the counters; the previous scan's
    // count must not be taken for this one.
    c.totFile = QStringLiteral("0");
    c.cartelle = QStringLiteral("0");
    setControls(c);
    setPhase(Phase::Scanning);
    m_progressTimer.start();

    auto out = std::make_shared<WorkerOutput>();
    m_worker = std::thread([this, out] { runWorker(out); });
}

void ScanDriver::runWorker(std::shared_ptr<WorkerOutput> out)
{
    ScanResults results;
    FolderEnteredFn onFolder;
    if (m_hooks.folderEntered)
        onFolder = [this](const QByteArray& folder) { m_hooks.folderEntered(folder, m_scan); };
    const bool ok =
        ScandisciCartella(m_job.pattern, m_job.folder, m_job.subfolders, m_scan, results, onFolder);
    if (!ok)
        qCInfo(lcResults) << "cannot read the folder" << m_job.folder;
    out->totFile = m_scan.totFile.load();
    out->totCartelle = m_scan.totCartelle.load();
    if (m_scan.interrupt.load()) {
        out->walkInterrupted = true;
    } else if (out->totFile > 0 && !results.entries.empty()) {
        QMetaObject::invokeMethod(
            this, [this] { enterFilling(); }, Qt::QueuedConnection);
        out->fill = fillRows(std::move(results), m_job.fill, m_scan.interrupt);
        out->filled = true;
    }
    QMetaObject::invokeMethod(
        this, [this, out] { finish(out); }, Qt::QueuedConnection);
}

void ScanDriver::enterFilling()
{
    if (m_phase != Phase::Scanning)
        return;
    setPhase(Phase::Filling);
    // The fill hides both path labels until it ends or is interrupted.
    Controls c = m_controls;
    if (!m_scan.interrupt.load()) {
        c.curDirVisible = false;
        c.curDirTitleVisible = false;
    }
    c.totFile = QString::number(m_scan.totFile.load());
    c.cartelle = QString::number(m_scan.totCartelle.load());
    setControls(c);
}

void ScanDriver::pollProgress()
{
    if (m_phase != Phase::Scanning)
        return;
    Controls c = m_controls;
    c.totFile = QString::number(m_scan.totFile.load());
    c.cartelle = QString::number(m_scan.totCartelle.load());
    const QByteArray folder = m_scan.folderNow();
    if (!folder.isEmpty() && !m_scan.interrupt.load())
        c.curDir = QString::fromUtf8(folder).trimmed();
    setControls(c);
}

void ScanDriver::interrupt()
{
    if (m_phase != Phase::Scanning && m_phase != Phase::Filling)
        return;
    m_scan.interrupt = true;
    Controls c = m_controls;
    c.interrompiEnabled = false;
    c.esciEnabled = true;
    c.printExportEnabled = false;
    c.curDir = m_state.CartellaRicerca;
    c.curDirVisible = true;
    c.curDirTitle = kPrincipale;
    c.curDirTitleVisible = true;
    setControls(c);
}

void ScanDriver::finish(std::shared_ptr<WorkerOutput> out)
{
    joinWorker();
    m_progressTimer.stop();
    setPhase(Phase::Finishing);

    m_totFile = out->totFile;
    m_totCartelle = out->totCartelle;
    Controls c = m_controls;
    c.totFile = QString::number(m_totFile);
    c.cartelle = QString::number(m_totCartelle);

    bool versionError = false;
    bool rowOneWritten = false;
    if (!out->walkInterrupted) {
        if (m_totFile == 0 || !out->filled) {
            c.printExportEnabled = false;
            c.esciEnabled = true;
        } else {
            versionError = out->fill.versionError;
            rowOneWritten = out->fill.filledRows >= 1;
            const bool complete = !out->fill.interrupted;
            m_table.PopolaGriglia(std::move(out->fill), m_job.headings, m_job.optV, m_job.order);
            c.esciEnabled = true;
            if (complete) {
                c.printExportEnabled = true;
                c.curDirVisible = true;
                c.curDirTitleVisible = true;
            }
        }
    }
    m_scan.interrupt = false;

    c.interrompiEnabled = false;
    c.curDirTitle = kPrincipale;
    c.curDir = m_job.folderText;
    m_elapsedSeconds = qint64(std::llround(double(m_clock.elapsed()) / 1000.0));
    c.tempo = FormattaTempo(m_elapsedSeconds);
    c.busy = false;
    setControls(c);

    m_state.totCartelle = m_totCartelle;
    m_state.scanScope = m_job.subfolders ? Scope::Subfolders : Scope::Folder;
    m_state.listedFolderText = m_job.folderText;

    // The message comes before the table shows up, and after every other end state, print
    // and export included: the user reads it with the controls already as they stay.
    if (versionError)
        m_prompter.message(kNonPredisposti, kProgramTitle, Prompter::Icon::Information,
                           Prompter::Buttons::Ok);

    c = m_controls;
    if (rowOneWritten && m_totFile > 0)
        c.tableVisible = true;
    else if (m_totFile == 0)
        c.nessunFileVisible = true;
    setControls(c);
    setPhase(Phase::Idle);
    Q_EMIT finished();
}

} // namespace vellora
