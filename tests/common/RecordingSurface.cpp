#include "RecordingSurface.h"

#include "print/TextColumns.h"

#include <cmath>

namespace vellora {

RecordingSurface::RecordingSurface(double lineHeightMm, QStringList printerNames)
    : m_lineHeightMm(lineHeightMm), m_printers(std::move(printerNames))
{
}

QString RecordingSurface::deviceName() const
{
    return m_current >= 0 && m_current < m_printers.size() ? m_printers[m_current] : QString();
}

bool RecordingSurface::selectPrinter(int index)
{
    if (index < 0 || index >= m_printers.size())
        return false;
    m_current = index;
    return true;
}

double RecordingSurface::currentX() const
{
    // A column is as wide as Courier New 8 pt: 0.6 of the size, in points.
    return (m_column - 1) * 4.8 / 72.0 * unitsPerInch(m_unit);
}

double RecordingSurface::currentY() const
{
    return mmToUnit(m_line * m_lineHeightMm);
}

void RecordingSurface::setCurrentX(double x)
{
    m_column = 1 + int(std::lround(x / unitsPerInch(m_unit) * 72.0 / 4.8));
}

void RecordingSurface::setCurrentY(double y)
{
    m_line = int(std::lround(unitToMm(y) / m_lineHeightMm));
}

double RecordingSurface::positionAfterLines(int lines) const
{
    return mmToUnit((m_line + lines) * m_lineHeightMm);
}

double RecordingSurface::pageHeightMm() const
{
    return (m_orientation == Orientation::Landscape ? 210.0 : 297.0) - 10.0;
}

PageGeometry RecordingSurface::pageGeometry() const
{
    PageGeometry g;
    const bool landscape = m_orientation == Orientation::Landscape;
    g.paperMm = landscape ? QSizeF(297, 210) : QSizeF(210, 297);
    g.originMm = QPointF(5, 5);
    g.dpi = 1200;
    g.font = QFont(QStringLiteral("Liberation Mono"));
    g.font.setPointSizeF(8);
    g.charWidth = 4.8 / 72.0 * g.dpi;
    g.lineHeight = m_lineHeightMm / 25.4 * g.dpi;
    g.ascent = 0.8 * g.lineHeight;
    return g;
}

void RecordingSurface::startJobIfNeeded()
{
    if (m_jobOpen)
        return;
    m_jobOpen = true;
    m_open = {};
    m_open.pages.push_back({1, m_orientation, m_paper, {}});
    m_pageNumber = 1;
}

QString& RecordingSurface::lineAt(int index)
{
    QStringList& lines = m_open.pages.back().lines;
    while (lines.size() <= index)
        lines.append(QString());
    return lines[index];
}

void RecordingSurface::print(const Items& items, bool endLine)
{
    if (onPrint)
        onPrint();
    startJobIfNeeded();
    const auto put = [this](int column, QStringView text) {
        QString& line = lineAt(m_line);
        const qsizetype have = columnsOf(line);
        if (have < column - 1)
            line += QString(column - 1 - have, QLatin1Char(' '));
        // Text printed over earlier text replaces it, column by column; a wide character
        // half covered goes entirely, its other half left blank.
        QString head = leftColumns(line, column - 1);
        head += QString(column - 1 - columnsOf(head), QLatin1Char(' '));
        const qsizetype end = column - 1 + columnsOf(text);
        QString tail;
        if (columnsOf(line) > end) {
            qsizetype cut = leftColumns(line, end).size();
            qsizetype covered = columnsOf(QStringView(line).left(cut));
            while (covered < end && cut < line.size()) {
                const qsizetype step = line[cut].isHighSurrogate() ? 2 : 1;
                covered += columnsOf(QStringView(line).mid(cut, step));
                cut += step;
            }
            tail = QString(covered - end, QLatin1Char(' ')) + line.mid(cut);
        }
        line = head + text.toString() + tail;
    };
    const auto lineEnd = [this] {
        lineAt(m_line);
        ++m_line;
        if ((m_line + 1) * m_lineHeightMm > pageHeightMm() + 1e-9)
            newPage();
    };
    layoutItems(*this, items, endLine, m_column, put, lineEnd);
}

void RecordingSurface::newPage()
{
    startJobIfNeeded();
    ++m_pageNumber;
    m_open.pages.push_back({m_pageNumber, m_orientation, m_paper, {}});
    m_line = 0;
    m_column = 1;
}

JobResult RecordingSurface::endDoc()
{
    if (m_jobOpen)
        documents.push_back(std::move(m_open));
    m_open = {};
    m_jobOpen = false;
    m_pageNumber = 1;
    m_line = 0;
    m_column = 1;
    return nextResult;
}

JobResult RecordingSurface::abortDoc()
{
    if (m_jobOpen)
        ++abortedDocuments;
    m_open = {};
    m_jobOpen = false;
    m_pageNumber = 1;
    m_line = 0;
    m_column = 1;
    return {false, {}, QStringLiteral("Stampa interrotta."), true};
}

} // namespace vellora
