#include "Formats.h"

#include <QLocale>

#include <algorithm>

#include <cstdio>
#include <ctime>

namespace vellora {

QString formatSize(std::int64_t bytes)
{
    // Grouping by hand: QLocale::toString groups too, but honours the locale's own rules
    // (some group by two); the report columns want groups of three.
    const QString sep = QLocale().groupSeparator();
    const bool negative = bytes < 0;
    std::uint64_t v = negative ? std::uint64_t(0) - std::uint64_t(bytes) : std::uint64_t(bytes);
    QString digits = QString::number(v);
    QString out;
    out.reserve(digits.size() + digits.size() / 3 * sep.size() + 1);
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += sep;
        out += digits[i];
    }
    return negative ? QLatin1Char('-') + out : out;
}

namespace {

bool localTime(std::int64_t secs, std::tm& tm)
{
    const std::time_t t = static_cast<std::time_t>(secs);
    return localtime_r(&t, &tm) != nullptr;
}

struct Separators
{
    QString date = QStringLiteral("/");
    QString time = QStringLiteral(":");
};

// What stands between the first two fields of a locale's short format: "." in "dd.MM.yy",
// ":" in "HH:mm". Quoted text and blanks are not separators.
QString separatorIn(const QString& format, const QString& fallback)
{
    qsizetype i = 0;
    while (i < format.size() && !format[i].isLetter())
        ++i;
    while (i < format.size() && format[i].isLetter())
        ++i;
    QString sep;
    for (; i < format.size() && !format[i].isLetter(); ++i)
        if (format[i] != u'\'' && !format[i].isSpace())
            sep += format[i];
    return sep.isEmpty() ? fallback : sep;
}

const Separators& separators()
{
    // Formatting runs once per cell shown and per row written: the separators are worked
    // out again only when the locale changes.
    thread_local QLocale cached = QLocale::c();
    thread_local Separators seps;
    const QLocale now;
    if (!(now == cached)) {
        cached = now;
        seps = Separators();
        if (now.language() != QLocale::C) {
            seps.date = separatorIn(now.dateFormat(QLocale::ShortFormat), seps.date);
            seps.time = separatorIn(now.timeFormat(QLocale::ShortFormat), seps.time);
        }
    }
    return seps;
}

QString withSeparators(QString text)
{
    const Separators& s = separators();
    if (s.date != u"/")
        text.replace(QLatin1Char('/'), s.date);
    if (s.time != u":")
        text.replace(QLatin1Char(':'), s.time);
    return text;
}

QString formatWith(std::int64_t secs, const char* fmt, bool shortYear)
{
    std::tm tm{};
    if (!localTime(secs, tm))
        return {};
    char buf[64];
    const int year = shortYear ? (tm.tm_year + 1900) % 100 : tm.tm_year + 1900;
    const int n = std::snprintf(buf, sizeof buf, fmt, tm.tm_mday, tm.tm_mon + 1, year, tm.tm_hour, tm.tm_min);
    return withSeparators(QString::fromLatin1(buf, n > 0 ? n : 0));
}

} // namespace

QString dateSeparator()
{
    return separators().date;
}

QString timeSeparator()
{
    return separators().time;
}

QString formatDay(const QDate& day)
{
    return withSeparators(day.toString(QStringLiteral("dd/MM/yyyy")));
}

QString formatDateTable(std::int64_t s)
{
    return formatWith(s, "%02d/%02d/%04d %02d:%02d", false);
}

QString formatDateReport(std::int64_t s)
{
    return formatWith(s, "%02d/%02d/%04d-%02d:%02d", false);
}

QString formatDateShort(std::int64_t s)
{
    return formatWith(s, "%02d/%02d/%02d-%02d:%02d", true);
}

QString formatDateSortKey(std::int64_t s)
{
    std::tm tm{};
    if (!localTime(s, tm))
        return {};
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                                tm.tm_mday, tm.tm_hour, tm.tm_min);
    return QString::fromLatin1(buf, n > 0 ? n : 0);
}

QString sanitizeLine(const QString& text)
{
    const auto isControl = [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029;
    };
    // Nearly every text holds none: it is handed back as it is, without a copy.
    if (std::none_of(text.begin(), text.end(), isControl))
        return text;
    QString out = text;
    for (QChar& c : out)
        if (isControl(c))
            c = QLatin1Char('?');
    return out;
}

bool looksLikeFormula(QStringView text)
{
    return !text.isEmpty() && QStringView(u"=+-@").contains(text.front());
}

void appendQuoted(QString& out, QStringView field)
{
    out += u'"';
    for (const QChar c : field) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}

void appendSpreadsheetField(QString& out, QStringView field)
{
    if (field.startsWith(u'"')) {
        appendQuoted(out, field);
        return;
    }
    if (looksLikeFormula(field))
        out += u'\'';
    out += field;
}

} // namespace vellora
