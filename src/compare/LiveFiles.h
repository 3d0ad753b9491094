#pragma once
// A folder as it is now, as one side of a comparison, and the checksums of files on the disk:
// both read through the export's record reader, so the facts and checksums of a comparison or
// a check are read as an export's are — on the same threads, with the same interrupt and
// progress, each file relative to its folder at any depth.

#include "Comparison.h"
#include "export/ExportRecords.h"
#include "fileinfo/FileFacts.h"
#include "ListedFiles.h"
#include "results/RowSource.h"

#include <atomic>
#include <functional>
#include <string_view>

namespace vellora {

struct LiveRead
{
    unsigned facts = FactReader::Stat | FactReader::Version; // what is read of each file
    bool checksum = false;                                   // and its SHA-256
    const std::atomic_bool* interrupt = nullptr;
    ProgressFn progress;
};

// The rows of a listing made now (the result table, or any row source) read into files, each
// by its path below root (bytes ending with '/', the listed folder; a row outside it keeps its
// whole path). files.root and files.source are set from root. False when interrupted.
[[nodiscard]] bool readLiveFiles(const RowSource& rows, const QByteArray& root, ListedFiles& files,
                                 const LiveRead& how);

// Files named by paths, as rows for the record reader: a path that does not begin with '/'
// lies below base (bytes ending with '/').
class PathRows : public RowSource
{
public:
    PathRows(QByteArray base, qsizetype count, std::function<std::string_view(qsizetype index)> pathOf)
        : m_base(std::move(base)), m_count(count), m_pathOf(std::move(pathOf))
    {
    }
    [[nodiscard]] qsizetype rowCount() const override { return m_count; }
    [[nodiscard]] QString text(qsizetype, int) const override { return {}; }
    [[nodiscard]] QByteArray nameBytes(qsizetype row) const override;
    [[nodiscard]] QByteArray folderBytes(qsizetype row) const override;

private:
    QByteArray m_base;
    qsizetype m_count;
    std::function<std::string_view(qsizetype)> m_pathOf; // 0-based
};

// Hashes files of a side below its root, on the export's reader threads.
class FolderHasher : public ContentHasher
{
public:
    FolderHasher(const std::atomic_bool* interrupt, ProgressFn progress, int threads = 0)
        : m_interrupt(interrupt), m_progress(std::move(progress)), m_threads(threads)
    {
    }
    [[nodiscard]] bool hash(ListedFiles& files, const std::vector<std::uint32_t>& which) override;

private:
    const std::atomic_bool* m_interrupt;
    ProgressFn m_progress;
    int m_threads;
};

} // namespace vellora
