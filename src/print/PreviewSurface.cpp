#include "PreviewSurface.h"

#include "ReportLayout.h"
#include "TextColumns.h"

#include <cmath>
#include <QPainter>

namespace vellora {

PreviewSurface::PreviewSurface(QPainter& painter, const PageGeometry& geometry, const PrinterSurface& measure)
    : m_painter(painter), m_geometry(geometry), m_measure(measure)
{
}

double PreviewSurface::currentX() const
{
    return pixelsToMm((m_column - 1) * m_geometry.charWidth);
}

double PreviewSurface::currentY() const
{
    return pixelsToMm(m_y);
}

void PreviewSurface::setCurrentX(double x)
{
    const double px = x / 25.4 * m_geometry.dpi;
    m_column = m_geometry.charWidth > 0 ? 1 + int(std::lround(px / m_geometry.charWidth)) : 1;
}

void PreviewSurface::setCurrentY(double y)
{
    m_y = y / 25.4 * m_geometry.dpi;
}

double PreviewSurface::positionAfterLines(int lines) const
{
    return pixelsToMm(m_y + lines * m_geometry.lineHeight);
}

void PreviewSurface::print(const Items& items, bool endLine)
{
    // Each run at its own column, as the printer places it: a glyph from a fallback face
    // or a combining accent then never shifts the fields after it.
    const auto put = [this](int column, QStringView text) {
        m_painter.drawText(QPointF((column - 1) * m_geometry.charWidth, m_y + m_geometry.ascent),
                           text.toString());
    };
    const auto lineEnd = [this] { m_y += m_geometry.lineHeight; };
    layoutItems(*this, items, endLine, m_column, put, lineEnd);
}

QImage pageImage(ReportPages& pages, int page, double dpi)
{
    const PageGeometry& g = pages.geometry();
    const QSize size(int(std::lround(g.paperMm.width() / 25.4 * dpi)),
                     int(std::lround(g.paperMm.height() / 25.4 * dpi)));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    // The font takes its size at the printer's resolution and the painter scales the page
    // down, so glyphs and columns keep the paper's proportions at any zoom.
    const int printerDotsPerMetre = int(std::lround(g.dpi / 0.0254));
    image.setDotsPerMeterX(printerDotsPerMetre);
    image.setDotsPerMeterY(printerDotsPerMetre);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const double scale = dpi / g.dpi;
        painter.scale(scale, scale);
        painter.translate(g.originMm.x() / 25.4 * g.dpi, g.originMm.y() / 25.4 * g.dpi);
        painter.setFont(g.font);
        painter.setPen(Qt::black);
        painter.setLayoutDirection(Qt::LeftToRight); // as the printer draws it
        PreviewSurface surface(painter, g, pages.layout().measure());
        pages.drawPage(surface, page);
    }
    const int dotsPerMetre = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

} // namespace vellora
