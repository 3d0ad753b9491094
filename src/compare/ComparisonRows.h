#pragma once
// A comparison as rows, for everything that shows a listing: the export pipeline, the
// reports and the window's table. The two listings and the outcome stay together, since the
// rows only point into the listings. A row shows the file as it is now (as the after side
// has it), a removed file as the before side had it; its facts are the listings', never read
// again from a file that may be gone.

#include "Comparison.h"
#include "fileinfo/VersionReader.h"
#include "results/RowSource.h"

#include <memory>

namespace vellora {

struct ComparedSides
{
    ListedFiles before;
    ListedFiles after;
    CompareOutcome outcome;
};

// "3 aggiunti, 1 rimosso, 0 spostati, 2 modificati, 10 invariati": the counts of every state.
[[nodiscard]] QString comparisonCountsText(const CompareOutcome& outcome);
// Each state's word and its count, in the states' order.
[[nodiscard]] QList<std::pair<QString, qsizetype>> comparisonCounts(const CompareOutcome& outcome);

class ComparisonRows : public RowSource
{
public:
    ComparisonRows(std::shared_ptr<const ComparedSides> sides, InfoKind infoKind = InfoKind::CompanyName);

    // Data rows 1..N, as every row source.
    [[nodiscard]] qsizetype rowCount() const override;
    [[nodiscard]] QString text(qsizetype row, int column) const override;
    [[nodiscard]] QByteArray nameBytes(qsizetype row) const override;
    [[nodiscard]] QByteArray folderBytes(qsizetype row) const override;
    [[nodiscard]] const ComparedListing* comparison() const override { return &m_listing; }
    [[nodiscard]] ComparedRow comparedRow(qsizetype row) const override;
    [[nodiscard]] bool recordedFacts(qsizetype row, FileFacts& facts) const override;
    [[nodiscard]] bool recordedChecksum(qsizetype row, QByteArray& sha256) const override;

    // Row r (1..N) as shown: in the order of the paths, or grouped by state (added first, the
    // paths in order inside each state). Exports and reports follow the rows as shown.
    void orderByState(bool byState);
    [[nodiscard]] bool orderedByState() const { return !m_order.empty(); }
    [[nodiscard]] const ComparedFile& file(qsizetype row) const
    {
        const std::size_t i = std::size_t(row - 1);
        return m_sides->outcome.files[m_order.empty() ? i : m_order[i]];
    }
    [[nodiscard]] const ComparedSides& sides() const { return *m_sides; }
    [[nodiscard]] const std::shared_ptr<const ComparedSides>& shared() const { return m_sides; }

private:
    struct Shown
    {
        const ListedFiles* side;
        qsizetype index;
    };
    // The side and file a row shows: the after side's, a removed file's before.
    [[nodiscard]] Shown shown(qsizetype row) const;

    std::shared_ptr<const ComparedSides> m_sides;
    InfoKind m_infoKind;
    ComparedListing m_listing;
    std::vector<std::uint32_t> m_order; // empty: the outcome's order
};

} // namespace vellora
