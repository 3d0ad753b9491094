#pragma once
// The print dialog: shows the current printer and the columns the report will print, lets
// the user change either, pictures the page orientation, and on "&Stampa" runs the portrait
// or the landscape report while the progress bar fills, then closes. "A&nteprima" shows the
// pages of that report first; a print asked for there runs here, as the button's does.
//
// The report is drawn on a thread of its own, so the window answers and repaints while a
// long list prints; meanwhile only "&Annulla" (or Esc) is live, and it stops the report after
// the page being drawn, dropping the document. The dialog then stays open.

#include "print/PrintReport.h"
#include "settings/SettingsStore.h"

#include <atomic>
#include <functional>
#include <optional>
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace vellora {

class BackgroundTask;
class PrinterSelection;
class DialogPrompter;
class RowSource;
struct AppState;

class FrmStampaDir : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrmStampaDir)

public:
    // Everything passed by reference outlives the dialog (the main window owns it).
    FrmStampaDir(PrinterSurface& surface, AppState& state, const RowSource& rows, const QString& systemLine,
                 DialogPrompter& prompter, QWidget* parent = nullptr);
    // Stops a report still being drawn and waits for its thread.
    ~FrmStampaDir() override;

    // "Ca&mbia": the main window's printer selection handler. Without one, the dialog
    // opens the printer selection itself on the object given here (it must outlive it).
    void setPrinterSelectionOpener(std::function<void()> opener) { m_printerOpener = std::move(opener); }
    void setPrinterSelection(PrinterSelection* selection) { m_selection = selection; }
    // "&Cambia": opens the column profile dialog (ProfiloColonne is already "STAMPA").
    void setColumnsOpener(std::function<void()> opener) { m_columnsOpener = std::move(opener); }
    // Where the preview keeps its size and zoom; without it, nothing is remembered.
    void setSettingsStore(const SettingsStore& store) { m_store = store; }
    // The pause after the document ends; 1000 ms unless changed.
    void setWaitMs(int ms) { m_waitMs = ms; }

    [[nodiscard]] const ReportOutcome& lastOutcome() const { return m_outcome; }
    [[nodiscard]] int barWidthPixels() const;
    [[nodiscard]] int barRepaints() const { return m_barRepaints; }
    // Whether a report is being drawn.
    [[nodiscard]] bool printing() const { return m_printing; }

public Q_SLOTS:
    // While a report is drawn, "&Annulla", Esc and closing the window stop it instead.
    void reject() override;

private:
    void cmdCambiaST_Click();
    void cmdCambiaCAMPI_Click();
    void cmdStampa_Click();
    void cmdAnteprima_Click();
    void fillColumns();
    void showOrientation();
    void setBarPercent(int percent);
    void printEnded();
    void setControlsEnabled(bool enabled);
    [[nodiscard]] int twips(double tw) const;

    PrinterSurface& m_surface;
    AppState& m_state;
    const RowSource& m_rows;
    QString m_systemLine;
    DialogPrompter& m_prompter;
    std::optional<SettingsStore> m_store;
    PrinterSelection* m_selection = nullptr;
    std::function<void()> m_printerOpener;
    std::function<void()> m_columnsOpener;
    int m_waitMs = 1000;
    ReportOutcome m_outcome; // written by the report's thread until printEnded
    int m_barRepaints = 0;
    std::atomic_bool m_interrupt{false};
    bool m_printing = false;
    BackgroundTask* m_task = nullptr; // child

    QLabel* m_lblStampante = nullptr;
    QLabel* m_lblColonne = nullptr;
    QLabel* m_imgPORT = nullptr;
    QLabel* m_imgLAND = nullptr;
    QFrame* m_txtBARRAd = nullptr;
    QFrame* m_txtBARRA = nullptr;
    QList<QWidget*> m_idleOnly; // the controls that wait while a report is drawn
};

} // namespace vellora
