#include "Moves.h"

#include "Comparison.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <QString>

namespace vellora {

namespace {

constexpr std::uint32_t kNone = ComparedFile::kNone;

// A file under the key it is paired by; both sides sorted by key, then walked side by side:
// no map of a million nodes when every file moved.
struct Keyed
{
    std::uint64_t key;
    std::uint32_t file;
    bool operator<(const Keyed& o) const { return key != o.key ? key < o.key : file < o.file; }
};

// The name as a case-blind comparison sees it: case folded, as UTF-8 (ASCII without a detour).
std::string folded(std::string_view name)
{
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string out(name);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return out;
    }
    return QString::fromUtf8(name.data(), qsizetype(name.size())).toCaseFolded().toStdString();
}

std::uint64_t contentKey(const Sha256& digest)
{
    std::uint64_t key;
    std::memcpy(&key, digest.data(), sizeof key);
    return key;
}

std::uint64_t factsKey(std::string_view name, std::int64_t size, std::int64_t mtime)
{
    const std::uint64_t h = std::hash<std::string>{}(folded(name));
    return h ^ (std::uint64_t(size) * 0x9E3779B97F4A7C15ull) ^ (std::uint64_t(mtime) * 0xC2B2AE3D27D4EB4Full);
}

class Pairer
{
public:
    Pairer(const ListedFiles& before, const ListedFiles& after)
        : m_before(before),
          m_after(after), m_moved{std::vector<std::uint32_t>(std::size_t(before.count()), kNone),
                                  std::vector<std::uint32_t>(std::size_t(after.count()), kNone)}
    {
    }

    // Pairs the files of equal keys, side by side; fits(b, a) says whether they are one file.
    template <typename Fits> void walk(std::vector<Keyed>& removed, std::vector<Keyed>& added, Fits fits)
    {
        std::sort(removed.begin(), removed.end());
        std::sort(added.begin(), added.end());
        std::size_t r = 0;
        for (std::size_t a = 0; a < added.size();) {
            const std::uint64_t key = added[a].key;
            while (r < removed.size() && removed[r].key < key)
                ++r;
            std::size_t rEnd = r;
            while (rEnd < removed.size() && removed[rEnd].key == key)
                ++rEnd;
            for (; a < added.size() && added[a].key == key; ++a)
                pair(added[a].file, removed.begin() + std::ptrdiff_t(r),
                     removed.begin() + std::ptrdiff_t(rEnd), fits);
            r = rEnd;
        }
    }

    [[nodiscard]] bool movedFrom(std::uint32_t b) const { return m_moved.to[b] != kNone; }
    [[nodiscard]] bool movedTo(std::uint32_t a) const { return m_moved.from[a] != kNone; }
    [[nodiscard]] MovedFiles take() { return std::move(m_moved); }

private:
    template <typename It, typename Fits> void pair(std::uint32_t a, It from, It to, Fits fits)
    {
        std::uint32_t chosen = kNone;
        for (It it = from; it != to; ++it) {
            const std::uint32_t b = it->file;
            if (m_moved.to[b] != kNone || !fits(b, a))
                continue;
            if (chosen == kNone)
                chosen = b;
            if (m_before.name(b) == m_after.name(a)) {
                chosen = b;
                break;
            }
        }
        if (chosen != kNone) {
            m_moved.to[chosen] = a;
            m_moved.from[a] = chosen;
        }
    }

    const ListedFiles& m_before;
    const ListedFiles& m_after;
    MovedFiles m_moved;
};

} // namespace

MovedFiles pairMoves(const ListedFiles& before, const ListedFiles& after,
                     const std::vector<std::uint32_t>& removed, const std::vector<std::uint32_t>& added)
{
    Pairer p(before, after);
    if (removed.empty() || added.empty())
        return p.take();
    std::vector<Keyed> gone, come;
    for (const std::uint32_t b : removed)
        if (before.hasSha256(b))
            gone.push_back({contentKey(before.sha256(b)), b});
    for (const std::uint32_t a : added)
        if (after.hasSha256(a))
            come.push_back({contentKey(after.sha256(a)), a});
    p.walk(gone, come, [&](std::uint32_t b, std::uint32_t a) {
        return before.sha256(b) == after.sha256(a) &&
               (after.size(a) != 0 || folded(before.name(b)) == folded(after.name(a)));
    });

    const auto known = [](const ListedFiles& side, std::uint32_t i) {
        return side.size(i) != ListedFiles::kUnknown && side.mtime(i) != ListedFiles::kUnknown;
    };
    gone.clear();
    come.clear();
    for (const std::uint32_t b : removed)
        if (!p.movedFrom(b) && known(before, b))
            gone.push_back({factsKey(before.name(b), before.size(b), before.mtime(b)), b});
    for (const std::uint32_t a : added)
        if (!p.movedTo(a) && known(after, a))
            come.push_back({factsKey(after.name(a), after.size(a), after.mtime(a)), a});
    p.walk(gone, come, [&](std::uint32_t b, std::uint32_t a) {
        // Both contents known and different: not one file, whatever the name.
        const bool otherContent =
            before.hasSha256(b) && after.hasSha256(a) && before.sha256(b) != after.sha256(a);
        return !otherContent && before.size(b) == after.size(a) && before.mtime(b) == after.mtime(a) &&
               folded(before.name(b)) == folded(after.name(a));
    });
    return p.take();
}

} // namespace vellora
