#pragma once
// The program's persistent key-value store. On this platform it is one per-user INI file
// written through QSettings; a "key" is a group of that file, named like the registry key
// of the Windows build ("SOFTWARE\Vellora"), and holds named string and 32-bit number values.
//
// A value that cannot be read is simply absent. A save that fails says why (Italian, for
// the user), and leaves the file on disk as it was.

#include <memory>
#include <optional>
#include <QLoggingCategory>
#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

class QSettings;

namespace vellora {

Q_DECLARE_LOGGING_CATEGORY(lcSettings)

inline const QString kSettingsKey = QStringLiteral("SOFTWARE\\Vellora");

// QStandardPaths' config folder + "/Vellora/Vellora.ini": what QSettings itself would pick
// for IniFormat, UserScope, organization "Vellora", application "Vellora".
[[nodiscard]] QString defaultSettingsPath();

// Which file holds the settings. Tests point it at a temporary file.
class SettingsStore
{
public:
    explicit SettingsStore(QString filePath = defaultSettingsPath()) : m_filePath(std::move(filePath)) {}
    [[nodiscard]] const QString& filePath() const { return m_filePath; }

private:
    QString m_filePath;
};

// One open key. Opened by ApriChiave, closed (and flushed) by close() or its destructor.
class SettingsKey
{
public:
    SettingsKey(const SettingsStore& store, const QString& keyPath);
    ~SettingsKey();
    SettingsKey(SettingsKey&&) noexcept;
    SettingsKey& operator=(SettingsKey&&) noexcept;

    // False when the file exists but could not be read (the reads then all fail).
    [[nodiscard]] bool isReadable() const;

    // A string value of fewer than kMaxStringLength characters; nullopt when missing, too
    // long or not a string.
    [[nodiscard]] std::optional<QString> readString(const QString& name) const;
    // A 32-bit number. Stored texts from -2147483648 to 4294967295 are accepted, the ones
    // above 2147483647 as their two's-complement value (4294967295 is -1, as a registry
    // export of the Windows build holds it); nullopt when missing or not a whole number.
    [[nodiscard]] std::optional<qint32> readNumber(const QString& name) const;

    // Whether the key holds a value of that name, readable or not.
    [[nodiscard]] bool holds(const QString& name) const;

    void writeString(const QString& name, const QString& value);
    void writeNumber(const QString& name, qint32 value);

    // Flushes the writes to disk: the file is read again and merged under a lock (another
    // save waits), written beside the old one, read back, and only then renamed over it,
    // with the old file's mode and through a symbolic link to the file it names. False when
    // it could not be written, errorText then names the file and the cause; the file on disk
    // is left exactly as it was (a full disk never leaves an empty settings file, a file that
    // cannot be read is never replaced).
    [[nodiscard]] bool close(QString* errorText = nullptr);

    // Registry strings are read through a 255-byte buffer: a text of 255 characters or
    // more does not fit and reads as missing.
    static constexpr qsizetype kMaxStringLength = 255;

private:
    [[nodiscard]] QVariant valueOf(const QString& name) const;
    [[nodiscard]] bool writeFile(QString* errorText);

    // Opened on the file for reading only: nothing is ever set on it, so it never writes.
    std::unique_ptr<QSettings> m_settings;
    QString m_group;
    std::vector<std::pair<QString, QVariant>> m_pending; // writes, in order, until close()
    bool m_dirty = false;
};

// The message of a failed save: "Impossibile salvare le impostazioni nel file PATH: CAUSE".
[[nodiscard]] QString settingsSaveError(const QString& path, const QString& cause);

// Opens the key of that path in the store; QSettings creates the file and the group on the
// first write, so opening itself cannot fail.
[[nodiscard]] SettingsKey ApriChiave(const SettingsStore& store, const QString& keyPath);

} // namespace vellora
