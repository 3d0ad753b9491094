#pragma once
// The column dialog ("frmColonne"): edits the display profile or the shared print and
// export profile, as AppState::ProfiloColonne says. Built anew at every opening; the logic
// is ColumnProfileEditor's, the dialog only wires the boxes to it.

#include "results/ColumnProfileEditor.h"

#include <array>
#include <QDialog>

class QCheckBox;
class QLabel;

namespace vellora {

class DialogPrompter;

class ColonneDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColonneDialog)

public:
    // state and target (may be null) must outlive the dialog; they are only written on OK.
    ColonneDialog(AppState& state, NumberColumnTarget* target, QWidget* parent = nullptr);

private:
    void onOk();

    AppState& m_state;
    NumberColumnTarget* m_target;
    ColumnProfileEditor m_editor;
    std::array<QCheckBox*, ColumnProfileEditor::kBoxes> m_boxes{}; // children, owned by the dialog
};

// What each opener does: sets ProfiloColonne, then runs the dialog modally and waits.
// Returns the dialog's result (QDialog::Accepted after OK).
int apriColonne(DialogPrompter& prompter, AppState& state, ProfileKind profile, NumberColumnTarget* target,
                QWidget* parent = nullptr);

} // namespace vellora
