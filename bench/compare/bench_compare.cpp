// The comparison's engine timed step by step, for bench_compare.sh and bench_verify.sh (run
// under /usr/bin/time -v for the memory):
//
//   bench_compare BEFORE.jsonl AFTER.jsonl [--all]   read both listings, compare, count
//   bench_compare --qt LISTING.jsonl                 the baseline: each line through Qt's JSON
//                                                    reader, the members a comparison uses
//   bench_compare --verify LIST [FOLDER]             check the files of a checksum list

#include "compare/Comparison.h"
#include "compare/SavedListing.h"
#include "compare/Verification.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace vellora;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool read(const char* path, ListedFiles& files)
{
    const auto start = Clock::now();
    const ReadOutcome outcome = readSavedListing(QByteArray(path), files);
    if (!outcome.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome.error));
        return false;
    }
    std::printf("read     %-36s %9lld files %7.3f s\n", path, static_cast<long long>(files.count()),
                seconds(start));
    return true;
}

int compare(const char* before, const char* after, bool all)
{
    const auto start = Clock::now();
    ListedFiles older, newer;
    // The two listings are read side by side, as a front end should: each reader is one thread.
    std::future<bool> second = std::async(std::launch::async, [&] { return read(after, newer); });
    const bool first = read(before, older);
    if (!second.get() || !first)
        return 2;
    const auto compared = Clock::now();
    CompareOptions options;
    options.keepUnchanged = all;
    const CompareOutcome outcome = compareListings(older, newer, options);
    if (!outcome.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome.error));
        return 2;
    }
    std::printf("compare  %9zu rows %7.3f s\n", outcome.files.size(), seconds(compared));
    for (int s = 0; s < kFileStateCount; ++s)
        std::printf("  %-10s %9lld\n", qPrintable(fileStateWord(FileState(s))),
                    static_cast<long long>(outcome.counts[std::size_t(s)]));
    std::printf("total    %7.3f s\n", seconds(start));
    return 0;
}

// What reading a listing would cost with Qt's own JSON reader: one document per line, and
// the members a comparison takes out of it.
int qtBaseline(const char* path)
{
    const auto start = Clock::now();
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    qint64 lines = 0, check = 0;
    while (!file.atEnd()) {
        const QJsonObject o = QJsonDocument::fromJson(file.readLine()).object();
        check += o.value(QLatin1String("relative")).toString().size() +
                 o.value(QLatin1String("size")).toInteger() +
                 o.value(QLatin1String("modified")).toString().size() +
                 o.value(QLatin1String("sha256")).toString().size() +
                 o.value(QLatin1String("version")).toString().size();
        ++lines;
    }
    std::printf("Qt read  %-36s %9lld lines %7.3f s (%lld)\n", path, static_cast<long long>(lines),
                seconds(start), static_cast<long long>(check));
    return 0;
}

int verify(const char* listPath, const char* folder)
{
    const auto start = Clock::now();
    ChecksumList list;
    const ReadOutcome read = readChecksumList(QByteArray(listPath), list);
    if (!read.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(read.error));
        return 2;
    }
    VerifyOptions options;
    options.folder = folder ? QByteArray(folder) : QByteArray();
    const VerifyOutcome outcome = verifyChecksums(list, options);
    std::printf("verify   %9zu files %7.3f s\n", list.entries.size(), seconds(start));
    for (int s = 0; s < kCheckStateCount; ++s)
        std::printf("  %-11s %9lld\n", qPrintable(checkStateWord(CheckState(s))),
                    static_cast<long long>(outcome.counts[std::size_t(s)]));
    return outcome.allOk() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--qt") == 0)
        return qtBaseline(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "--verify") == 0)
        return verify(argv[2], argc > 3 ? argv[3] : nullptr);
    if (argc >= 3 && argv[1][0] != '-')
        return compare(argv[1], argv[2], argc > 3 && std::strcmp(argv[3], "--all") == 0);
    std::fprintf(stderr, "bench_compare BEFORE.jsonl AFTER.jsonl [--all] | --qt LISTING.jsonl | "
                         "--verify LIST [FOLDER]\n");
    return 2;
}
