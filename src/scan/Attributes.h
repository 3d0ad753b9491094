#pragma once
// Entry attributes in the program's own numbering (read-only 1, hidden 2, system 4,
// directory 16, archive 32, device 64, normal 128, reparse point 1024, compressed 2048) and
// the value ranges the walk tests: a value with any bit outside the expected few is neither
// listed nor entered, however harmless that bit looks.

#include "scan/FolderReader.h"

#include <cstdint>
#include <string_view>

namespace vellora::scan {

namespace attr {
inline constexpr std::uint32_t ReadOnly = 1;
inline constexpr std::uint32_t Hidden = 2;
inline constexpr std::uint32_t System = 4;
inline constexpr std::uint32_t Directory = 16;
inline constexpr std::uint32_t Archive = 32;
inline constexpr std::uint32_t Device = 64;
inline constexpr std::uint32_t Normal = 128;
inline constexpr std::uint32_t ReparsePoint = 1024;
inline constexpr std::uint32_t Compressed = 2048;
} // namespace attr

// A file the walk may record: plain (0-7), archived (32-39), normal or compressed alone.
[[nodiscard]] constexpr bool isListedFile(std::uint32_t a)
{
    return a <= 7 || (a >= 32 && a <= 39) || a == attr::Normal || a == attr::Compressed;
}

// A folder the walk enters: a directory with at most read-only, hidden, system, archive.
[[nodiscard]] constexpr bool isEnteredFolder(std::uint32_t a)
{
    return (a >= 16 && a <= 23) || (a >= 48 && a <= 55);
}

// The attribute value of an entry as this platform maps it. A link counts as a reparse point
// (never listed, never entered), FIFOs, sockets and devices as devices (never listed), and a
// folder on another file system or mount as a reparse point too (a mounted folder is not
// entered).
[[nodiscard]] constexpr std::uint32_t attributesOf(EntryKind kind, std::string_view name, bool readOnly,
                                                   bool otherFileSystem)
{
    std::uint32_t a = 0;
    switch (kind) {
    case EntryKind::Regular:
        a = attr::Archive;
        break;
    case EntryKind::Directory:
        a = attr::Directory | (otherFileSystem ? attr::ReparsePoint : 0);
        break;
    case EntryKind::Symlink:
        a = attr::Archive | attr::ReparsePoint;
        break;
    case EntryKind::Special:
    case EntryKind::Unknown:
        a = attr::Device;
        break;
    }
    if (readOnly)
        a |= attr::ReadOnly;
    if (!name.empty() && name.front() == '.')
        a |= attr::Hidden;
    return a;
}

} // namespace vellora::scan
