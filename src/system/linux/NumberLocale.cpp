#include "system/NumberLocale.h"

#include <clocale>
#include <locale.h>

namespace vellora {

namespace {

// Made once and never freed: threads may hold it until the process ends.
locale_t cNumbers()
{
    static const locale_t loc = ::newlocale(LC_NUMERIC_MASK, "C", ::duplocale(LC_GLOBAL_LOCALE));
    return loc;
}

} // namespace

void useCNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
}

CNumbersHere::CNumbersHere()
{
    if (const locale_t loc = cNumbers(); loc != locale_t(nullptr))
        m_saved = ::uselocale(loc);
}

CNumbersHere::~CNumbersHere()
{
    if (m_saved)
        ::uselocale(static_cast<locale_t>(m_saved));
}

} // namespace vellora
