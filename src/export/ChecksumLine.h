#pragma once
// A file's SHA-256 as its 32 bytes and as the text GNU coreutils' sha256sum writes: 64 hex
// digits, and the line of a checksum list ("HEX  NAME", escaped where the name needs it).
// Checksum lists are written by an export and read back by a check, so both sides share it.

#include <array>
#include <cstdint>
#include <QByteArray>
#include <string_view>

namespace vellora {

using Sha256 = std::array<std::uint8_t, 32>;

// 64 hex digits (either case) into a digest; false for anything else.
[[nodiscard]] bool parseSha256(std::string_view hex, Sha256& out);
// The 64 lowercase hex digits sha256sum writes.
[[nodiscard]] QByteArray sha256Hex(const Sha256& digest);

// One line of a sha256sum file for a file's path (relative to where the list is checked):
// "HEX  PATH\n", or "\HEX  PATH\n" with "\\", "\n" and "\r" for a backslash, a line break and a
// carriage return when the path holds any of them. sha256sum -c reads it back as that path.
[[nodiscard]] QByteArray manifestLine(const Sha256& digest, std::string_view path);

} // namespace vellora
