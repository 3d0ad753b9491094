#pragma once
// Expected texts are written as the C locale shows numbers and dates ("1,234,567",
// "04/03/2023-05:06"); localized() makes them what the locale the test runs in shows: its
// grouping separator, and its date and time separators as its own short formats write
// them. Only digit groups and dd/mm/yy[yy], hh:mm are touched.

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace vellora::test {

inline QString localized(QString text)
{
    const QLocale l = QLocale::system();
    // The first thing between two digits in a sample the locale writes.
    const auto between = [](const QString& sample) {
        static const QRegularExpression sep(QStringLiteral("\\d(\\D+)\\d"));
        return sep.match(sample).captured(1);
    };
    const QString group = l.groupSeparator();
    // The C locale's short date names the month: its dates keep "/", as the Italian ones.
    const bool c = l.language() == QLocale::C;
    const QString date = c ? QString() : between(l.toString(QDate(2023, 3, 4), QLocale::ShortFormat));
    const QString time = c ? QString() : between(l.toString(QTime(5, 6), QLocale::ShortFormat));
    static const QRegularExpression sizes(QStringLiteral("(?<=\\d),(?=\\d{3}(?!\\d))"));
    static const QRegularExpression dates(QStringLiteral("\\b(\\d\\d)/(\\d\\d)/(\\d\\d(\\d\\d)?)\\b"));
    static const QRegularExpression times(QStringLiteral("\\b(\\d\\d):(\\d\\d)\\b"));
    text.replace(sizes, group);
    text.replace(dates, QStringLiteral("\\1%1\\2%1\\3").arg(date.isEmpty() ? QStringLiteral("/") : date));
    text.replace(times, QStringLiteral("\\1%1\\2").arg(time.isEmpty() ? QStringLiteral(":") : time));
    return text;
}

inline QStringList localized(QStringList texts)
{
    for (QString& t : texts)
        t = localized(t);
    return texts;
}

} // namespace vellora::test
