#include "PatternMatcher.h"

#include <QFile>

#include <algorithm>

namespace vellora {

bool isUsablePattern(const QString& pattern)
{
    return !pattern.trimmed().isEmpty() && !pattern.contains(u'/') && !pattern.contains(QChar(0));
}

namespace {

constexpr char kBlank = ' ';

bool isAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string foldedAscii(const QString& s)
{
    std::string out = s.toLatin1().toStdString();
    std::transform(out.begin(), out.end(), out.begin(), foldAscii);
    return out;
}

// `folded` is already lower case; `text` is compared folding as it goes.
bool equalFolded(std::string_view text, std::string_view folded)
{
    if (text.size() != folded.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (foldAscii(text[i]) != folded[i])
            return false;
    }
    return true;
}

bool containsFolded(std::string_view text, std::string_view folded)
{
    if (folded.empty())
        return true;
    if (text.size() < folded.size())
        return false;
    const std::size_t last = text.size() - folded.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (foldAscii(text[i]) == folded[0] && equalFolded(text.substr(i, folded.size()), folded))
            return true;
    }
    return false;
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && s.front() == kBlank)
        s.remove_prefix(1);
    while (!s.empty() && s.back() == kBlank)
        s.remove_suffix(1);
    return s;
}

QStringView trimBlanks(QStringView s)
{
    while (!s.isEmpty() && s.front() == QLatin1Char(kBlank))
        s = s.mid(1);
    while (!s.isEmpty() && s.back() == QLatin1Char(kBlank))
        s.chop(1);
    return s;
}

} // namespace

PatternMatcher::PatternMatcher(const QString& pattern)
{
    // Only the space counts as a blank here, as it always has for patterns typed into the
    // box; a tab typed into a pattern is kept and simply matches nothing.
    const QString p = trimBlanks(QStringView(pattern)).toString();
    const qsizetype len = p.size();
    const qsizetype first = p.indexOf(QLatin1Char('*'));
    const qsizetype second = first < 0 ? -1 : p.indexOf(QLatin1Char('*'), first + 1);

    if (p == QLatin1String("*.*")) {
        m_rule = Rule::All;
    } else if (first < 0) {
        m_rule = Rule::Exact;
        m_prefix = p;
    } else if (first == len - 1 && second < 0) {
        m_rule = Rule::Prefix;
        m_prefix = p.left(len - 1);
    } else if (first == 0 && second < 0) {
        m_rule = Rule::Suffix;
        m_suffix = p.mid(1);
    } else if (first == 0 && second == len - 1) {
        m_rule = Rule::Contains;
        m_middle = p.mid(1, len - 2);
    } else {
        // Further stars are ordinary characters of the suffix.
        m_rule = Rule::PrefixSuffix;
        m_prefix = p.left(first);
        m_suffix = p.mid(first + 1);
    }
    m_all = m_rule == Rule::All || (m_rule == Rule::Prefix && m_prefix.isEmpty()) ||
            (m_rule == Rule::Contains && m_middle.isEmpty());

    m_ascii = isAscii(p.toStdString());
    if (m_ascii) {
        m_prefixA = foldedAscii(m_prefix);
        m_suffixA = foldedAscii(m_suffix);
        m_middleA = foldedAscii(m_middle);
    }
}

bool PatternMatcher::matches(std::string_view nameBytes) const
{
    if (m_all)
        return true;
    // A non-ASCII character can fold onto an ASCII one (the Kelvin sign onto "k"), so the
    // byte path is exact only when both sides are ASCII.
    if (!m_ascii || !isAscii(nameBytes))
        return matches(QFile::decodeName(QByteArray(nameBytes.data(), qsizetype(nameBytes.size()))));
    return matchesAscii(nameBytes);
}

bool PatternMatcher::matchesAscii(std::string_view nameBytes) const
{
    const std::string_view prefix = m_prefixA;
    const std::string_view suffix = m_suffixA;
    switch (m_rule) {
    case Rule::All:
        return true;
    case Rule::Exact:
        return equalFolded(nameBytes, prefix);
    case Rule::Prefix: {
        const std::string_view n = trimBlanks(nameBytes);
        return n.size() >= prefix.size() && equalFolded(n.substr(0, prefix.size()), prefix);
    }
    case Rule::Suffix: {
        const std::string_view n = trimBlanks(nameBytes);
        return n.size() >= suffix.size() && equalFolded(n.substr(n.size() - suffix.size()), suffix);
    }
    case Rule::Contains:
        return containsFolded(nameBytes, m_middleA);
    case Rule::PrefixSuffix:
        return nameBytes.size() >= prefix.size() + suffix.size() &&
               equalFolded(nameBytes.substr(0, prefix.size()), prefix) &&
               equalFolded(nameBytes.substr(nameBytes.size() - suffix.size()), suffix);
    }
    return false;
}

bool PatternMatcher::matches(const QString& name) const
{
    constexpr auto cs = Qt::CaseInsensitive;
    switch (m_rule) {
    case Rule::All:
        return true;
    case Rule::Exact:
        return name.compare(m_prefix, cs) == 0;
    case Rule::Prefix:
        return trimBlanks(QStringView(name)).startsWith(m_prefix, cs);
    case Rule::Suffix:
        return trimBlanks(QStringView(name)).endsWith(m_suffix, cs);
    case Rule::Contains:
        return name.contains(m_middle, cs);
    case Rule::PrefixSuffix:
        return name.size() >= m_prefix.size() + m_suffix.size() && name.startsWith(m_prefix, cs) &&
               name.endsWith(m_suffix, cs);
    }
    return false;
}

MaskSet::MaskSet(const QStringList& masks)
{
    m_masks.reserve(std::size_t(masks.size()));
    for (const QString& mask : masks) {
        m_masks.emplace_back(mask);
        m_all = m_all || m_masks.back().matchesEverything();
        m_allAscii = m_allAscii && m_masks.back().isAsciiPattern();
    }
}

bool MaskSet::matches(std::string_view nameBytes) const
{
    if (m_all)
        return true;
    // The name is looked at once for all masks: as bytes when it and the masks are ASCII,
    // else decoded once.
    const bool asciiName = isAscii(nameBytes);
    if (asciiName && m_allAscii) {
        return std::any_of(m_masks.begin(), m_masks.end(),
                           [&](const PatternMatcher& m) { return m.matchesAscii(nameBytes); });
    }
    QString decoded;
    bool isDecoded = false;
    for (const PatternMatcher& m : m_masks) {
        if (asciiName && m.isAsciiPattern()) {
            if (m.matchesAscii(nameBytes))
                return true;
            continue;
        }
        if (!isDecoded) {
            decoded = QFile::decodeName(QByteArray(nameBytes.data(), qsizetype(nameBytes.size())));
            isDecoded = true;
        }
        if (m.matches(decoded))
            return true;
    }
    return false;
}

} // namespace vellora
