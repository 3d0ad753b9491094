#include "ScanDriver.h"

#include "system/Prompter.h"

#include <QMetaObject>

#include <cmath>

namespace vellora {

namespace {
const QString kCercando = QStringLiteral("Ricerca in corso...");
const QString kPrincipale = QStringLiteral("Cartella di Ricerca Principale");
const QString kNonPredisposti = QStringLiteral("1 o più Files non sono predisposti per la Versione !");
} // namespace

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

    m_scan.reset();
    m_listing = std::make_unique<Listing>(m_state.listingRequest(), m_scan, &m_table.facts());
    Listing::Hooks hooks;
    if (m_hooks.folderEntered)
        hooks.folderEntered = [this](const QByteArray& folder) { m_hooks.folderEntered(folder, m_scan); };
    hooks.beforeRow = m_hooks.beforeRow;
    hooks.filling = [this] {
        QMetaObject::invokeMethod(
            this, [this] { enterFilling(); }, Qt::QueuedConnection);
    };
    m_listing->setHooks(std::move(hooks));
    m_headings = m_state.Intestazioni;
    m_folderText = m_state.folderText();

    m_table.reset();
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

    m_worker = std::thread([this] {
        m_listing->collect();
        QMetaObject::invokeMethod(
            this, [this] { finish(); }, Qt::QueuedConnection);
    });
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

void ScanDriver::finish()
{
    joinWorker();
    m_progressTimer.stop();
    setPhase(Phase::Finishing);

    const ListingSummary& listed = m_listing->summary();
    m_totFile = listed.files;
    m_totCartelle = listed.folders;
    Controls c = m_controls;
    c.totFile = QString::number(m_totFile);
    c.cartelle = QString::number(m_totCartelle);

    bool versionError = false;
    bool rowOneWritten = false;
    if (!listed.walkInterrupted) {
        if (m_totFile == 0 || !listed.filled) {
            c.printExportEnabled = false;
            c.esciEnabled = true;
        } else {
            versionError = listed.versionError;
            rowOneWritten = listed.filledRows >= 1;
            const bool complete = listed.complete;
            m_listing->deliver(m_table, m_headings);
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
    c.curDir = m_folderText;
    m_elapsedSeconds = qint64(std::llround(double(m_clock.elapsed()) / 1000.0));
    c.tempo = FormattaTempo(m_elapsedSeconds);
    c.busy = false;
    setControls(c);

    m_state.listed = m_listing->summary();

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
