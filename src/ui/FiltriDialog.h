#pragma once
// The "Fi&ltri..." dialog: the size range (a whole number and a unit each end, 1 KB =
// 1,024 bytes) and the range of modification days (two optional days, the last included).
// It edits the ranges of a ListingFilters and leaves its masks and exclusions alone.
//
// Object names: edtDimDa, cboUnitaDa, edtDimA, cboUnitaA (the size ends; an empty number is
// an open end), chkDal, dtpDal, chkAl, dtpAl (a day counts when its box is ticked),
// lblErrore (why OK was refused), cmdAzzera, and the standard OK and Annulla buttons.

#include "scan/ListingFilters.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

namespace vellora {

class FiltriDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FiltriDialog)

public:
    explicit FiltriDialog(const ListingFilters& filters, QWidget* parent = nullptr);

    // The filters given, with the ranges as the dialog holds them (what OK accepted).
    [[nodiscard]] ListingFilters filters() const { return m_filters; }

    void accept() override;

private:
    struct SizeEnd
    {
        QLineEdit* number = nullptr;
        QComboBox* unit = nullptr;
    };
    struct DayEnd
    {
        QCheckBox* on = nullptr;
        QDateEdit* day = nullptr;
    };
    SizeEnd makeSizeEnd(const char* numberName, const char* unitName,
                        const std::optional<std::int64_t>& bytes);
    DayEnd makeDayEnd(const char* checkName, const char* dayName, const QString& caption,
                      const std::optional<QDate>& day);
    // The bytes of one end; nullopt for an open end. False when the number does not fit.
    [[nodiscard]] bool readSize(const SizeEnd& end, std::optional<std::int64_t>& bytes) const;
    void clear();

    ListingFilters m_filters;
    SizeEnd m_from, m_to;
    DayEnd m_since, m_until;
    QLabel* m_error = nullptr;
};

} // namespace vellora
