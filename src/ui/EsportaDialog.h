#pragma once
// The export dialog (frmEsporta): shows the columns that will be exported, lets the user
// change them, offers the name layout of the tab-separated file and runs the export. It is
// built anew for every opening; the window shows it through DialogPrompter::exec.

#include "export/Exporter.h"

#include <chrono>
#include <functional>
#include <QDateTime>
#include <QDialog>
#include <QStringList>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vellora {

struct AppState;
class Prompter;
class RowSource;
struct SystemData;

// Headings of columns 1 to 6 whose OptS flag is 1, in column order.
[[nodiscard]] QStringList exportColumnList(const AppState& state);

class EsportaDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EsportaDialog)

public:
    // Reads the export kind and the flags from state now. state, rows, system and prompter
    // are the caller's and must outlive the dialog.
    EsportaDialog(AppState& state, const RowSource& rows, const SystemData& system, Prompter& prompter,
                  QWidget* parent = nullptr);
    ~EsportaDialog() override;

    // Opens the column dialog modally for ProfiloColonne (set to "ESPORTA" before the call).
    void setColumnDialogOpener(std::function<void()> opener) { m_openColumns = std::move(opener); }
    // Where the files go; the platform's export folder unless set.
    void setExportFolder(const QString& folder);
    // The clock that names the files and dates the header.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // The pause between closing the file and telling the user (1000 ms by default).
    void setFinishDelay(std::chrono::milliseconds delay) { m_finishDelay = delay; }

    // The two exports; "&Esporta" runs the one the export kind names.
    void EsportaTesto();
    void EsportaExcel();

    [[nodiscard]] const ExportOutcome& lastOutcome() const { return m_lastOutcome; }

private:
    void buildControls();
    void refreshColumnList();
    void changeColumns();
    void runExport(ExportKind kind);

    AppState& m_state;
    const RowSource& m_rows;
    const SystemData& m_system;
    Prompter& m_prompter;
    std::function<void()> m_openColumns;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    std::chrono::milliseconds m_finishDelay{1000};
    QString m_folder;
    ExportOutcome m_lastOutcome;

    // Children of the dialog, owned by it.
    QGroupBox* m_fraEXCEL = nullptr;
    QRadioButton* m_optSeparato = nullptr;
    QRadioButton* m_optUnico = nullptr;
    QGroupBox* m_fraCampi = nullptr;
    QLabel* m_lblColonne = nullptr;
    QPushButton* m_cmdCambiaCAMPI = nullptr;
    QPushButton* m_cmdEsporta = nullptr;
    QPushButton* m_cmdAnnulla = nullptr;
    QLabel* m_label1 = nullptr;
};

} // namespace vellora
