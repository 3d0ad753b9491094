#include "CompareJob.h"

#include "SideFilters.h"

#include "fileinfo/FolderPaths.h"
#include "LiveFiles.h"
#include "results/AppState.h"
#include "results/Listing.h"
#include "results/ResultTable.h"
#include "SavedListing.h"

#include <future>

namespace vellora {

namespace {

// The folder as it is now: listed by the service (no order, no column read), then each file's
// size, time and version read once for the comparison.
CompareJobOutcome readFolder(ListingRequest request, ListedFiles& files, ScanState& scan,
                             CompareProgress& progress)
{
    CompareJobOutcome out;
    request.order = Order::None;
    request.columns = {0, 1, 1, 0, 0, 0, 0, 1};
    Listing listing(request, scan);
    listing.collect();
    if (scan.interrupt.load() || listing.summary().walkInterrupted || !listing.summary().complete) {
        out.interrupted = true;
        return out;
    }
    if (!listing.summary().folderRead) {
        out.error =
            QStringLiteral("Impossibile leggere la cartella %1.").arg(fileinfo::pathText(request.folder));
        return out;
    }
    ResultTable table;
    listing.deliver(table, defaultHeadings());
    LiveRead how;
    how.interrupt = &scan.interrupt;
    how.progress = [&progress](qsizetype done, qsizetype total) {
        progress.total = total;
        progress.done = done;
    };
    if (!readLiveFiles(table, request.folder, files, how)) {
        out.interrupted = true;
        return out;
    }
    out.ok = true;
    return out;
}

CompareJobOutcome readListing(const QByteArray& path, ListedFiles& files, ScanState& scan)
{
    const ReadOutcome read = readSavedListing(path, files, &scan.interrupt);
    CompareJobOutcome out;
    out.ok = read.ok;
    out.interrupted = read.interrupted;
    out.error = read.error;
    return out;
}

} // namespace

CompareJobOutcome runCompareJob(const CompareJob& job, ComparedSides& sides, ScanState& scan,
                                CompareProgress& progress)
{
    // The saved listing is read on a thread of its own while the other side is read.
    std::future<CompareJobOutcome> before =
        std::async(std::launch::async, [&] { return readListing(job.before, sides.before, scan); });
    const CompareJobOutcome after = job.folder ? readFolder(*job.folder, sides.after, scan, progress)
                                               : readListing(job.afterListing, sides.after, scan);
    const CompareJobOutcome first = before.get();
    for (const CompareJobOutcome* side : {&first, &after})
        if (!side->ok)
            return *side;
    // The saved listing cut to what the folder's listing keeps, so that what the pattern,
    // the filters or the scope leave out is not told as removed.
    if (job.folder && listingCuts(*job.folder, true))
        sides.before = keptAsListed(sides.before, *job.folder, true);

    FolderHasher hasher(&scan.interrupt, [&progress](qsizetype done, qsizetype total) {
        progress.total = total;
        progress.done = done;
    });
    CompareOptions how;
    how.keepUnchanged = job.keepUnchanged;
    how.hasher = job.folder ? &hasher : nullptr;
    how.hashAll = job.hashAll;
    sides.outcome = compareListings(sides.before, sides.after, how);
    CompareJobOutcome out;
    out.ok = sides.outcome.ok;
    out.interrupted = sides.outcome.interrupted || scan.interrupt.load();
    out.error = sides.outcome.error;
    return out;
}

} // namespace vellora
