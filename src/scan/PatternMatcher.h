#pragma once
// The program's own pattern rules: only "*" is special ("?" is ordinary), letter case is
// ignored, blanks at both ends of the pattern are trimmed. Built once per scan; matching
// works on the raw name bytes so names that cannot match need no conversion and no stat.

#include <QString>
#include <QStringList>
#include <string_view>
#include <vector>

namespace vellora {

// Whether the scan can use the pattern: not blank, and no '/' or NUL, which no name holds.
[[nodiscard]] bool isUsablePattern(const QString& pattern);
// What the window and vellora-list say about one it cannot use.
inline const QString kInvalidPatternMessage = QStringLiteral("Valore Pattern non Valido");

class PatternMatcher
{
public:
    explicit PatternMatcher(const QString& pattern);

    [[nodiscard]] bool matches(std::string_view nameBytes) const;
    [[nodiscard]] bool matches(const QString& name) const;

    // True when every name matches ("*.*", "*", "**"): the walk may skip the test.
    [[nodiscard]] bool matchesEverything() const { return m_all; }

    // For a set of masks, which tests a name's ASCII-ness once for all of them: whether the
    // byte path applies to this pattern, and the byte path itself (an ASCII name only).
    [[nodiscard]] bool isAsciiPattern() const { return m_ascii; }
    [[nodiscard]] bool matchesAscii(std::string_view asciiName) const;

private:
    enum class Rule { All, Exact, Prefix, Suffix, Contains, PrefixSuffix };
    Rule m_rule = Rule::All;
    bool m_all = false;
    QString m_prefix; // as typed: QString's case-insensitive compare folds both sides
    QString m_suffix;
    QString m_middle;
    // ASCII fast path: the same texts as bytes, lower case, when the pattern is pure ASCII.
    bool m_ascii = true;
    std::string m_prefixA, m_suffixA, m_middleA;
};

// Several masks: a name matches when any of them matches it, each by the rules above.
// With one mask it answers exactly as that mask's PatternMatcher; with none, nothing matches.
class MaskSet
{
public:
    MaskSet() = default;
    explicit MaskSet(const QStringList& masks);

    [[nodiscard]] bool isEmpty() const { return m_masks.empty(); }
    [[nodiscard]] bool matchesEverything() const { return m_all; }
    [[nodiscard]] bool matches(std::string_view nameBytes) const;

private:
    std::vector<PatternMatcher> m_masks;
    bool m_all = false;
    bool m_allAscii = true; // every mask takes the byte path for an ASCII name
};

} // namespace vellora
