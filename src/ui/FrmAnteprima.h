#pragma once
// The print preview, opened from the print dialog: every page of the report the dialog would
// print, laid out by the same code and on the same page as the current printer's, with the
// tools to move through them and zoom, and to print or save a PDF from here. The pages are
// placed a slice at a time while the window is open, so a long list shows its first page
// at once; the window is modal, so the table cannot change under it.
//
// "Salva &PDF" draws the PDF on a thread of its own, its progress in the bar at the window's
// foot; the pages can still be read meanwhile, and "&Annulla" there stops it after the page
// being drawn and removes the partial file (Esc, or closing the window, stops it and closes).

#include "print/PrintReport.h"
#include "settings/PreviewSettings.h"

#include <atomic>
#include <memory>
#include <optional>
#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace vellora {

class BackgroundTask;
class PreviewView;
class Prompter;

class FrmAnteprima : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrmAnteprima)

public:
    // What the window closed with; a print asked for is run by the print dialog, on its
    // own button's path.
    enum Outcome : int { Chiusa = QDialog::Rejected, StampaRichiesta = 2 };

    // Lays out page 1 before it returns. surface (the current printer), the input's table
    // and state, the prompter and the store outlive the window. Without a store nothing
    // is remembered.
    FrmAnteprima(PrinterSurface& surface, const ReportInput& input, Prompter& prompter,
                 std::optional<SettingsStore> store = std::nullopt, QWidget* parent = nullptr);
    // Stops a PDF still being written and waits for its thread.
    ~FrmAnteprima() override;

    [[nodiscard]] ReportPages& pages() { return *m_pages; }
    [[nodiscard]] PreviewView& view() { return *m_view; }
    // Whether "Salva &PDF" is writing the file.
    [[nodiscard]] bool saving() const { return m_saving; }

    // While the PDF is written, closing the window stops it first.
    void done(int result) override;

private:
    void buildControls();
    void addShortcuts();
    void layOutMore();
    void goToPage(int page);
    void pageChanged(int page);
    void showPageCount();
    void showZoom(int percent);
    void cmdSalvaPDF_Click();
    void pdfSaved();

    ReportInput m_input;
    Prompter& m_prompter;
    std::optional<SettingsStore> m_store;
    std::unique_ptr<ReportPages> m_pages;
    QTimer m_layoutTimer;
    BackgroundTask* m_task = nullptr; // child
    std::atomic_bool m_interrupt{false};
    bool m_saving = false;
    ReportOutcome m_saved;               // written by the PDF's thread until pdfSaved
    std::optional<int> m_closeWhenSaved; // the window was closed while the PDF was written

    PreviewView* m_view = nullptr;
    QSpinBox* m_txtPagina = nullptr;
    QLabel* m_lblZoom = nullptr;
    QPushButton* m_cmdPrima = nullptr;
    QPushButton* m_cmdPrecedente = nullptr;
    QPushButton* m_cmdSuccessiva = nullptr;
    QPushButton* m_cmdUltima = nullptr;
    QPushButton* m_cmdLarghezza = nullptr;
    QPushButton* m_cmdPaginaIntera = nullptr;
    QPushButton* m_cmdUnaPagina = nullptr;
    QPushButton* m_cmdDuePagine = nullptr;
    QPushButton* m_cmdStampa = nullptr;
    QPushButton* m_cmdSalvaPDF = nullptr;
    QWidget* m_fraSalva = nullptr; // the status area: what runs, its bar and "&Annulla"
    QProgressBar* m_prgSalva = nullptr;
};

} // namespace vellora
