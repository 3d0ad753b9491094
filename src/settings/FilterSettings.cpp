#include "FilterSettings.h"

namespace vellora {

namespace {

const QString kExclude = QStringLiteral("Escludi");
const QString kHistory = QStringLiteral("EscludiStoria");
const QString kMinSize = QStringLiteral("DimMin");
const QString kMaxSize = QStringLiteral("DimMax");
const QString kFrom = QStringLiteral("DataDa");
const QString kTo = QStringLiteral("DataA");
const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

std::optional<std::int64_t> readSize(const SettingsKey& key, const QString& name)
{
    const std::optional<QString> text = key.readString(name);
    if (!text || text->isEmpty() || text->size() > 19)
        return std::nullopt;
    for (const QChar c : *text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong v = text->toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(v) : std::nullopt;
}

std::optional<QDate> readDay(const SettingsKey& key, const QString& name)
{
    const std::optional<QString> text = key.readString(name);
    if (!text || text->size() != kDayFormat.size())
        return std::nullopt;
    const QDate day = QDate::fromString(*text, kDayFormat);
    return day.isValid() ? std::optional<QDate>(day) : std::nullopt;
}

template <typename T> void dropReversed(std::optional<T>& from, std::optional<T>& to)
{
    if (from && to && *from > *to) {
        from.reset();
        to.reset();
    }
}

} // namespace

StoredFilters readFilters(const SettingsKey& key)
{
    StoredFilters f;
    f.exclude = key.readString(kExclude).value_or(QString());
    for (int i = 0; i < StoredFilters::kExcludeHistory; ++i) {
        const QString entry = key.readString(kHistory + QString::number(i)).value_or(QString());
        if (!entry.trimmed().isEmpty() && !f.excludeHistory.contains(entry))
            f.excludeHistory << entry;
    }
    f.minSize = readSize(key, kMinSize);
    f.maxSize = readSize(key, kMaxSize);
    dropReversed(f.minSize, f.maxSize);
    f.modifiedFrom = readDay(key, kFrom);
    f.modifiedTo = readDay(key, kTo);
    dropReversed(f.modifiedFrom, f.modifiedTo);
    return f;
}

void writeFilters(SettingsKey& key, const StoredFilters& values)
{
    // A value is written when it is set, or to empty one the key holds: a user who never set
    // a filter keeps a settings file without their names.
    const auto write = [&key](const QString& name, const QString& value) {
        if (!value.isEmpty() || key.holds(name))
            key.writeString(name, value);
    };
    write(kExclude, values.exclude);
    // Every place, so that a shorter list leaves no older entry behind.
    for (int i = 0; i < StoredFilters::kExcludeHistory; ++i)
        write(kHistory + QString::number(i), values.excludeHistory.value(i));
    const auto size = [](const std::optional<std::int64_t>& v) {
        return v ? QString::number(*v) : QString();
    };
    const auto day = [](const std::optional<QDate>& v) { return v ? v->toString(kDayFormat) : QString(); };
    write(kMinSize, size(values.minSize));
    write(kMaxSize, size(values.maxSize));
    write(kFrom, day(values.modifiedFrom));
    write(kTo, day(values.modifiedTo));
}

StoredFilters LeggiFiltri(const SettingsStore& store)
{
    return readFilters(ApriChiave(store, kSettingsKey));
}

bool ScriviFiltri(const SettingsStore& store, const StoredFilters& values, QString* errorText)
{
    SettingsKey key = ApriChiave(store, kSettingsKey);
    writeFilters(key, values);
    return key.close(errorText);
}

QStringList withHistoryEntry(QStringList history, const QString& entry)
{
    if (entry.trimmed().isEmpty())
        return history;
    history.removeAll(entry);
    history.prepend(entry);
    while (history.size() > StoredFilters::kExcludeHistory)
        history.removeLast();
    return history;
}

} // namespace vellora
