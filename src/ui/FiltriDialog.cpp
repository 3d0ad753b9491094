#include "FiltriDialog.h"

#include <limits>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace vellora {

namespace {

const QStringList kUnits{QStringLiteral("byte"), QStringLiteral("KB"), QStringLiteral("MB"),
                         QStringLiteral("GB")};

// The largest unit that holds the bytes whole, so that a stored "1 MB" opens as 1 MB.
std::pair<std::int64_t, int> inLargestUnit(std::int64_t bytes)
{
    int unit = 0;
    while (unit < 3 && bytes != 0 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    return {bytes, unit};
}

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

FiltriDialog::FiltriDialog(const ListingFilters& filters, QWidget* parent)
    : QDialog(parent), m_filters(filters)
{
    setObjectName(QStringLiteral("frmFiltri"));
    setWindowTitle(QStringLiteral("Filtri"));

    m_from = makeSizeEnd("edtDimDa", "cboUnitaDa", filters.minSize);
    m_to = makeSizeEnd("edtDimA", "cboUnitaA", filters.maxSize);
    m_since = makeDayEnd("chkDal", "dtpDal", QStringLiteral("d&al"), filters.modifiedFrom);
    m_until = makeDayEnd("chkAl", "dtpAl", QStringLiteral("a&l"), filters.modifiedTo);

    auto* grid = new QGridLayout;
    auto* sizeLabel = new QLabel(QStringLiteral("&Dimensione da"), this);
    sizeLabel->setBuddy(m_from.number);
    grid->addWidget(sizeLabel, 0, 0);
    grid->addWidget(m_from.number, 0, 1);
    grid->addWidget(m_from.unit, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("a"), this), 0, 3);
    grid->addWidget(m_to.number, 0, 4);
    grid->addWidget(m_to.unit, 0, 5);
    grid->addWidget(new QLabel(QStringLiteral("1 KB = 1.024 byte; un campo vuoto non pone limiti."), this), 1,
                    1, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("Modificati"), this), 2, 0);
    // Each day beside its box, the two ends under the two ends of the size.
    for (const auto& [end, column] : {std::pair{m_since, 1}, std::pair{m_until, 4}}) {
        auto* pair = new QHBoxLayout;
        pair->addWidget(end.on);
        pair->addWidget(end.day, 1);
        grid->addLayout(pair, 2, column, 1, 2);
    }

    m_error = named(new QLabel(this), "lblErrore");
    QPalette red = m_error->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_error->setPalette(red);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    QPushButton* reset =
        named(buttons->addButton(QStringLiteral("A&zzera"), QDialogButtonBox::ResetRole), "cmdAzzera");
    connect(reset, &QPushButton::clicked, this, &FiltriDialog::clear);
    connect(buttons, &QDialogButtonBox::accepted, this, &FiltriDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FiltriDialog::reject);

    auto* box = new QVBoxLayout(this);
    box->addLayout(grid);
    box->addWidget(m_error);
    box->addWidget(buttons);
}

FiltriDialog::SizeEnd FiltriDialog::makeSizeEnd(const char* numberName, const char* unitName,
                                                const std::optional<std::int64_t>& bytes)
{
    SizeEnd end;
    end.number = named(new QLineEdit(this), numberName);
    end.number->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,19}")), end.number));
    end.unit = named(new QComboBox(this), unitName);
    end.unit->addItems(kUnits);
    if (bytes) {
        const auto [number, unit] = inLargestUnit(*bytes);
        end.number->setText(QString::number(number));
        end.unit->setCurrentIndex(unit);
    }
    return end;
}

FiltriDialog::DayEnd FiltriDialog::makeDayEnd(const char* checkName, const char* dayName,
                                              const QString& caption, const std::optional<QDate>& day)
{
    DayEnd end;
    end.on = named(new QCheckBox(caption, this), checkName);
    end.day = named(new QDateEdit(this), dayName);
    end.day->setCalendarPopup(true);
    end.day->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    end.day->setDate(day.value_or(QDate::currentDate()));
    end.on->setChecked(day.has_value());
    end.day->setEnabled(day.has_value());
    connect(end.on, &QCheckBox::toggled, end.day, &QWidget::setEnabled);
    return end;
}

bool FiltriDialog::readSize(const SizeEnd& end, std::optional<std::int64_t>& bytes) const
{
    bytes.reset();
    const QString text = end.number->text();
    if (text.isEmpty())
        return true;
    bool ok = false;
    std::int64_t n = text.toLongLong(&ok);
    if (!ok)
        return false;
    for (int unit = end.unit->currentIndex(); unit > 0; --unit) {
        if (n > std::numeric_limits<std::int64_t>::max() / 1024)
            return false;
        n *= 1024;
    }
    bytes = n;
    return true;
}

void FiltriDialog::accept()
{
    ListingFilters next = m_filters;
    if (!readSize(m_from, next.minSize) || !readSize(m_to, next.maxSize)) {
        m_error->setText(QStringLiteral("Dimensione troppo grande."));
        return;
    }
    next.modifiedFrom = m_since.on->isChecked() ? std::optional(m_since.day->date()) : std::nullopt;
    next.modifiedTo = m_until.on->isChecked() ? std::optional(m_until.day->date()) : std::nullopt;
    if (const QString error = rangeError(next); !error.isEmpty()) {
        m_error->setText(error.left(1).toUpper() + error.mid(1) + u'.');
        return;
    }
    m_filters = next;
    QDialog::accept();
}

void FiltriDialog::clear()
{
    for (const SizeEnd& end : {m_from, m_to}) {
        end.number->clear();
        end.unit->setCurrentIndex(0);
    }
    for (const DayEnd& end : {m_since, m_until})
        end.on->setChecked(false);
    m_error->clear();
}

} // namespace vellora
