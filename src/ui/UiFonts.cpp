#include "UiFonts.h"

namespace vellora {

namespace {

QFont withFallbacks(const QStringList& families, QFont::StyleHint hint, qreal pointSize)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace

QFont verdanaFont(qreal pointSize)
{
    // DejaVu Sans descends from Bitstream Vera, drawn like Verdana for the screen.
    return withFallbacks(
        {QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")},
        QFont::SansSerif, pointSize);
}

QFont tahomaFont(qreal pointSize)
{
    return withFallbacks({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"),
                          QStringLiteral("Liberation Sans")},
                         QFont::SansSerif, pointSize);
}

QFont courierNewFont(qreal pointSize)
{
    // Liberation Mono has the metrics of Courier New: report columns stay where they were.
    return withFallbacks({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                          QStringLiteral("DejaVu Sans Mono")},
                         QFont::Monospace, pointSize);
}

} // namespace vellora
