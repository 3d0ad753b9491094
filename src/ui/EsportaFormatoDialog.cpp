#include "EsportaFormatoDialog.h"

#include "BackgroundTask.h"
#include "results/AppState.h"
#include "results/RowSource.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vellora {

namespace {

// The name a file of this kind gets, its date and time spelled out for the user.
QString namePattern(ExportKind kind)
{
    const QString name = exportFileName(kind, QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    return QStringLiteral("Lista_aaaa-mm-gg_hh-mm-ss") + name.mid(name.lastIndexOf(QLatin1Char('.')));
}

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

EsportaFormatoDialog::EsportaFormatoDialog(AppState& state, const RowSource& rows, const SystemData& system,
                                           Prompter& prompter, QWidget* parent)
    : ExportDialogBase(state, rows, system, prompter, parent, "frmEsportaFormato",
                       QStringLiteral("Esporta Lista in altro formato"))
{
    m_task = new BackgroundTask(this);
    buildControls();
    showChoices();
}

EsportaFormatoDialog::~EsportaFormatoDialog()
{
    m_interrupt = true;
    m_task->wait();
    if (m_running)
        QApplication::restoreOverrideCursor();
}

void EsportaFormatoDialog::buildControls()
{
    auto* top = new QVBoxLayout(this);

    m_fraFormato = named(new QGroupBox(QStringLiteral("Formato"), this), "fraFormato");
    m_optCSV =
        named(new QRadioButton(QStringLiteral("CS&V, per ogni foglio di calcolo"), m_fraFormato), "optCSV");
    m_optXLSX =
        named(new QRadioButton(QStringLiteral("Cartella di lavoro E&xcel (.xlsx)"), m_fraFormato), "optXLSX");
    m_optHTML = named(new QRadioButton(QStringLiteral("Pagina &HTML"), m_fraFormato), "optHTML");
    m_optJSON =
        named(new QRadioButton(QStringLiteral("&JSON lines, per gli script"), m_fraFormato), "optJSON");
    m_optCSV->setChecked(true);
    auto* formats = new QVBoxLayout(m_fraFormato);
    for (QRadioButton* o : {m_optCSV, m_optXLSX, m_optHTML, m_optJSON})
        formats->addWidget(o);
    auto* separator = new QHBoxLayout;
    m_lblSeparatore_ = named(new QLabel(QStringLiteral("Se&paratore CSV:"), m_fraFormato), "lblSeparatore_");
    m_cboSeparatore = named(new QComboBox(m_fraFormato), "cboSeparatore");
    m_cboSeparatore->addItem(QStringLiteral("Virgola ( , )"), QStringLiteral(","));
    m_cboSeparatore->addItem(QStringLiteral("Punto e virgola ( ; )"), QStringLiteral(";"));
    m_cboSeparatore->setCurrentIndex(localeCsvSeparator() == QLatin1Char(';') ? 1 : 0);
    m_lblSeparatore_->setBuddy(m_cboSeparatore);
    separator->addWidget(m_lblSeparatore_);
    separator->addWidget(m_cboSeparatore);
    separator->addStretch();
    formats->addLayout(separator);
    top->addWidget(m_fraFormato);

    m_ckChecksum = named(new QCheckBox(QStringLiteral("Calcola checksum SHA-&256"), this), "ckChecksum");
    top->addWidget(m_ckChecksum);

    m_fraCampi = named(new QGroupBox(QStringLiteral("Campi da Esportare"), this), "fraCampi");
    m_lblColonne = named(new QLabel(m_fraCampi), "lblColonne");
    m_lblColonne->setTextFormat(Qt::PlainText);
    m_cmdCambiaCAMPI =
        named(new QPushButton(QStringLiteral("&Cambia i campi da esportare"), m_fraCampi), "cmdCambiaCAMPI");
    auto* fields = new QVBoxLayout(m_fraCampi);
    fields->addWidget(m_lblColonne);
    fields->addWidget(m_cmdCambiaCAMPI);
    top->addWidget(m_fraCampi);

    auto* where = new QFormLayout;
    m_lblFile = named(new QLabel(this), "lblFile");
    m_lblCartella = named(new QLabel(this), "lblCartella");
    for (QLabel* l : {m_lblFile, m_lblCartella}) {
        l->setTextFormat(Qt::PlainText);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    where->addRow(named(new QLabel(QStringLiteral("File:"), this), "lblFile_"), m_lblFile);
    where->addRow(named(new QLabel(QStringLiteral("Cartella:"), this), "lblCartella_"), m_lblCartella);
    top->addLayout(where);

    // The bar takes the free room beside the buttons while an export runs, its room kept when
    // it hides: the dialog keeps its height, with no empty band where the bar was.
    m_prgEsporta = named(new QProgressBar(this), "prgEsporta");
    QSizePolicy keepRoom = m_prgEsporta->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_prgEsporta->setSizePolicy(keepRoom);
    m_prgEsporta->setVisible(false);
    m_cmdEsporta = named(new QPushButton(QStringLiteral("&Esporta"), this), "cmdEsporta");
    m_cmdEsporta->setDefault(true);
    m_cmdAnnulla = named(new QPushButton(QStringLiteral("&Annulla"), this), "cmdAnnulla");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_prgEsporta, 1);
    buttons->addStretch();
    buttons->addWidget(m_cmdEsporta);
    buttons->addWidget(m_cmdAnnulla);
    top->addLayout(buttons);

    for (QRadioButton* o : {m_optCSV, m_optXLSX, m_optHTML, m_optJSON})
        connect(o, &QRadioButton::toggled, this, &EsportaFormatoDialog::showColumns);
    connect(m_ckChecksum, &QCheckBox::toggled, this, &EsportaFormatoDialog::showColumns);
    connect(m_cmdCambiaCAMPI, &QPushButton::clicked, this, [this] { changeColumns(); });
    connect(m_cmdEsporta, &QPushButton::clicked, this, &EsportaFormatoDialog::Esporta);
    connect(m_cmdAnnulla, &QPushButton::clicked, this, &EsportaFormatoDialog::reject);
}

ExportChoice EsportaFormatoDialog::choice() const
{
    ExportChoice c;
    c.kind = m_optXLSX->isChecked()   ? ExportKind::Xlsx
             : m_optHTML->isChecked() ? ExportKind::Html
             : m_optJSON->isChecked() ? ExportKind::JsonLines
                                      : ExportKind::Csv;
    c.checksum = m_ckChecksum->isChecked();
    c.separator = m_cboSeparatore->currentData().toString().at(0);
    return c;
}

void EsportaFormatoDialog::showFolder(const QString& folder)
{
    m_lblCartella->setText(QDir::toNativeSeparators(QDir::cleanPath(folder)));
}

// The file's name and the columns follow the format; the separator goes with CSV alone.
void EsportaFormatoDialog::showColumns()
{
    const ExportChoice c = choice();
    const bool csv = c.kind == ExportKind::Csv;
    m_lblSeparatore_->setEnabled(csv);
    m_cboSeparatore->setEnabled(csv);
    m_lblFile->setText(namePattern(c.kind));
    // JSON lines is for scripts, which want every member on every line: there is no column
    // to choose.
    const bool json = c.kind == ExportKind::JsonLines;
    m_lblColonne->setText(json ? QStringLiteral("Tutti i campi, sempre")
                               : exportColumnHeadings(m_state, c).join(QLatin1Char('\n')));
    m_cmdCambiaCAMPI->setEnabled(!json);
}

void EsportaFormatoDialog::reject()
{
    if (m_running) {
        m_interrupt = true;
        return;
    }
    QDialog::reject();
}

void EsportaFormatoDialog::setChoicesEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_fraFormato, m_ckChecksum, m_fraCampi, m_cmdEsporta})
        w->setEnabled(enabled);
}

void EsportaFormatoDialog::Esporta()
{
    if (m_running)
        return;
    m_running = true;
    m_interrupt = false;
    const ExportChoice c = choice();
    // Only "&Annulla" stays live while the export runs: the state the export reads does not
    // change under it (the main window waits behind this modal dialog).
    setChoicesEnabled(false);
    m_prgEsporta->setRange(0, int(qMin<qsizetype>(m_rows.rowCount(), INT_MAX)));
    m_prgEsporta->setValue(0);
    m_prgEsporta->setVisible(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);

    const ProgressFn progress = [this](qsizetype done, qsizetype) {
        const int value = int(qMin<qsizetype>(done, INT_MAX));
        m_task->post([this, value] { m_prgEsporta->setValue(value); });
    };
    m_task->start([this, c, progress] { (void)exportToFolder(c, &m_interrupt, progress); },
                  [this, kind = c.kind] { exportEnded(kind); });
}

void EsportaFormatoDialog::exportEnded(ExportKind kind)
{
    QApplication::restoreOverrideCursor();
    m_prgEsporta->setVisible(false);
    setChoicesEnabled(true);
    m_running = false;
    reportLastOutcome(kind);
}

} // namespace vellora
