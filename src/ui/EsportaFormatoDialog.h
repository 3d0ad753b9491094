#pragma once
// The dialog of the newer exports ("Esporta in altro formato"), in the style of the export
// dialog: the format, the checksum, the columns of the export profile with the button that
// changes them, where the file goes, and a progress bar while a long export runs. The
// export runs on this thread between progress updates, so "&Annulla" can stop it; the
// files themselves are read on worker threads.

#include "export/ExportFormats.h"

#include <atomic>
#include <functional>
#include <QDateTime>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace vellora {

struct AppState;
class Prompter;
class RowSource;
struct SystemData;

class EsportaFormatoDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EsportaFormatoDialog)

public:
    // state, rows, system and prompter are the caller's and must outlive the dialog.
    EsportaFormatoDialog(AppState& state, const RowSource& rows, const SystemData& system, Prompter& prompter,
                         QWidget* parent = nullptr);
    ~EsportaFormatoDialog() override;

    // Opens the column dialog modally for ProfiloColonne (set to "ESPORTA" before the call).
    void setColumnDialogOpener(std::function<void()> opener) { m_openColumns = std::move(opener); }
    // Where the files go; the platform's export folder unless set.
    void setExportFolder(const QString& folder);
    // The clock that names the files and dates their header facts.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // What the controls ask for now.
    [[nodiscard]] FormatChoice choice() const;
    // "&Esporta": writes the file and tells the user how it went.
    void Esporta();
    [[nodiscard]] const FormatOutcome& lastOutcome() const { return m_lastOutcome; }

public Q_SLOTS:
    // While an export runs, "&Annulla", Esc and closing the window stop it instead.
    void reject() override;

private:
    void buildControls();
    void refresh();
    void changeColumns();

    AppState& m_state;
    const RowSource& m_rows;
    const SystemData& m_system;
    Prompter& m_prompter;
    std::function<void()> m_openColumns;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    QString m_folder;
    FormatOutcome m_lastOutcome;
    std::atomic_bool m_interrupt{false};
    bool m_running = false;

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
