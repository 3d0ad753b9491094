#pragma once
// What an executable's version resource says about it: the file version and one of three
// descriptive strings. Our own parser of PE32, PE32+ and 16-bit NE files; every offset and
// length read from the file is checked, so a truncated or hostile file yields an empty text
// or "*** error ***", never a crash. Thread-safe: calls share no state.

#include <QByteArray>
#include <QString>

class QLocale;

namespace vellora {

// Which version-resource string fills the info column.
enum class InfoKind : int { CompanyName = 1, FileDescription = 2, ProductName = 3 };

inline const QString kVersionError = QStringLiteral("*** error ***");

struct VersionData {
    bool readable = false;    // false: the file could not be opened or read (vanished, no rights)
    bool hasResource = false; // an RT_VERSION resource was found and parsed
    QString fileVersion;      // "a.b.c.d" from the fixed part; empty without resource or fixed part
    QString companyName;      // each: the string per the rules of LeggiStringaVersione
    QString fileDescription;
    QString productName;

    [[nodiscard]] const QString& info(InfoKind kind) const;
};

// One bounded read of the file's version resource; version and all three strings at once.
[[nodiscard]] VersionData readVersionData(const QByteArray& path);

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
