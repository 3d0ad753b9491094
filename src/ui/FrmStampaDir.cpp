#include "FrmStampaDir.h"

#include "BackgroundTask.h"
#include "FrmAnteprima.h"
#include "FrmImpostaStampante.h"
#include "print/PrintMessages.h"
#include "PrintPictures.h"
#include "results/AppState.h"
#include "ui/DialogPrompter.h"

#include <cmath>
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace vellora {

namespace {

constexpr int kBarFullWidthTwips = 6615;

} // namespace

int FrmStampaDir::twips(double tw) const
{
    return int(std::lround(tw * logicalDpiX() / 1440.0));
}

FrmStampaDir::FrmStampaDir(PrinterSurface& surface, AppState& state, const RowSource& rows,
                           const QString& systemLine, DialogPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_surface(surface), m_state(state), m_rows(rows), m_systemLine(systemLine),
      m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmStampaDir"));
    setWindowTitle(QStringLiteral("Vellora"));
    setFixedSize(twips(7020), twips(3675));
    const auto place = [this](QWidget* w, int l, int t, int wd, int h) {
        w->setGeometry(twips(l), twips(t), twips(wd), twips(h));
    };

    auto* fraStampante = new QGroupBox(QStringLiteral("Stampante"), this);
    fraStampante->setObjectName(QStringLiteral("fraStampante"));
    place(fraStampante, 180, 180, 5370, 825);
    m_lblStampante = new QLabel(QStringLiteral("Nome Stampante"), fraStampante);
    m_lblStampante->setObjectName(QStringLiteral("lblStampante"));
    m_lblStampante->setTextFormat(Qt::PlainText); // a printer name is shown as it is, never as markup
    place(m_lblStampante, 135, 330, 3885, 285);
    auto* cmdCambiaST = new QPushButton(QStringLiteral("Ca&mbia"), fraStampante);
    cmdCambiaST->setObjectName(QStringLiteral("cmdCambiaST"));
    place(cmdCambiaST, 4140, 328, 1080, 285);

    auto* fraCampi = new QGroupBox(QStringLiteral("Colonne da Stampare"), this);
    fraCampi->setObjectName(QStringLiteral("fraCampi"));
    place(fraCampi, 180, 1125, 5370, 2040);
    m_lblColonne = new QLabel(QStringLiteral("Colonne da Stampare"), fraCampi);
    m_lblColonne->setObjectName(QStringLiteral("lblColonne"));
    m_lblColonne->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_lblColonne, 135, 360, 3885, 1545);
    auto* cmdCambiaCAMPI = new QPushButton(QStringLiteral("&Cambia"), fraCampi);
    cmdCambiaCAMPI->setObjectName(QStringLiteral("cmdCambiaCAMPI"));
    place(cmdCambiaCAMPI, 4140, 1395, 1080, 285);
    m_imgPORT = new QLabel(fraCampi);
    m_imgPORT->setObjectName(QStringLiteral("imgPORT"));
    place(m_imgPORT, 4373, 530, 615, 615);
    m_imgPORT->setPixmap(pagePicture(false, m_imgPORT->width()));
    m_imgLAND = new QLabel(fraCampi);
    m_imgLAND->setObjectName(QStringLiteral("imgLAND"));
    place(m_imgLAND, 4373, 530, 615, 615);
    m_imgLAND->setPixmap(pagePicture(true, m_imgLAND->width()));

    auto* decoration = new QLabel(this);
    decoration->setObjectName(QStringLiteral("imgStampa"));
    place(decoration, 5895, 420, 840, 840);
    decoration->setPixmap(printerPicture(decoration->width()));

    // Above "&Stampa", in the free space under the picture: the other controls keep their places.
    auto* cmdAnteprima = new QPushButton(QStringLiteral("A&nteprima"), this);
    cmdAnteprima->setObjectName(QStringLiteral("cmdAnteprima"));
    place(cmdAnteprima, 5775, 2085, 1080, 330);
    auto* cmdStampa = new QPushButton(QStringLiteral("&Stampa"), this);
    cmdStampa->setObjectName(QStringLiteral("cmdStampa"));
    cmdStampa->setDefault(true);
    place(cmdStampa, 5775, 2460, 1080, 330);
    auto* cmdAnnulla = new QPushButton(QStringLiteral("&Annulla"), this);
    cmdAnnulla->setObjectName(QStringLiteral("cmdAnnulla"));
    place(cmdAnnulla, 5775, 2835, 1080, 330);

    m_txtBARRAd = new QFrame(this);
    m_txtBARRAd->setObjectName(QStringLiteral("txtBARRAd"));
    m_txtBARRAd->setFrameShape(QFrame::Box);
    m_txtBARRAd->setAutoFillBackground(true);
    m_txtBARRAd->setPalette(QPalette(Qt::white));
    place(m_txtBARRAd, 180, 3330, 6675, 240);
    m_txtBARRA = new QFrame(this);
    m_txtBARRA->setObjectName(QStringLiteral("txtBARRA"));
    m_txtBARRA->setAutoFillBackground(true);
    QPalette barPalette;
    barPalette.setColor(QPalette::Window, QColor(0, 0, 128));
    m_txtBARRA->setPalette(barPalette);
    place(m_txtBARRA, 210, 3360, kBarFullWidthTwips, 180);

    // Load.
    m_txtBARRAd->hide();
    m_txtBARRA->hide();
    m_txtBARRA->setProperty("tag", QString::number(kBarFullWidthTwips));
    m_lblStampante->setText(m_surface.deviceName());
    showOrientation();
    fillColumns();

    m_task = new BackgroundTask(this);
    m_idleOnly = {cmdCambiaST, cmdCambiaCAMPI, cmdAnteprima, cmdStampa};
    connect(cmdCambiaST, &QPushButton::clicked, this, &FrmStampaDir::cmdCambiaST_Click);
    connect(cmdCambiaCAMPI, &QPushButton::clicked, this, &FrmStampaDir::cmdCambiaCAMPI_Click);
    connect(cmdStampa, &QPushButton::clicked, this, &FrmStampaDir::cmdStampa_Click);
    connect(cmdAnteprima, &QPushButton::clicked, this, &FrmStampaDir::cmdAnteprima_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &FrmStampaDir::reject);
}

FrmStampaDir::~FrmStampaDir()
{
    m_interrupt = true;
    m_task->wait();
    if (m_printing)
        QApplication::restoreOverrideCursor();
}

void FrmStampaDir::fillColumns()
{
    QString text;
    for (int k = 1; k <= 6; ++k) {
        if (m_state.OptS[k] == 1)
            text += m_state.Intestazioni.value(k) + QLatin1Char('\n');
    }
    m_lblColonne->setText(text);
}

void FrmStampaDir::showOrientation()
{
    const bool landscape = usesLandscape(m_state.TipoRicerca, m_state.OptS[ColInfo]);
    m_imgLAND->setVisible(landscape);
    m_imgPORT->setVisible(!landscape);
}

void FrmStampaDir::cmdCambiaST_Click()
{
    if (m_printerOpener)
        m_printerOpener();
    else if (m_selection)
        mnuStampante_Click(*m_selection, m_prompter, this);
    m_lblStampante->setText(m_surface.deviceName());
}

void FrmStampaDir::cmdCambiaCAMPI_Click()
{
    m_state.ProfiloColonne = ProfileKind::Stampa;
    if (m_columnsOpener)
        m_columnsOpener();
    fillColumns();
    showOrientation();
}

int FrmStampaDir::barWidthPixels() const
{
    return m_txtBARRA->width();
}

void FrmStampaDir::setBarPercent(int percent)
{
    const double full = m_txtBARRA->property("tag").toString().toDouble();
    const int width = twips(full * percent / 100.0);
    // The report calls only when the percentage changes; a pixel may still hold several.
    if (width == m_txtBARRA->width())
        return;
    m_txtBARRA->resize(width, m_txtBARRA->height());
    m_txtBARRA->update();
    ++m_barRepaints;
}

void FrmStampaDir::setControlsEnabled(bool enabled)
{
    for (QWidget* w : std::as_const(m_idleOnly))
        w->setEnabled(enabled);
}

void FrmStampaDir::cmdStampa_Click()
{
    if (m_printing)
        return;
    m_printing = true;
    m_interrupt = false;
    setControlsEnabled(false);
    m_txtBARRAd->show();
    m_txtBARRA->resize(0, m_txtBARRA->height());
    m_txtBARRA->show();
    QApplication::setOverrideCursor(Qt::BusyCursor);

    ReportOptions options;
    options.waitMs = m_waitMs;
    options.interrupt = &m_interrupt;
    options.progress = [this](int percent) { m_task->post([this, percent] { setBarPercent(percent); }); };
    const ReportInput input{m_rows, m_state, m_systemLine};
    // The table and the state stay as they are meanwhile: the main window waits behind this
    // modal dialog, and the controls that change the state here are disabled.
    m_task->start([this, input, options] { m_outcome = printChosenReport(m_surface, input, options); },
                  [this] { printEnded(); });
}

void FrmStampaDir::printEnded()
{
    QApplication::restoreOverrideCursor();
    m_printing = false;
    showJobOutcome(m_prompter, m_outcome.job, m_outcome.unreadableRows, m_outcome.unlistedRows);
    if (!m_outcome.job.interrupted) {
        accept();
        return;
    }
    // Stopped: nothing was printed, and the user may change the choices and print again.
    m_txtBARRAd->hide();
    m_txtBARRA->hide();
    setControlsEnabled(true);
}

void FrmStampaDir::reject()
{
    if (m_printing) {
        m_interrupt = true;
        return;
    }
    QDialog::reject();
}

void FrmStampaDir::cmdAnteprima_Click()
{
    // The report as "&Stampa" would choose it now, with the columns picked so far.
    FrmAnteprima preview(m_surface, ReportInput{m_rows, m_state, m_systemLine}, m_prompter, m_store, this);
    if (m_prompter.exec(preview) == FrmAnteprima::StampaRichiesta)
        cmdStampa_Click();
}

} // namespace vellora
