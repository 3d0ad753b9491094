#include "PathSort.h"

#include <algorithm>

namespace vellora {

namespace {

struct Keyed
{
    std::uint64_t key; // eight bytes of the path from the depth reached, first byte highest
    const char* path;
    std::uint32_t length;
    std::uint32_t item;
};

struct Range
{
    std::size_t begin, end;
};

std::uint64_t eightBytes(const Keyed& k, std::size_t depth)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        key <<= 8;
        if (depth + i < k.length)
            key |= static_cast<unsigned char>(k.path[depth + i]);
    }
    return key;
}

} // namespace

void sortByPath(std::vector<std::uint32_t>& items,
                const std::function<std::string_view(std::uint32_t)>& pathOf)
{
    constexpr std::size_t kAhead = 16;
    std::vector<Keyed> keyed(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string_view path = pathOf(items[i]);
        keyed[i] = Keyed{0, path.data(), std::uint32_t(path.size()), items[i]};
    }
    std::vector<Range> pending{{0, keyed.size()}};
    // A path holds no zero byte, so a path that ends reads as zeros and comes before the
    // longer paths it begins.
    for (std::size_t depth = 0; !pending.empty(); depth += 8) {
        std::vector<Range> tied;
        for (const Range r : pending) {
            for (std::size_t i = r.begin; i < r.end; ++i) {
                if (i + kAhead < r.end)
                    __builtin_prefetch(keyed[i + kAhead].path + depth);
                keyed[i].key = eightBytes(keyed[i], depth);
            }
            std::sort(keyed.begin() + std::ptrdiff_t(r.begin), keyed.begin() + std::ptrdiff_t(r.end),
                      [](const Keyed& x, const Keyed& y) { return x.key < y.key; });
            for (std::size_t from = r.begin; from < r.end;) {
                std::size_t to = from + 1;
                bool longer = keyed[from].length > depth + 8;
                for (; to < r.end && keyed[to].key == keyed[from].key; ++to)
                    longer = longer || keyed[to].length > depth + 8;
                if (to - from > 1 && longer)
                    tied.push_back({from, to});
                from = to;
            }
        }
        pending = std::move(tied);
    }
    for (std::size_t i = 0; i < keyed.size(); ++i)
        items[i] = keyed[i].item;
}

} // namespace vellora
