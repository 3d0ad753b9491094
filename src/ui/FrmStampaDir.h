#pragma once
// The print dialog: shows the current printer and the columns the report will print, lets
// the user change either, pictures the page orientation, and on "&Stampa" runs the portrait
// or the landscape report while the progress bar fills, then closes. "A&nteprima" shows the
// pages of that report first; a print asked for there runs here, as the button's does.

#include "print/PrintReport.h"
#include "settings/SettingsStore.h"

#include <functional>
#include <optional>
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace vellora {

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

private:
    void cmdCambiaST_Click();
    void cmdCambiaCAMPI_Click();
    void cmdStampa_Click();
    void cmdAnteprima_Click();
    void fillColumns();
    void showOrientation();
    void setBarPercent(int percent);
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
    ReportOutcome m_outcome;
    int m_barRepaints = 0;

    QLabel* m_lblStampante = nullptr;
    QLabel* m_lblColonne = nullptr;
    QLabel* m_imgPORT = nullptr;
    QLabel* m_imgLAND = nullptr;
    QFrame* m_txtBARRAd = nullptr;
    QFrame* m_txtBARRA = nullptr;
};

} // namespace vellora
