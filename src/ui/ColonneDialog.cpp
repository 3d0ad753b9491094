#include "ColonneDialog.h"

#include <algorithm>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DialogPrompter.h"
#include "ui/Pictures.h"

namespace vellora {

namespace {

QLabel* makePicture(QWidget* parent, const char* name, const QPixmap& pixmap)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setPixmap(pixmap);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

ColonneDialog::ColonneDialog(AppState& state, NumberColumnTarget* target, QWidget* parent)
    : QDialog(parent), m_state(state), m_target(target), m_editor(state)
{
    setObjectName(QStringLiteral("frmColonne"));
    setModal(true);
    setWindowTitle(m_editor.caption());

    const QPixmap printPicture = printColumnsPicture();
    const QPixmap viewPicture = viewColumnsPicture();
    QLabel* imgST = makePicture(this, "imgST", printPicture);
    QLabel* imgVEDI = makePicture(this, "imgVEDI", viewPicture);
    QLabel* imgCOL = makePicture(this, "imgCOL", columnsPicture());
    const bool print = m_editor.showsPrintPicture();
    imgST->setVisible(print);
    imgVEDI->setVisible(!print);
    setWindowIcon(QIcon(print ? printPicture : viewPicture));

    // Only the boxes shown take a place, column by column in two columns: the boxes a profile
    // hides ("Nr." in reports, the folder always) leave no empty cell behind.
    int shown = 0;
    for (int i = 0; i < ColumnProfileEditor::kBoxes; ++i)
        shown += m_editor.isBoxVisible(i) ? 1 : 0;
    const int rows = std::max(1, (shown + 1) / 2);
    auto* grid = new QGridLayout;
    int place = 0;
    for (int i = 0; i < ColumnProfileEditor::kBoxes; ++i) {
        auto* box = new QCheckBox(m_editor.boxCaption(i), this);
        box->setObjectName(QStringLiteral("ckOpt%1").arg(i));
        box->setChecked(m_editor.isChecked(i));
        box->setEnabled(m_editor.isBoxEnabled(i));
        if (m_editor.isBoxVisible(i)) {
            grid->addWidget(box, place % rows, place / rows);
            ++place;
        } else {
            box->hide();
        }
        // clicked, not toggled: only the user's click sets the number-clicked mark.
        connect(box, &QCheckBox::clicked, this, [this, i](bool checked) {
            m_editor.click(i, checked);
            m_boxes[i]->setChecked(m_editor.isChecked(i));
        });
        m_boxes[i] = box;
    }

    auto* ok = makeButton(this, "cmdOK", QStringLiteral("&OK"));
    auto* cancel = makeButton(this, "cmdAnnulla", QStringLiteral("&Annulla"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ColonneDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* pictures = new QVBoxLayout;
    pictures->addWidget(imgST);
    pictures->addWidget(imgVEDI);
    pictures->addWidget(imgCOL);
    pictures->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(pictures);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    // 5040 by 2505 twips at 15 twips a pixel.
    setMinimumSize(336, 167);
}

void ColonneDialog::onOk()
{
    m_editor.accept(m_state, m_target);
    accept();
}

int apriColonne(DialogPrompter& prompter, AppState& state, ProfileKind profile, NumberColumnTarget* target,
                QWidget* parent)
{
    state.ProfiloColonne = profile;
    ColonneDialog dialog(state, target, parent);
    return prompter.exec(dialog);
}

} // namespace vellora
