#include "TextColumns.h"

#include <algorithm>
#include <iterator>

namespace vellora {

namespace {

struct Range
{
    char32_t first, last;
};

// East Asian wide and fullwidth characters, and the emoji that are drawn as pictures.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x23F0, 0x23F0},
    {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},   {0x267F, 0x267F},
    {0x2693, 0x2693},   {0x26A1, 0x26A1},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
    {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},
    {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},
    {0x27B0, 0x27B0},   {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},
    {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4}, {0x17000, 0x18AFF}, {0x1B000, 0x1B2FF},
    {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F202},
    {0x1F210, 0x1F23B}, {0x1F240, 0x1F248}, {0x1F250, 0x1F251}, {0x1F260, 0x1F265}, {0x1F300, 0x1F64F},
    {0x1F680, 0x1F6FF}, {0x1F7E0, 0x1F7EB}, {0x1F900, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
};

} // namespace

int charColumns(char32_t c)
{
    if (c < 0x300)
        return 1;
    const auto it = std::upper_bound(std::begin(kWide), std::end(kWide), c,
                                     [](char32_t v, const Range& r) { return v < r.first; });
    if (it != std::begin(kWide) && c <= std::prev(it)->last)
        return 2;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format: // joiners and direction marks
        return 0;
    default:
        return 1;
    }
}

qsizetype columnsOf(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        n += charColumns(c);
    }
    return n;
}

QString leftColumns(const QString& text, qsizetype n, const std::function<qsizetype(QStringView)>& measure)
{
    if (n <= 0)
        return {};
    if (measure(text) <= n)
        return text;
    // Grows the start one code point at a time; only texts that do not fit get here.
    qsizetype fits = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype next = i + ((text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1);
        if (measure(QStringView(text).left(next)) > n)
            break;
        fits = next;
        i = next;
    }
    return text.left(fits);
}

void layoutItems(const PrinterSurface& surface, const PrinterSurface::Items& items, bool endLine, int& column,
                 const std::function<void(int, QStringView)>& put, const std::function<void()>& lineEnd)
{
    static const QString crlf = QStringLiteral("\r\n");
    for (const PrinterSurface::Item& item : items) {
        if (item.kind == PrinterSurface::Item::Kind::Tab) {
            const int target = std::max(1, item.column);
            if (column > target) {
                lineEnd();
                column = 1;
            }
            column = target;
            continue;
        }
        QStringView rest(item.text);
        while (true) {
            const qsizetype brk = rest.indexOf(crlf);
            const QStringView part = brk < 0 ? rest : rest.left(brk);
            if (!part.isEmpty()) {
                put(column, part);
                column += int(surface.textColumns(part));
            }
            if (brk < 0)
                break;
            lineEnd();
            column = 1;
            rest = rest.mid(brk + 2);
        }
    }
    if (endLine) {
        lineEnd();
        column = 1;
    }
}

int paperLines(const PrinterSurface& surface, const PrinterSurface::Items& items)
{
    int column = 1;
    int lines = 0;
    layoutItems(
        surface, items, true, column, [](int, QStringView) {}, [&lines] { ++lines; });
    return lines;
}

qsizetype PrinterSurface::textColumns(QStringView text) const
{
    return columnsOf(text);
}

QString PrinterSurface::leftColumns(const QString& text, qsizetype n) const
{
    return vellora::leftColumns(text, n, [this](QStringView t) { return textColumns(t); });
}

double unitsPerInch(PrinterSurface::ScaleMode mode)
{
    switch (mode) {
    case PrinterSurface::ScaleMode::Twips:
        return 1440.0;
    case PrinterSurface::ScaleMode::Points:
        return 72.0;
    case PrinterSurface::ScaleMode::Inches:
        return 1.0;
    case PrinterSurface::ScaleMode::Millimetres:
        return 25.4;
    case PrinterSurface::ScaleMode::Centimetres:
        return 2.54;
    }
    return 1440.0;
}

} // namespace vellora
