#include "LiveFiles.h"

#include "export/FormatWriters.h"
#include "fileinfo/FolderPaths.h"

namespace vellora {

namespace {

std::string_view bytesView(const QByteArray& b)
{
    return {b.constData(), std::size_t(b.size())};
}

} // namespace

QByteArray PathRows::nameBytes(qsizetype row) const
{
    const std::string_view path = m_pathOf(row - 1);
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return QByteArray(name.data(), qsizetype(name.size()));
}

QByteArray PathRows::folderBytes(qsizetype row) const
{
    const std::string_view path = m_pathOf(row - 1);
    const std::size_t slash = path.rfind('/');
    const QByteArray folder =
        slash == std::string_view::npos ? QByteArray() : QByteArray(path.data(), qsizetype(slash + 1));
    return path.substr(0, 1) == "/" ? folder : m_base + folder;
}

bool readLiveFiles(const RowSource& rows, const QByteArray& root, ListedFiles& files, const LiveRead& how)
{
    files.root = root;
    files.source = fileinfo::pathText(root);
    files.versions = (how.facts & FactReader::Version) != 0;
    files.checksums = how.checksum;
    files.reserve(rows.rowCount());
    RecordPlan plan;
    plan.facts = how.facts;
    plan.checksum = how.checksum;
    RecordReader reader(rows, plan, how.interrupt);
    QByteArray path;
    const auto add = [&](const ExportRecord& r) {
        path = r.folderBytes + r.nameBytes;
        std::string_view relative = bytesView(path);
        if (path.startsWith(root))
            relative.remove_prefix(std::size_t(root.size()));
        const VersionData& v = r.version;
        // A time a listing cannot write (outside the years 1 to 9999) is unknown here too, so
        // that such a file does not read as changed at every comparison.
        const bool dated = r.statted && localTime(r.mtime);
        const qsizetype i = files.add(
            relative, r.statted ? r.size : ListedFiles::kUnknown, dated ? r.mtime : ListedFiles::kUnknown,
            VersionStrings{v.fileVersion, v.companyName, v.fileDescription, v.productName});
        Sha256 digest;
        if (parseSha256(bytesView(r.sha256), digest))
            files.setSha256(i, digest);
        return true;
    };
    return reader.run(add, how.progress);
}

bool FolderHasher::hash(ListedFiles& files, const std::vector<std::uint32_t>& which)
{
    const PathRows rows(files.root, qsizetype(which.size()),
                        [&](qsizetype i) { return files.relative(which[std::size_t(i)]); });
    RecordPlan plan;
    plan.checksum = true;
    plan.threads = m_threads;
    RecordReader reader(rows, plan, m_interrupt);
    return reader.run(
        [&](const ExportRecord& r) {
            Sha256 digest;
            if (parseSha256(bytesView(r.sha256), digest))
                files.setSha256(which[std::size_t(r.number - 1)], digest);
            return true;
        },
        m_progress);
}

} // namespace vellora
