#pragma once
// A saved listing read back: the JSON lines export, one object per file. A file is known by
// its path inside the listed folder ("relative"; its bytes from "path_bytes" when the name is
// not UTF-8); a listing written before "relative" existed is taken as listed from the longest
// folder its files share. Members the program does not know are passed over, so a listing of
// a later version still reads.

#include "LineFile.h"
#include "ListedFiles.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace vellora {

// Reads the listing at path (bytes, any length) into files, which should be empty; names it
// in files.source. The error names the file and, for a line that is not a record of a
// listing, the line and why.
[[nodiscard]] ReadOutcome readSavedListing(const QByteArray& path, ListedFiles& files,
                                           const std::atomic_bool* interrupt = nullptr,
                                           const ReadProgressFn& progress = {});

// "yyyy-mm-ddThh:mm:ss" with "Z" or an offset "+hh:mm" / "-hh:mm" (seconds' fractions passed
// over), as the listing writes its times: seconds since the epoch, or nothing.
[[nodiscard]] std::optional<std::int64_t> parseIsoTime(std::string_view text);

} // namespace vellora
