#include "SettingsStore.h"

#include "system/ErrorText.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <QFile>
#include <QLockFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace vellora {

Q_LOGGING_CATEGORY(lcSettings, "vellora.settings")

QString defaultSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::ConfigLocation) +
           QStringLiteral("/Vellora/Vellora.ini");
}

SettingsKey::SettingsKey(const SettingsStore& store, const QString& keyPath)
    : m_settings(std::make_unique<QSettings>(store.filePath(), QSettings::IniFormat)), m_group(keyPath)
{
    // Qt 6 keeps a backslash in a group name as an ordinary character (stored as "%5C" in
    // the section name), so the key path survives as one group, as one registry key would.
    m_settings->beginGroup(keyPath);
    if (m_settings->status() != QSettings::NoError)
        qCInfo(lcSettings) << "settings file" << store.filePath() << "read with status"
                           << m_settings->status() << "- missing values take their defaults";
}

SettingsKey::~SettingsKey()
{
    if (m_settings)
        (void)close();
}

SettingsKey::SettingsKey(SettingsKey&&) noexcept = default;
SettingsKey& SettingsKey::operator=(SettingsKey&&) noexcept = default;

bool SettingsKey::isReadable() const
{
    return m_settings && m_settings->status() != QSettings::AccessError;
}

std::optional<QString> SettingsKey::readString(const QString& name) const
{
    if (!isReadable())
        return std::nullopt;
    const QVariant v = valueOf(name);
    // An unquoted comma makes QSettings return a list, "@ByteArray(...)" a byte array: a
    // value of another type than a string is unreadable, as in the registry.
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    QString text = v.toString();
    if (text.size() >= kMaxStringLength)
        return std::nullopt;
    return text;
}

std::optional<qint32> SettingsKey::readNumber(const QString& name) const
{
    if (!isReadable())
        return std::nullopt;
    const QVariant v = valueOf(name);
    qint64 n = 0;
    bool ok = false;
    switch (v.typeId()) {
    case QMetaType::QString:
        n = v.toString().trimmed().toLongLong(&ok, 10);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        n = v.toLongLong(&ok);
        break;
    default:
        return std::nullopt;
    }
    if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<qint32>(static_cast<quint32>(n));
}

void SettingsKey::writeString(const QString& name, const QString& value)
{
    if (!m_settings)
        return;
    m_pending.emplace_back(name, QVariant(value));
    m_dirty = true;
}

void SettingsKey::writeNumber(const QString& name, qint32 value)
{
    if (!m_settings)
        return;
    m_pending.emplace_back(name, QVariant(value));
    m_dirty = true;
}

bool SettingsKey::holds(const QString& name) const
{
    return isReadable() && valueOf(name).isValid();
}

QVariant SettingsKey::valueOf(const QString& name) const
{
    for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it)
        if (it->first == name)
            return it->second;
    return m_settings->value(name);
}

namespace {

// How long a save waits for another one (a second window closing) to finish.
constexpr int kLockWaitMs = 10000;
// Links followed at most to the file they name, as the kernel does.
constexpr int kMaxLinks = 40;

// The file a path names, through any symbolic links (a link may point at a file that does
// not exist yet): the save replaces that file and leaves the links as they are.
QByteArray linkTarget(QByteArray path)
{
    for (int i = 0; i < kMaxLinks; ++i) {
        QByteArray target(4096, '\0');
        const ssize_t n = ::readlink(path.constData(), target.data(), std::size_t(target.size()));
        if (n < 0 || n >= target.size())
            return path;
        target.truncate(n);
        if (!target.startsWith('/'))
            target.prepend(path.left(path.lastIndexOf('/') + 1));
        path = target;
    }
    return path;
}

// A new file in folder, named after base, with mode (0666 lets the user's umask decide);
// its path, or empty with errno set.
QByteArray createScratch(const QByteArray& base, mode_t mode, int* err)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = base + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    *err = errno;
    return {};
}

bool writeAll(const QByteArray& path, const QByteArray& bytes)
{
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

// Writes into fresh every value of the file `old` and then the pending ones of group, and
// reads fresh back: true when it holds every pending value.
bool merge(const QString& old, const QString& fresh, const QString& group,
           const std::vector<std::pair<QString, QVariant>>& pending)
{
    {
        QSettings in(old, QSettings::IniFormat);
        QSettings out(fresh, QSettings::IniFormat);
        for (const QString& key : in.allKeys())
            out.setValue(key, in.value(key));
        out.beginGroup(group);
        for (const auto& [name, value] : pending)
            out.setValue(name, value);
        out.endGroup();
        out.sync();
        if (out.status() != QSettings::NoError)
            return false;
    }
    QSettings check(fresh, QSettings::IniFormat);
    check.beginGroup(group);
    bool ok = check.status() == QSettings::NoError;
    for (const auto& [name, value] : pending)
        ok = ok && check.value(name).toString() == value.toString();
    return ok;
}

// QLockFile's own wait sleeps 100 ms and more between tries; a save takes a few.
bool takeLock(QLockFile& lock)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

QString lockCause(QLockFile::LockError error)
{
    switch (error) {
    case QLockFile::LockFailedError:
        return QStringLiteral("il file è in uso da un altro programma");
    case QLockFile::PermissionError:
        return errnoCause(EACCES);
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    return QStringLiteral("non si è potuto riservare il file");
}

} // namespace

QString settingsSaveError(const QString& path, const QString& cause)
{
    return QStringLiteral("Impossibile salvare le impostazioni nel file %1: %2").arg(path, cause);
}

// The file on disk is read again, merged and replaced while a lock beside it keeps other
// saves (a second window closing) waiting, so none is lost. The replacement keeps the
// file's mode and owner, and a symbolic link stays a link to the file it names. A file that
// exists but cannot be read is never replaced: its other groups would be lost.
//
// QSettings::sync() reports success even when its last flush fails on a full disk and then
// renames an empty file over the good one. So the file is written under another name, read
// back and compared, and only a file that holds every value replaces the old one.
bool SettingsKey::writeFile(QString* errorText)
{
    const QString path = m_settings->fileName();
    const QByteArray target = linkTarget(QFile::encodeName(path));
    const QString targetName = QFile::decodeName(target);
    const auto fail = [&](const QString& cause) {
        if (errorText)
            *errorText = settingsSaveError(path, cause);
        return false;
    };
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(target.toStdString()).parent_path(), ec);
    if (ec)
        return fail(errnoCause(ec.value()));
    QLockFile lock(targetName + QStringLiteral(".lock"));
    if (!takeLock(lock))
        return fail(lockCause(lock.error()));

    struct stat old
    {
    };
    const bool existed = ::stat(target.constData(), &old) == 0;
    if (!existed && errno != ENOENT)
        return fail(errnoCause(errno));
    QByteArray oldBytes;
    if (existed) {
        QFile in(targetName);
        if (!S_ISREG(old.st_mode))
            return fail(QStringLiteral("non è un file"));
        if (!in.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("il file esistente non si può leggere (%1)").arg(errnoCause(errno)));
        oldBytes = in.readAll();
        if (in.error() != QFileDevice::NoError)
            return fail(QStringLiteral("il file esistente non si può leggere"));
    }

    // Both under names of their own: QSettings keeps what it parsed of a file name for the
    // whole process, and must read both as they are on disk now.
    int err = 0;
    const QByteArray copy = createScratch(target, 0600, &err);
    const QByteArray fresh = copy.isEmpty() ? QByteArray() : createScratch(target, 0666, &err);
    const auto removeScratch = qScopeGuard([&] {
        for (const QByteArray& f : {copy, fresh})
            if (!f.isEmpty())
                ::unlink(f.constData());
    });
    if (fresh.isEmpty())
        return fail(errnoCause(err));
    struct stat made
    {
    };
    const mode_t mode =
        existed ? old.st_mode & 07777 : (::stat(fresh.constData(), &made) == 0 ? made.st_mode & 07777 : 0644);
    if (!writeAll(copy, oldBytes))
        return fail(QStringLiteral("scrittura non riuscita"));

    if (!merge(QFile::decodeName(copy), QFile::decodeName(fresh), m_group, m_pending))
        return fail(QStringLiteral("scrittura non riuscita"));
    // Owner first: a change of owner clears the set-id bits that the mode then restores.
    if (existed && ::geteuid() == 0)
        (void)::chown(fresh.constData(), old.st_uid, old.st_gid);
    if (::chmod(fresh.constData(), mode) != 0 || ::rename(fresh.constData(), target.constData()) != 0)
        return fail(errnoCause(errno));
    return true;
}

bool SettingsKey::close(QString* errorText)
{
    if (!m_settings)
        return true;
    bool ok = true;
    if (m_dirty) {
        // A garbled old file is rewritten with what could still be read of it, repairing it.
        ok = writeFile(errorText);
        if (!ok)
            qCWarning(lcSettings) << "cannot write the settings file" << m_settings->fileName();
    }
    m_settings.reset();
    m_pending.clear();
    m_dirty = false;
    return ok;
}

SettingsKey ApriChiave(const SettingsStore& store, const QString& keyPath)
{
    return SettingsKey(store, keyPath);
}

} // namespace vellora
