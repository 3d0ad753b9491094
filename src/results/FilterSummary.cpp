#include "FilterSummary.h"

#include "results/Formats.h"

namespace vellora {

namespace {

QString sizeText(std::int64_t bytes)
{
    static constexpr struct
    {
        int shift;
        const char* unit;
    } units[] = {{30, "GB"}, {20, "MB"}, {10, "KB"}};
    for (const auto& u : units) {
        const std::int64_t one = std::int64_t(1) << u.shift;
        if (bytes > 0 && bytes % one == 0)
            return formatSize(bytes / one) + u' ' + QLatin1String(u.unit);
    }
    return formatSize(bytes) + QStringLiteral(" byte");
}

// "dal"/"al" with the day: the article elides before the days read with a vowel (8, 11).
QString dayText(const char* article, const QDate& day)
{
    const bool vowel = day.day() == 8 || day.day() == 11;
    return QLatin1String(article) + (vowel ? QStringLiteral("l'") : QStringLiteral(" ")) + formatDay(day);
}

} // namespace

QString describeFilters(const ListingFilters& f)
{
    if (!f.isActive())
        return {};
    QStringList parts;
    if (!f.exclusions.isEmpty())
        parts << QStringLiteral("esclusi ") + f.exclusions.join(u';');
    if (f.minSize && f.maxSize)
        parts << QStringLiteral("da %1 a %2").arg(sizeText(*f.minSize), sizeText(*f.maxSize));
    else if (f.minSize)
        parts << QStringLiteral("da ") + sizeText(*f.minSize);
    else if (f.maxSize)
        parts << QStringLiteral("fino a ") + sizeText(*f.maxSize);
    if (f.modifiedFrom && f.modifiedTo)
        parts << dayText("dal", *f.modifiedFrom) + u' ' + dayText("al", *f.modifiedTo);
    else if (f.modifiedFrom)
        parts << dayText("dal", *f.modifiedFrom);
    else if (f.modifiedTo)
        parts << QStringLiteral("fino ") + dayText("al", *f.modifiedTo);
    return u'(' + parts.join(QStringLiteral("; ")) + u')';
}

QString titleWithFilters(const QString& title, const ListingFilters& filters)
{
    return filters.isActive() ? title + QStringLiteral("  ") + describeFilters(filters) : title;
}

} // namespace vellora
