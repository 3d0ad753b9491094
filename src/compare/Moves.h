#pragma once
// A removed and an added file that are one file moved: the same content where both sides know
// it (an empty file only under the same name: all empty files are alike), else the same name,
// size and time. A name differing in case alone is the same name: a rename that only changes
// case is a move. Among several, the one of the very same name wins, then the first listed.

#include "ListedFiles.h"

#include <cstdint>
#include <vector>

namespace vellora {

struct MovedFiles
{
    std::vector<std::uint32_t> to;   // by before's index: the after file it became, or kNone
    std::vector<std::uint32_t> from; // by after's index: the before file it was, or kNone
};

// removed: files of before without a file at their path in after, in before's order; added:
// files of after without one in before, in after's order.
[[nodiscard]] MovedFiles pairMoves(const ListedFiles& before, const ListedFiles& after,
                                   const std::vector<std::uint32_t>& removed,
                                   const std::vector<std::uint32_t>& added);

} // namespace vellora
