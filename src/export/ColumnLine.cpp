#include "ColumnLine.h"

namespace vellora {

qsizetype charCount(QStringView text)
{
    qsizetype n = text.size();
    for (const QChar c : text)
        if (c.isLowSurrogate())
            --n;
    return n;
}

QStringView leftChars(QStringView text, qsizetype n)
{
    qsizetype i = 0;
    for (qsizetype taken = 0; i < text.size() && taken < n; ++taken) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            i += 2;
        else
            ++i;
    }
    return text.first(i);
}

void ColumnLine::write(QStringView text)
{
    m_out.append(text);
    m_column += charCount(text);
}

void ColumnLine::tab(qsizetype n)
{
    if (n < 1)
        n = 1;
    if (m_column > n) {
        endLine();
        m_out.append(QString(n - 1, QLatin1Char(' ')));
    } else if (m_column < n) {
        m_out.append(QString(n - m_column, QLatin1Char(' ')));
    }
    m_column = n;
}

void ColumnLine::endLine()
{
    m_out.append(QLatin1String("\r\n"));
    m_column = 1;
}

} // namespace vellora
