#pragma once
// The files of one side of a comparison: a saved listing read back, or the rows of a listing
// made now. Two listings of a million files must fit in a few hundred megabytes together, so a
// file is a few numbers, its path and version strings kept in large blocks shared by all (most
// files have no version strings), its checksum only where the side has checksums; texts are
// made when asked for.

#include "export/ChecksumLine.h"

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace vellora {

// The four strings of a version resource, as the listing holds them.
struct VersionStrings
{
    QString version;
    QString company;
    QString description;
    QString product;
};

class ListedFiles
{
public:
    // A size or time the listing does not know (the file could not be read then).
    static constexpr std::int64_t kUnknown = std::numeric_limits<std::int64_t>::min();

    ListedFiles();
    ListedFiles(ListedFiles&&) noexcept;
    ListedFiles& operator=(ListedFiles&&) noexcept;
    ~ListedFiles();

    [[nodiscard]] qsizetype count() const { return qsizetype(m_files.size()); }
    // The path inside the listed folder as the file system has its bytes, "/"-separated.
    [[nodiscard]] std::string_view relative(qsizetype i) const;
    // The last part of relative(i).
    [[nodiscard]] std::string_view name(qsizetype i) const;
    [[nodiscard]] std::int64_t size(qsizetype i) const { return m_files[std::size_t(i)].size; }
    [[nodiscard]] std::int64_t mtime(qsizetype i) const { return m_files[std::size_t(i)].mtime; }
    // Whether file i has any version string.
    [[nodiscard]] bool hasVersion(qsizetype i) const { return m_files[std::size_t(i)].versionLength != 0; }
    // The four strings as UTF-8: version, company, description, product.
    [[nodiscard]] std::array<std::string_view, 4> versionParts(qsizetype i) const;
    [[nodiscard]] VersionStrings version(qsizetype i) const;
    [[nodiscard]] bool hasSha256(qsizetype i) const;
    [[nodiscard]] const Sha256& sha256(qsizetype i) const { return m_sha[std::size_t(i)]; }

    // Asks the memory for file i's facts ahead of a look at them in no order.
    void prefetch(qsizetype i) const
    {
        __builtin_prefetch(&m_files[std::size_t(i)]);
        if (!m_sha.empty())
            __builtin_prefetch(&m_sha[std::size_t(i)]);
    }

    // Adds a file; relative and the version strings (UTF-8: version, company, description,
    // product) are copied. Returns its index.
    qsizetype add(std::string_view relative, std::int64_t size, std::int64_t mtime,
                  const std::array<std::string_view, 4>& version = {});
    qsizetype add(std::string_view relative, std::int64_t size, std::int64_t mtime,
                  const VersionStrings& version);
    void setSha256(qsizetype i, const Sha256& digest);
    // Cuts `bytes` from the front of file i's path (a common folder found after reading).
    void dropPrefix(qsizetype i, std::size_t bytes);
    void reserve(qsizetype files);

    // The folder the files lie in (bytes ending with '/'), empty when unknown: where a listed
    // file can be read again.
    QByteArray root;
    // What the side can tell: checksums (a listing with them; the files without one could not
    // be read), version data (a saved listing always has it; a listing made now when asked).
    bool checksums = false;
    bool versions = false;
    // How the side is named in messages: the saved listing's file, or the folder.
    QString source;

private:
    struct File
    {
        const char* path;    // in m_blocks
        const char* version; // the four strings, each ended by '\0'; in m_blocks
        std::uint32_t length;
        std::uint32_t versionLength; // 0: none
        std::int64_t size;
        std::int64_t mtime;
    };

    const char* store(std::string_view bytes);

    std::vector<File> m_files;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_blockLeft = 0;
    char* m_blockNext = nullptr;
    std::vector<Sha256> m_sha;    // empty until the first checksum, then one per file
    std::vector<bool> m_shaKnown; // same
    std::string m_joined;         // reused while adding: one allocation for all files
};

} // namespace vellora
