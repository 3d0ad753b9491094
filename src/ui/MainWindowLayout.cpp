// The controls of frmMAIN: two frames side by side, the settings on the left on a light
// grey ground, the results on the right. Sizes follow the designed twips at 15 twips a
// pixel; layouts let the frames grow with a maximized window.

#include "MainWindow.h"

#include "results/ResultTable.h"
#include "ui/FolderReveal.h"
#include "ui/FolderTreeModel.h"
#include "ui/FolderTreeView.h"
#include "ui/ResultGrid.h"
#include "ui/UiFonts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace vellora {

namespace {

const QStringList kPatterns{
    QStringLiteral("*.*"),   QStringLiteral("*.exe"), QStringLiteral("*.doc"), QStringLiteral("*.txt"),
    QStringLiteral("*.wav"), QStringLiteral("*.pdf"), QStringLiteral("*.tif"), QStringLiteral("*.xls"),
    QStringLiteral("*.mdb"), QStringLiteral("*.htm"), QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
    QStringLiteral("*.dll"), QStringLiteral("*.tlb"), QStringLiteral("*.cdr"), QStringLiteral("*.ico"),
    // Sets of masks, after the single ones: programs, documents, pictures.
    QStringLiteral("*.exe;*.dll;*.ocx;*.sys"),
    QStringLiteral("*.doc;*.docx;*.odt;*.rtf;*.txt;*.pdf;*.xls;*.xlsx;*.ods"),
    QStringLiteral("*.jpg;*.jpeg;*.png;*.gif;*.bmp;*.tif;*.tiff;*.webp"),
};

constexpr int kPixelsPerTwip = 15;

// The table's point size: at the default widths the date column must hold a full
// "dd/mm/yyyy hh:mm" and the headings "Dimensione" and "Data Ult. Modifica" must not be cut.
// Verdana's stand-ins (DejaVu Sans) are wide; at 96 dpi 7 points are 9 pixels, where the date
// takes 81 of the 89 pixels its cell leaves for text (8.25 points took 98).
constexpr qreal kTablePoints = 7;

int px(int twips)
{
    return twips / kPixelsPerTwip;
}

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    return named(new QLabel(text, parent), name);
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* b = named(new QPushButton(text, parent), name);
    b->setToolTip(tip);
    return b;
}

void makeRed(QLabel* l)
{
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    l->setPalette(p);
}

} // namespace

void MainWindow::buildLayout()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralSurface"));
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(8);
    row->addWidget(buildSettingsFrame());
    row->addWidget(buildResultFrame(), 1);
    // On a screen too small for the window (a large scale factor), the window shrinks to fit
    // and its controls scroll (fitToScreen).
    auto* scroller = named(new QScrollArea(this), "centralScroller");
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(central);
    setCentralWidget(scroller);
    // Client area of 15240 by 10335 twips.
    resize(px(15240), px(10335));
}

QGroupBox* MainWindow::buildSettingsFrame()
{
    m_fraIMPOSTAZIONI = named(new QGroupBox(QStringLiteral("Impostazioni Ricerca"), this), "fraIMPOSTAZIONI");
    QGroupBox* frame = m_fraIMPOSTAZIONI;
    frame->setFont(verdanaFont());
    frame->setFixedWidth(px(3660));
    frame->setMinimumHeight(px(9825));
    frame->setAutoFillBackground(true);
    QPalette grey = frame->palette();
    grey.setColor(QPalette::Window, QColor(224, 224, 224));
    frame->setPalette(grey);

    m_Label2 = label(frame, "Label2", QStringLiteral("&Drive"));
    m_cboDRIVE = named(new QComboBox(frame), "cboDRIVE");
    m_Label2->setBuddy(m_cboDRIVE);

    m_Label3 = label(frame, "Label3", QStringLiteral("S&elezione Cartella"));
    // Folders only, hidden ones too; no file is looked at.
    m_dirModel = new FolderTreeModel(this);
    auto* folders = named(new FolderTreeView(frame), "BoxDIR");
    folders->setFolderModel(m_dirModel);
    m_BoxDIR = folders;
    m_BoxDIR->setHeaderHidden(true);
    m_BoxDIR->setUniformRowHeights(true);
    m_BoxDIR->setSelectionMode(QAbstractItemView::SingleSelection);
    m_treeReveal = new FolderReveal(*m_BoxDIR, *m_dirModel, m_BoxDIR); // dies with the tree
    m_Label3->setBuddy(m_BoxDIR);

    m_lblTipoFile_ = label(frame, "lblTipoFile_", QStringLiteral("Tipo di &File"));
    m_cboPATTERN = named(new QComboBox(frame), "cboPATTERN");
    m_cboPATTERN->setEditable(true);
    m_cboPATTERN->addItems(kPatterns);
    // What is typed stays typed: the list keeps its items.
    m_cboPATTERN->setInsertPolicy(QComboBox::NoInsert);
    // The sets of masks are longer than the box: its list is as wide as they are.
    QAbstractItemView* masks = m_cboPATTERN->view();
    masks->setMinimumWidth(masks->sizeHintForColumn(0) + masks->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                           2 * masks->frameWidth());
    m_lblTipoFile_->setBuddy(m_cboPATTERN);
    m_cmdFiltri = button(frame, "cmdFiltri", QStringLiteral("Fi&ltri..."),
                         QStringLiteral("Dimensione e data dei file da elencare"));

    m_lblEscludi_ = label(frame, "lblEscludi_", QStringLiteral("E&scludi"));
    m_cboESCLUDI = named(new QComboBox(frame), "cboESCLUDI");
    m_cboESCLUDI->setEditable(true);
    // The history is the window's: a scan that used the text puts it first.
    m_cboESCLUDI->setInsertPolicy(QComboBox::NoInsert);
    m_cboESCLUDI->setToolTip(QStringLiteral("File e cartelle da non elencare, per esempio .git;*.tmp"));
    m_lblEscludi_->setBuddy(m_cboESCLUDI);

    m_lbl_Sottocartelle = label(frame, "lbl_Sottocartelle", QStringLiteral("Ricerc&a in"));
    m_cboRicercaIn = named(new QComboBox(frame), "cboRicercaIn");
    m_cboRicercaIn->addItems({QStringLiteral("Cartella Selezionata"), QStringLiteral("Sottocartelle")});
    m_lbl_Sottocartelle->setBuddy(m_cboRicercaIn);

    m_lblOrd_ = label(frame, "lblOrd_", QStringLiteral("&Ordinamento Risultati"));
    m_cboORD = named(new QComboBox(frame), "cboORD");
    m_cboORD->addItems(orderCaptions());
    m_lblOrd_->setBuddy(m_cboORD);

    m_lblTempo = label(frame, "lblTempo", QStringLiteral("Tempo"));
    m_lblTempo->setAlignment(Qt::AlignCenter);

    auto* box = new QVBoxLayout(frame);
    box->addWidget(m_Label2);
    box->addWidget(m_cboDRIVE);
    box->addSpacing(6);
    box->addWidget(m_Label3);
    box->addWidget(m_BoxDIR, 1);
    box->addSpacing(6);
    box->addWidget(m_lblTipoFile_);
    auto* patternRow = new QHBoxLayout;
    patternRow->addWidget(m_cboPATTERN, 1);
    patternRow->addWidget(m_cmdFiltri);
    box->addLayout(patternRow);
    box->addWidget(m_lblEscludi_);
    box->addWidget(m_cboESCLUDI);
    box->addSpacing(6);
    box->addWidget(m_lbl_Sottocartelle);
    box->addWidget(m_cboRicercaIn);
    box->addSpacing(6);
    box->addWidget(m_lblOrd_);
    box->addWidget(m_cboORD);
    box->addSpacing(10);
    box->addWidget(m_lblTempo);

    connect(m_BoxDIR->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    folderChanged(m_dirModel->filePath(current));
            });
    connect(m_cboDRIVE, &QComboBox::activated, this, &MainWindow::driveChanged);
    connect(m_cboPATTERN, &QComboBox::activated, this, [this] { patternTaken(); });
    connect(m_cboESCLUDI, &QComboBox::activated, this, [this] { exclusionsTaken(); });
    connect(m_cmdFiltri, &QPushButton::clicked, this, &MainWindow::openFilters);
    // Every pick counts, also of the entry already shown: picking the order again orders the
    // table again with fresh sizes and dates, picking the scope again resets the interface.
    connect(m_cboRicercaIn, &QComboBox::activated, this, &MainWindow::scopeChanged);
    connect(m_cboORD, &QComboBox::activated, this, &MainWindow::orderChanged);
    m_cboDRIVE->installEventFilter(this);
    m_cboPATTERN->installEventFilter(this);
    if (QLineEdit* edit = m_cboPATTERN->lineEdit())
        edit->installEventFilter(this);
    m_cboESCLUDI->installEventFilter(this);
    m_cboESCLUDI->lineEdit()->installEventFilter(this);
    return frame;
}

QGroupBox* MainWindow::buildResultFrame()
{
    m_fraRESULT = named(new QGroupBox(QStringLiteral("Risultati Ricerca"), this), "fraRESULT");
    QGroupBox* frame = m_fraRESULT;
    frame->setFont(verdanaFont());
    frame->setMinimumWidth(px(11220));
    frame->setMinimumHeight(px(9825));

    m_lblCurDir_ = label(frame, "lblCurDir_", QStringLiteral("Cartella Selezionata"));
    m_lblCurDir = label(frame, "lblCurDir", QStringLiteral("Cartella"));
    m_lblCurDir->setFont(verdanaFont());
    m_lblCurDir->setTextFormat(Qt::PlainText);
    m_lblCurDir->setMinimumWidth(1);
    m_lblCurDir->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_lblAggiornaGriglia = label(frame, "lblAggiornaGriglia", QStringLiteral("Aggiornamento Griglia..."));
    makeRed(m_lblAggiornaGriglia);
    m_lblAggiornaGriglia->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_GRIGLIA = named(new ResultGrid(frame), "GRIGLIA");
    setupGrid();

    m_lblNessunFile = label(frame, "lblNessunFile", QStringLiteral("Nessun File trovato"));
    m_lblNessunFile->setFont(tahomaFont(14));
    makeRed(m_lblNessunFile);
    m_lblNessunFile->setAlignment(Qt::AlignCenter);

    m_cmdAvvia =
        button(frame, "cmdAvvia", QStringLiteral("&Leggi Directory"), QStringLiteral("Avvia Ricerca"));
    m_cmdInterrompi =
        button(frame, "cmdInterrompi", QStringLiteral("&Interrompi"), QStringLiteral("Interrompi Ricerca"));
    m_cmdStampa = button(frame, "cmdStampa", QStringLiteral("&Vellora"), QStringLiteral("Stampa la Lista"));
    m_cmdRimuovi =
        button(frame, "cmdRimuovi", QStringLiteral("&Rimuovi File"), QStringLiteral("Rimuovi il File"));
    m_cmdEsci = button(frame, "cmdEsci", QStringLiteral("&Chiudi"), QStringLiteral("Chiudi l'Applicazione"));
    // Pressing it must not take the focus from the table: that would switch it off before
    // the press that starts the delete arrives.
    m_cmdRimuovi->setFocusPolicy(Qt::NoFocus);
    m_cmdRimuovi->installEventFilter(this);

    m_lbl_TotFile = label(frame, "lbl_TotFile", QStringLiteral("Files"));
    m_lblTotFile = label(frame, "lblTotFile", QStringLiteral("0"));
    m_lblCartelle_ = label(frame, "lblCartelle_", QStringLiteral("Cartelle"));
    m_lblCartelle = label(frame, "lblCartelle", QStringLiteral("0"));
    for (QLabel* counter : {m_lblTotFile, m_lblCartelle}) {
        counter->setFont(verdanaFont(10));
        counter->setMinimumWidth(px(1200));
        counter->setFrameShape(QFrame::StyledPanel);
        counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    m_fraRisMonitor = named(new QGroupBox(QStringLiteral("Risoluzione Monitor"), frame), "fraRisMonitor");
    m_lblRisMonitor = label(m_fraRisMonitor, "lblRisMonitor", QStringLiteral("XXX x XXX"));
    m_lblRisMonitor->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(m_fraRisMonitor))->addWidget(m_lblRisMonitor);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_lblCurDir_);
    pathRow->addWidget(m_lblCurDir, 1);
    pathRow->addWidget(m_lblAggiornaGriglia);

    // The table and "Nessun File trovato" share one place: only one of them is ever shown.
    auto* tableArea = new QGridLayout;
    tableArea->addWidget(m_GRIGLIA, 0, 0);
    tableArea->addWidget(m_lblNessunFile, 0, 0, Qt::AlignCenter);
    tableArea->setRowMinimumHeight(0, px(8430));
    tableArea->setColumnMinimumWidth(0, px(10815));

    auto* counters = new QGridLayout;
    counters->addWidget(m_lbl_TotFile, 0, 0);
    counters->addWidget(m_lblTotFile, 0, 1);
    counters->addWidget(m_lblCartelle_, 1, 0);
    counters->addWidget(m_lblCartelle, 1, 1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_cmdAvvia, m_cmdInterrompi, m_cmdStampa, m_cmdRimuovi, m_cmdEsci})
        buttons->addWidget(b);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_fraRisMonitor);
    bottom->addLayout(counters);
    bottom->addStretch(1);
    bottom->addLayout(buttons);

    auto* box = new QVBoxLayout(frame);
    box->addLayout(pathRow);
    box->addLayout(tableArea, 1);
    box->addLayout(bottom);

    connect(m_cmdAvvia, &QPushButton::clicked, this, &MainWindow::cmdAvvia_Click);
    connect(m_cmdInterrompi, &QPushButton::clicked, this, [this] { m_driver->interrupt(); });
    connect(m_cmdStampa, &QPushButton::clicked, this, &MainWindow::openPrint);
    connect(m_cmdEsci, &QPushButton::clicked, this, &QWidget::close);
    return frame;
}

void MainWindow::setupGrid()
{
    auto* grid = static_cast<ResultGrid*>(m_GRIGLIA);
    grid->setModel(m_table);
    grid->setFont(verdanaFont(kTablePoints));
    // The view's own header keeps the frame's font otherwise.
    grid->horizontalHeader()->setFont(grid->font());
    QPalette p = grid->palette();
    p.setColor(QPalette::Base, QColor(210, 255, 255));
    grid->setPalette(p);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    // A million rows: every row the same height, nothing measured per row.
    QHeaderView* rows = grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    rows->setMinimumSectionSize(1);
    rows->hide();

    QHeaderView* columns = grid->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setMinimumSectionSize(1);

    grid->syncNumberColumn();
    grid->installEventFilter(this);
    connect(columns, &QHeaderView::sectionResized, this, [this](int column) {
        if (column != ColFolder)
            fitFolderColumn();
    });
    connect(grid, &QTableView::doubleClicked, this, [this] { gridDoubleClicked(); });
    buildGridCommands();
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                m_table->setCurrentRow(current.isValid() ? current.row() + 1 : 0);
            });
}

} // namespace vellora
