#pragma once
// A comparison shown in the result grid: the table's eight columns with the state ("Stato")
// in the first one, where a listing has its number, so it stays in view when the grid scrolls
// sideways; the state's word in its colour. A click on that heading groups the rows by state
// and a second click puts them back in the order of their paths.

#include "compare/ComparisonRows.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>

namespace vellora {

// The colour of a state's word: green added, red removed, blue moved, orange changed, grey
// unchanged.
[[nodiscard]] QColor fileStateColour(FileState state);

class ComparisonModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ComparisonModel)

public:
    // headings: the table's eight headings (the first is replaced by "Stato").
    ComparisonModel(std::shared_ptr<const ComparedSides> sides, const QStringList& headings,
                    InfoKind infoKind, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // What printing and exports read: the rows as shown.
    [[nodiscard]] const ComparisonRows& rows() const { return m_rows; }
    // Grouped by state, or back in the order of the paths.
    void toggleStateOrder();
    // "Confronto di elenco.jsonl con /srv/app/: 3 aggiunti, 1 rimosso, ...".
    [[nodiscard]] QString countsLine() const;

private:
    ComparisonRows m_rows;
    QStringList m_headings;
};

} // namespace vellora
