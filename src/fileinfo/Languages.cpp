#include "fileinfo/Languages.h"

#include <QLocale>

namespace vellora::fileinfo {

namespace {

constexpr quint16 kEnglishUS = 0x0409;

struct PrimaryId
{
    QLocale::Language language;
    quint16 primary;
};

// The languages a user of this program is likely to run it in; others get no preference
// and fall back to English, like a system without a matching resource language would.
constexpr PrimaryId kPrimaryIds[] = {
    {QLocale::Arabic, 0x01},     {QLocale::Bulgarian, 0x02},
    {QLocale::Catalan, 0x03},    {QLocale::Chinese, 0x04},
    {QLocale::Czech, 0x05},      {QLocale::Danish, 0x06},
    {QLocale::German, 0x07},     {QLocale::Greek, 0x08},
    {QLocale::English, 0x09},    {QLocale::Spanish, 0x0A},
    {QLocale::Finnish, 0x0B},    {QLocale::French, 0x0C},
    {QLocale::Hebrew, 0x0D},     {QLocale::Hungarian, 0x0E},
    {QLocale::Icelandic, 0x0F},  {QLocale::Italian, 0x10},
    {QLocale::Japanese, 0x11},   {QLocale::Korean, 0x12},
    {QLocale::Dutch, 0x13},      {QLocale::NorwegianBokmal, 0x14},
    {QLocale::Polish, 0x15},     {QLocale::Portuguese, 0x16},
    {QLocale::Romanian, 0x18},   {QLocale::Russian, 0x19},
    {QLocale::Croatian, 0x1A},   {QLocale::Slovak, 0x1B},
    {QLocale::Albanian, 0x1C},   {QLocale::Swedish, 0x1D},
    {QLocale::Thai, 0x1E},       {QLocale::Turkish, 0x1F},
    {QLocale::Ukrainian, 0x22},  {QLocale::Slovenian, 0x24},
    {QLocale::Estonian, 0x25},   {QLocale::Latvian, 0x26},
    {QLocale::Lithuanian, 0x27}, {QLocale::Vietnamese, 0x2A},
};

struct RegionalId
{
    QLocale::Language language;
    QLocale::Territory territory;
    quint16 langId;
};

// Countries whose language id is not the primary language's default sublanguage (0x0400).
constexpr RegionalId kRegionalIds[] = {
    {QLocale::English, QLocale::UnitedKingdom, 0x0809}, {QLocale::English, QLocale::Australia, 0x0C09},
    {QLocale::English, QLocale::Canada, 0x1009},        {QLocale::English, QLocale::NewZealand, 0x1409},
    {QLocale::English, QLocale::Ireland, 0x1809},       {QLocale::German, QLocale::Switzerland, 0x0807},
    {QLocale::German, QLocale::Austria, 0x0C07},        {QLocale::French, QLocale::Belgium, 0x080C},
    {QLocale::French, QLocale::Canada, 0x0C0C},         {QLocale::French, QLocale::Switzerland, 0x100C},
    {QLocale::Italian, QLocale::Switzerland, 0x0810},   {QLocale::Spanish, QLocale::Mexico, 0x080A},
    {QLocale::Portuguese, QLocale::Portugal, 0x0816},   {QLocale::Dutch, QLocale::Belgium, 0x0813},
    {QLocale::Swedish, QLocale::Finland, 0x081D},       {QLocale::Chinese, QLocale::Taiwan, 0x0404},
    {QLocale::Chinese, QLocale::HongKong, 0x0C04},      {QLocale::Chinese, QLocale::Singapore, 0x1004},
};

} // namespace

LanguagePreference languagePreferenceFor(const QLocale& locale)
{
    LanguagePreference pref;
    const auto language = locale.language();
    for (const auto& p : kPrimaryIds) {
        if (p.language == language)
            pref.primary = p.primary;
    }
    if (pref.primary == 0)
        return pref;
    const auto territory = locale.territory();
    for (const auto& r : kRegionalIds) {
        if (r.language == language && r.territory == territory)
            pref.exact.append(r.langId);
    }
    if (language == QLocale::Spanish && territory == QLocale::Spain) {
        // Spain has two ids, modern and traditional sort; resources use either.
        pref.exact = {0x0C0A, 0x040A};
    } else if (language == QLocale::Chinese && territory == QLocale::China) {
        pref.exact = {0x0804};
    } else if (pref.exact.isEmpty()) {
        pref.exact.append(quint16(0x0400 | pref.primary));
    }
    return pref;
}

const LanguagePreference& systemLanguagePreference()
{
    static const LanguagePreference pref = languagePreferenceFor(QLocale::system());
    return pref;
}

int chooseLanguage(const QList<quint16>& langs, const LanguagePreference& pref)
{
    if (langs.isEmpty())
        return -1;
    if (const auto i = langs.indexOf(quint16(0)); i >= 0)
        return int(i);
    for (const quint16 id : pref.exact) {
        if (const auto i = langs.indexOf(id); i >= 0)
            return int(i);
    }
    int best = -1;
    if (pref.primary != 0) {
        for (int i = 0; i < langs.size(); ++i) {
            if ((langs[i] & 0x3FF) == pref.primary && (best < 0 || langs[i] < langs[best]))
                best = i;
        }
        if (best >= 0)
            return best;
    }
    if (const auto i = langs.indexOf(kEnglishUS); i >= 0)
        return int(i);
    best = 0;
    for (int i = 1; i < langs.size(); ++i) {
        if (langs[i] < langs[best])
            best = i;
    }
    return best;
}

} // namespace vellora::fileinfo
