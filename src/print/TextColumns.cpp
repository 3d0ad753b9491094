#include "TextColumns.h"

namespace vellora {

qsizetype columnsOf(QStringView text)
{
    qsizetype n = 0;
    for (const QChar c : text) {
        if (!c.isLowSurrogate())
            ++n;
    }
    return n;
}

QString leftColumns(const QString& text, qsizetype n)
{
    if (n <= 0)
        return {};
    qsizetype seen = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isLowSurrogate())
            continue;
        if (seen == n)
            return text.left(i);
        ++seen;
    }
    return text;
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

void layoutItems(const PrinterSurface::Items& items, bool endLine, int& column,
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
                column += int(columnsOf(part));
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

} // namespace vellora
