#include "AboutDialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Pictures.h"
#include "system/Version.h"
#include "UiFonts.h"

namespace vellora {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, qreal pointSize, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont font = verdanaFont(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QFrame* makeLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

QString AboutDialog::authorLine()
{
    return QStringLiteral("Vellora File — il team di Vellora");
}

QString AboutDialog::webAddress()
{
    // None until the project has a page of its own: a made-up address would send users astray.
    return {};
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setWindowTitle(QStringLiteral("Informazioni su Vellora File"));
    setWindowIcon(programIcon());

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(programPicture(48));
    image->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* title = makeLabel(this, "lblTitle", QStringLiteral("Vellora File"), 14, true);
    auto* version = makeLabel(this, "lblVersion", QStringLiteral("Versione ") + programVersionText(), 9);
    auto* author = makeLabel(this, "lblAutore", authorLine(), 9);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addWidget(makeLine(this));
    texts->addWidget(author);
    if (!webAddress().isEmpty()) {
        auto* web = makeLabel(this, "Label1", webAddress(), 9);
        web->setTextInteractionFlags(Qt::TextSelectableByMouse);
        texts->addWidget(web);
    }
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(image);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(makeLine(this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog, as designed
}

} // namespace vellora
