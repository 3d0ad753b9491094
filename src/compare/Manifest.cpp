#include "Manifest.h"

#include "fileinfo/FolderPaths.h"
#include "SavedListing.h"

namespace vellora {

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

// sha256sum's escapes, undone: "\\", "\n", "\r"; any other after a backslash, a backslash at
// the end, or a zero byte make the line no checksum line.
bool unescape(std::string_view text, QByteArray& out)
{
    out.clear();
    out.reserve(qsizetype(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\0')
            return false;
        if (c == '\\') {
            if (++i == text.size())
                return false;
            switch (text[i]) {
            case '\\':
                c = '\\';
                break;
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            default:
                return false;
            }
        }
        out.append(c);
    }
    return true;
}

bool takeName(std::string_view name, bool escaped, QByteArray& out)
{
    if (name.empty())
        return false;
    if (escaped)
        return unescape(name, out);
    if (name.find('\0') != std::string_view::npos)
        return false;
    out = QByteArray(name.data(), qsizetype(name.size()));
    return true;
}

} // namespace

ManifestParser::Line ManifestParser::parse(std::string_view line, ChecksumEntry& entry)
{
    if (!line.empty() && line.back() == '\r') // written on Windows: one CR before the LF
        line.remove_suffix(1);
    if (line.empty() || line.front() == '#')
        return Line::Ignored;
    std::size_t i = 0;
    while (i < line.size() && blank(line[i]))
        ++i;
    const bool escaped = i < line.size() && line[i] == '\\';
    if (escaped)
        ++i;
    std::string_view rest = line.substr(i);
    if (rest.substr(0, 6) == "SHA256") {
        rest.remove_prefix(6);
        if (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        if (rest.empty() || rest.front() != '(')
            return Line::Bad;
        return tagged(rest.substr(1), escaped, entry) ? Line::Checksum : Line::Bad;
    }
    // The digest, a blank, then " " or "*" for text or binary mode; without either, the
    // reversed order BSD writes ("HEX NAME"), which a file may not mix with the other.
    if (rest.size() < 65 || !blank(rest[64]) || !parseSha256(rest.substr(0, 64), entry.sha256))
        return Line::Bad;
    rest.remove_prefix(65);
    const bool reversed = rest.size() == 1 || (!rest.empty() && rest.front() != ' ' && rest.front() != '*');
    if (m_reversed == (reversed ? 0 : 1))
        return Line::Bad;
    m_reversed = reversed ? 1 : 0;
    if (!reversed && !rest.empty())
        rest.remove_prefix(1);
    return takeName(rest, escaped, entry.path) ? Line::Checksum : Line::Bad;
}

// "NAME) = HEX": the name runs to the last ')'.
bool ManifestParser::tagged(std::string_view rest, bool escaped, ChecksumEntry& entry) const
{
    const std::size_t close = rest.rfind(')');
    if (close == std::string_view::npos || !takeName(rest.substr(0, close), escaped, entry.path))
        return false;
    std::size_t i = close + 1;
    while (i < rest.size() && blank(rest[i]))
        ++i;
    if (i == rest.size() || rest[i] != '=')
        return false;
    ++i;
    while (i < rest.size() && blank(rest[i]))
        ++i;
    return parseSha256(rest.substr(i), entry.sha256);
}

namespace {

ReadOutcome readListingAsList(const QByteArray& path, ChecksumList& list, const std::atomic_bool* interrupt,
                              const ReadProgressFn& progress)
{
    ListedFiles files;
    ReadOutcome outcome = readSavedListing(path, files, interrupt, progress);
    if (!outcome.ok)
        return outcome;
    if (!files.checksums) {
        outcome.ok = false;
        outcome.error = QStringLiteral("L'elenco %1 non ha checksum SHA-256.").arg(list.source);
        return outcome;
    }
    list.base = files.root;
    for (qsizetype i = 0; i < files.count(); ++i) {
        if (!files.hasSha256(i)) {
            ++list.withoutChecksum;
            continue;
        }
        const std::string_view relative = files.relative(i);
        list.entries.push_back({QByteArray(relative.data(), qsizetype(relative.size())), files.sha256(i)});
    }
    return outcome;
}

// Whether the file's first line that holds anything is a JSON object.
bool looksLikeListing(const QByteArray& path)
{
    LineFile file;
    QString cause;
    std::string_view line;
    if (!file.open(path, &cause))
        return false;
    while (file.next(line)) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first != std::string_view::npos)
            return line[first] == '{' || line.substr(first, 4) == "\xEF\xBB\xBF{";
    }
    return false;
}

} // namespace

ReadOutcome readChecksumList(const QByteArray& path, ChecksumList& list, const std::atomic_bool* interrupt,
                             const ReadProgressFn& progress)
{
    list.source = fileinfo::pathText(path);
    if (looksLikeListing(path))
        return readListingAsList(path, list, interrupt, progress);
    ManifestParser parser;
    ChecksumEntry entry;
    ReadOutcome outcome = readLines(
        path, "la lista", 0,
        [&](LineFile&, std::string_view line) {
            switch (parser.parse(line, entry)) {
            case ManifestParser::Line::Checksum:
                list.entries.push_back(entry);
                break;
            case ManifestParser::Line::Bad:
                ++list.badLines;
                break;
            case ManifestParser::Line::Ignored:
                break;
            }
            return QString();
        },
        interrupt, progress);
    if (outcome.ok && list.entries.empty()) {
        outcome.ok = false;
        outcome.error =
            QStringLiteral("La lista %1 non ha nessuna riga di checksum SHA-256.").arg(list.source);
    }
    return outcome;
}

} // namespace vellora
