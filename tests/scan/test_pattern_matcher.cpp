#include "scan/Attributes.h"
#include "scan/ListingFilters.h"
#include "scan/PatternMatcher.h"

#include <QFile>
#include <QTest>

using namespace vellora;

class TestPatternMatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matches_data();
    void matches();
    void attributeRanges();
};

// Names are bytes as the walk reads them (UTF-8 or not); both the byte and the text paths
// must give the same answer.
void TestPatternMatcher::matches_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("expected");
    const auto row = [](const char* tag, const char* pattern, const QByteArray& name, bool expected) {
        QTest::newRow(tag) << QString::fromUtf8(pattern) << name << expected;
    };
    // "*.*", "*" and "**" match every name, with or without a dot; "***" does not.
    row("star-dot-star, no dot", "*.*", "README", true);
    row("star-dot-star, dotfile", "*.*", ".profile", true);
    row("star-dot-star, pattern blanks", "  *.*  ", "Makefile", true);
    row("star alone, blank name", "*", " ", true);
    row("two stars", "**", "x", true);
    row("three stars: suffix of two stars", "***", "abc", false);

    // No star: the whole name, case ignored, "?" is an ordinary character.
    row("exact, other case", "readme.txt", "README.TXT", true);
    row("exact, longer name", "readme.txt", "readme.txt.bak", false);
    row("exact, pattern blanks trimmed", "  readme.txt ", "readme.txt", true);
    row("exact, name blanks count", "readme.txt", " readme.txt", false);
    row("exact, question mark literal", "a?c", "abc", false);
    row("exact, question mark itself", "a?c", "A?C", true);
    row("exact, empty pattern", "   ", "a", false);

    // One star at the end: blanks at the ends of the name are ignored.
    row("prefix", "rep*", "report.doc", true);
    row("prefix, name is the prefix", "rep*", "rep", true);
    row("prefix, name too short", "rep*", "re", false);
    row("prefix, not at start", "rep*", "xrep", false);
    row("prefix, name blanks ignored", "rep*", "  report", true);
    row("prefix, blanks inside count", "re p*", "rep", false);

    // One star at the start.
    row("suffix, mixed case", "*.EXE", "NOTEPAD.Exe", true);
    row("suffix, trailing name blank ignored", "*.exe", "setup.exe  ", true);
    row("suffix, more after it", "*.exe", "setup.exe.bak", false);
    row("suffix, name is the suffix", "*.exe", ".exe", true);
    row("suffix, name too short", "*.exe", "exe", false);

    // A star at both ends.
    row("contains", "*log*", "changelog.txt", true);
    row("contains, at start, other case", "*log*", "LOGFILE", true);
    row("contains, missing", "*log*", "lo.g", false);

    // A star inside: prefix before it, everything after it (stars included) as suffix.
    row("inside", "rep*.txt", "report.txt", true);
    row("inside, nothing between", "rep*.txt", "rep.txt", true);
    row("inside, prefix and suffix overlap", "rep*ep", "rep", false);
    row("inside, exactly both", "rep*ep", "repep", true);
    row("inside, name blanks count", "rep*.txt", " rep.txt", false);
    row("two stars, plain name", "a*b*c", "abc", false);
    row("two stars, spread letters", "a*b*c", "aXbYc", false);
    row("two stars, literal star in name", "a*b*c", "A1B*C", true);
    row("leading star, inner star", "*a*b", "xa*b", true);
    row("leading star, inner star, no literal", "*a*b", "xab", false);
    row("trailing star, inner star", "a*b*", "aXb*", true);
    row("trailing star, inner star, no literal", "a*b*", "abc", false);

    // Letters beyond ASCII, on either side.
    row("utf8 name, ascii suffix", "*.TXT", "café.txt", true);
    row("utf8 prefix, other case", "CAFÉ*", "café au lait", true);
    row("utf8 contains", "*é*", "RÉSUMÉ", true);
    row("utf8 contains, ascii name", "*é*", "resume", false);
    row("utf8 exact, different", "café", "cafe", false);
    row("kelvin sign folds to k", "k*", "\u212Aelvin", true);

    // Names that are not valid UTF-8 still match on their valid parts and never crash.
    row("latin1 name, suffix", "*.txt", "caf\xe9.TXT", true);
    row("latin1 name, prefix", "CAF*", "caf\xe9", true);
    row("latin1 name, exact", "cafe", "caf\xe9", false);
    row("lone continuation byte", "*x*", "\x80x\xff", true);
    row("truncated sequence", "*.c", "a\xc3.c", true);
}

void TestPatternMatcher::matches()
{
    QFETCH(QString, pattern);
    QFETCH(QByteArray, name);
    QFETCH(bool, expected);
    const PatternMatcher m(pattern);
    const std::string_view bytes(name.constData(), std::size_t(name.size()));
    QCOMPARE(m.matches(bytes), expected);
    QCOMPARE(m.matches(QFile::decodeName(name)), expected);

    // The same rule as one of several masks, first or last, beside masks that take the byte
    // path and one that does not; parsed from a text with blanks and empty masks around it,
    // and as an exclusion.
    const QString ascii = QStringLiteral("no such name"), other = QStringLiteral("nessün nome");
    QCOMPARE(MaskSet({pattern, ascii}).matches(bytes), expected);
    QCOMPARE(MaskSet({ascii, other, pattern}).matches(bytes), expected);
    QCOMPARE(MaskSet({pattern}).matches(bytes), expected);
    if (isUsablePattern(pattern) && !pattern.contains(u';')) {
        const auto masks = parseMasks(QStringLiteral(" ;%1;; %2 ;").arg(ascii, pattern));
        QVERIFY(masks);
        QCOMPARE(MaskSet(*masks).matches(bytes), expected);
        QCOMPARE(*parseMasks(pattern), QStringList{pattern.trimmed()});
        // As an exclusion, given in two texts: the name is excluded exactly when it would match.
        const auto excluded = parseExclusions({ascii + u';', pattern});
        QVERIFY(excluded);
        QCOMPARE(MaskSet(*excluded).matches(bytes), expected);
    }
}

// Any bit outside the expected few makes a value neither listed nor entered.
void TestPatternMatcher::attributeRanges()
{
    for (std::uint32_t v : {0u, 7u, 32u, 39u, 128u, 2048u})
        QVERIFY2(scan::isListedFile(v) && !scan::isEnteredFolder(v), qPrintable(QString::number(v)));
    for (std::uint32_t v : {16u, 23u, 48u, 55u})
        QVERIFY2(!scan::isListedFile(v) && scan::isEnteredFolder(v), qPrintable(QString::number(v)));
    // Gaps between the ranges, devices, temporary, reparse points (links and other mounts),
    // compressed with anything else.
    for (std::uint32_t v : {8u, 24u, 40u, 56u, 64u, 129u, 288u, 1040u, 1056u, 2064u, 2080u})
        QVERIFY2(!scan::isListedFile(v) && !scan::isEnteredFolder(v), qPrintable(QString::number(v)));
}

QTEST_APPLESS_MAIN(TestPatternMatcher)
#include "test_pattern_matcher.moc"
