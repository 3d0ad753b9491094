#pragma once
// The window's side of a listing, from the start command to a filled, ordered table: the
// listing's walk and fill run on a worker thread, its order on the window's; the window binds
// its controls to Controls and follows controlsChanged. Lives in results (not scan) because it
// hands its rows to the ResultTable and speaks through the Prompter, both above the scan
// library.

#include "results/AppState.h"
#include "results/Listing.h"
#include "results/ResultTable.h"
#include "scan/Scanner.h"

#include <functional>
#include <memory>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <thread>

namespace vellora {

class Prompter;

class ScanDriver : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScanDriver)

public:
    enum class Phase { Idle, Scanning, Filling, Finishing };
    Q_ENUM(Phase)

    // What the window shows; one field per control state the scan changes.
    struct Controls
    {
        bool tableVisible = false;
        bool esciEnabled = true;                                      // cmdEsci
        bool interrompiEnabled = false;                               // cmdInterrompi
        bool printExportEnabled = false;                              // cmdStampa, mnuEsporta, mnuExcel
        bool nessunFileVisible = false;                               // lblNessunFile
        bool curDirVisible = true;                                    // lblCurDir
        bool curDirTitleVisible = true;                               // lblCurDir_
        bool busy = false;                                            // busy mouse pointer
        QString totFile = QStringLiteral("0");                        // lblTotFile
        QString cartelle = QStringLiteral("0");                       // lblCartelle
        QString curDirTitle = QStringLiteral("Cartella Selezionata"); // lblCurDir_
        QString curDir = QStringLiteral("Cartella");                  // lblCurDir
        QString tempo = QStringLiteral("Tempo");                      // lblTempo

        bool operator==(const Controls&) const = default;
    };

    // Test hooks, run on the worker thread.
    struct Hooks
    {
        std::function<void(const QByteArray& folder, ScanState& state)> folderEntered;
        std::function<void(qsizetype row)> beforeRow;
    };

    // table, state and prompter must outlive the driver.
    ScanDriver(ResultTable& table, AppState& state, Prompter& prompter, QObject* parent = nullptr);
    ~ScanDriver() override; // interrupts and waits for a running worker

    // cmdAvvia: ignored while a scan runs. Takes the state's listing request and its headings
    // (Intestazioni) when it starts; the state's listing facts follow when it ends.
    void start();
    // cmdInterrompi: the walk stops before its next entry, the fill before its next row.
    void interrupt();

    [[nodiscard]] Phase phase() const { return m_phase; }
    [[nodiscard]] bool isRunning() const { return m_phase != Phase::Idle; }
    [[nodiscard]] const Controls& controls() const { return m_controls; }
    // The counts of the last scan (exact once it ended).
    [[nodiscard]] std::uint64_t totFile() const { return m_totFile; }
    [[nodiscard]] std::uint64_t totCartelle() const { return m_totCartelle; }
    [[nodiscard]] qint64 elapsedSeconds() const { return m_elapsedSeconds; }

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // Progress labels are refreshed this often while the worker runs (default 50 ms).
    void setProgressInterval(int ms) { m_progressTimer.setInterval(ms); }

    // Elapsed seconds as "hh:mm:ss", hours with more digits past 99.
    [[nodiscard]] static QString FormattaTempo(qint64 seconds);

Q_SIGNALS:
    void controlsChanged(const vellora::ScanDriver::Controls& controls);
    void phaseChanged(vellora::ScanDriver::Phase phase);
    void finished();

private:
    void setControls(const Controls& c);
    void setPhase(Phase p);
    void pollProgress();
    void enterFilling();
    void finish(); // UI thread, once the worker's collect() is done
    void joinWorker();

    ResultTable& m_table;
    AppState& m_state;
    Prompter& m_prompter;
    Hooks m_hooks;

    Phase m_phase = Phase::Idle;
    Controls m_controls;
    ScanState m_scan;
    std::thread m_worker;
    QTimer m_progressTimer;
    QElapsedTimer m_clock;
    std::uint64_t m_totFile = 0;
    std::uint64_t m_totCartelle = 0;
    qint64 m_elapsedSeconds = 0;

    // What start() took from the state: the listing the worker runs, the headings it shows
    // and the folder label's text.
    std::unique_ptr<Listing> m_listing;
    QStringList m_headings;
    QString m_folderText;
};

} // namespace vellora
