#pragma once
// The dialog of the newer exports ("Esporta in altro formato"), in the style of the export
// dialog: the format, the checksum, the columns of the export profile with the button that
// changes them, where the file goes, and a progress bar while a long export runs. The
// export runs on a thread of its own (the files themselves are read on further workers), so
// the window answers and repaints until it ends, a workbook's compression included; only
// "&Annulla" is live meanwhile, and it stops the export.

#include "ui/ExportDialogBase.h"

#include <atomic>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace vellora {

class BackgroundTask;

class EsportaFormatoDialog : public ExportDialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EsportaFormatoDialog)

public:
    // state, rows, system and prompter are the caller's and must outlive the dialog.
    EsportaFormatoDialog(AppState& state, const RowSource& rows, const SystemData& system, Prompter& prompter,
                         QWidget* parent = nullptr);
    // Stops an export still running and waits for its thread.
    ~EsportaFormatoDialog() override;

    // What the controls ask for now.
    [[nodiscard]] ExportChoice choice() const;
    // "&Esporta": starts writing the file; the user is told how it went when it ends.
    void Esporta();
    // Whether an export is running.
    [[nodiscard]] bool running() const { return m_running; }

public Q_SLOTS:
    // While an export runs, "&Annulla", Esc and closing the window stop it instead.
    void reject() override;

private:
    void buildControls();
    void showFolder(const QString& folder) override;
    void showColumns() override;
    void exportEnded(ExportKind kind);
    void setChoicesEnabled(bool enabled);

    std::atomic_bool m_interrupt{false};
    bool m_running = false;
    BackgroundTask* m_task = nullptr; // child

    // Children of the dialog, owned by it.
    QGroupBox* m_fraFormato = nullptr;
    QRadioButton* m_optCSV = nullptr;
    QRadioButton* m_optXLSX = nullptr;
    QRadioButton* m_optHTML = nullptr;
    QRadioButton* m_optJSON = nullptr;
    QLabel* m_lblSeparatore_ = nullptr;
    QComboBox* m_cboSeparatore = nullptr;
    QCheckBox* m_ckChecksum = nullptr;
    QGroupBox* m_fraCampi = nullptr;
    QLabel* m_lblColonne = nullptr;
    QPushButton* m_cmdCambiaCAMPI = nullptr;
    QLabel* m_lblFile = nullptr;
    QLabel* m_lblCartella = nullptr;
    QProgressBar* m_prgEsporta = nullptr;
    QPushButton* m_cmdEsporta = nullptr;
    QPushButton* m_cmdAnnulla = nullptr;
};

} // namespace vellora
