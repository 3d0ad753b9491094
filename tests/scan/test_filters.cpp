// The filters as users type them (the pattern box, "Escludi", vellora-list's values) and as
// titles tell them, in the locale the test runs in.

#include "LocaleText.h"
#include "results/FilterSummary.h"
#include "scan/ListingFilters.h"
#include "scan/PatternMatcher.h"

#include <QTest>

using namespace vellora;

Q_DECLARE_METATYPE(vellora::ListingFilters)

namespace {

constexpr std::int64_t K = 1024;
using Size = std::optional<std::int64_t>;
using Day = std::optional<QDate>;

// Filters in one expression: F().excl({".git"}).sizes(0, K).
struct F
{
    ListingFilters v;
    F& masks(const QStringList& m) { return v.masks = m, *this; }
    F& excl(const QStringList& e) { return v.exclusions = e, *this; }
    F& sizes(Size lo, Size hi) { return v.minSize = lo, v.maxSize = hi, *this; }
    F& days(Day from, Day to) { return v.modifiedFrom = from, v.modifiedTo = to, *this; }
    operator ListingFilters() const { return v; }
};

} // namespace

class TestFilters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("exclusions");
        QTest::addColumn<QStringList>("bounds"); // min size, max size, first day, last day
        QTest::addColumn<ListingFilters>("expected");
        QTest::addColumn<QString>("error"); // empty: parsed
        const auto row = [](const char* tag, const char* pattern, const QStringList& excl,
                            const QStringList& bounds, const ListingFilters& expected,
                            const QString& error = {}) {
            QTest::newRow(tag) << QString::fromUtf8(pattern) << excl << bounds << expected << error;
        };
        const QString badPattern = kInvalidPatternMessage;
        row("one mask", "*.exe", {}, {}, F().masks({"*.exe"}));
        row("one mask, blanks", "  *.exe ", {}, {}, F().masks({"*.exe"}));
        row("several, blanks, empty ones", " *.exe ; *.DLL;;*.ocx; ", {}, {},
            F().masks({"*.exe", "*.DLL", "*.ocx"}));
        row("a tab inside a mask is kept", "*.exe\t;a", {}, {}, F().masks({"*.exe\t", "a"}));
        row("no mask left", " ;; \t; ", {}, {}, {}, badPattern);
        row("empty", "", {}, {}, {}, badPattern);
        row("a mask with a slash", "*.exe;bin/*.dll", {}, {}, {}, badPattern);
        row("exclusions from several texts", "*.*", {".git; node_modules", "*.tmp;", " ; "}, {},
            F().excl({".git", "node_modules", "*.tmp"}));
        row("blank exclusions exclude nothing", "*.*", {" ; ", ""}, {}, {});
        row("exclusion with a slash", "*.*", {".git;src/.git"}, {}, {},
            "esclusione non valida: \"src/.git\" (un nome non contiene \"/\")");

        row("sizes: bytes and kilobytes", "*.*", {}, {"0", "1k"}, F().sizes(0, K));
        row("sizes: blanks, MB, GB", "*.*", {}, {" 10 MB ", "2G"}, F().sizes(10 * K * K, 2 * K * K * K));
        row("sizes: a B alone, one end", "*.*", {}, {"", "7b"}, F().sizes({}, 7));
        row("sizes: equal ends", "*.*", {}, {"1K", "1024"}, F().sizes(K, K));
        row("sizes: largest", "*.*", {}, {"8589934591G", ""}, F().sizes(8589934591LL << 30, {}));
        const QString badSize =
            "dimensione non valida: \"%1\" (un numero intero di byte, anche seguito da K, M o G)";
        row("sizes: too large", "*.*", {}, {"8589934592G", ""}, {},
            "dimensione troppo grande: \"8589934592G\"");
        row("sizes: too many digits", "*.*", {}, {"99999999999999999999", ""}, {},
            "dimensione troppo grande: \"99999999999999999999\"");
        for (const char* size : {"-1", "1,5M", "1KiB", "M"})
            row(size, "*.*", {}, {"", size}, {}, badSize.arg(size));
        row("sizes: reversed", "*.*", {}, {"2K", "2047"}, {}, "la dimensione minima supera la massima");

        const QDate leap(2024, 2, 29);
        row("days", "*.*", {}, {"", "", "2026-11-01", "2026-11-30"},
            F().days(QDate(2026, 11, 1), QDate(2026, 11, 30)));
        row("days: one day, leap day", "*.*", {}, {"", "", "2024-02-29", " 2024-02-29 "},
            F().days(leap, leap));
        const QString badDay = "data non valida: \"%1\" (usare AAAA-MM-GG)";
        for (const char* day : {"2026-02-29", "0000-01-01", "2026-1-01", "01/11/2026", "2026-11-01T10:00"})
            row(day, "*.*", {}, {"", "", "", day}, {}, badDay.arg(day));
        row("days: reversed", "*.*", {}, {"", "", "2026-11-02", "2026-11-01"}, {},
            "la data iniziale segue la data finale");
    }

    void parse()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, exclusions);
        QFETCH(QStringList, bounds);
        QFETCH(ListingFilters, expected);
        QFETCH(QString, error);
        bounds.resize(4);
        QString said;
        const auto parsed =
            parseFilters({pattern, exclusions, bounds[0], bounds[1], bounds[2], bounds[3]}, &said);
        QCOMPARE(said, error);
        QCOMPARE(parsed.has_value(), error.isEmpty());
        if (parsed)
            QVERIFY(*parsed == expected);
    }

    void describe_data()
    {
        QTest::addColumn<ListingFilters>("filters");
        QTest::addColumn<int>("ranges");       // the count on "Fi&ltri (N)"
        QTest::addColumn<QString>("expected"); // as the C locale writes it
        const auto row = [](const char* tag, const ListingFilters& f, int ranges, const char* expected) {
            QTest::newRow(tag) << f << ranges << QString::fromUtf8(expected);
        };
        const QDate nov1(2026, 11, 1), jan1(2026, 1, 1);
        row("masks only", F().masks({"*.exe", "*.dll"}), 0, "");
        row("the example", F().excl({".git", "*.tmp"}).sizes(K * K, {}).days(nov1, {}), 2,
            "(esclusi .git;*.tmp; da 1 MB; dal 01/11/2026)");
        row("exclusions only", F().excl({"node_modules"}), 0, "(esclusi node_modules)");
        row("up to, a KB count", F().sizes({}, 1536 * K), 1, "(fino a 1,536 KB)");
        row("bytes to GB", F().sizes(100, 2 * K * K * K), 1, "(da 100 byte a 2 GB)");
        row("zero bytes", F().sizes(0, {}), 1, "(da 0 byte)");
        row("up to a day", F().days({}, QDate(2026, 11, 30)), 1, "(fino al 30/11/2026)");
        row("days 8 and 11 elide", F().days(QDate(2026, 11, 8), QDate(2026, 12, 11)), 1,
            "(dall'08/11/2026 all'11/12/2026)");
        row("up to day 11", F().days({}, QDate(2027, 1, 11)), 1, "(fino all'11/01/2027)");
        row("sizes and days, both ends", F().sizes(0, 1023).days(jan1, jan1), 2,
            "(da 0 byte a 1,023 byte; dal 01/01/2026 al 01/01/2026)");
    }

    // Titles name the filters after the pattern; without any, a title stays as it was.
    void describe()
    {
        QFETCH(ListingFilters, filters);
        QFETCH(int, ranges);
        QFETCH(QString, expected);
        expected = test::localized(expected);
        QCOMPARE(describeFilters(filters), expected);
        QCOMPARE(filters.rangeCount(), ranges);
        QCOMPARE(filters.isActive(), !expected.isEmpty());
        const QString title = QStringLiteral("/srv/app/*.exe;*.dll");
        QCOMPARE(titleWithFilters(title, filters), expected.isEmpty() ? title : title + "  " + expected);
    }
};

QTEST_GUILESS_MAIN(TestFilters)
#include "test_filters.moc"
