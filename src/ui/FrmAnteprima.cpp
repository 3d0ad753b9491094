#include "FrmAnteprima.h"

#include "BackgroundTask.h"
#include "PreviewView.h"
#include "print/PrintLog.h"
#include "print/PrintMessages.h"
#include "print/QtPrinterSurface.h"

#include <algorithm>
#include <limits>
#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <utility>

namespace vellora {

namespace {

// A slice of placing rows between two turns of the event loop: scrolling and typing stay
// smooth while a long report is laid out behind them.
constexpr int kLayoutSliceMs = 12;

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip = {})
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    // An arrow or a sign needs no more than a square button.
    if (caption.size() == 1)
        b->setFixedWidth(
            std::max(b->sizeHint().height() + 6, b->fontMetrics().horizontalAdvance(caption) + 16));
    return b;
}

// Keeps the wait cursor up for the life of a step that runs on this thread.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

FrmAnteprima::FrmAnteprima(PrinterSurface& surface, const ReportInput& input, Prompter& prompter,
                           std::optional<SettingsStore> store, QWidget* parent)
    : QDialog(parent), m_input(input), m_prompter(prompter), m_store(std::move(store)),
      m_pages(std::make_unique<ReportPages>(surface, input))
{
    setObjectName(QStringLiteral("frmAnteprima"));
    setWindowTitle(QStringLiteral("Anteprima di stampa - Vellora"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setSizeGripEnabled(true);
    // Page 1 is there before the window shows; the rest follows a slice at a time.
    m_pages->layOut(-1, 1);
    buildControls();

    const PreviewSettings stored = m_store ? LeggiAnteprima(*m_store) : PreviewSettings{};
    if (stored.width > 0) {
        resize(stored.width, stored.height);
    } else {
        const QRect screen = QApplication::primaryScreen()
                                 ? QApplication::primaryScreen()->availableGeometry()
                                 : QRect(0, 0, 1280, 900);
        resize(std::min(screen.width() * 9 / 10, m_pages->layout().landscape() ? 1200 : 900),
               screen.height() * 9 / 10);
    }
    m_view->setZoom(stored.zoom);
    m_view->setFit(stored.fit);
    showZoom(m_view->zoom());
    showPageCount();
    pageChanged(1);

    m_task = new BackgroundTask(this);
    m_layoutTimer.setInterval(0);
    connect(&m_layoutTimer, &QTimer::timeout, this, &FrmAnteprima::layOutMore);
    if (!m_pages->complete())
        m_layoutTimer.start();
    m_view->setFocus();
}

FrmAnteprima::~FrmAnteprima()
{
    m_interrupt = true;
    m_task->wait();
    if (m_saving)
        QApplication::restoreOverrideCursor();
}

void FrmAnteprima::buildControls()
{
    m_cmdPrima = button(this, "cmdPrima", QStringLiteral("\u00AB"), QStringLiteral("Prima pagina (Home)"));
    m_cmdPrecedente =
        button(this, "cmdPrecedente", QStringLiteral("\u2039"), QStringLiteral("Pagina precedente (PgSu)"));
    m_txtPagina = new QSpinBox(this);
    m_txtPagina->setObjectName(QStringLiteral("txtPagina"));
    m_txtPagina->setPrefix(QStringLiteral("Pagina "));
    m_txtPagina->setKeyboardTracking(false);
    m_txtPagina->setAlignment(Qt::AlignRight);
    m_txtPagina->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Pagina 00000 di 00000…")) +
                                 30);
    m_cmdSuccessiva = button(this, "cmdSuccessiva", QStringLiteral("\u203A"),
                             QStringLiteral("Pagina successiva (PgGi\u00F9)"));
    m_cmdUltima = button(this, "cmdUltima", QStringLiteral("\u00BB"), QStringLiteral("Ultima pagina (Fine)"));

    m_cmdLarghezza = button(this, "cmdLarghezza", QStringLiteral("Larghezza pagina"));
    m_cmdPaginaIntera = button(this, "cmdPaginaIntera", QStringLiteral("Pagina intera"));
    auto* cmdRiduci =
        button(this, "cmdRiduci", QStringLiteral("\u2212"), QStringLiteral("Riduci (Ctrl+\u2212)"));
    m_lblZoom = new QLabel(this);
    m_lblZoom->setObjectName(QStringLiteral("lblZoom"));
    m_lblZoom->setAlignment(Qt::AlignCenter);
    m_lblZoom->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000 %")) + 8);
    auto* cmdIngrandisci =
        button(this, "cmdIngrandisci", QStringLiteral("+"), QStringLiteral("Ingrandisci (Ctrl++)"));
    m_cmdUnaPagina = button(this, "cmdUnaPagina", QStringLiteral("Una pagina"));
    m_cmdDuePagine = button(this, "cmdDuePagine", QStringLiteral("Due pagine"));
    for (QPushButton* b : {m_cmdLarghezza, m_cmdPaginaIntera, m_cmdUnaPagina, m_cmdDuePagine})
        b->setCheckable(true);
    m_cmdUnaPagina->setChecked(true);

    m_cmdStampa = button(this, "cmdStampa", QStringLiteral("&Stampa"),
                         QStringLiteral("Stampa sulla stampante selezionata"));
    m_cmdSalvaPDF = button(this, "cmdSalvaPDF", QStringLiteral("Salva &PDF"),
                           QStringLiteral("Scrive il PDF nella cartella di esportazione"));
    auto* cmdChiudi = button(this, "cmdChiudi", QStringLiteral("&Chiudi"));

    m_view = new PreviewView(*m_pages, this);

    auto* tools = new QHBoxLayout;
    tools->setSpacing(4);
    for (QWidget* w : std::initializer_list<QWidget*>{m_cmdPrima, m_cmdPrecedente, m_txtPagina,
                                                      m_cmdSuccessiva, m_cmdUltima})
        tools->addWidget(w);
    tools->addSpacing(16);
    for (QWidget* w : std::initializer_list<QWidget*>{m_cmdLarghezza, m_cmdPaginaIntera, cmdRiduci, m_lblZoom,
                                                      cmdIngrandisci})
        tools->addWidget(w);
    tools->addSpacing(16);
    tools->addWidget(m_cmdUnaPagina);
    tools->addWidget(m_cmdDuePagine);
    tools->addStretch(1);
    tools->addWidget(m_cmdStampa);
    tools->addWidget(m_cmdSalvaPDF);
    tools->addWidget(cmdChiudi);

    // The status area, shown while the PDF is written.
    m_fraSalva = new QWidget(this);
    m_fraSalva->setObjectName(QStringLiteral("fraSalva"));
    auto* lblSalva = new QLabel(QStringLiteral("Salvataggio del PDF:"), m_fraSalva);
    lblSalva->setObjectName(QStringLiteral("lblSalva"));
    m_prgSalva = new QProgressBar(m_fraSalva);
    m_prgSalva->setObjectName(QStringLiteral("prgSalva"));
    m_prgSalva->setRange(0, 100);
    auto* cmdAnnulla = button(m_fraSalva, "cmdAnnulla", QStringLiteral("&Annulla"),
                              QStringLiteral("Interrompe il salvataggio dopo la pagina in corso"));
    auto* status = new QHBoxLayout(m_fraSalva);
    status->setContentsMargins(0, 0, 0, 0);
    status->addWidget(lblSalva);
    status->addWidget(m_prgSalva, 1);
    status->addWidget(cmdAnnulla);
    m_fraSalva->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_fraSalva);

    const auto step = [this](int by) { goToPage(m_view->currentPage() + by); };
    connect(m_cmdPrima, &QPushButton::clicked, this, [this] { goToPage(1); });
    connect(m_cmdPrecedente, &QPushButton::clicked, this, [step] { step(-1); });
    connect(m_cmdSuccessiva, &QPushButton::clicked, this, [step] { step(1); });
    connect(m_cmdUltima, &QPushButton::clicked, this, [this] { goToPage(-1); });
    connect(m_txtPagina, &QSpinBox::valueChanged, this, [this](int page) {
        if (page != m_view->currentPage())
            goToPage(page);
    });
    connect(m_cmdLarghezza, &QPushButton::clicked, this,
            [this] { m_view->setFit(PreviewSettings::PageWidth); });
    connect(m_cmdPaginaIntera, &QPushButton::clicked, this,
            [this] { m_view->setFit(PreviewSettings::WholePage); });
    connect(cmdRiduci, &QPushButton::clicked, m_view, &PreviewView::zoomOut);
    connect(cmdIngrandisci, &QPushButton::clicked, m_view, &PreviewView::zoomIn);
    connect(m_cmdUnaPagina, &QPushButton::clicked, this, [this] { m_view->setSideBySide(1); });
    connect(m_cmdDuePagine, &QPushButton::clicked, this, [this] { m_view->setSideBySide(2); });
    connect(m_cmdStampa, &QPushButton::clicked, this, [this] { done(StampaRichiesta); });
    connect(m_cmdSalvaPDF, &QPushButton::clicked, this, &FrmAnteprima::cmdSalvaPDF_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, [this] { m_interrupt = true; });
    connect(cmdChiudi, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_view, &PreviewView::currentPageChanged, this, &FrmAnteprima::pageChanged);
    connect(m_view, &PreviewView::zoomChanged, this, &FrmAnteprima::showZoom);
    addShortcuts();
}

// The keys of the pages and of the zoom, wherever the focus is in the window.
void FrmAnteprima::addShortcuts()
{
    const auto step = [this](int by) { goToPage(m_view->currentPage() + by); };
    const auto key = [this](const QKeySequence& keys, auto slot) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
    };
    key(QKeySequence(Qt::Key_PageUp), [step] { step(-1); });
    key(QKeySequence(Qt::Key_PageDown), [step] { step(1); });
    key(QKeySequence(Qt::Key_Home), [this] { goToPage(1); });
    key(QKeySequence(Qt::Key_End), [this] { goToPage(-1); });
    for (const QKeySequence& in :
         {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal),
          QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus))})
        key(in, [this] { m_view->zoomIn(); });
    for (const QKeySequence& out :
         {QKeySequence(QKeySequence::ZoomOut),
          QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus))})
        key(out, [this] { m_view->zoomOut(); });
}

void FrmAnteprima::layOutMore()
{
    if (m_pages->layOut(kLayoutSliceMs))
        m_layoutTimer.stop();
    m_view->pagesChanged();
    showPageCount();
}

void FrmAnteprima::goToPage(int page)
{
    // A page the layout has not reached yet is placed now: the last one needs every row.
    if (page < 0 || !m_pages->pageReady(page)) {
        const WaitCursor wait;
        m_pages->layOut(-1, std::max(page, 0));
        if (m_pages->complete())
            m_layoutTimer.stop();
        m_view->pagesChanged();
        showPageCount();
    }
    m_view->showPage(page < 0 ? m_pages->pageCount() : page);
    pageChanged(m_view->currentPage());
}

void FrmAnteprima::pageChanged(int page)
{
    {
        const QSignalBlocker quiet(m_txtPagina);
        m_txtPagina->setValue(page);
    }
    const bool last = m_pages->complete() && page >= m_pages->pageCount();
    m_cmdPrima->setEnabled(page > 1);
    m_cmdPrecedente->setEnabled(page > 1);
    m_cmdSuccessiva->setEnabled(!last);
    m_cmdUltima->setEnabled(!last);
}

void FrmAnteprima::showPageCount()
{
    const QSignalBlocker quiet(m_txtPagina);
    // While the layout still runs, the count is the pages known so far.
    m_txtPagina->setSuffix(QStringLiteral(" di %1").arg(m_pages->pageCount()) +
                           (m_pages->complete() ? QString() : QStringLiteral("\u2026")));
    m_txtPagina->setRange(1, m_pages->complete() ? m_pages->pageCount() : std::numeric_limits<int>::max());
    pageChanged(m_view->currentPage());
}

void FrmAnteprima::showZoom(int percent)
{
    m_lblZoom->setText(QStringLiteral("%1 %").arg(percent));
    m_cmdLarghezza->setChecked(m_view->fit() == PreviewSettings::PageWidth);
    m_cmdPaginaIntera->setChecked(m_view->fit() == PreviewSettings::WholePage);
    m_cmdUnaPagina->setChecked(m_view->sideBySide() == 1);
    m_cmdDuePagine->setChecked(m_view->sideBySide() == 2);
}

void FrmAnteprima::cmdSalvaPDF_Click()
{
    if (m_saving)
        return;
    m_saving = true;
    m_interrupt = false;
    m_cmdStampa->setEnabled(false);
    m_cmdSalvaPDF->setEnabled(false);
    m_prgSalva->setValue(0);
    m_fraSalva->show();
    QApplication::setOverrideCursor(Qt::BusyCursor);

    ReportOptions options;
    options.waitMs = 0;
    options.interrupt = &m_interrupt;
    options.progress = [this](int percent) {
        m_task->post([this, percent] { m_prgSalva->setValue(percent); });
    };
    // The built-in PDF printer, whatever printer is current: it writes into the export
    // folder under the name of the time, as a print to it would, and says where. Made on the
    // PDF's thread, which alone uses it; the preview keeps drawing through its own printer.
    m_task->start(
        [this, options] {
            QtPrinterSurface pdf;
            pdf.selectPrinter(pdf.pdfIndex());
            m_saved = printChosenReport(pdf, m_input, options);
        },
        [this] { pdfSaved(); });
}

void FrmAnteprima::pdfSaved()
{
    QApplication::restoreOverrideCursor();
    m_saving = false;
    m_fraSalva->hide();
    m_cmdStampa->setEnabled(true);
    m_cmdSalvaPDF->setEnabled(true);
    if (!m_saved.job.ok && !m_saved.job.interrupted)
        qCWarning(lcPrint) << "preview: PDF not written:" << m_saved.job.error;
    showJobOutcome(m_prompter, m_saved.job, m_saved.unreadableRows, m_saved.unlistedRows);
    if (const std::optional<int> asked = std::exchange(m_closeWhenSaved, std::nullopt))
        done(*asked);
}

void FrmAnteprima::done(int result)
{
    // Closing while the PDF is written stops it; the window closes once it has stopped.
    if (m_saving) {
        m_interrupt = true;
        m_closeWhenSaved = result;
        return;
    }
    m_layoutTimer.stop();
    if (m_store) {
        PreviewSettings values;
        const QSize size = isMaximized() ? normalGeometry().size() : this->size();
        values.width = size.width();
        values.height = size.height();
        values.fit = m_view->fit();
        values.zoom = m_view->zoom();
        ScriviAnteprima(*m_store, values);
    }
    QDialog::done(result);
}

} // namespace vellora
