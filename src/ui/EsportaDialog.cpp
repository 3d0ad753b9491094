#include "EsportaDialog.h"

#include "results/AppState.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

namespace vellora {

namespace {

// Restores the pointer however the export ends.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { restore(); }
    void restore()
    {
        if (m_active)
            QApplication::restoreOverrideCursor();
        m_active = false;
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_active = true;
};

} // namespace

QStringList exportColumnList(const AppState& state)
{
    QStringList list;
    for (int c = ColName; c <= ColInfo; ++c)
        if (state.OptS[c] == 1 && c < state.Intestazioni.size())
            list << state.Intestazioni[c];
    return list;
}

EsportaDialog::EsportaDialog(AppState& state, const RowSource& rows, const SystemData& system,
                             Prompter& prompter, QWidget* parent)
    : ExportDialogBase(state, rows, system, prompter, parent, "frmEsporta",
                       QStringLiteral("Esporta Lista in formato Testo"))
{
    buildControls();

    // The layout choice is not remembered: every opening for the spreadsheet starts with
    // one name field.
    const bool excel = m_state.exportKind == ExportKind::Tabbed;
    m_fraEXCEL->setVisible(excel);
    m_optUnico->setChecked(true);
    showChoices();
}

EsportaDialog::~EsportaDialog() = default;

void EsportaDialog::buildControls()
{
    auto* top = new QVBoxLayout(this);

    m_fraEXCEL = new QGroupBox(QStringLiteral("Nome dei Files"), this);
    m_fraEXCEL->setObjectName(QStringLiteral("fraEXCEL"));
    m_optSeparato = new QRadioButton(QStringLiteral("Nome ed Ext separati"), m_fraEXCEL);
    m_optSeparato->setObjectName(QStringLiteral("optSeparato"));
    m_optUnico = new QRadioButton(QStringLiteral("Nome + Ext unico"), m_fraEXCEL);
    m_optUnico->setObjectName(QStringLiteral("optUnico"));
    auto* layoutBox = new QVBoxLayout(m_fraEXCEL);
    layoutBox->addWidget(m_optSeparato);
    layoutBox->addWidget(m_optUnico);
    top->addWidget(m_fraEXCEL);

    m_fraCampi = new QGroupBox(QStringLiteral("Campi da Esportare"), this);
    m_fraCampi->setObjectName(QStringLiteral("fraCampi"));
    m_lblColonne = new QLabel(QStringLiteral("Campi da Esportare"), m_fraCampi);
    m_lblColonne->setObjectName(QStringLiteral("lblColonne"));
    m_lblColonne->setTextFormat(Qt::PlainText);
    m_cmdCambiaCAMPI = new QPushButton(QStringLiteral("&Cambia i campi da esportare"), m_fraCampi);
    m_cmdCambiaCAMPI->setObjectName(QStringLiteral("cmdCambiaCAMPI"));
    auto* fieldsBox = new QVBoxLayout(m_fraCampi);
    fieldsBox->addWidget(m_lblColonne);
    fieldsBox->addWidget(m_cmdCambiaCAMPI);
    top->addWidget(m_fraCampi);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    top->addWidget(line);

    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setTextFormat(Qt::PlainText);
    m_label1->setWordWrap(true);
    top->addWidget(m_label1);

    m_cmdEsporta = new QPushButton(QStringLiteral("&Esporta"), this);
    m_cmdEsporta->setObjectName(QStringLiteral("cmdEsporta"));
    m_cmdEsporta->setDefault(true);
    m_cmdAnnulla = new QPushButton(QStringLiteral("&Annulla"), this);
    m_cmdAnnulla->setObjectName(QStringLiteral("cmdAnnulla"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdEsporta);
    buttons->addWidget(m_cmdAnnulla);
    top->addLayout(buttons);

    connect(m_cmdCambiaCAMPI, &QPushButton::clicked, this, [this] { changeColumns(); });
    connect(m_cmdEsporta, &QPushButton::clicked, this, [this] {
        // The kind is read at every press, as the window may have recorded another one.
        runExport(m_state.exportKind);
    });
    connect(m_cmdAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

void EsportaDialog::showFolder(const QString& folder)
{
    QString shown = QDir::toNativeSeparators(QDir::cleanPath(folder));
    m_label1->setText(QStringLiteral("Il file di testo verrà esportato nella cartella ") + shown +
                      QLatin1Char('.'));
}

void EsportaDialog::showColumns()
{
    m_lblColonne->setText(exportColumnList(m_state).join(QLatin1Char('\n')));
}

void EsportaDialog::EsportaTesto()
{
    runExport(ExportKind::Text);
}

void EsportaDialog::EsportaExcel()
{
    runExport(ExportKind::Tabbed);
}

void EsportaDialog::runExport(ExportKind kind)
{
    BusyCursor busy;
    ExportChoice choice;
    choice.kind = kind;
    choice.layout = m_optSeparato->isChecked() ? NameLayout::Separate : NameLayout::Single;
    // The pause lets the user see the hourglass over a very short export, as he always has.
    if (exportToFolder(choice).ok && m_finishDelay.count() > 0)
        QThread::msleep(static_cast<unsigned long>(m_finishDelay.count()));
    busy.restore();
    reportLastOutcome(kind);
}

} // namespace vellora
