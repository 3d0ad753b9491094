#include "ListingFilters.h"

#include "scan/PatternMatcher.h"

#include <ctime>
#include <limits>
#include <QRegularExpression>

namespace vellora {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Only the space is a blank, as PatternMatcher trims a pattern: one mask typed alone keeps
// exactly the meaning it has always had.
QString trimSpaces(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.mid(b, e - b);
}

// The masks of one text; a mask that is only white space counts as empty, as a pattern that
// is only white space does. False on a mask no name can match, which goes to *bad.
bool splitMasks(const QString& text, QStringList& out, QString* bad = nullptr)
{
    for (const QString& part : text.split(u';')) {
        if (part.trimmed().isEmpty())
            continue;
        if (!isUsablePattern(part)) {
            if (bad)
                *bad = part.trimmed();
            return false;
        }
        out << trimSpaces(part);
    }
    return true;
}

std::int64_t localMidnight(const QDate& day)
{
    std::tm tm{};
    tm.tm_year = day.year() - 1900;
    tm.tm_mon = day.month() - 1;
    tm.tm_mday = day.day();
    tm.tm_isdst = -1; // whatever the clock says that day: the same rule localtime_r applies
    // A midnight the clock skips (summer time starting at 00:00) comes out as the first
    // second of that day, which is what the range wants.
    return std::int64_t(std::mktime(&tm));
}

} // namespace

std::int64_t ListingFilters::modifiedFromSecs() const
{
    return modifiedFrom ? localMidnight(*modifiedFrom) : std::numeric_limits<std::int64_t>::min();
}

std::int64_t ListingFilters::modifiedUntilSecs() const
{
    return modifiedTo ? localMidnight(modifiedTo->addDays(1)) : std::numeric_limits<std::int64_t>::max();
}

std::optional<QStringList> parseMasks(const QString& text, QString* error)
{
    QStringList masks;
    if (!splitMasks(text, masks) || masks.isEmpty()) {
        setError(error, kInvalidPatternMessage);
        return std::nullopt;
    }
    return masks;
}

std::optional<QStringList> parseExclusions(const QStringList& texts, QString* error)
{
    QStringList masks;
    for (const QString& text : texts) {
        QString bad;
        if (!splitMasks(text, masks, &bad)) {
            setError(error,
                     QStringLiteral("esclusione non valida: \"%1\" (un nome non contiene \"/\")").arg(bad));
            return std::nullopt;
        }
    }
    return masks;
}

std::optional<std::int64_t> parseSize(const QString& text, QString* error)
{
    static const QRegularExpression form(QStringLiteral("^\\s*([0-9]+)\\s*([kmg]?)b?\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        setError(error, QStringLiteral("dimensione non valida: \"%1\" (un numero intero di byte, "
                                       "anche seguito da K, M o G)")
                            .arg(text.trimmed()));
        return std::nullopt;
    }
    const QString unit = m.captured(2).toUpper();
    const int shift = unit == u"K" ? 10 : unit == u"M" ? 20 : unit == u"G" ? 30 : 0;
    bool ok = false;
    const qlonglong n = m.captured(1).toLongLong(&ok);
    if (!ok || n > (std::numeric_limits<std::int64_t>::max() >> shift)) {
        setError(error, QStringLiteral("dimensione troppo grande: \"%1\"").arg(text.trimmed()));
        return std::nullopt;
    }
    return std::int64_t(n) << shift;
}

std::optional<QDate> parseDay(const QString& text, QString* error)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    const QDate day =
        m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()) : QDate();
    if (!day.isValid()) {
        setError(error, QStringLiteral("data non valida: \"%1\" (usare AAAA-MM-GG)").arg(text.trimmed()));
        return std::nullopt;
    }
    return day;
}

QString rangeError(const ListingFilters& f)
{
    if (f.minSize && f.maxSize && *f.minSize > *f.maxSize)
        return QStringLiteral("la dimensione minima supera la massima");
    if (f.modifiedFrom && f.modifiedTo && *f.modifiedFrom > *f.modifiedTo)
        return QStringLiteral("la data iniziale segue la data finale");
    return {};
}

std::optional<ListingFilters> parseFilters(const FilterTexts& texts, QString* error)
{
    ListingFilters f;
    const auto masks = parseMasks(texts.pattern, error);
    const auto exclusions = masks ? parseExclusions(texts.exclusions, error) : std::nullopt;
    if (!exclusions)
        return std::nullopt;
    f.masks = *masks;
    f.exclusions = *exclusions;
    const auto size = [&](const QString& text, std::optional<std::int64_t>& into) {
        if (text.trimmed().isEmpty())
            return true;
        into = parseSize(text, error);
        return into.has_value();
    };
    const auto day = [&](const QString& text, std::optional<QDate>& into) {
        if (text.trimmed().isEmpty())
            return true;
        into = parseDay(text, error);
        return into.has_value();
    };
    if (!size(texts.minSize, f.minSize) || !size(texts.maxSize, f.maxSize) ||
        !day(texts.modifiedFrom, f.modifiedFrom) || !day(texts.modifiedTo, f.modifiedTo))
        return std::nullopt;
    if (const QString wrong = rangeError(f); !wrong.isEmpty()) {
        setError(error, wrong);
        return std::nullopt;
    }
    return f;
}

QString unlistedUnreadableNote(std::uint64_t count)
{
    if (count == 0)
        return {};
    return count == 1 ? QStringLiteral("1 file non si è potuto leggere: non è elencato, la sua dimensione o "
                                       "la sua data è ignota.")
                      : QStringLiteral("%1 file non si sono potuti leggere: non sono elencati, la loro "
                                       "dimensione o la loro data è ignota.")
                            .arg(count);
}

} // namespace vellora
