#include "scan/Attributes.h"
#include "scan/PatternMatcher.h"

#include <QTest>

using namespace vellora;

class TestPatternMatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matches_data();
    void matches();
    void rawBytes_data();
    void rawBytes();
    void matchesEverything_data();
    void matchesEverything();
    void attributeRanges_data();
    void attributeRanges();
};

// clang-format off
void TestPatternMatcher::matches_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("expected");

    // "*.*" matches every name, with or without a dot.
    QTest::newRow("star-dot-star, no dot") << "*.*" << "README" << true;
    QTest::newRow("star-dot-star, dotfile") << "*.*" << ".profile" << true;
    QTest::newRow("star-dot-star, pattern blanks") << "  *.*  " << "Makefile" << true;

    // No star: the whole name, case ignored, "?" is an ordinary character.
    QTest::newRow("exact, other case") << "readme.txt" << "README.TXT" << true;
    QTest::newRow("exact, longer name") << "readme.txt" << "readme.txt.bak" << false;
    QTest::newRow("exact, pattern blanks trimmed") << "  readme.txt " << "readme.txt" << true;
    QTest::newRow("exact, name blanks count") << "readme.txt" << " readme.txt" << false;
    QTest::newRow("exact, question mark literal") << "a?c" << "abc" << false;
    QTest::newRow("exact, question mark itself") << "a?c" << "A?C" << true;
    QTest::newRow("exact, empty pattern") << "   " << "a" << false;

    // One star at the end.
    QTest::newRow("prefix") << "rep*" << "report.doc" << true;
    QTest::newRow("prefix, name is the prefix") << "rep*" << "rep" << true;
    QTest::newRow("prefix, name too short") << "rep*" << "re" << false;
    QTest::newRow("prefix, not at start") << "rep*" << "xrep" << false;
    QTest::newRow("prefix, name blanks ignored") << "rep*" << "  report" << true;
    QTest::newRow("prefix, blanks inside count") << "re p*" << "rep" << false;
    QTest::newRow("star alone, blank name") << "*" << " " << true;

    // One star at the start.
    QTest::newRow("suffix") << "*.exe" << "setup.exe" << true;
    QTest::newRow("suffix, mixed case") << "*.EXE" << "NOTEPAD.Exe" << true;
    QTest::newRow("suffix, trailing name blank ignored") << "*.exe" << "setup.exe  " << true;
    QTest::newRow("suffix, more after it") << "*.exe" << "setup.exe.bak" << false;
    QTest::newRow("suffix, name is the suffix") << "*.exe" << ".exe" << true;
    QTest::newRow("suffix, name too short") << "*.exe" << "exe" << false;

    // A star at both ends.
    QTest::newRow("contains") << "*log*" << "changelog.txt" << true;
    QTest::newRow("contains, at start, other case") << "*log*" << "LOGFILE" << true;
    QTest::newRow("contains, missing") << "*log*" << "lo.g" << false;

    // A star inside: prefix before it, everything after it (stars included) as suffix.
    QTest::newRow("inside") << "rep*.txt" << "report.txt" << true;
    QTest::newRow("inside, nothing between") << "rep*.txt" << "rep.txt" << true;
    QTest::newRow("inside, prefix and suffix overlap") << "rep*ep" << "rep" << false;
    QTest::newRow("inside, exactly both") << "rep*ep" << "repep" << true;
    QTest::newRow("two stars, plain name") << "a*b*c" << "abc" << false;
    QTest::newRow("two stars, spread letters") << "a*b*c" << "aXbYc" << false;
    QTest::newRow("two stars, literal star in name") << "a*b*c" << "A1B*C" << true;
    QTest::newRow("leading star, inner star") << "*a*b" << "xa*b" << true;
    QTest::newRow("leading star, inner star, no literal") << "*a*b" << "xab" << false;
    QTest::newRow("trailing star, inner star") << "a*b*" << "aXb*" << true;
    QTest::newRow("trailing star, inner star, no literal") << "a*b*" << "abc" << false;
    QTest::newRow("inside, name blanks count") << "rep*.txt" << " rep.txt" << false;

    // Letters beyond ASCII, on either side.
    QTest::newRow("utf8 name, ascii suffix") << "*.TXT" << QString::fromUtf8("café.txt") << true;
    QTest::newRow("utf8 prefix, other case")
        << QString::fromUtf8("CAFÉ*") << QString::fromUtf8("café au lait") << true;
    QTest::newRow("utf8 contains") << QString::fromUtf8("*é*") << QString::fromUtf8("RÉSUMÉ") << true;
    QTest::newRow("utf8 exact, different") << QString::fromUtf8("café") << "cafe" << false;
    QTest::newRow("kelvin sign folds to k") << "k*" << QString::fromUtf8("\u212Aelvin") << true;
}

// clang-format on

void TestPatternMatcher::matches()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, expected);
    const PatternMatcher m(pattern);
    QCOMPARE(m.matches(name), expected);
    const QByteArray bytes = name.toUtf8();
    QCOMPARE(m.matches(std::string_view(bytes.constData(), std::size_t(bytes.size()))), expected);
}

void TestPatternMatcher::rawBytes_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("expected");
    // Names that are not valid UTF-8 still match on their valid parts and never crash.
    QTest::newRow("latin1 name, suffix") << "*.txt" << QByteArray("caf\xe9.TXT") << true;
    QTest::newRow("latin1 name, prefix") << "CAF*" << QByteArray("caf\xe9") << true;
    QTest::newRow("latin1 name, exact") << "cafe" << QByteArray("caf\xe9") << false;
    QTest::newRow("lone continuation byte") << "*x*" << QByteArray("\x80x\xff") << true;
    QTest::newRow("truncated sequence") << "*.c" << QByteArray("a\xc3.c") << true;
}

void TestPatternMatcher::rawBytes()
{
    QFETCH(QString, pattern);
    QFETCH(QByteArray, name);
    QFETCH(bool, expected);
    QCOMPARE(PatternMatcher(pattern).matches(std::string_view(name.constData(), std::size_t(name.size()))),
             expected);
}

void TestPatternMatcher::matchesEverything_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("all");
    QTest::newRow("*.*") << "*.*" << true;
    QTest::newRow("*") << "*" << true;
    QTest::newRow("**") << "**" << true;
    QTest::newRow("blanks around *") << "  *  " << true;
    QTest::newRow("*.txt") << "*.txt" << false;
    QTest::newRow("***") << "***" << false;
    QTest::newRow("empty") << "" << false;
}

void TestPatternMatcher::matchesEverything()
{
    QFETCH(QString, pattern);
    QFETCH(bool, all);
    const PatternMatcher m(pattern);
    QCOMPARE(m.matchesEverything(), all);
    if (all) // the flag is a shortcut, never a change of meaning
        QVERIFY(m.matches(QStringLiteral("no dot here")));
}

void TestPatternMatcher::attributeRanges_data()
{
    QTest::addColumn<uint>("value");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<bool>("entered");
    QTest::newRow("plain") << 0u << true << false;
    QTest::newRow("read-only hidden system") << 7u << true << false;
    QTest::newRow("8") << 8u << false << false;
    QTest::newRow("directory") << 16u << false << true;
    QTest::newRow("directory, all low bits") << 23u << false << true;
    QTest::newRow("24") << 24u << false << false;
    QTest::newRow("archive") << 32u << true << false;
    QTest::newRow("archive, all low bits") << 39u << true << false;
    QTest::newRow("40") << 40u << false << false;
    QTest::newRow("archived directory") << 48u << false << true;
    QTest::newRow("archived directory, all low bits") << 55u << false << true;
    QTest::newRow("56") << 56u << false << false;
    QTest::newRow("device") << 64u << false << false;
    QTest::newRow("normal") << 128u << true << false;
    QTest::newRow("normal read-only") << 129u << false << false;
    QTest::newRow("archive temporary") << 288u << false << false;
    QTest::newRow("directory reparse point") << 1040u << false << false;
    QTest::newRow("file reparse point") << 1056u << false << false;
    QTest::newRow("compressed") << 2048u << true << false;
    QTest::newRow("compressed directory") << 2064u << false << false;
    QTest::newRow("compressed archive") << 2080u << false << false;
}

void TestPatternMatcher::attributeRanges()
{
    QFETCH(uint, value);
    QFETCH(bool, listed);
    QFETCH(bool, entered);
    QCOMPARE(scan::isListedFile(value), listed);
    QCOMPARE(scan::isEnteredFolder(value), entered);
}

QTEST_APPLESS_MAIN(TestPatternMatcher)
#include "test_pattern_matcher.moc"
