#pragma once
// Files checked against a list of checksums: each listed file hashed again and found the same,
// different, missing or unreadable; and, given the folder as it is now, the files in it that
// the list does not name.

#include "export/ExportRecords.h"
#include "ListedFiles.h"
#include "Manifest.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace vellora {

// A file that is there but cannot be read is told apart from one that is gone: both fail the
// check (sha256sum -c says "FAILED open or read" of both), but only one is lost.
enum class CheckState : std::uint8_t { Ok, Different, Missing, Unreadable, New };
inline constexpr int kCheckStateCount = 5;

// "ok", "diverso", "mancante", "illeggibile", "nuovo".
[[nodiscard]] QString checkStateWord(CheckState state);

struct CheckedFile
{
    QByteArray path; // as the list names it; a new file by its path inside the folder
    CheckState state = CheckState::Ok;
};

struct VerifyOptions
{
    // Where the list's relative paths lie (bytes ending with '/'); empty: the list's own base,
    // else the working folder.
    QByteArray folder;
    // The files in that folder now, by their paths inside it: those the list does not name are
    // new. Null: not looked for.
    const ListedFiles* present = nullptr;
    const std::atomic_bool* interrupt = nullptr;
    ProgressFn progress;
    int threads = 0; // as the export's checksums: 0 for one per core
};

struct VerifyOutcome
{
    bool ok = false; // the check ran to its end (whatever it found)
    bool interrupted = false;
    std::vector<CheckedFile> files; // in the list's order, then the new files by path
    std::array<qsizetype, kCheckStateCount> counts{};

    [[nodiscard]] qsizetype count(CheckState s) const { return counts[std::size_t(s)]; }
    // Every listed file found the same and none new: exit status 0.
    [[nodiscard]] bool allOk() const { return ok && qsizetype(files.size()) == count(CheckState::Ok); }
};

[[nodiscard]] VerifyOutcome verifyChecksums(const ChecksumList& list, const VerifyOptions& options);

} // namespace vellora
