// Compares two saved listings and tells how long each step took: reading each listing, the
// comparison itself, and the counts per state. Run it under /usr/bin/time -v for the memory
// (bench_compare.sh does).
//
//   bench_compare BEFORE.jsonl AFTER.jsonl [--all]

#include "compare/Comparison.h"
#include "compare/SavedListing.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <QByteArray>

using namespace vellora;

namespace {

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool read(const char* path, ListedFiles& files)
{
    const auto start = std::chrono::steady_clock::now();
    const ReadOutcome outcome = readSavedListing(QByteArray(path), files);
    if (!outcome.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome.error));
        return false;
    }
    std::printf("read    %-40s %9lld files  %6.3f s\n", path, static_cast<long long>(files.count()),
                seconds(start));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "bench_compare BEFORE.jsonl AFTER.jsonl [--all]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    ListedFiles before, after;
    if (!read(argv[1], before) || !read(argv[2], after))
        return 2;
    const auto compared = std::chrono::steady_clock::now();
    CompareOptions options;
    options.keepUnchanged = argc > 3 && std::strcmp(argv[3], "--all") == 0;
    const CompareOutcome outcome = compareListings(before, after, options);
    if (!outcome.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome.error));
        return 2;
    }
    std::printf("compare %9zu rows %6.3f s\n", outcome.files.size(), seconds(compared));
    for (int s = 0; s < kFileStateCount; ++s)
        std::printf("  %-10s %9lld\n", qPrintable(fileStateWord(FileState(s))),
                    static_cast<long long>(outcome.counts[std::size_t(s)]));
    std::printf("total   %6.3f s\n", seconds(start));
    return 0;
}
