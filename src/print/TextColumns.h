#pragma once
// Column arithmetic of the fixed-pitch reports: one character (one code point, so a
// surrogate pair is never split) takes one column.

#include "PrinterSurface.h"

#include <functional>
#include <QString>
#include <QStringView>

namespace vellora {

[[nodiscard]] qsizetype columnsOf(QStringView text);
// The first n characters of text.
[[nodiscard]] QString leftColumns(const QString& text, qsizetype n);

// Applies the tab and line-end rules of PrinterSurface::print to a list of items.
// `column` is the column the next character takes (1 = left edge) and is updated.
// put(column, text) receives each run of text without line breaks; lineEnd() each move to
// the next line.
void layoutItems(const PrinterSurface::Items& items, bool endLine, int& column,
                 const std::function<void(int, QStringView)>& put, const std::function<void()>& lineEnd);

} // namespace vellora
