#pragma once
// What a scan records: for each matching file its name bytes, its folder (stored once per
// folder and referenced by index) and its full 64-bit size. Names and folders keep the
// bytes the file system gave, so later file-system calls hit exactly the listed file even
// when a name is not valid in the locale's encoding.

#include <cstdint>
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace vellora {

struct ScanResults
{
    struct Entry
    {
        std::uint64_t nameOffset = 0; // into names
        std::uint32_t nameLength = 0;
        std::uint32_t folder = 0; // index into folders
        std::int64_t size = 0;    // bytes; kUnknownSize when it could not be read
    };
    // The size of a file that vanished or could not be looked at after its folder listed
    // it: the file keeps its place in the results, its size cell stays empty.
    static constexpr std::int64_t kUnknownSize = -1;

    std::vector<QByteArray> folders; // each ends with '/'
    std::vector<Entry> entries;      // in the order the walk found the files
    std::string names;               // all names, back to back

    [[nodiscard]] std::size_t size() const { return entries.size(); }
    [[nodiscard]] std::string_view name(std::size_t i) const
    {
        const Entry& e = entries[i];
        return {names.data() + e.nameOffset, e.nameLength};
    }
    [[nodiscard]] const QByteArray& folder(std::size_t i) const { return folders[entries[i].folder]; }
    [[nodiscard]] QByteArray path(std::size_t i) const
    {
        const auto n = name(i);
        return folder(i) + QByteArray(n.data(), qsizetype(n.size()));
    }

    void clear()
    {
        folders = {};
        entries = {};
        names = {};
    }
};

} // namespace vellora
