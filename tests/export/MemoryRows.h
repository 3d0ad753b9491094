#pragma once
// The shared in-memory table, and a file probe that counts the reads an export makes.

#include "../common/MemoryRows.h"
#include "export/Exporter.h"

#include <QHash>

namespace vellora::test {

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
