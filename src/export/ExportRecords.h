#pragma once
// The rows of every export, read ahead of the writer: the facts of each row's file through
// the rows' one fact reader and, on request, the SHA-256 of its content. Several threads read
// the files, a block of rows ahead of the writer, which gets the rows in the table's order on
// the calling thread, with their cells made there (where the writer reads them at once).

#include "fileinfo/FileFacts.h"

#include <atomic>
#include <functional>
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vellora {

class RowSource;

struct ExportRecord
{
    qsizetype number = 0; // 1..N in the table's order
    QString name;         // cells 1, 2 and 7 as the table shows them
    QString extension;
    QString folder;
    QByteArray folderBytes; // as the file system has them
    QByteArray nameBytes;
    bool statted = false; // size and mtime hold the file's values
    std::int64_t size = 0;
    std::int64_t mtime = 0;
    VersionData version;   // readable is false when not asked for or not readable
    QByteArray sha256;     // hex digits; empty when not asked for or not readable
    bool unhashed = false; // the checksum was asked for and could not be computed
    // Rows of a comparison: the state, the facts that changed, the path inside the folders
    // compared and a moved file's path before (bytes).
    QString state;
    QStringList changed;
    QByteArray relative;
    QByteArray previous;
};

struct RecordPlan
{
    unsigned facts = 0; // FactReader::Want bits
    bool checksum = false;
    bool followLinks = false; // checksums of the files symbolic links name (ChecksumReader)
    // Threads that read files; 0: as many as the machine has cores (at most 8).
    int threads = 0;
};

// Called on the caller's thread, about 20 times a second at most, with rows read so far.
using ProgressFn = std::function<void(qsizetype done, qsizetype total)>;

class RecordReader
{
public:
    // rows and interrupt must outlive the reader; interrupt may be null.
    RecordReader(const RowSource& rows, const RecordPlan& plan, const std::atomic_bool* interrupt);

    // Hands rows 1..N to write in order. Stops when write returns false or the interrupt
    // is set; returns whether every row was written.
    [[nodiscard]] bool run(const std::function<bool(const ExportRecord&)>& write, const ProgressFn& progress);
    [[nodiscard]] bool interrupted() const;

private:
    const RowSource& m_rows;
    RecordPlan m_plan;
    const std::atomic_bool* m_interrupt;
    bool m_interrupted = false;
};

} // namespace vellora
