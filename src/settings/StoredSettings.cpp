#include "StoredSettings.h"

#include <QDir>

#include "system/Platform.h"

namespace vellora {

namespace {

QString indexed(const char* prefix, int i)
{
    return QLatin1String(prefix) + QString::number(i);
}

bool inRange(const std::optional<qint32>& v, qint32 lo, qint32 hi)
{
    return v && *v >= lo && *v <= hi;
}

QString readLastDir(const SettingsKey& key)
{
    const std::optional<QString> dir = key.readString(QStringLiteral("LastDir"));
    if (!dir || dir->isEmpty() || !QDir::isAbsolutePath(*dir))
        return homeFolder();
    return dir->endsWith(QLatin1Char('/')) ? *dir : *dir + QLatin1Char('/');
}

void readProfile(const SettingsKey& key, const char* prefix, StoredProfile& profile)
{
    for (int i = 0; i < int(profile.size()); ++i) {
        const std::optional<qint32> flag = key.readNumber(indexed(prefix, i));
        if (inRange(flag, 0, 1))
            profile[i] = std::int16_t(*flag);
    }
}

void writeProfile(SettingsKey& key, const char* prefix, const StoredProfile& profile)
{
    for (int i = 0; i < int(profile.size()); ++i)
        key.writeNumber(indexed(prefix, i), profile[i]);
}

} // namespace

StoredSettings LeggiREGEDIT(const SettingsStore& store)
{
    SettingsKey key = ApriChiave(store, kSettingsKey);
    StoredSettings s;

    s.lastDir = readLastDir(key);
    if (const auto pattern = key.readString(QStringLiteral("PatternFile")))
        s.patternFile = *pattern;

    if (const auto order = key.readNumber(QStringLiteral("OrderGrid")); inRange(order, -1, 10))
        s.orderGrid = std::int16_t(*order);

    readProfile(key, "OptS", s.optS);
    readProfile(key, "OptV", s.optV);

    if (const auto scope = key.readNumber(QStringLiteral("TipoRic")); inRange(scope, 0, 1))
        s.tipoRic = *scope;
    if (const auto info = key.readNumber(QStringLiteral("InfoFile")); inRange(info, 1, 3))
        s.infoFile = *info;
    if (const auto state = key.readNumber(QStringLiteral("WinState")); inRange(state, 0, 2))
        s.winState = *state;
    s.filters = readFilters(key);

    return s;
}

StoredColumnWidths LeggiLarghezzeColonne(const SettingsStore& store)
{
    const SettingsKey key = ApriChiave(store, kSettingsKey);
    StoredColumnWidths widths;
    for (int i = 0; i < int(widths.size()); ++i) {
        const std::optional<qint32> w = key.readNumber(indexed("Col_", i));
        if (inRange(w, 0, kMaxColumnWidth))
            widths[i] = w;
    }
    return widths;
}

bool ScriviREGEDIT(const SettingsStore& store, const StoredSettings& values, QString* errorText)
{
    SettingsKey key = ApriChiave(store, kSettingsKey);

    key.writeString(QStringLiteral("LastDir"), values.lastDir);
    key.writeString(QStringLiteral("PatternFile"), values.patternFile);
    key.writeNumber(QStringLiteral("OrderGrid"), values.orderGrid);
    writeProfile(key, "OptS", values.optS);
    writeProfile(key, "OptV", values.optV);
    for (int i = 0; i < int(values.colWidths.size()); ++i) {
        if (values.colWidths[i])
            key.writeNumber(indexed("Col_", i), *values.colWidths[i]);
    }
    if (values.tipoRic)
        key.writeNumber(QStringLiteral("TipoRic"), *values.tipoRic);
    key.writeNumber(QStringLiteral("InfoFile"), values.infoFile);
    key.writeNumber(QStringLiteral("WinState"), values.winState);
    writeFilters(key, values.filters);

    return key.close(errorText);
}

} // namespace vellora
