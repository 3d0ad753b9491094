#pragma once
// Fixed-column text lines for the text export. Columns are counted in characters (code
// points), from 1 at the start of a line, so a name with accented letters or symbols takes
// as many columns as it has letters, whatever its byte length in the file's encoding.

#include <QString>
#include <QStringView>

namespace vellora {

// Number of characters of a text: a surrogate pair counts once.
[[nodiscard]] qsizetype charCount(QStringView text);

// The first n characters of a text; never splits a surrogate pair.
[[nodiscard]] QStringView leftChars(QStringView text, qsizetype n);

// Appends to a text buffer and keeps track of the column where the next character lands.
class ColumnLine
{
public:
    explicit ColumnLine(QString& out) : m_out(out) {}

    // The text must hold no line break (callers pass sanitized fields).
    void write(QStringView text);
    // Moves to column n: pads with spaces when the line has not reached it yet; when the
    // line is already past it, ends the line and pads the new one, so the next field still
    // starts in column n. A column below 1 counts as 1.
    void tab(qsizetype n);
    // CR LF.
    void endLine();

    [[nodiscard]] qsizetype column() const { return m_column; }

private:
    QString& m_out;
    qsizetype m_column = 1;
};

} // namespace vellora
