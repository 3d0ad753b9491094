#include "SideFilters.h"

#include "scan/PatternMatcher.h"

namespace vellora {

namespace {

bool topOnly(const ListingRequest& request, bool scoped)
{
    return scoped && request.scope != Scope::Subfolders;
}

QStringList masksOf(const ListingRequest& request)
{
    return parseMasks(request.pattern).value_or(QStringList{QStringLiteral("*.*")});
}

} // namespace

bool listingCuts(const ListingRequest& request, bool scoped)
{
    return topOnly(request, scoped) || request.filters.isActive() ||
           !MaskSet(masksOf(request)).matchesEverything();
}

ListedFiles keptAsListed(const ListedFiles& side, const ListingRequest& request, bool scoped)
{
    const ListingFilters& filters = request.filters;
    const bool top = topOnly(request, scoped);
    const MaskSet masks(masksOf(request));
    const MaskSet excluded(filters.exclusions);
    const std::int64_t from = filters.modifiedFromSecs();
    const std::int64_t until = filters.modifiedUntilSecs();
    const std::int64_t minSize = filters.minSize.value_or(0);
    const std::int64_t maxSize = filters.maxSize.value_or(std::numeric_limits<std::int64_t>::max());

    const auto keeps = [&](qsizetype i) {
        const std::string_view path = side.relative(i);
        if (top && path.find('/') != std::string_view::npos)
            return false;
        const std::string_view name = side.name(i);
        if (!masks.matches(name))
            return false;
        if (!excluded.isEmpty()) {
            // The file itself, then every folder on its way: an excluded folder is not entered.
            if (excluded.matches(name))
                return false;
            std::size_t start = 0;
            for (std::size_t slash = path.find('/'); slash != std::string_view::npos;
                 start = slash + 1, slash = path.find('/', start))
                if (excluded.matches(path.substr(start, slash - start)))
                    return false;
        }
        // A size or time the listing does not know cannot be said to lie in a range.
        const std::int64_t size = side.size(i);
        const std::int64_t mtime = side.mtime(i);
        if (filters.hasSizeRange() && (size == ListedFiles::kUnknown || size < minSize || size > maxSize))
            return false;
        if (filters.hasDateRange() && (mtime == ListedFiles::kUnknown || mtime < from || mtime >= until))
            return false;
        return true;
    };

    ListedFiles kept;
    kept.root = side.root;
    kept.checksums = side.checksums;
    kept.versions = side.versions;
    kept.source = side.source;
    for (qsizetype i = 0; i < side.count(); ++i) {
        if (!keeps(i))
            continue;
        const qsizetype at = kept.add(side.relative(i), side.size(i), side.mtime(i), side.versionParts(i));
        if (side.hasSha256(i))
            kept.setSha256(at, side.sha256(i));
    }
    return kept;
}

} // namespace vellora
