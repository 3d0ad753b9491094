#include "Verification.h"

#include "CompareLog.h"
#include "fileinfo/FileFacts.h"
#include "LiveFiles.h"
#include "PathSort.h"

#include <cerrno>
#include <QSet>
#include <sys/stat.h>
#include <unistd.h>

namespace vellora {

namespace {

std::string_view bytesView(const QByteArray& b)
{
    return {b.constData(), std::size_t(b.size())};
}

// Whether the entry is there at all (a link to nothing is not), whatever keeps it from being read.
bool exists(const QByteArray& folder, const QByteArray& name)
{
    const int dir = fileinfo::openFolder(folder);
    if (dir < 0)
        return errno != ENOENT && errno != ENOTDIR;
    struct stat st;
    const bool there = ::fstatat(dir, name.constData(), &st, 0) == 0 || (errno != ENOENT && errno != ENOTDIR);
    ::close(dir);
    return there;
}

// A path of the list as a path inside folder, written the one way a scan writes it: "./" and
// doubled slashes dropped, an absolute path below folder made relative.
QByteArray insideFolder(QByteArray path, const QByteArray& folder)
{
    if (path.startsWith('/') && folder.startsWith('/') && path.startsWith(folder))
        path.remove(0, folder.size());
    while (path.contains("//"))
        path.replace("//", "/");
    while (path.contains("/./"))
        path.replace("/./", "/");
    while (path.startsWith("./"))
        path.remove(0, 2);
    return path;
}

void addNewFiles(const ChecksumList& list, const QByteArray& folder, const ListedFiles& present,
                 VerifyOutcome& outcome)
{
    QSet<QByteArray> named;
    named.reserve(qsizetype(list.entries.size()));
    for (const ChecksumEntry& e : list.entries)
        named.insert(insideFolder(e.path, folder));
    std::vector<std::uint32_t> fresh;
    for (qsizetype i = 0; i < present.count(); ++i) {
        const std::string_view path = present.relative(i);
        if (!named.contains(QByteArray::fromRawData(path.data(), qsizetype(path.size()))))
            fresh.push_back(std::uint32_t(i));
    }
    sortByPath(fresh, [&](std::uint32_t i) { return present.relative(i); });
    for (const std::uint32_t i : fresh) {
        const std::string_view path = present.relative(i);
        outcome.files.push_back({QByteArray(path.data(), qsizetype(path.size())), CheckState::New});
    }
    outcome.counts[std::size_t(CheckState::New)] += qsizetype(fresh.size());
}

} // namespace

QString checkStateWord(CheckState state)
{
    switch (state) {
    case CheckState::Ok:
        return QStringLiteral("ok");
    case CheckState::Different:
        return QStringLiteral("diverso");
    case CheckState::Missing:
        return QStringLiteral("mancante");
    case CheckState::Unreadable:
        return QStringLiteral("illeggibile");
    case CheckState::New:
        return QStringLiteral("nuovo");
    }
    return {};
}

VerifyOutcome verifyChecksums(const ChecksumList& list, const VerifyOptions& options)
{
    QByteArray folder = !options.folder.isEmpty() ? options.folder : !list.base.isEmpty() ? list.base : "./";
    if (!folder.endsWith('/'))
        folder += '/';
    const std::vector<ChecksumEntry>& entries = list.entries;
    const PathRows rows(folder, qsizetype(entries.size()),
                        [&](qsizetype i) { return bytesView(entries[std::size_t(i)].path); });
    RecordPlan plan;
    plan.checksum = true;
    plan.followLinks = true; // as sha256sum reads a link it was given
    plan.threads = options.threads;
    RecordReader reader(rows, plan, options.interrupt);
    VerifyOutcome outcome;
    outcome.files.reserve(entries.size());
    const bool done = reader.run(
        [&](const ExportRecord& r) {
            const ChecksumEntry& entry = entries[std::size_t(r.number - 1)];
            Sha256 digest;
            CheckState state;
            if (parseSha256(bytesView(r.sha256), digest))
                state = digest == entry.sha256 ? CheckState::Ok : CheckState::Different;
            else
                state = exists(r.folderBytes, r.nameBytes) ? CheckState::Unreadable : CheckState::Missing;
            outcome.files.push_back({entry.path, state});
            ++outcome.counts[std::size_t(state)];
            return true;
        },
        options.progress);
    if (!done) {
        outcome.interrupted = reader.interrupted();
        return outcome;
    }
    if (options.present)
        addNewFiles(list, folder, *options.present, outcome);
    qCInfo(lcCompare) << "checked" << entries.size() << "files of" << list.source;
    outcome.ok = true;
    return outcome;
}

} // namespace vellora
