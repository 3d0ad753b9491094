#pragma once
// Which language of a resource the user should see when a file offers several.

#include <QList>
#include <QtGlobal>

class QLocale;

namespace vellora::fileinfo {

struct LanguagePreference
{
    QList<quint16> exact; // the user's own language ids (LANGID), best first
    quint16 primary = 0;  // their primary language (low 10 bits); 0 when unknown
};

[[nodiscard]] LanguagePreference languagePreferenceFor(const QLocale& locale);

// The preference of QLocale::system(), worked out once per process.
[[nodiscard]] const LanguagePreference& systemLanguagePreference();

// Index into langs of the one to use: the neutral language 0, else the user's language
// (exact id first, then any of the same primary language), else English (United States),
// else the lowest id. -1 only for an empty list.
[[nodiscard]] int chooseLanguage(const QList<quint16>& langs, const LanguagePreference& pref);

} // namespace vellora::fileinfo
