#include "fileinfo/VersionReader.h"

#include "fileinfo/FileInfoLog.h"
#include "fileinfo/ResourceLocator.h"
#include "fileinfo/VersionBlock.h"
#include "fileinfo/VersionParser.h"

#include <QLocale>

// Damaged executables are common in a scanned tree: their notes stay quiet unless asked for.
Q_LOGGING_CATEGORY(lcFileInfo, "vellora.fileinfo", QtInfoMsg)

namespace vellora {

namespace fileinfo {

namespace {

// The string is taken through a buffer of 254 characters and its NUL; a longer value leaves
// no NUL to cut at, which is reported as an error, as the platform's version query does.
constexpr qsizetype kMaxStringLength = 254;

QString stringOf(const VersionBlock& block, const QString& table, QStringView key)
{
    QString value;
    switch (block.findString(table, key, &value)) {
    case VersionBlock::Lookup::Found:
        return value.size() > kMaxStringLength ? kVersionError : value;
    case VersionBlock::Lookup::Absent:
        return {};
    case VersionBlock::Lookup::Broken:
        return kVersionError;
    }
    return kVersionError;
}

VersionData readVersionOf(ByteSource& src, const LanguagePreference& pref)
{
    VersionData d;
    d.readable = true;
    auto bytes = findVersionResource(src, pref);
    if (!bytes)
        return d;
    d.hasResource = true;
    const VersionBlock block(std::move(*bytes));
    if (!block.isValid()) {
        qCDebug(lcFileInfo) << "version resource does not hold together";
        d.companyName = d.fileDescription = d.productName = kVersionError;
        return d;
    }
    d.fileVersion = block.fileVersion();
    const QString table = translationBlockName(block.firstTranslation());
    d.companyName = stringOf(block, table, u"CompanyName");
    d.fileDescription = stringOf(block, table, u"FileDescription");
    d.productName = stringOf(block, table, u"ProductName");
    return d;
}

} // namespace

QString translationBlockName(quint32 translation)
{
    return QStringLiteral("%1").arg(translation, 8, 16, QLatin1Char('0')).toUpper();
}

VersionData readVersion(ByteSource& src, const LanguagePreference& pref)
{
    VersionData d = readVersionOf(src, pref);
    if (src.failed()) {
        // What was read may be half of a file that changed: not an answer about it.
        qCDebug(lcFileInfo) << "read failed";
        return {};
    }
    return d;
}

} // namespace fileinfo

const QString& VersionData::info(InfoKind kind) const
{
    switch (kind) {
    case InfoKind::CompanyName:
        return companyName;
    case InfoKind::FileDescription:
        return fileDescription;
    case InfoKind::ProductName:
        return productName;
    }
    return productName;
}

VersionData readVersionData(const QByteArray& path)
{
    fileinfo::FileByteSource src(path);
    if (!src.isOpen()) {
        qCDebug(lcFileInfo) << "cannot open" << path;
        return {};
    }
    return fileinfo::readVersion(src, fileinfo::systemLanguagePreference());
}

VersionData readVersionDataAt(int dirFd, const char* name, OpenedFileStat* statOut)
{
    fileinfo::FileByteSource src(dirFd, name);
    if (statOut) {
        // Only a regular file is the listed file: a folder or a FIFO put in its place has
        // a size and a date too, but they are not the row's.
        statOut->valid = src.isOpen();
        statOut->size = src.isOpen() ? src.statSize() : 0;
        statOut->mtime = src.isOpen() ? src.modifiedSecs() : 0;
    }
    if (!src.isOpen()) {
        qCDebug(lcFileInfo) << "cannot open" << name;
        return {};
    }
    return fileinfo::readVersion(src, fileinfo::systemLanguagePreference());
}

VersionData parseVersionData(const QByteArray& fileBytes)
{
    fileinfo::MemoryByteSource src(fileBytes);
    return fileinfo::readVersion(src, fileinfo::systemLanguagePreference());
}

VersionData parseVersionData(const QByteArray& fileBytes, const QLocale& userLocale)
{
    fileinfo::MemoryByteSource src(fileBytes);
    return fileinfo::readVersion(src, fileinfo::languagePreferenceFor(userLocale));
}

QString GetFileVersion(const QByteArray& path, bool* ok)
{
    const VersionData d = readVersionData(path);
    if (ok)
        *ok = d.readable;
    return d.fileVersion;
}

QString LeggiStringaVersione(const QByteArray& path, InfoKind kind)
{
    return readVersionData(path).info(kind);
}

} // namespace vellora
