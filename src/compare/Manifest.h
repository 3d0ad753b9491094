#pragma once
// Lists of checksums in the form GNU coreutils' sha256sum writes and reads ("HEX  NAME", "*" for
// binary mode, "SHA256 (NAME) = HEX" with --tag, a leading "\" when the name holds a backslash,
// a line break or a carriage return, escaped), read as `sha256sum -c` reads them, line for
// line; and a saved listing with checksums, which serves as such a list too.

#include "LineFile.h"
#include "ListedFiles.h"

#include <string_view>
#include <vector>

namespace vellora {

struct ChecksumEntry
{
    QByteArray path; // as the list names the file: relative to its folder, or absolute
    Sha256 sha256;
};

struct ChecksumList
{
    std::vector<ChecksumEntry> entries;
    // Where relative paths lie: a saved listing's folder; empty for a sha256sum file, whose
    // names are read from the working folder, as sha256sum -c reads them.
    QByteArray base;
    qsizetype badLines = 0;        // lines that are no checksum line (sha256sum -c warns of them)
    qsizetype withoutChecksum = 0; // files of a saved listing that could not be hashed then
    QString source;                // the list's file, for messages
};

// Reads the list at path (bytes, any length): a saved listing when its first line is a JSON
// object, a sha256sum file otherwise. An error when it cannot be read, holds no checksum line,
// or is a listing without checksums.
[[nodiscard]] ReadOutcome readChecksumList(const QByteArray& path, ChecksumList& list,
                                           const std::atomic_bool* interrupt = nullptr,
                                           const ReadProgressFn& progress = {});

// Reads the lines of a sha256sum file one after the other; the lines of one file must come
// through one parser (a file cannot mix the standard order with the reversed one of BSD).
class ManifestParser
{
public:
    enum class Line { Checksum, Ignored, Bad };
    // line without its '\n'. Ignored: an empty line or a comment ('#' first).
    [[nodiscard]] Line parse(std::string_view line, ChecksumEntry& entry);

private:
    [[nodiscard]] bool tagged(std::string_view rest, bool escaped, ChecksumEntry& entry) const;
    int m_reversed = -1; // unknown until the first line of either order
};

} // namespace vellora
