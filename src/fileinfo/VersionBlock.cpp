#include "fileinfo/VersionBlock.h"

#include <cstring>

namespace vellora::fileinfo {

namespace {

constexpr quint32 kFixedSignature = 0xFEEF04BD;
constexpr quint32 kFixedSize = 52;
// Every block is at least a header long, so a 64 KiB resource cannot have more children
// than this; the cap only makes the bound explicit.
constexpr int kMaxChildren = 0x10000 / 4;

quint32 align4(quint32 v)
{
    return (v + 3) & ~3u;
}

bool allZero(const QByteArray& bytes, quint32 from, quint32 to)
{
    for (quint32 i = from; i < to; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

// Windows-1252 0x80..0x9F; the rest is Latin-1. Unassigned codes stay as their C1 control.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

VersionBlock::VersionBlock(QByteArray bytes) : m_bytes(std::move(bytes))
{
    // 32-bit blocks carry a type word (0 or 1) where 16-bit ones start their key text.
    if (m_bytes.size() > 4)
        m_wide = uchar(m_bytes[4]) < 0x20;
    // The outermost length is 16-bit: nothing past it belongs to the resource, and keeping
    // every offset below 64 KiB keeps all arithmetic on them far from overflow.
    m_root = parseNode(0, quint32(qMin<qsizetype>(m_bytes.size(), 0xFFFF)));
}

QString VersionBlock::decodeWindows1252(const char* data, qsizetype len)
{
    QString out(len, Qt::Uninitialized);
    for (qsizetype i = 0; i < len; ++i) {
        const auto c = uchar(data[i]);
        out[i] = QChar(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : char16_t(c));
    }
    return out;
}

std::optional<VersionBlock::Node> VersionBlock::parseNode(quint32 offset, quint32 limit) const
{
    const quint32 headerSize = m_wide ? 6 : 4;
    if (offset > limit || limit - offset < headerSize)
        return std::nullopt;
    const auto* p = reinterpret_cast<const uchar*>(m_bytes.constData());
    const quint16 length = quint16(p[offset] | (p[offset + 1] << 8));
    const quint16 valueLength = quint16(p[offset + 2] | (p[offset + 3] << 8));
    if (length < headerSize)
        return std::nullopt;

    Node n;
    n.start = offset;
    n.end = offset + qMin<quint32>(length, limit - offset);
    n.nextSibling = align4(offset + length);
    n.type = m_wide ? quint16(p[offset + 4] | (p[offset + 5] << 8)) : 1;

    quint32 pos = offset + headerSize;
    n.keyStart = pos;
    bool terminated = false;
    if (m_wide) {
        for (; pos + 2 <= n.end; pos += 2) {
            if (p[pos] == 0 && p[pos + 1] == 0) {
                terminated = true;
                break;
            }
        }
        n.keyLength = (pos - n.keyStart) / 2;
        pos += 2;
    } else {
        for (; pos < n.end; ++pos) {
            if (p[pos] == 0) {
                terminated = true;
                break;
            }
        }
        n.keyLength = pos - n.keyStart;
        pos += 1;
    }
    if (!terminated)
        return std::nullopt;

    // A text value's length counts characters in 32-bit blocks, bytes everywhere else.
    const quint32 valueBytes = m_wide && n.type == 1 ? quint32(valueLength) * 2 : valueLength;
    n.valueStart = qMin(align4(pos), n.end);
    n.valueEnd = n.valueStart + qMin(valueBytes, n.end - n.valueStart);
    n.childStart = align4(n.valueStart + valueBytes);
    return n;
}

bool VersionBlock::keyMatches(const Node& node, QStringView key) const
{
    if (node.keyLength != quint32(key.size()))
        return false;
    const auto* p = reinterpret_cast<const uchar*>(m_bytes.constData()) + node.keyStart;
    for (quint32 i = 0; i < node.keyLength; ++i) {
        char16_t c;
        if (m_wide)
            c = char16_t(p[2 * i] | (p[2 * i + 1] << 8));
        else
            c = p[i] >= 0x80 && p[i] < 0xA0 ? kCp1252High[p[i] - 0x80] : char16_t(p[i]);
        if (c != key[i].unicode() && QChar(c).toCaseFolded() != key[i].toCaseFolded())
            return false;
    }
    return true;
}

VersionBlock::Lookup VersionBlock::findChild(const Node& parent, QStringView key, Node* child) const
{
    quint32 pos = parent.childStart;
    for (int i = 0; i < kMaxChildren && pos < parent.end; ++i) {
        auto n = parseNode(pos, parent.end);
        if (!n) {
            // Zero fill after the last child is no child.
            if (allZero(m_bytes, pos, parent.end))
                return Lookup::Absent;
            return Lookup::Broken;
        }
        if (keyMatches(*n, key)) {
            *child = *n;
            return Lookup::Found;
        }
        pos = n->nextSibling;
    }
    return Lookup::Absent;
}

QString VersionBlock::textValue(const Node& node) const
{
    // The value runs to its NUL, however its length field counts; a missing NUL ends it
    // at the end of its block.
    const char* data = m_bytes.constData() + node.valueStart;
    const quint32 avail = node.end - node.valueStart;
    if (node.valueEnd == node.valueStart)
        return {};
    if (m_wide) {
        qsizetype n = 0;
        while (quint32(n + 1) * 2 <= avail && (data[n * 2] != 0 || data[n * 2 + 1] != 0))
            ++n;
        QString out(n, Qt::Uninitialized);
        for (qsizetype i = 0; i < n; ++i)
            out[i] = QChar(char16_t(uchar(data[i * 2]) | (uchar(data[i * 2 + 1]) << 8)));
        return out;
    }
    qsizetype n = 0;
    while (quint32(n) < avail && data[n] != 0)
        ++n;
    return decodeWindows1252(data, n);
}

QString VersionBlock::fileVersion() const
{
    if (!m_root || m_root->valueEnd - m_root->valueStart < kFixedSize)
        return {};
    const auto* p = reinterpret_cast<const uchar*>(m_bytes.constData()) + m_root->valueStart;
    auto dword = [p](int at) {
        return quint32(p[at]) | (quint32(p[at + 1]) << 8) | (quint32(p[at + 2]) << 16) |
               (quint32(p[at + 3]) << 24);
    };
    if (dword(0) != kFixedSignature)
        return {};
    const quint32 ms = dword(8);
    const quint32 ls = dword(12);
    return QStringLiteral("%1.%2.%3.%4").arg(ms >> 16).arg(ms & 0xFFFF).arg(ls >> 16).arg(ls & 0xFFFF);
}

quint32 VersionBlock::firstTranslation() const
{
    if (!m_root)
        return 0;
    Node varInfo, translation;
    if (findChild(*m_root, u"VarFileInfo", &varInfo) != Lookup::Found ||
        findChild(varInfo, u"Translation", &translation) != Lookup::Found)
        return 0;
    // As the platform's version query: up to four bytes of the value are copied over a
    // zeroed pair, so a value of two bytes still names the language, with code page 0.
    uchar p[4] = {};
    std::memcpy(p, m_bytes.constData() + translation.valueStart,
                qMin<quint32>(translation.valueEnd - translation.valueStart, sizeof p));
    const quint32 language = quint32(p[0] | (p[1] << 8));
    const quint32 codePage = quint32(p[2] | (p[3] << 8));
    return language << 16 | codePage;
}

VersionBlock::Lookup VersionBlock::findString(QStringView table, QStringView key, QString* value) const
{
    if (!m_root)
        return Lookup::Broken;
    Node stringInfo, strings, entry;
    Lookup r = findChild(*m_root, u"StringFileInfo", &stringInfo);
    if (r == Lookup::Found)
        r = findChild(stringInfo, table, &strings);
    if (r == Lookup::Found)
        r = findChild(strings, key, &entry);
    if (r == Lookup::Found)
        *value = textValue(entry);
    return r;
}

} // namespace vellora::fileinfo
