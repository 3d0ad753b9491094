#include "ChecksumLine.h"

namespace vellora {

namespace {

// Hex digit values by byte, -1 for any other byte: a checksum per line of a million-line
// listing is read in a few table looks.
constexpr std::array<std::int8_t, 256> kHexValues = [] {
    std::array<std::int8_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[std::size_t(c)] = c >= '0' && c <= '9'   ? std::int8_t(c - '0')
                            : c >= 'a' && c <= 'f' ? std::int8_t(c - 'a' + 10)
                            : c >= 'A' && c <= 'F' ? std::int8_t(c - 'A' + 10)
                                                   : std::int8_t(-1);
    return t;
}();

} // namespace

bool parseSha256(std::string_view hex, Sha256& out)
{
    if (hex.size() != 64)
        return false;
    int bad = 0;
    for (std::size_t i = 0; i < 32; ++i) {
        const int high = kHexValues[std::uint8_t(hex[2 * i])];
        const int low = kHexValues[std::uint8_t(hex[2 * i + 1])];
        bad |= high | low;
        out[i] = std::uint8_t(high << 4 | low);
    }
    return bad >= 0;
}

QByteArray sha256Hex(const Sha256& digest)
{
    return QByteArray(reinterpret_cast<const char*>(digest.data()), qsizetype(digest.size())).toHex();
}

QByteArray manifestLine(const Sha256& digest, std::string_view path)
{
    const bool escape = path.find_first_of("\\\n\r") != std::string_view::npos;
    QByteArray line;
    line.reserve(qsizetype(path.size()) + 70);
    if (escape)
        line += '\\';
    line += sha256Hex(digest);
    line += "  ";
    if (!escape) {
        line.append(path.data(), qsizetype(path.size()));
    } else {
        for (const char c : path) {
            if (c == '\\')
                line += "\\\\";
            else if (c == '\n')
                line += "\\n";
            else if (c == '\r')
                line += "\\r";
            else
                line += c;
        }
    }
    line += '\n';
    return line;
}

} // namespace vellora
