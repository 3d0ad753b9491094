#pragma once
// What changed between two listings of a folder: each file matched by its path inside the
// listed folder, byte for byte; a file gone from one place and come to another with the same
// content (without checksums: the same name, size and time) is one moved file.
//
// With checksums on both sides a file is judged by its content: a new time alone leaves it
// unchanged (a copy, a restore from a backup), a same-size edit that kept its time does not.
// Without them it is judged by size and time. The version strings count either way.

#include "ListedFiles.h"

#include <array>
#include <cstdint>
#include <QStringList>
#include <vector>

namespace vellora {

enum class FileState : std::uint8_t { Added, Removed, Moved, Changed, Unchanged };
inline constexpr int kFileStateCount = 5;

// "aggiunto", "rimosso", "spostato", "modificato", "invariato".
[[nodiscard]] QString fileStateWord(FileState state);

// The facts of a changed file that differ, as bits.
enum ChangedField : std::uint8_t {
    SizeChanged = 1,
    DateChanged = 2,
    Sha256Changed = 4,
    VersionChanged = 8,
    CompanyChanged = 16,
    DescriptionChanged = 32,
    ProductChanged = 64,
};
// "dimensione", "data", "sha256", "versione", "produttore", "descrizione", "prodotto", in
// that order, for the bits set.
[[nodiscard]] QStringList changedFieldWords(std::uint8_t fields);

// One row of a comparison: indexes into the two sides (kNone where a side has no such file).
struct ComparedFile
{
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::uint32_t before = kNone;
    std::uint32_t after = kNone;
    FileState state = FileState::Unchanged;
    std::uint8_t changed = 0; // ChangedField bits of a changed file
};

// Computes checksums the "after" side lacks, for the files the comparison needs them of.
class ContentHasher
{
public:
    virtual ~ContentHasher() = default;
    // Sets the checksum of each file of `which` that can be read; false when stopped.
    [[nodiscard]] virtual bool hash(ListedFiles& files, const std::vector<std::uint32_t>& which) = 0;
};

struct CompareOptions
{
    bool keepUnchanged = false; // rows of unchanged files too (they are counted either way)
    // The after side's files are hashed with this where the before side has checksums and
    // size and time cannot tell (a file of the same size; an added file of a removed file's
    // size), or all of them with hashAll. Null: the after side is compared as it is.
    ContentHasher* hasher = nullptr;
    bool hashAll = false;
};

struct CompareOutcome
{
    bool ok = false;
    bool interrupted = false;
    QString error; // Italian, naming the listing
    // In the order of their paths (the after side's; a removed file's own).
    std::vector<ComparedFile> files;
    std::array<qsizetype, kFileStateCount> counts{}; // by FileState
    qsizetype unhashed = 0; // files of the after side whose checksum was asked for and not read

    [[nodiscard]] qsizetype count(FileState s) const { return counts[std::size_t(s)]; }
    // Something was added, removed, moved or changed: diff's exit status 1.
    [[nodiscard]] bool differs() const { return counts[0] + counts[1] + counts[2] + counts[3] > 0; }
};

// The path a row is shown under: the after side's, a removed file's own.
[[nodiscard]] std::string_view comparedPath(const ComparedFile& row, const ListedFiles& before,
                                            const ListedFiles& after);

// before and after stay the caller's; the rows point into them. after gains the checksums
// the hasher computes.
[[nodiscard]] CompareOutcome compareListings(const ListedFiles& before, ListedFiles& after,
                                             const CompareOptions& options = {});

} // namespace vellora
