#pragma once
// A small result table for export tests: rows of name, extension and folder, as the real
// table would hand them over.

#include "export/Exporter.h"
#include "results/RowSource.h"

#include <QFile>
#include <QHash>
#include <vector>

namespace vellora::test {

class MemoryRows : public RowSource
{
public:
    struct Row
    {
        QString base;
        QString ext;
        QString folder; // ends with "/"
    };

    void add(const QString& base, const QString& ext, const QString& folder)
    {
        rows.push_back({base, ext, folder});
    }

    qsizetype rowCount() const override { return qsizetype(rows.size()); }
    QString text(qsizetype row, int column) const override
    {
        const Row& r = rows.at(std::size_t(row - 1));
        switch (column) {
        case 1:
            return r.base;
        case 2:
            return r.ext;
        case 7:
            return r.folder;
        default:
            return {};
        }
    }
    QByteArray nameBytes(qsizetype row) const override
    {
        const Row& r = rows.at(std::size_t(row - 1));
        return QFile::encodeName(r.ext.isEmpty() ? r.base : r.base + QLatin1Char('.') + r.ext);
    }
    QByteArray folderBytes(qsizetype row) const override
    {
        return QFile::encodeName(rows.at(std::size_t(row - 1)).folder);
    }

    std::vector<Row> rows;
};

// Counts the reads the export makes and stands in for files with a version resource (or
// with sizes too big to create in a test); everything else comes from the file system.
class CountingProbe : public FileProbe
{
public:
    bool stat(const QByteArray& path, FileStat& out) const override
    {
        ++stats;
        if (const auto it = fakeStats.constFind(path); it != fakeStats.cend()) {
            out = *it;
            return true;
        }
        return FileProbe::stat(path, out);
    }
    VersionData version(const QByteArray& path) const override
    {
        ++versions;
        if (const auto it = fakeVersions.constFind(path); it != fakeVersions.cend())
            return *it;
        return FileProbe::version(path);
    }

    QHash<QByteArray, FileStat> fakeStats;
    QHash<QByteArray, VersionData> fakeVersions;
    mutable int stats = 0;
    mutable int versions = 0;
};

} // namespace vellora::test
