#include "SettingsStore.h"

#include <cstdio>
#include <limits>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

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

QVariant SettingsKey::valueOf(const QString& name) const
{
    for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it)
        if (it->first == name)
            return it->second;
    return m_settings->value(name);
}

// QSettings::sync() reports success even when its last flush fails on a full disk and then
// renames an empty file over the good one. So the file is written under another name, read
// back and compared, and only a file that holds every value replaces the old one.
bool SettingsKey::writeFile()
{
    const QString path = m_settings->fileName();
    const QString fresh = path + QStringLiteral(".new");
    QFile::remove(fresh);
    bool ok = false;
    {
        QSettings out(fresh, QSettings::IniFormat);
        m_settings->endGroup();
        for (const QString& key : m_settings->allKeys())
            out.setValue(key, m_settings->value(key));
        m_settings->beginGroup(m_group);
        out.beginGroup(m_group);
        for (const auto& [name, value] : m_pending)
            out.setValue(name, value);
        out.endGroup();
        out.sync();
        ok = out.status() == QSettings::NoError;
    }
    if (ok) {
        QSettings check(fresh, QSettings::IniFormat);
        check.beginGroup(m_group);
        ok = check.status() == QSettings::NoError;
        for (const auto& [name, value] : m_pending)
            ok = ok && check.value(name).toString() == value.toString();
    }
    if (ok)
        ok = std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok)
        QFile::remove(fresh);
    return ok;
}

bool SettingsKey::close()
{
    if (!m_settings)
        return true;
    bool ok = true;
    if (m_dirty) {
        // A garbled old file is rewritten with what could still be read of it, repairing it.
        ok = writeFile();
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
