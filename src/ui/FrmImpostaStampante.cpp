#include "FrmImpostaStampante.h"

#include "print/PrinterSelection.h"
#include "PrintPictures.h"
#include "ui/DialogPrompter.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace vellora {

namespace {

int twips(const QWidget* w, int tw)
{
    return tw * w->logicalDpiX() / 1440;
}

} // namespace

FrmImpostaStampante::FrmImpostaStampante(PrinterSelection& selection, QWidget* parent)
    : QDialog(parent), m_selection(selection)
{
    setObjectName(QStringLiteral("frmImpostaStampante"));
    setWindowTitle(QStringLiteral("Imposta Stampante"));
    setFixedSize(twips(this, 5070), twips(this, 2505));
    const auto place = [this](QWidget* w, int l, int t, int wd, int h) {
        w->setGeometry(twips(this, l), twips(this, t), twips(this, wd), twips(this, h));
    };

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgStampante"));
    place(picture, 360, 630, 810, 765);
    picture->setPixmap(printerPicture(std::min(picture->width(), picture->height())));

    auto* title = new QLabel(QStringLiteral("Stampante predefinita attuale"), this);
    title->setObjectName(QStringLiteral("lblPREDEFINITA_"));
    place(title, 1485, 225, 3120, 240);

    m_lblPredef = new QLabel(QStringLiteral("Label1"), this);
    m_lblPredef->setObjectName(QStringLiteral("lblPredef"));
    m_lblPredef->setTextFormat(Qt::PlainText); // a printer name is shown as it is, never as markup
    place(m_lblPredef, 1485, 540, 3120, 285);
    QFont bold = m_lblPredef->font();
    bold.setBold(true);
    m_lblPredef->setFont(bold);

    auto* listTitle = new QLabel(QStringLiteral("Stampanti disponibili"), this);
    listTitle->setObjectName(QStringLiteral("lblPRN_"));
    place(listTitle, 1485, 1080, 3120, 240);

    m_cboPRN = new QComboBox(this);
    m_cboPRN->setObjectName(QStringLiteral("cboPRN"));
    m_cboPRN->setEditable(false);
    place(m_cboPRN, 1485, 1350, 3120, 315);

    m_cmdOK = new QPushButton(QStringLiteral("&Ok"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    place(m_cmdOK, 3555, 1935, 1050, 375);

    // Fill without notifications, then select the current printer's entry as a separate
    // step: that selection is the notification the selection object may swallow.
    const PrinterSelection::Listing listing = m_selection.load();
    {
        const QSignalBlocker block(m_cboPRN);
        m_cboPRN->addItems(listing.names);
        m_cboPRN->setCurrentIndex(-1);
    }
    connect(m_cboPRN, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_selection.selectionChanged(m_cboPRN->itemText(index));
    });
    m_cboPRN->setCurrentIndex(listing.names.isEmpty() ? -1 : listing.preselect);
    m_lblPredef->setText(listing.current);

    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

void mnuStampante_Click(PrinterSelection& selection, DialogPrompter& prompter, QWidget* parent)
{
    FrmImpostaStampante dialog(selection, parent);
    prompter.exec(dialog);
}

} // namespace vellora
