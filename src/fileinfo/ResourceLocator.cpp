#include "fileinfo/ResourceLocator.h"

#include "fileinfo/FileInfoLog.h"

#include <QList>

namespace vellora::fileinfo {

namespace {

constexpr quint16 kRtVersion = 16;
constexpr quint16 kNeRtVersion = 0x8010;
constexpr quint16 kVersionId = 1;
// The Windows loader refuses more sections than this; a larger count is a hostile file.
constexpr quint32 kMaxSections = 96;
constexpr quint32 kMaxNeTypes = 4096;

quint16 le16(const uchar* p)
{
    return quint16(p[0] | (p[1] << 8));
}
quint32 le32(const uchar* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// The first bytes of the resource data [at, at + size), at most inSection and
// kMaxVersionBlock of them. The platform's query takes the whole declared data or fails, so
// a file that ends before the data does (cut off while copied, say) has no version resource.
std::optional<QByteArray> readWhole(ByteSource& src, quint64 at, quint64 size, quint64 inSection)
{
    if (size == 0 || at > src.size() || size > src.size() - at)
        return std::nullopt;
    QByteArray data(qsizetype(qMin(qMin(size, inSection), kMaxVersionBlock)), Qt::Uninitialized);
    if (!src.read(at, data.data(), quint64(data.size())))
        return std::nullopt;
    return data;
}

struct Section
{
    quint32 virtualAddress;
    quint32 rawSize;
    quint32 rawPointer;
};

class PeImage
{
public:
    PeImage(ByteSource& src, QList<Section> sections, quint32 resourceRva)
        : m_src(src), m_sections(std::move(sections)), m_resourceRva(resourceRva)
    {
    }

    std::optional<QByteArray> findVersion(const LanguagePreference& pref);

private:
    struct Entry
    {
        quint32 name;   // high bit: offset of a name string; else the numeric id
        quint32 target; // high bit: offset of a subdirectory; else of a data entry
    };

    // File offset of [rva, rva + len), all of it inside one section's data in the file.
    std::optional<quint64> map(quint32 rva, quint32 len) const;
    // The same for an offset into the resource section, which every directory link uses.
    std::optional<quint64> mapResource(quint32 offset, quint32 len) const;
    bool readDirectory(quint32 offset, QList<Entry>& entries);

    ByteSource& m_src;
    QList<Section> m_sections;
    quint32 m_resourceRva;
};

std::optional<quint64> PeImage::map(quint32 rva, quint32 len) const
{
    for (const Section& s : m_sections) {
        if (rva < s.virtualAddress)
            continue;
        const quint32 delta = rva - s.virtualAddress;
        if (delta >= s.rawSize || len > s.rawSize - delta)
            continue;
        return quint64(s.rawPointer) + delta;
    }
    return std::nullopt;
}

std::optional<quint64> PeImage::mapResource(quint32 offset, quint32 len) const
{
    if (offset > 0xFFFFFFFFu - m_resourceRva)
        return std::nullopt;
    return map(m_resourceRva + offset, len);
}

bool PeImage::readDirectory(quint32 offset, QList<Entry>& entries)
{
    entries.clear();
    uchar header[16];
    const auto at = mapResource(offset, sizeof header);
    if (!at || !m_src.read(*at, header, sizeof header))
        return false;
    // Both counts are 16-bit, so a directory holds at most 131070 entries (1 MiB): bounded.
    const quint32 count = quint32(le16(header + 12)) + le16(header + 14);
    if (count == 0)
        return true;
    const quint32 tableLen = count * 8;
    const auto table = mapResource(offset + 16, tableLen);
    if (!table)
        return false;
    const QByteArray bytes = m_src.readUpTo(*table, tableLen);
    if (quint32(bytes.size()) != tableLen)
        return false;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    entries.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        entries.append({le32(p + i * 8), le32(p + i * 8 + 4)});
    return true;
}

std::optional<QByteArray> PeImage::findVersion(const LanguagePreference& pref)
{
    constexpr quint32 kHighBit = 0x80000000u;
    QList<Entry> entries;

    // The tree has three fixed levels (type, name, language): following a link that points
    // back up can never loop, it only finds the wrong kind of entry and stops.
    if (!readDirectory(0, entries))
        return std::nullopt;
    const Entry* type = nullptr;
    for (const Entry& e : entries) {
        if (e.name == kRtVersion) {
            type = &e;
            break;
        }
    }
    if (!type || !(type->target & kHighBit))
        return std::nullopt;

    // The platform's query asks for id 1 alone: a version resource under another id or a
    // name is invisible to it, so it is to us.
    if (!readDirectory(type->target & ~kHighBit, entries))
        return std::nullopt;
    const Entry* name = nullptr;
    for (const Entry& e : entries) {
        if (e.name == kVersionId) {
            name = &e;
            break;
        }
    }
    if (!name || !(name->target & kHighBit))
        return std::nullopt;

    if (!readDirectory(name->target & ~kHighBit, entries) || entries.isEmpty())
        return std::nullopt;
    QList<quint16> langs;
    QList<quint32> targets;
    for (const Entry& e : entries) {
        if (!(e.name & kHighBit) && e.name <= 0xFFFF) {
            langs.append(quint16(e.name));
            targets.append(e.target);
        }
    }
    quint32 target = entries.first().target;
    if (const int i = chooseLanguage(langs, pref); i >= 0)
        target = targets[i];
    if (target & kHighBit)
        return std::nullopt;

    uchar dataEntry[16];
    const auto at = mapResource(target, sizeof dataEntry);
    if (!at || !m_src.read(*at, dataEntry, sizeof dataEntry))
        return std::nullopt;
    const quint32 dataRva = le32(dataEntry);
    const quint32 dataSize = le32(dataEntry + 4);
    for (const Section& s : m_sections) {
        if (dataRva < s.virtualAddress || dataRva - s.virtualAddress >= s.rawSize)
            continue;
        const quint32 delta = dataRva - s.virtualAddress;
        // Data that runs on past its section's bytes but stays in the file is read to the
        // section's end: the version block parser copes with a short block.
        return readWhole(m_src, quint64(s.rawPointer) + delta, dataSize, s.rawSize - delta);
    }
    return std::nullopt;
}

std::optional<QByteArray> findInPe(ByteSource& src, quint64 peOffset, const LanguagePreference& pref)
{
    // Signature and file header, then the optional header up to the resource directory.
    uchar fileHeader[24];
    if (!src.read(peOffset, fileHeader, sizeof fileHeader))
        return std::nullopt;
    const quint32 sectionCount = qMin<quint32>(le16(fileHeader + 6), kMaxSections);
    const quint16 optionalSize = le16(fileHeader + 20);
    const quint64 optionalAt = peOffset + sizeof fileHeader;

    uchar optional[112 + 3 * 8];
    if (!src.read(optionalAt, optional, 2))
        return std::nullopt;
    quint32 countAt, directoriesAt;
    switch (le16(optional)) {
    case 0x10B: // PE32
        countAt = 92;
        directoriesAt = 96;
        break;
    case 0x20B: // PE32+
        countAt = 108;
        directoriesAt = 112;
        break;
    default:
        return std::nullopt;
    }
    const quint32 needed = directoriesAt + 3 * 8;
    if (optionalSize < needed || !src.read(optionalAt, optional, needed))
        return std::nullopt;
    if (le32(optional + countAt) < 3)
        return std::nullopt;
    const quint32 resourceRva = le32(optional + directoriesAt + 2 * 8);
    if (resourceRva == 0)
        return std::nullopt;

    QList<Section> sections;
    sections.reserve(sectionCount);
    const quint64 tableAt = optionalAt + optionalSize;
    for (quint32 i = 0; i < sectionCount; ++i) {
        uchar s[40];
        if (!src.read(tableAt + quint64(i) * 40, s, sizeof s))
            break; // a table cut short by the end of the file: use the sections we have
        sections.append({le32(s + 12), le32(s + 16), le32(s + 20)});
    }
    return PeImage(src, std::move(sections), resourceRva).findVersion(pref);
}

std::optional<QByteArray> findInNe(ByteSource& src, quint64 neOffset)
{
    uchar header[0x28];
    if (!src.read(neOffset, header, sizeof header))
        return std::nullopt;
    const quint16 tableOffset = le16(header + 0x24);
    const quint16 namesOffset = le16(header + 0x26);
    if (tableOffset == 0 || tableOffset == namesOffset)
        return std::nullopt; // no resources
    // The resident name table follows the resource table; without that order, bound the
    // table by the largest a 16-bit offset can describe.
    const quint64 tableLen = namesOffset > tableOffset ? quint64(namesOffset - tableOffset) : 0x10000;
    const QByteArray table = src.readUpTo(neOffset + tableOffset, tableLen);
    const auto* p = reinterpret_cast<const uchar*>(table.constData());
    const quint64 len = quint64(table.size());
    if (len < 2)
        return std::nullopt;
    const quint16 shift = le16(p);
    if (shift > 31)
        return std::nullopt;

    quint64 pos = 2;
    for (quint32 t = 0; t < kMaxNeTypes && pos + 2 <= len; ++t) {
        const quint16 typeId = le16(p + pos);
        if (typeId == 0)
            break;
        if (pos + 8 > len)
            return std::nullopt;
        const quint64 count = le16(p + pos + 2);
        pos += 8;
        if (count * 12 > len - pos)
            return std::nullopt;
        if (typeId != kNeRtVersion) {
            pos += count * 12;
            continue;
        }
        // Id 1 only, as in a PE file; without the high bit an id is the offset of a name.
        const uchar* chosen = nullptr;
        for (quint64 i = 0; i < count && !chosen; ++i) {
            if (le16(p + pos + i * 12 + 6) == (0x8000 | kVersionId))
                chosen = p + pos + i * 12;
        }
        if (!chosen)
            return std::nullopt;
        // The length counts whole alignment units, so the data runs to its padded end.
        const quint64 size = quint64(le16(chosen + 2)) << shift;
        return readWhole(src, quint64(le16(chosen)) << shift, size, size);
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> findVersionResource(ByteSource& src, const LanguagePreference& pref)
{
    uchar dos[0x40];
    if (!src.read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return std::nullopt;
    const quint64 next = le32(dos + 0x3C);
    uchar sig[4];
    if (!src.read(next, sig, 2))
        return std::nullopt;
    if (sig[0] == 'N' && sig[1] == 'E')
        return findInNe(src, next);
    if (!src.read(next, sig, 4) || sig[0] != 'P' || sig[1] != 'E' || sig[2] != 0 || sig[3] != 0)
        return std::nullopt;
    return findInPe(src, next, pref);
}

} // namespace vellora::fileinfo
