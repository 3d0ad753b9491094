#include "SavedListing.h"

#include "fileinfo/FolderPaths.h"

#include <algorithm>
#include <simdjson.h>
#include <vector>

namespace vellora {

namespace ondemand = simdjson::ondemand;

namespace {

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The end of `full` that holds `slashes` slashes and follows one: where a path inside the
// listed folder begins in the file's whole path.
std::optional<std::string_view> lastParts(std::string_view full, std::size_t slashes)
{
    std::size_t seen = 0;
    for (std::size_t i = full.size(); i-- > 0;) {
        if (full[i] != '/')
            continue;
        if (seen == slashes)
            return full.substr(i + 1);
        ++seen;
    }
    return std::nullopt;
}

// The members of one record that a comparison uses; the texts point into the parser.
struct Record
{
    std::string_view relative, path, pathBytes, sha256;
    std::string_view version, company, description, product;
    bool hasRelative = false, hasPath = false, hasPathBytes = false, hasSha256 = false, hasVersion = false;
    std::int64_t size = ListedFiles::kUnknown;
    std::int64_t mtime = ListedFiles::kUnknown;
};

class ListingParser
{
public:
    explicit ListingParser(ListedFiles& files) : m_files(files) {}

    // One line of the file: empty, or why it is no record of a listing.
    QString line(LineFile& file, std::string_view text)
    {
        if (file.lineNumber() == 1 && text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (text.find_first_not_of(" \t") == std::string_view::npos)
            return {};
        Record r;
        if (const QString cause = parse(file, text, r); !cause.isEmpty())
            return cause;
        if (m_files.count() == 0)
            m_files.reserve(file.fileSize() / qsizetype(text.size() + 1) + 16);
        return add(r);
    }

    // Files without a path inside the listed folder: the longest folder they share is taken
    // as the listed one.
    void finish()
    {
        for (const qsizetype i : m_withoutRelative)
            m_files.dropPrefix(i, m_common.size());
        if (!m_rootKnown && !m_withoutRelative.empty())
            m_files.root = QByteArray(m_common.data(), qsizetype(m_common.size()));
    }

private:
    QString parse(LineFile& file, std::string_view text, Record& r)
    {
        const QString notRecord = QStringLiteral("non è un oggetto JSON di un elenco");
        ondemand::document doc;
        ondemand::object object;
        if (m_parser.iterate(text.data(), text.size(), file.capacityFrom(text)).get(doc) ||
            doc.get_object().get(object))
            return notRecord;
        for (auto field : object) {
            std::string_view key;
            ondemand::value value;
            if (field.unescaped_key().get(key) || field.value().get(value))
                return notRecord;
            if (const QString cause = member(key, value, r); !cause.isEmpty())
                return cause;
        }
        // A document read to its end has no place left: anything after the object is more
        // than one record on the line.
        const char* after = nullptr;
        if (!doc.current_location().get(after))
            return notRecord;
        if (!r.hasPath && !r.hasPathBytes)
            return QStringLiteral("manca il percorso del file");
        return {};
    }

    static QString member(std::string_view key, ondemand::value& value, Record& r)
    {
        const auto text = [&](std::string_view& into, bool* seen) {
            if (value.get_string().get(into))
                return QStringLiteral("il campo %1 non è un testo")
                    .arg(QLatin1String(key.data(), qsizetype(key.size())));
            if (seen)
                *seen = true;
            return QString();
        };
        if (key == "relative")
            return text(r.relative, &r.hasRelative);
        if (key == "path")
            return text(r.path, &r.hasPath);
        if (key == "path_bytes")
            return text(r.pathBytes, &r.hasPathBytes);
        if (key == "sha256")
            return text(r.sha256, &r.hasSha256);
        if (key == "version")
            return text(r.version, &r.hasVersion);
        if (key == "company")
            return text(r.company, &r.hasVersion);
        if (key == "description")
            return text(r.description, &r.hasVersion);
        if (key == "product")
            return text(r.product, &r.hasVersion);
        ondemand::json_type type;
        if (key == "size") {
            if (value.type().get(type))
                return QStringLiteral("dimensione non valida");
            if (type == ondemand::json_type::null)
                return {};
            std::int64_t size;
            if (value.get_int64().get(size) || size < 0)
                return QStringLiteral("dimensione non valida");
            r.size = size;
        } else if (key == "modified") {
            if (value.type().get(type))
                return QStringLiteral("data non valida");
            if (type == ondemand::json_type::null)
                return {};
            std::string_view stamp;
            std::optional<std::int64_t> secs;
            if (value.get_string().get(stamp) || !(secs = parseIsoTime(stamp)))
                return QStringLiteral("data non valida");
            r.mtime = *secs;
        }
        return {};
    }

    QString add(const Record& r)
    {
        QByteArray decoded;
        std::string_view full = r.path;
        if (r.hasPathBytes) {
            auto result = QByteArray::fromBase64Encoding(
                QByteArray::fromRawData(r.pathBytes.data(), qsizetype(r.pathBytes.size())),
                QByteArray::AbortOnBase64DecodingErrors);
            if (!result)
                return QStringLiteral("path_bytes non valido");
            decoded = std::move(*result);
            full = std::string_view(decoded.constData(), std::size_t(decoded.size()));
        }
        if (full.empty())
            return QStringLiteral("manca il percorso del file");
        std::string_view relative = full;
        if (r.hasRelative) {
            // Without path_bytes the name is UTF-8, and "relative" is its bytes; with them,
            // "relative" shows U+FFFD and only tells how many folders deep the file lies.
            std::optional<std::string_view> bytes = r.relative;
            if (r.hasPathBytes)
                bytes = lastParts(full, std::size_t(std::count(r.relative.begin(), r.relative.end(), '/')));
            if (!bytes || bytes->empty() || bytes->front() == '/' || bytes->back() == '/')
                return QStringLiteral("percorso relativo non valido");
            relative = *bytes;
            if (!m_rootKnown && full.size() > relative.size() &&
                full.substr(full.size() - relative.size()) == relative) {
                m_rootKnown = true;
                m_files.root = QByteArray(full.data(), qsizetype(full.size() - relative.size()));
            }
        }
        Sha256 digest;
        if (r.hasSha256 && !r.sha256.empty() && !parseSha256(r.sha256, digest))
            return QStringLiteral("checksum non valido");
        const qsizetype i =
            m_files.add(relative, r.size, r.mtime, {r.version, r.company, r.description, r.product});
        if (r.hasSha256 && !r.sha256.empty())
            m_files.setSha256(i, digest);
        m_files.checksums = m_files.checksums || r.hasSha256;
        m_files.versions = m_files.versions || r.hasVersion;
        if (!r.hasRelative)
            shareFolder(i, full);
        return {};
    }

    void shareFolder(qsizetype i, std::string_view full)
    {
        const std::size_t slash = full.rfind('/');
        const std::string_view folder =
            slash == std::string_view::npos ? std::string_view() : full.substr(0, slash + 1);
        if (m_withoutRelative.empty()) {
            m_common.assign(folder);
        } else {
            std::size_t same = 0;
            while (same < m_common.size() && same < folder.size() && m_common[same] == folder[same])
                ++same;
            if (same < m_common.size()) { // back to the last folder both hold
                const std::size_t slash = same == 0 ? std::string::npos : m_common.rfind('/', same - 1);
                m_common.resize(slash == std::string::npos ? 0 : slash + 1);
            }
        }
        m_withoutRelative.push_back(i);
    }

    ListedFiles& m_files;
    ondemand::parser m_parser;
    std::vector<qsizetype> m_withoutRelative;
    std::string m_common;
    bool m_rootKnown = false;
};

} // namespace

std::optional<std::int64_t> parseIsoTime(std::string_view t)
{
    int year, month, day, hour, minute, second;
    if (!digits(t, 0, 4, year) || t.size() < 19 || t[4] != '-' || !digits(t, 5, 2, month) || t[7] != '-' ||
        !digits(t, 8, 2, day) || t[10] != 'T' || !digits(t, 11, 2, hour) || t[13] != ':' ||
        !digits(t, 14, 2, minute) || t[16] != ':' || !digits(t, 17, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::size_t at = 19;
    if (at < t.size() && t[at] == '.') {
        ++at;
        while (at < t.size() && t[at] >= '0' && t[at] <= '9')
            ++at;
    }
    int offset = 0;
    if (t.substr(at) == "Z") {
        offset = 0;
    } else {
        int oh, om;
        if (t.size() != at + 6 || (t[at] != '+' && t[at] != '-') || !digits(t, at + 1, 2, oh) ||
            t[at + 3] != ':' || !digits(t, at + 4, 2, om) || oh > 23 || om > 59)
            return std::nullopt;
        offset = (t[at] == '-' ? -1 : 1) * (oh * 3600 + om * 60);
    }
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offset;
}

ReadOutcome readSavedListing(const QByteArray& path, ListedFiles& files, const std::atomic_bool* interrupt,
                             const ReadProgressFn& progress)
{
    files.source = fileinfo::pathText(path);
    ListingParser parser(files);
    ReadOutcome outcome = readLines(
        path, "l'elenco", simdjson::SIMDJSON_PADDING,
        [&](LineFile& file, std::string_view line) { return parser.line(file, line); }, interrupt, progress);
    if (outcome.ok)
        parser.finish();
    return outcome;
}

} // namespace vellora
