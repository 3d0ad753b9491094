#include "SystemData.h"

#include <QFile>
#include <QHash>
#include <QSysInfo>

namespace vellora {

namespace {

// A broken or hostile os-release must not make us read without end (a link to a device).
constexpr qint64 kMaxOsReleaseBytes = 64 * 1024;

// One value of a shell-style assignment: unquoted, "double quoted" (backslash escapes $ ` "
// \ and newline) or 'single quoted' parts, concatenated; unquoted blank ends it.
QString shellValue(QStringView text)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u'"') {
            for (++i; i < text.size() && text[i] != u'"'; ++i) {
                if (text[i] == u'\\' && i + 1 < text.size() && QStringView(u"$`\"\\\n").contains(text[i + 1]))
                    ++i;
                out += text[i];
            }
            ++i; // closing quote (or end of a broken line)
        } else if (c == u'\'') {
            for (++i; i < text.size() && text[i] != u'\''; ++i)
                out += text[i];
            ++i;
        } else if (c == u'\\') {
            if (i + 1 < text.size())
                out += text[i + 1];
            i += 2;
        } else if (c.isSpace()) {
            break;
        } else {
            out += c;
            ++i;
        }
    }
    // The system line is one line of a report header.
    for (QChar& ch : out) {
        if (ch.category() == QChar::Other_Control)
            ch = u' ';
    }
    return out.trimmed();
}

QHash<QString, QString> parseOsRelease(const QByteArray& content)
{
    QHash<QString, QString> values;
    const QString text = QString::fromUtf8(content);
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        values.insert(line.left(eq).trimmed().toString(), shellValue(line.mid(eq + 1)));
    }
    return values;
}

QByteArray readOsRelease()
{
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly))
            return file.read(kMaxOsReleaseBytes);
    }
    return {};
}

} // namespace

QString SystemData::systemLine() const
{
    QString line = WinNome;
    if (!WinEdizione.isEmpty())
        line += QStringLiteral(" - ") + WinEdizione;
    return line + QStringLiteral(" - Ver. ") + WinVersione;
}

void LeggiPiattaforma(SystemData& data)
{
    // Reported as the NT family: the one whose texts are a name, an edition that may be
    // empty, and a version, which is what os-release and the kernel give.
    data.WinPiattaforma = QStringLiteral("2");
}

void LeggiVersioneWindows(SystemData& data)
{
    if (data.WinPiattaforma != u"1" && data.WinPiattaforma != u"2")
        return;
    LeggiVersioneDa(data, readOsRelease(), QSysInfo::kernelVersion());
}

void LeggiVersioneDa(SystemData& data, const QByteArray& osRelease, const QString& kernelRelease)
{
    const QHash<QString, QString> values = parseOsRelease(osRelease);
    data.WinNome = values.value(QStringLiteral("NAME"));
    data.WinEdizione = values.value(QStringLiteral("VERSION"));
    data.WinVersione = kernelRelease.trimmed();
}

} // namespace vellora
