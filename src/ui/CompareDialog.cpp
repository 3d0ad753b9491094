#include "CompareDialog.h"

#include "fileinfo/FolderPaths.h"
#include "system/Prompter.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vellora {

namespace {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QString chooseListing(QWidget* parent, const QString& current)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Elenco salvato"), current,
                                        QStringLiteral("Elenchi salvati (*.jsonl);;Tutti i file (*)"));
}

} // namespace

CompareDialog::CompareDialog(const ListingRequest& window, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_window(window), m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmConfronta"));
    setWindowTitle(QStringLiteral("Confronta con un elenco salvato"));
    buildControls();
}

CompareDialog::~CompareDialog()
{
    if (m_worker.joinable()) {
        m_scan.interrupt = true;
        m_worker.join();
    }
}

void CompareDialog::buildControls()
{
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto* label = named(new QLabel(QStringLiteral("&Elenco salvato:"), this), "lblElenco_");
    m_txtElenco = named(new QLineEdit(this), "txtElenco");
    label->setBuddy(m_txtElenco);
    m_cmdSfoglia = named(new QPushButton(QStringLiteral("&Sfoglia..."), this), "cmdSfoglia");
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_txtElenco, 0, 1);
    grid->addWidget(m_cmdSfoglia, 0, 2);
    grid->addWidget(named(new QLabel(QStringLiteral("Confronta con:"), this), "lblCon_"), 1, 0);
    const QString folder =
        fileinfo::pathText(m_window.folder) + m_window.pattern +
        (m_window.scope == Scope::Subfolders ? QStringLiteral(" (con Sottocartelle)") : QString());
    m_optCartella = named(new QRadioButton(QStringLiteral("la &cartella della finestra: ") + folder, this),
                          "optCartella");
    m_optElenco = named(new QRadioButton(QStringLiteral("un altro e&lenco salvato:"), this), "optElenco");
    m_txtAltro = named(new QLineEdit(this), "txtAltro");
    m_cmdSfogliaAltro = named(new QPushButton(QStringLiteral("S&foglia..."), this), "cmdSfogliaAltro");
    m_optCartella->setChecked(true);
    grid->addWidget(m_optCartella, 1, 1, 1, 2);
    grid->addWidget(m_optElenco, 2, 1);
    grid->addWidget(m_txtAltro, 3, 1);
    grid->addWidget(m_cmdSfogliaAltro, 3, 2);
    top->addLayout(grid);

    m_ckInvariati =
        named(new QCheckBox(QStringLiteral("Mostra anche i file &invariati"), this), "ckInvariati");
    m_ckChecksum =
        named(new QCheckBox(QStringLiteral("Calcola checksum SHA-&256 di tutti i file"), this), "ckChecksum");
    top->addWidget(m_ckInvariati);
    top->addWidget(m_ckChecksum);
    m_prgConfronto = named(new QProgressBar(this), "prgConfronto");
    m_prgConfronto->setVisible(false);
    top->addWidget(m_prgConfronto);

    m_cmdConfronta = named(new QPushButton(QStringLiteral("&Confronta"), this), "cmdConfronta");
    m_cmdConfronta->setDefault(true);
    m_cmdAnnulla = named(new QPushButton(QStringLiteral("&Annulla"), this), "cmdAnnulla");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdConfronta);
    buttons->addWidget(m_cmdAnnulla);
    top->addLayout(buttons);

    const auto otherShown = [this] {
        m_txtAltro->setEnabled(m_optElenco->isChecked());
        m_cmdSfogliaAltro->setEnabled(m_optElenco->isChecked());
        // Checksums are computed of files on the disk only.
        m_ckChecksum->setEnabled(m_optCartella->isChecked());
    };
    otherShown();
    connect(m_optElenco, &QRadioButton::toggled, this, otherShown);
    connect(m_cmdSfoglia, &QPushButton::clicked, this, [this] {
        if (const QString path = chooseListing(this, m_txtElenco->text()); !path.isEmpty())
            m_txtElenco->setText(path);
    });
    connect(m_cmdSfogliaAltro, &QPushButton::clicked, this, [this] {
        if (const QString path = chooseListing(this, m_txtAltro->text()); !path.isEmpty())
            m_txtAltro->setText(path);
    });
    connect(m_cmdConfronta, &QPushButton::clicked, this, &CompareDialog::Confronta);
    connect(m_cmdAnnulla, &QPushButton::clicked, this, &CompareDialog::reject);
    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, &CompareDialog::poll);
}

void CompareDialog::setListing(const QString& path)
{
    m_txtElenco->setText(path);
}

void CompareDialog::setOtherListing(const QString& path)
{
    m_optElenco->setChecked(true);
    m_txtAltro->setText(path);
}

void CompareDialog::setShowUnchanged(bool on)
{
    m_ckInvariati->setChecked(on);
}

void CompareDialog::setRunning(bool running)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_txtElenco, m_cmdSfoglia, m_optCartella, m_optElenco, m_txtAltro,
                                         m_cmdSfogliaAltro, m_ckInvariati, m_ckChecksum, m_cmdConfronta})
        w->setEnabled(!running);
    if (!running) {
        m_txtAltro->setEnabled(m_optElenco->isChecked());
        m_cmdSfogliaAltro->setEnabled(m_optElenco->isChecked());
        m_ckChecksum->setEnabled(m_optCartella->isChecked());
    }
    m_prgConfronto->setRange(0, 0);
    m_prgConfronto->setVisible(running);
}

void CompareDialog::Confronta()
{
    if (m_worker.joinable())
        return;
    const auto missing = [this](const QString& text) {
        m_prompter.message(text, windowTitle(), Prompter::Icon::Information, Prompter::Buttons::Ok);
    };
    if (m_txtElenco->text().trimmed().isEmpty())
        return missing(QStringLiteral("Indicare l'elenco salvato da confrontare."));
    if (m_optElenco->isChecked() && m_txtAltro->text().trimmed().isEmpty())
        return missing(QStringLiteral("Indicare l'altro elenco salvato."));
    CompareJob job;
    job.before = fileinfo::pathBytes(m_txtElenco->text());
    if (m_optCartella->isChecked())
        job.folder = m_window;
    else
        job.afterListing = fileinfo::pathBytes(m_txtAltro->text());
    job.keepUnchanged = m_ckInvariati->isChecked();
    job.hashAll = m_ckChecksum->isChecked() && m_optCartella->isChecked();

    m_scan.reset();
    m_scan.interrupt = false;
    m_progress.done = 0;
    m_progress.total = 0;
    m_done = false;
    m_running = std::make_shared<ComparedSides>();
    setRunning(true);
    m_worker = std::thread([this, job, sides = m_running] {
        m_outcome = runCompareJob(job, *sides, m_scan, m_progress);
        m_done = true;
    });
    m_poll->start();
}

void CompareDialog::poll()
{
    if (m_done.load()) {
        finish();
        return;
    }
    const qint64 total = m_progress.total.load();
    if (total > 0) {
        m_prgConfronto->setRange(0, int(qMin<qint64>(total, INT_MAX)));
        m_prgConfronto->setValue(int(qMin<qint64>(m_progress.done.load(), INT_MAX)));
    }
}

void CompareDialog::finish()
{
    m_poll->stop();
    m_worker.join();
    setRunning(false);
    if (m_outcome.interrupted)
        return;
    if (!m_outcome.ok) {
        m_prompter.message(m_outcome.error, windowTitle(), Prompter::Icon::Critical, Prompter::Buttons::Ok);
        return;
    }
    m_result = std::move(m_running);
    accept();
}

void CompareDialog::reject()
{
    if (m_worker.joinable()) {
        m_scan.interrupt = true;
        return; // the next poll finds the worker done
    }
    QDialog::reject();
}

} // namespace vellora
