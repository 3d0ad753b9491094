#pragma once
// The one reader of what the program shows about a listed file after the scan: its size,
// its last-modified time and its version data. The table fill, the size and date orders,
// the reports and the exports all read through it, so they agree on every file and share
// one test double.
//
// A file is named by its folder (bytes ending with '/', as the scan recorded them) and its
// entry name. The file-system reader keeps the folder open and looks names up inside it, so
// a path longer than the system's limit is never handed to the kernel: a deep folder is
// reached one slice at a time from a folder that is already open.

#include "fileinfo/VersionReader.h"

#include <cstdint>
#include <memory>
#include <QByteArray>
#include <string_view>

namespace vellora {

struct FileFacts
{
    bool statted = false;   // size and mtime hold the file's values; false when the entry is
                            // gone or no longer a regular file
    std::int64_t size = 0;  // bytes
    std::int64_t mtime = 0; // seconds since the epoch
    VersionData version;    // version.readable is false when not asked for or unreadable
};

// Reads files one after the other; one reader per thread.
class FactReader
{
public:
    enum Want : unsigned {
        Stat = 1u,    // size and time
        Version = 2u, // version data; one open of the file, which also gives size and time
    };

    virtual ~FactReader() = default;
    [[nodiscard]] virtual FileFacts read(const QByteArray& folder, std::string_view name, unsigned want) = 0;
};

// Where readers come from: the file system, or a test double.
class FactSource
{
public:
    virtual ~FactSource() = default;
    [[nodiscard]] virtual std::unique_ptr<FactReader> reader() const = 0;
};

[[nodiscard]] const FactSource& fileSystemFacts();

namespace fileinfo {

// Opens the folder at path (any length) for look-ups inside it: by the path itself when the
// kernel takes it, else slice by slice, each slice opened relative to the one before. -1
// with errno set when it cannot be opened.
[[nodiscard]] int openFolder(const QByteArray& path);

} // namespace fileinfo

} // namespace vellora
