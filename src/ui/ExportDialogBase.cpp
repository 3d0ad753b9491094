#include "ExportDialogBase.h"

#include "results/AppState.h"
#include "system/Platform.h"

namespace vellora {

ExportDialogBase::ExportDialogBase(AppState& state, const RowSource& rows, const SystemData& system,
                                   Prompter& prompter, QWidget* parent, const char* name,
                                   const QString& title)
    : QDialog(parent), m_state(state), m_rows(rows), m_system(system), m_prompter(prompter)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(title);
}

void ExportDialogBase::showChoices()
{
    setExportFolder(exportFolder());
    showColumns();
}

ExportDialogBase::~ExportDialogBase() = default;

void ExportDialogBase::setExportFolder(const QString& folder)
{
    m_folder = folder;
    showFolder(folder);
}

void ExportDialogBase::changeColumns()
{
    m_state.ProfiloColonne = ProfileKind::Esporta;
    if (m_openColumns)
        m_openColumns();
    showColumns();
}

const ExportOutcome& ExportDialogBase::exportToFolder(const ExportChoice& choice,
                                                      const std::atomic_bool* interrupt, ProgressFn progress)
{
    const ExportRequest request{m_rows, m_state, m_system, m_clock(), choice, interrupt, std::move(progress)};
    m_lastOutcome = writeExport(request, ExportTarget::folder(m_folder));
    return m_lastOutcome;
}

void ExportDialogBase::reportLastOutcome(ExportKind kind)
{
    reportOutcome(m_prompter, kind, m_lastOutcome);
}

} // namespace vellora
