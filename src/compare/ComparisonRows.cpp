#include "ComparisonRows.h"

#include "fileinfo/FolderPaths.h"
#include "results/Formats.h"
#include "results/ResultRows.h"
#include "results/StateTypes.h"

#include <algorithm>

namespace vellora {

namespace {

QByteArray bytesOf(std::string_view s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// "aggiunto" for one file, "aggiunti" for any other count.
QString countedWord(FileState state, qsizetype count)
{
    QString word = fileStateWord(state);
    if (count != 1)
        word.back() = QLatin1Char('i');
    return QString::number(count) + QLatin1Char(' ') + word;
}

} // namespace

QString comparisonCountsText(const CompareOutcome& outcome)
{
    QStringList parts;
    for (int s = 0; s < kFileStateCount; ++s)
        parts << countedWord(FileState(s), outcome.counts[std::size_t(s)]);
    return parts.join(QStringLiteral(", "));
}

QList<std::pair<QString, qsizetype>> comparisonCounts(const CompareOutcome& outcome)
{
    QList<std::pair<QString, qsizetype>> counts;
    for (int s = 0; s < kFileStateCount; ++s)
        counts.append({fileStateWord(FileState(s)), outcome.counts[std::size_t(s)]});
    return counts;
}

ComparisonRows::ComparisonRows(std::shared_ptr<const ComparedSides> sides, InfoKind infoKind)
    : m_sides(std::move(sides)), m_infoKind(infoKind)
{
    m_listing.before = m_sides->before.source;
    m_listing.after = m_sides->after.source;
    m_listing.counts = comparisonCounts(m_sides->outcome);
    m_listing.countsText = comparisonCountsText(m_sides->outcome);
}

void ComparisonRows::orderByState(bool byState)
{
    m_order.clear();
    if (!byState)
        return;
    const std::vector<ComparedFile>& files = m_sides->outcome.files;
    m_order.resize(files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        m_order[i] = std::uint32_t(i);
    std::stable_sort(m_order.begin(), m_order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return files[a].state < files[b].state; });
}

qsizetype ComparisonRows::rowCount() const
{
    return qsizetype(m_sides->outcome.files.size());
}

ComparisonRows::Shown ComparisonRows::shown(qsizetype row) const
{
    const ComparedFile& f = file(row);
    if (f.after != ComparedFile::kNone)
        return {&m_sides->after, qsizetype(f.after)};
    return {&m_sides->before, qsizetype(f.before)};
}

QByteArray ComparisonRows::nameBytes(qsizetype row) const
{
    const auto [side, i] = shown(row);
    return bytesOf(side->name(i));
}

QByteArray ComparisonRows::folderBytes(qsizetype row) const
{
    const auto [side, i] = shown(row);
    const std::string_view relative = side->relative(i);
    const std::string_view name = side->name(i);
    return side->root + bytesOf(relative.substr(0, relative.size() - name.size()));
}

QString ComparisonRows::text(qsizetype row, int column) const
{
    if (row < 1 || row > rowCount())
        return {};
    const auto [side, i] = shown(row);
    const auto utf8 = [](std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); };
    switch (column) {
    case ColNumber:
        return QString::number(row);
    case ColName:
        return utf8(baseNameOf(side->name(i)));
    case ColExt:
        return utf8(extensionOf(side->name(i)));
    case ColSize:
        return side->size(i) == ListedFiles::kUnknown ? QString() : formatSize(side->size(i));
    case ColDate:
        return side->mtime(i) == ListedFiles::kUnknown ? QString() : formatDateTable(side->mtime(i));
    case ColVersion:
        return utf8(side->versionParts(i)[0]);
    case ColInfo:
        return utf8(side->versionParts(i)[std::size_t(m_infoKind)]);
    case ColFolder:
        return fileinfo::pathText(folderBytes(row));
    }
    return {};
}

ComparedRow ComparisonRows::comparedRow(qsizetype row) const
{
    ComparedRow out;
    const ComparedFile& f = file(row);
    out.state = fileStateWord(f.state);
    out.changed = changedFieldWords(f.changed);
    out.relative = bytesOf(comparedPath(f, m_sides->before, m_sides->after));
    if (f.state == FileState::Moved)
        out.previous = bytesOf(m_sides->before.relative(qsizetype(f.before)));
    return out;
}

bool ComparisonRows::recordedFacts(qsizetype row, FileFacts& facts) const
{
    const auto [side, i] = shown(row);
    facts = {};
    facts.statted = side->size(i) != ListedFiles::kUnknown && side->mtime(i) != ListedFiles::kUnknown;
    facts.size = facts.statted ? side->size(i) : 0;
    facts.mtime = facts.statted ? side->mtime(i) : 0;
    if (side->versions) {
        const VersionStrings v = side->version(i);
        facts.version.readable = true;
        facts.version.hasResource = side->hasVersion(i);
        facts.version.fileVersion = v.version;
        facts.version.companyName = v.company;
        facts.version.fileDescription = v.description;
        facts.version.productName = v.product;
    }
    return true;
}

bool ComparisonRows::recordedChecksum(qsizetype row, QByteArray& sha256) const
{
    const auto [side, i] = shown(row);
    sha256 = side->hasSha256(i) ? sha256Hex(side->sha256(i)) : QByteArray();
    return true;
}

} // namespace vellora
