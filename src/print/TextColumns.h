#pragma once
// Column arithmetic of the fixed-pitch reports. A character of the report's face takes one
// column; a character drawn from a wider fallback face (Chinese, Japanese, Korean, most
// emoji) takes two, and a combining mark none, so that no field is ever printed over
// another. The printer surfaces may measure more exactly (PrinterSurface::textColumns).

#include "PrinterSurface.h"

#include <functional>
#include <QString>
#include <QStringView>

namespace vellora {

// Columns of one code point by the rule above.
[[nodiscard]] int charColumns(char32_t c);
[[nodiscard]] qsizetype columnsOf(QStringView text);

// The longest start of text that takes at most n columns by measure (whole code points,
// so a surrogate pair is never split).
[[nodiscard]] QString leftColumns(const QString& text, qsizetype n,
                                  const std::function<qsizetype(QStringView)>& measure = columnsOf);

// Applies the tab and line-end rules of PrinterSurface::print to a list of items, measuring
// text with surface.textColumns. `column` is the column the next character takes (1 = left
// edge) and is updated. put(column, text) receives each run of text without line breaks;
// lineEnd() each move to the next line.
void layoutItems(const PrinterSurface& surface, const PrinterSurface::Items& items, bool endLine, int& column,
                 const std::function<void(int, QStringView)>& put, const std::function<void()>& lineEnd);

// The paper lines the items take when printed from column 1 with a line end.
[[nodiscard]] int paperLines(const PrinterSurface& surface, const PrinterSurface::Items& items);

} // namespace vellora
