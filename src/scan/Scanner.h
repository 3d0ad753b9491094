#pragma once
// The directory walk: one folder, or a folder and all its subfolders depth first (a
// folder's own files, then each subfolder in enumeration order), recording the files whose
// names match the pattern. Runs on a worker thread; the interrupt flag is read before
// every directory entry.

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

    mutable QMutex mutex;
    QByteArray currentFolder; // last folder entered (lblCurDir), without trailing blanks

    void reset()
    {
        interrupt = false;
        totFile = 0;
        totCartelle = 0;
        examined = 0;
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
bool ScandisciCartella(const QString& pattern, const QByteArray& folder, bool subfolders, ScanState& state,
                       ScanResults& results, const FolderEnteredFn& onFolder = {});

} // namespace vellora
