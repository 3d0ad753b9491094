#pragma once
// "Imposta Stampante": picks the printer all later printing goes to. The choice takes
// effect as soon as the list changes; the only button closes the dialog.

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace vellora {

class PrinterSelection;
class DialogPrompter;

class FrmImpostaStampante : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrmImpostaStampante)

public:
    // selection outlives the dialog (the main window owns it).
    explicit FrmImpostaStampante(PrinterSelection& selection, QWidget* parent = nullptr);

private:
    PrinterSelection& m_selection;
    QLabel* m_lblPredef = nullptr;
    QComboBox* m_cboPRN = nullptr;
    QPushButton* m_cmdOK = nullptr;
};

// What the main window's "&Imposta Stampante" does, and the print dialog's "Ca&mbia":
// opens the dialog modally through the prompter.
void mnuStampante_Click(PrinterSelection& selection, DialogPrompter& prompter, QWidget* parent = nullptr);

} // namespace vellora
