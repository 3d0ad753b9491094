#pragma once
// A saved listing cut to what a listing made now would hold: the same masks, exclusions and
// ranges, and, beside a folder read without its subfolders, only the files at the top. Without
// this, every file the filters leave out of the folder's side would be told as removed.

#include "ListedFiles.h"
#include "results/ListingRequest.h"

namespace vellora {

// The files of `side` that the request's pattern and filters keep, in the same order, with
// the side's root and what it can tell. scoped: the request's scope holds too (the other side
// is a folder read now), so without subfolders only the files at the top stay.
[[nodiscard]] ListedFiles keptAsListed(const ListedFiles& side, const ListingRequest& request, bool scoped);

// Whether keptAsListed would leave anything out.
[[nodiscard]] bool listingCuts(const ListingRequest& request, bool scoped);

} // namespace vellora
