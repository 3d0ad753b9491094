#pragma once
// The export dialog (frmEsporta): shows the columns that will be exported, lets the user
// change them, offers the name layout of the tab-separated file and runs the export. It is
// built anew for every opening; the window shows it through DialogPrompter::exec.

#include "ui/ExportDialogBase.h"

#include <chrono>
#include <QStringList>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vellora {

// Headings of columns 1 to 6 whose OptS flag is 1, in column order.
[[nodiscard]] QStringList exportColumnList(const AppState& state);

class EsportaDialog : public ExportDialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EsportaDialog)

public:
    // Reads the export kind and the flags from state now. state, rows, system and prompter
    // are the caller's and must outlive the dialog.
    EsportaDialog(AppState& state, const RowSource& rows, const SystemData& system, Prompter& prompter,
                  QWidget* parent = nullptr);
    ~EsportaDialog() override;

    // The pause between closing the file and telling the user (1000 ms by default).
    void setFinishDelay(std::chrono::milliseconds delay) { m_finishDelay = delay; }

    // The two exports; "&Esporta" runs the one the export kind names.
    void EsportaTesto();
    void EsportaExcel();

private:
    void buildControls();
    void showFolder(const QString& folder) override;
    void showColumns() override;
    void runExport(ExportKind kind);

    std::chrono::milliseconds m_finishDelay{1000};

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
