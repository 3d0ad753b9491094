#pragma once
// Building blocks for walk tests: real folder trees with byte-exact names, and a plain
// reference walk (each folder read twice with readdir, every entry lstat'ed by full path)
// to compare the scanner's order and sizes with.

#include "scan/PatternMatcher.h"
#include "scan/ScanResults.h"

#include <QByteArray>
#include <vector>

namespace scantest {

// Paths are bytes; each call returns false (and prints why) on failure.
[[nodiscard]] bool makeFile(const QByteArray& path, qint64 size = 0);
[[nodiscard]] bool makeDir(const QByteArray& path);
[[nodiscard]] bool makeLink(const QByteArray& target, const QByteArray& path);
[[nodiscard]] bool makeFifo(const QByteArray& path);
// Empties a folder by bytes (QDir cannot remove names that are not valid UTF-8).
void removeContents(const QByteArray& folder);

struct Found
{
    QByteArray path;
    qint64 size = 0;
    bool operator==(const Found&) const = default;
};

[[nodiscard]] std::vector<Found> referenceWalk(const QByteArray& folder, bool subfolders,
                                               const vellora::PatternMatcher& matcher);
[[nodiscard]] std::vector<Found> listed(const vellora::ScanResults& results);

} // namespace scantest
