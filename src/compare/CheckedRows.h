#pragma once
// The files of a check against a list of checksums as rows, for the export pipeline: each with
// its state ("ok", "diverso", ...) in the place a comparison has its own, its facts read from
// the file as it is now (a missing file has none), the header naming the list, the folder and
// the count of each state.

#include "results/RowSource.h"
#include "Verification.h"

namespace vellora {

// "3 ok, 1 diverso, 2 mancanti": every state that occurs, and "ok" always.
[[nodiscard]] QString checkCountsText(const VerifyOutcome& outcome);

class CheckedRows : public RowSource
{
public:
    // base: where the list's relative paths lie (bytes ending with '/'); the outcome must
    // outlive the rows.
    CheckedRows(const VerifyOutcome& outcome, QByteArray base, const QString& list);

    [[nodiscard]] qsizetype rowCount() const override { return qsizetype(m_outcome.files.size()); }
    [[nodiscard]] QString text(qsizetype row, int column) const override;
    [[nodiscard]] QByteArray nameBytes(qsizetype row) const override;
    [[nodiscard]] QByteArray folderBytes(qsizetype row) const override;
    [[nodiscard]] const ComparedListing* comparison() const override { return &m_listing; }
    [[nodiscard]] ComparedRow comparedRow(qsizetype row) const override;

private:
    [[nodiscard]] const CheckedFile& file(qsizetype row) const
    {
        return m_outcome.files[std::size_t(row - 1)];
    }
    [[nodiscard]] QByteArray fullPath(qsizetype row) const;

    const VerifyOutcome& m_outcome;
    QByteArray m_base;
    ComparedListing m_listing;
};

} // namespace vellora
