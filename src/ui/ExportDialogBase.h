#pragma once
// What the two export dialogs share: the window's state, rows and system data they export, the
// prompter that tells how it went, the column dialog behind "&Cambia i campi da esportare",
// the folder and the clock of the files, and the one road to the file (writeExport). Each
// dialog builds its own controls and says what they choose.

#include "export/Export.h"

#include <functional>
#include <QDateTime>
#include <QDialog>

namespace vellora {

struct AppState;
class Prompter;
class RowSource;
struct SystemData;

class ExportDialogBase : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExportDialogBase)

public:
    // Opens the column dialog modally for ProfiloColonne (set to "ESPORTA" before the call).
    void setColumnDialogOpener(std::function<void()> opener) { m_openColumns = std::move(opener); }
    // Where the files go; the platform's export folder unless set.
    void setExportFolder(const QString& folder);
    // The clock that names the files and dates their headers.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    [[nodiscard]] const ExportOutcome& lastOutcome() const { return m_lastOutcome; }

protected:
    // state, rows, system and prompter are the caller's and must outlive the dialog. name:
    // the dialog's object name.
    ExportDialogBase(AppState& state, const RowSource& rows, const SystemData& system, Prompter& prompter,
                     QWidget* parent, const char* name, const QString& title);
    ~ExportDialogBase() override;

    // Once the controls are built: they show the export folder and the columns.
    void showChoices();

    // The export folder changed: the dialog shows it.
    virtual void showFolder(const QString& folder) = 0;
    // The export profile may have changed: the dialog shows its columns again.
    virtual void showColumns() = 0;

    // "&Cambia i campi da esportare".
    void changeColumns();
    // Writes the file into the export folder and keeps the outcome; the caller tells the user.
    const ExportOutcome& exportToFolder(const ExportChoice& choice,
                                        const std::atomic_bool* interrupt = nullptr,
                                        ProgressFn progress = {});
    // The closing message of the last export.
    void reportLastOutcome(ExportKind kind);

    AppState& m_state;
    const RowSource& m_rows;

private:
    const SystemData& m_system;
    Prompter& m_prompter;
    std::function<void()> m_openColumns;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    QString m_folder;
    ExportOutcome m_lastOutcome;
};

} // namespace vellora
