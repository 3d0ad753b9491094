#include "FormatWriters.h"

#include "fileinfo/FolderPaths.h"
#include "results/Formats.h"
#include "system/ErrorText.h"

#include <cerrno>
#include <ctime>
#include <QIODevice>

namespace vellora {

namespace {

std::optional<LocalTime> brokenDown(std::int64_t secs, bool utc)
{
    const auto t = static_cast<std::time_t>(secs);
    std::tm tm{};
    if (!(utc ? ::gmtime_r(&t, &tm) : ::localtime_r(&t, &tm)) || tm.tm_year + 1900 < 1 ||
        tm.tm_year + 1900 > 9999)
        return std::nullopt;
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,       tm.tm_hour,
                     tm.tm_min,         tm.tm_sec,     int(tm.tm_gmtoff)};
}

} // namespace

std::optional<LocalTime> localTime(std::int64_t secs)
{
    return brokenDown(secs, false);
}

std::optional<LocalTime> utcTime(std::int64_t secs)
{
    return brokenDown(secs, true);
}

bool Utf8Sink::flush()
{
    if (!m_error.isEmpty())
        return false;
    if (m_text.isEmpty())
        return true;
    const QByteArray bytes = m_encoder ? m_encoder->encode(m_text) : m_text.toUtf8();
    m_text.resize(0); // keeps the capacity for the next chunk
    return write(bytes);
}

bool Utf8Sink::write(const QByteArray& bytes)
{
    if (!m_error.isEmpty())
        return false;
    errno = 0;
    if (m_out.write(bytes) != bytes.size()) {
        m_error = errnoCause(errno, m_out.errorString());
        return false;
    }
    return true;
}

namespace {

void appendDigits(QString& out, int value, int width)
{
    char digits[12];
    int n = 0;
    unsigned v = unsigned(value < 0 ? 0 : value);
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0 && n < 11);
    for (int i = n; i < width; ++i)
        out += QLatin1Char('0');
    while (n > 0)
        out += QLatin1Char(digits[--n]);
}

} // namespace

QString textCell(const ExportRecord& r, Field field, InfoKind kind)
{
    switch (field) {
    case Field::Name:
        return sanitizeLine(r.name);
    case Field::Extension:
        return sanitizeLine(r.extension);
    case Field::Version:
        return r.version.readable ? sanitizeLine(r.version.fileVersion) : QString();
    case Field::Info:
        return r.version.readable ? sanitizeLine(r.version.info(kind)) : QString();
    case Field::Folder:
        return sanitizeLine(r.folder);
    case Field::Checksum:
        return QString::fromLatin1(r.sha256);
    case Field::State:
        return r.state;
    case Field::Changes:
        return r.changed.join(QStringLiteral(", "));
    case Field::Previous:
        return sanitizeLine(QString::fromUtf8(r.previous));
    case Field::Size:
    case Field::Date:
        return {};
    }
    return {};
}

QString listingTitle(const ListingFacts& l)
{
    return l.comparison ? l.comparison->before + QStringLiteral(" con ") + l.comparison->after
                        : l.title();
}

void appendDateTime(QString& out, const LocalTime& t, QChar middle)
{
    appendDigits(out, t.year, 4);
    out += QLatin1Char('-');
    appendDigits(out, t.month, 2);
    out += QLatin1Char('-');
    appendDigits(out, t.day, 2);
    out += middle;
    appendDigits(out, t.hour, 2);
    out += QLatin1Char(':');
    appendDigits(out, t.minute, 2);
    out += QLatin1Char(':');
    appendDigits(out, t.second, 2);
}

void appendIsoTime(QString& out, std::int64_t secs, const LocalTime& local)
{
    if (local.offsetSecs % 60 != 0) {
        if (const std::optional<LocalTime> utc = utcTime(secs)) {
            appendDateTime(out, *utc, QLatin1Char('T'));
            out += QLatin1Char('Z');
            return;
        }
    }
    appendDateTime(out, local, QLatin1Char('T'));
    out += local.offsetSecs < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const int minutes = (local.offsetSecs < 0 ? -local.offsetSecs : local.offsetSecs) / 60;
    appendDigits(out, minutes / 60, 2);
    out += QLatin1Char(':');
    appendDigits(out, minutes % 60, 2);
}

QChar lineChar(QStringView text, qsizetype i)
{
    const QChar c = text[i];
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029 || u == 0xFFFE ||
        u == 0xFFFF)
        return QLatin1Char('?');
    if (c.isHighSurrogate()) // a pair: a character beyond the first 65,536, allowed
        return i + 1 < text.size() && text[i + 1].isLowSurrogate() ? c : QLatin1Char('?');
    if (c.isLowSurrogate())
        return i > 0 && text[i - 1].isHighSurrogate() ? c : QLatin1Char('?');
    return c;
}

RelativePath::RelativePath(const QString& listed)
{
    if (listed.endsWith(QLatin1Char('/'))) {
        m_listedBytes = fileinfo::pathBytes(listed);
        m_listedSlashes = listed.count(QLatin1Char('/'));
    }
}

// The listed folder comes as text: the window keeps a name's bytes in it, vellora-list shows
// bytes that are not UTF-8 as U+FFFD. Either way its slashes are the folder's own (no byte of
// a UTF-8 sequence is a '/'), so the record's folder is cut after as many.
std::optional<QByteArray> RelativePath::of(const ExportRecord& r) const
{
    if (m_listedSlashes == 0)
        return std::nullopt;
    if (r.folderBytes.startsWith(m_listedBytes))
        return r.folderBytes.mid(m_listedBytes.size()) + r.nameBytes;
    if (!QString::fromUtf8(r.folderBytes).startsWith(QString::fromUtf8(m_listedBytes)))
        return std::nullopt;
    qsizetype cut = 0;
    for (qsizetype slashes = 0; slashes < m_listedSlashes; ++cut)
        slashes += r.folderBytes[cut] == '/';
    return r.folderBytes.mid(cut) + r.nameBytes;
}

QString xmlLine(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = lineChar(text, i);
    return out;
}

} // namespace vellora
