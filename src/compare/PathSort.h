#pragma once
// Puts items in the byte order of their paths. A million paths that lie scattered in memory
// would cost a wait for memory at almost every comparison of a plain sort; here they are read
// eight bytes at a time, in the order they are stored and asked for ahead, and only items
// whose first bytes tie are read further.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace vellora {

// Sorts items (indexes of the caller's) by pathOf(item), bytes compared as unsigned, a path
// before every longer one it begins. Equal paths keep no particular order.
void sortByPath(std::vector<std::uint32_t>& items,
                const std::function<std::string_view(std::uint32_t)>& pathOf);

} // namespace vellora
