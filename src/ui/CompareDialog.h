#pragma once
// "Confronta con un elenco salvato": the saved listing to compare with, what to compare it
// with (the window's folder and pattern, or another saved listing), "Mostra anche i file
// invariati", "Calcola checksum SHA-256 di tutti i file", a progress bar, "&Confronta" and
// "&Annulla". The reading, the listing of the folder, the comparison and the hashing run on a
// worker thread; the dialog only polls its progress, so the window never stops answering.

#include "compare/CompareJob.h"

#include <memory>
#include <QDialog>
#include <thread>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vellora {

class Prompter;

class CompareDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompareDialog)

public:
    // window: the window's folder, pattern and scope, the after side it offers.
    CompareDialog(const ListingRequest& window, Prompter& prompter, QWidget* parent = nullptr);
    ~CompareDialog() override;

    // Names the saved listing (and the other one) as the file dialogs would.
    void setListing(const QString& path);
    void setOtherListing(const QString& path);
    void setShowUnchanged(bool on);

    // "&Confronta": starts the worker; the dialog is accepted when the comparison is done.
    void Confronta();
    // After acceptance: the comparison.
    [[nodiscard]] std::shared_ptr<const ComparedSides> result() const { return m_result; }

public Q_SLOTS:
    // While a comparison runs, "&Annulla", Esc and closing stop it and wait for the worker.
    void reject() override;

private:
    void buildControls();
    void poll();
    void finish();
    void setRunning(bool running);

    ListingRequest m_window;
    Prompter& m_prompter;
    std::thread m_worker;
    std::atomic_bool m_done{false};
    ScanState m_scan;
    CompareProgress m_progress;
    CompareJobOutcome m_outcome;
    std::shared_ptr<ComparedSides> m_running;
    std::shared_ptr<const ComparedSides> m_result;
    QTimer* m_poll = nullptr;

    QLineEdit* m_txtElenco = nullptr;
    QPushButton* m_cmdSfoglia = nullptr;
    QRadioButton* m_optCartella = nullptr;
    QRadioButton* m_optElenco = nullptr;
    QLineEdit* m_txtAltro = nullptr;
    QPushButton* m_cmdSfogliaAltro = nullptr;
    QCheckBox* m_ckInvariati = nullptr;
    QCheckBox* m_ckChecksum = nullptr;
    QProgressBar* m_prgConfronto = nullptr;
    QPushButton* m_cmdConfronta = nullptr;
    QPushButton* m_cmdAnnulla = nullptr;
};

} // namespace vellora
