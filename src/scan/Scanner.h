#pragma once
// The directory walk: one folder, or a folder and all its subfolders depth first (a
// folder's own files, then each subfolder in enumeration order), recording the files whose
// names match the pattern. Runs on a worker thread; the interrupt flag is read before
// every directory entry.
//
// With filters: a file is recorded when any mask matches its name and no exclusion does,
// and its size and modification time lie in the ranges that are on. A folder an exclusion
// matches is neither opened nor counted; the starting folder is always read, whatever its
// name. Without exclusions and ranges the walk is the plain pattern walk.

#include "ListingFilters.h"
#include "ScanResults.h"

#include <atomic>
#include <functional>
#include <QByteArray>
#include <QMutex>
#include <QString>

namespace vellora {

// The shared scan state. Counters are atomics so the window can poll them while the
// worker walks; currentFolder is guarded by mutex.
struct ScanState
{
    std::atomic_bool interrupt{false};         // Interrompi: set by the interrupt command
    std::atomic<std::uint64_t> totFile{0};     // TotFile: matching files recorded
    std::atomic<std::uint64_t> totCartelle{0}; // TotCartelle: folders entered, the start included
    std::atomic<std::uint64_t> examined{0};    // directory entries examined (progress only)
    // Files left out because a size or date range was on and their size or date could not
    // be read (a folder whose names can be read but not its files): the closing message
    // counts them with the files that could not be read.
    std::atomic<std::uint64_t> unreadable{0};

    mutable QMutex mutex;
    QByteArray currentFolder; // last folder entered (lblCurDir), without trailing blanks

    void reset()
    {
        interrupt = false;
        totFile = 0;
        totCartelle = 0;
        examined = 0;
        unreadable = 0;
        QMutexLocker lock(&mutex);
        currentFolder.clear();
    }
    [[nodiscard]] QByteArray folderNow() const
    {
        QMutexLocker lock(&mutex);
        return currentFolder;
    }
};

// Called each time a folder is entered (after the counters moved); may be empty. The scan
// driver throttles what reaches the window.
using FolderEnteredFn = std::function<void(const QByteArray& folder)>;

// Walks folder (bytes of a path ending in '/'); subfolders: the scope "Sottocartelle".
// Returns false when the starting folder itself cannot be enumerated (nothing recorded).
// While a range is on, state.totFile counts the files whose size and date were checked;
// at the end it is the number recorded.
bool ScandisciCartella(const ListingFilters& filters, const QByteArray& folder, bool subfolders,
                       ScanState& state, ScanResults& results, const FolderEnteredFn& onFolder = {});

// The pattern as one mask, taken whole (a ";" in it is an ordinary character), nothing
// excluded, no range.
bool ScandisciCartella(const QString& pattern, const QByteArray& folder, bool subfolders, ScanState& state,
                       ScanResults& results, const FolderEnteredFn& onFolder = {});

} // namespace vellora
