#include "CheckedRows.h"

#include "fileinfo/FolderPaths.h"
#include "results/ResultRows.h"
#include "results/StateTypes.h"

namespace vellora {

QString checkCountsText(const VerifyOutcome& outcome)
{
    QStringList parts;
    for (int s = 0; s < kCheckStateCount; ++s) {
        const qsizetype count = outcome.counts[std::size_t(s)];
        if (s != int(CheckState::Ok) && count == 0)
            continue;
        QString word = checkStateWord(CheckState(s));
        if (count != 1 && s != int(CheckState::Ok))
            word.back() = QLatin1Char('i'); // diversi, mancanti, illeggibili, nuovi
        parts << QString::number(count) + QLatin1Char(' ') + word;
    }
    return parts.join(QStringLiteral(", "));
}

CheckedRows::CheckedRows(const VerifyOutcome& outcome, QByteArray base, const QString& list)
    : m_outcome(outcome), m_base(std::move(base))
{
    m_listing.before = list;
    m_listing.after = fileinfo::pathText(m_base);
    for (int s = 0; s < kCheckStateCount; ++s)
        m_listing.counts.append({checkStateWord(CheckState(s)), outcome.counts[std::size_t(s)]});
    m_listing.countsText = checkCountsText(outcome);
}

QByteArray CheckedRows::fullPath(qsizetype row) const
{
    const QByteArray& path = file(row).path;
    return path.startsWith('/') ? path : m_base + path;
}

QByteArray CheckedRows::nameBytes(qsizetype row) const
{
    const QByteArray path = fullPath(row);
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray CheckedRows::folderBytes(qsizetype row) const
{
    const QByteArray path = fullPath(row);
    return path.left(path.lastIndexOf('/') + 1);
}

QString CheckedRows::text(qsizetype row, int column) const
{
    if (row < 1 || row > rowCount())
        return {};
    const QByteArray name = nameBytes(row);
    const std::string_view view(name.constData(), std::size_t(name.size()));
    const auto utf8 = [](std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); };
    switch (column) {
    case ColNumber:
        return QString::number(row);
    case ColName:
        return utf8(baseNameOf(view));
    case ColExt:
        return utf8(extensionOf(view));
    case ColFolder:
        return fileinfo::pathText(folderBytes(row));
    default:
        return {}; // the facts are read from the file by whoever shows them
    }
}

ComparedRow CheckedRows::comparedRow(qsizetype row) const
{
    ComparedRow out;
    out.state = checkStateWord(file(row).state);
    out.relative = file(row).path;
    return out;
}

} // namespace vellora
