#pragma once
// A comparison as the window runs it, on its worker: a saved listing read, the other side
// read beside it (another saved listing, or the window's folder and pattern listed now through
// the listing service), then compared, the folder's files hashed where the listing's
// checksums need it. Everything here runs off the window's thread; the progress counters and
// the scan state's interrupt flag are what the window reads and sets meanwhile.

#include "ComparisonRows.h"
#include "results/ListingRequest.h"
#include "scan/Scanner.h"

#include <atomic>
#include <optional>

namespace vellora {

struct CompareJob
{
    QByteArray before;                    // the saved listing (bytes of its path)
    std::optional<ListingRequest> folder; // the folder listed now as the after side, or
    QByteArray afterListing;              // another saved listing
    bool keepUnchanged = false;
    bool hashAll = false;
};

struct CompareProgress
{
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0}; // 0 while the amount is not known (reading, scanning)
};

struct CompareJobOutcome
{
    bool ok = false;
    bool interrupted = false;
    QString error; // Italian, one line, naming the listing or folder
};

// scan.interrupt stops every step; scan's counters show the walk.
[[nodiscard]] CompareJobOutcome runCompareJob(const CompareJob& job, ComparedSides& sides, ScanState& scan,
                                              CompareProgress& progress);

} // namespace vellora
