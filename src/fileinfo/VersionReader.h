#pragma once
// What an executable's version resource says about it: the file version and one of three
// descriptive strings. Our own parser of PE32, PE32+ and 16-bit NE files; every offset and
// length read from the file is checked, so a truncated or hostile file yields an empty text
// or "*** error ***", never a crash. Thread-safe: calls share no state.

#include <QByteArray>
#include <QString>

#include <cstdint>

class QLocale;

namespace vellora {

// Which version-resource string fills the info column.
enum class InfoKind : int { CompanyName = 1, FileDescription = 2, ProductName = 3 };

inline const QString kVersionError = QStringLiteral("*** error ***");

struct VersionData
{
    bool readable = false;    // false: the file could not be opened or read (vanished, no rights)
    bool hasResource = false; // the RT_VERSION resource with id 1 was found
    QString fileVersion;      // "a.b.c.d" from the fixed part; empty without resource or fixed part
    QString companyName;      // each: the string per the rules of LeggiStringaVersione
    QString fileDescription;
    QString productName;

    [[nodiscard]] const QString& info(InfoKind kind) const;
};

// One bounded read of the file's version resource; version and all three strings at once.
[[nodiscard]] VersionData readVersionData(const QByteArray& path);

// What the open descriptor told about the file while its version was read.
struct OpenedFileStat
{
    bool valid = false;     // a regular file was opened and looked at
    std::int64_t size = 0;  // bytes
    std::int64_t mtime = 0; // last modification, seconds since the epoch
};

// Same, for the entry `name` of an open folder (POSIX descriptor; O_PATH will do), and the
// file's size and time from the same open, so a caller that needs both pays one open. A
// symbolic link is not followed. statOut, when given, is set whether or not the version
// could be read.
[[nodiscard]] VersionData readVersionDataAt(int dirFd, const char* name, OpenedFileStat* statOut = nullptr);

// Same, from bytes already in memory (the fuzzer and the tests use it).
[[nodiscard]] VersionData parseVersionData(const QByteArray& fileBytes);

// Same, choosing among the languages of the resource for a user of userLocale rather than
// of the system locale.
[[nodiscard]] VersionData parseVersionData(const QByteArray& fileBytes, const QLocale& userLocale);

// The file version text; empty without a version resource. ok is false when the file
// could not be read at all, which callers treat as a failed query.
[[nodiscard]] QString GetFileVersion(const QByteArray& path, bool* ok = nullptr);

// The string of the given kind: empty without a version resource or when the string is
// absent; "*** error ***" when the resource exists but the string cannot be taken
// (255 characters or more, broken string table).
[[nodiscard]] QString LeggiStringaVersione(const QByteArray& path, InfoKind kind);

} // namespace vellora
