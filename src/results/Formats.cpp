#include "Formats.h"

#include <QLocale>

#include <cstdio>
#include <ctime>
#include <sys/stat.h>

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

QString formatWith(std::int64_t secs, const char* fmt, bool shortYear)
{
    std::tm tm{};
    if (!localTime(secs, tm))
        return {};
    char buf[64];
    const int year = shortYear ? (tm.tm_year + 1900) % 100 : tm.tm_year + 1900;
    const int n = std::snprintf(buf, sizeof buf, fmt, tm.tm_mday, tm.tm_mon + 1, year, tm.tm_hour, tm.tm_min);
    return QString::fromLatin1(buf, n > 0 ? n : 0);
}

} // namespace

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
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            c = QLatin1Char('?');
    }
    return out;
}

bool statFile(const QByteArray& path, FileStat& out)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return false;
    out.size = st.st_size;
    out.mtime = st.st_mtim.tv_sec;
    return true;
}

} // namespace vellora
