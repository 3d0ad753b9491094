#include "ListedFiles.h"

#include <algorithm>
#include <cstring>

namespace vellora {

namespace {

// Paths go into blocks of this size, never moved once written: a file's path stays where
// it is while the listing grows, and no growth copies them all.
constexpr std::size_t kBlockBytes = std::size_t(4) << 20;

} // namespace

ListedFiles::ListedFiles() = default;
ListedFiles::ListedFiles(ListedFiles&&) noexcept = default;
ListedFiles& ListedFiles::operator=(ListedFiles&&) noexcept = default;
ListedFiles::~ListedFiles() = default;

std::string_view ListedFiles::relative(qsizetype i) const
{
    const File& f = m_files[std::size_t(i)];
    return {f.path, f.length};
}

std::string_view ListedFiles::name(qsizetype i) const
{
    const std::string_view path = relative(i);
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool ListedFiles::hasSha256(qsizetype i) const
{
    return !m_shaKnown.empty() && m_shaKnown[std::size_t(i)];
}

const char* ListedFiles::store(std::string_view bytes)
{
    if (bytes.size() > m_blockLeft) {
        const std::size_t size = std::max(kBlockBytes, bytes.size());
        m_blocks.push_back(std::make_unique<char[]>(size));
        m_blockNext = m_blocks.back().get();
        m_blockLeft = size;
    }
    char* at = m_blockNext;
    if (!bytes.empty())
        std::memcpy(at, bytes.data(), bytes.size());
    m_blockNext += bytes.size();
    m_blockLeft -= bytes.size();
    return at;
}

qsizetype ListedFiles::add(std::string_view relative, std::int64_t size, std::int64_t mtime,
                           const std::array<std::string_view, 4>& version)
{
    const char* versionAt = nullptr;
    std::uint32_t versionLength = 0;
    if (!(version[0].empty() && version[1].empty() && version[2].empty() && version[3].empty())) {
        m_joined.clear();
        for (const std::string_view part : version) {
            m_joined += part;
            m_joined += '\0';
        }
        versionAt = store(m_joined);
        versionLength = std::uint32_t(m_joined.size());
    }
    m_files.push_back(
        File{store(relative), versionAt, std::uint32_t(relative.size()), versionLength, size, mtime});
    if (!m_sha.empty()) {
        m_sha.emplace_back();
        m_shaKnown.push_back(false);
    }
    return count() - 1;
}

qsizetype ListedFiles::add(std::string_view relative, std::int64_t size, std::int64_t mtime,
                           const VersionStrings& s)
{
    const QByteArray v = s.version.toUtf8(), c = s.company.toUtf8(), d = s.description.toUtf8(),
                     p = s.product.toUtf8();
    const auto view = [](const QByteArray& b) {
        return std::string_view(b.constData(), std::size_t(b.size()));
    };
    return add(relative, size, mtime, {view(v), view(c), view(d), view(p)});
}

void ListedFiles::setSha256(qsizetype i, const Sha256& digest)
{
    if (m_sha.empty()) {
        m_sha.reserve(m_files.capacity());
        m_sha.resize(m_files.size());
        m_shaKnown.assign(m_files.size(), false);
    }
    m_sha[std::size_t(i)] = digest;
    m_shaKnown[std::size_t(i)] = true;
}

std::array<std::string_view, 4> ListedFiles::versionParts(qsizetype i) const
{
    std::array<std::string_view, 4> parts;
    const File& f = m_files[std::size_t(i)];
    std::string_view rest(f.version, f.versionLength);
    if (rest.empty())
        return parts;
    for (std::string_view& part : parts) {
        const std::size_t end = rest.find('\0');
        part = rest.substr(0, end);
        rest.remove_prefix(end + 1);
    }
    return parts;
}

VersionStrings ListedFiles::version(qsizetype i) const
{
    const auto text = [](std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); };
    const std::array<std::string_view, 4> p = versionParts(i);
    return {text(p[0]), text(p[1]), text(p[2]), text(p[3])};
}

void ListedFiles::dropPrefix(qsizetype i, std::size_t bytes)
{
    File& f = m_files[std::size_t(i)];
    bytes = std::min<std::size_t>(bytes, f.length);
    f.path += bytes;
    f.length -= std::uint32_t(bytes);
}

void ListedFiles::reserve(qsizetype files)
{
    m_files.reserve(std::size_t(files));
}

} // namespace vellora
