#pragma once
// The preview's device: a printer surface that draws one page on a QPainter, placing text
// exactly where the printer would (the same columns, lines and font metrics), and pictures
// of whole pages made with it. The page's content comes from ReportLayout::paintPage, as on
// paper.

#include "PrinterSurface.h"

#include <QImage>

class QPainter;

namespace vellora {

class ReportPages;

class PreviewSurface : public PrinterSurface
{
public:
    // painter's coordinates are the printer's pixels from the printable area's top left;
    // text is measured by `measure`, the printer the page was laid out for. Neither is owned.
    PreviewSurface(QPainter& painter, const PageGeometry& geometry, const PrinterSurface& measure);

    [[nodiscard]] QStringList printers() const override { return m_measure.printers(); }
    [[nodiscard]] QString deviceName() const override { return m_measure.deviceName(); }
    bool selectPrinter(int) override { return false; }

    // The page is drawn as the printer set it up; the layout has set it already.
    void setFont(const QString&, double) override {}
    void setPaperSize(int) override {}
    void setOrientation(Orientation) override {}

    [[nodiscard]] ScaleMode scaleMode() const override { return ScaleMode::Millimetres; }
    void setScaleMode(ScaleMode) override {}
    [[nodiscard]] double currentX() const override;
    [[nodiscard]] double currentY() const override;
    void setCurrentX(double x) override;
    void setCurrentY(double y) override;
    [[nodiscard]] double positionAfterLines(int lines) const override;

    [[nodiscard]] qsizetype textColumns(QStringView text) const override
    {
        return m_measure.textColumns(text);
    }
    [[nodiscard]] PageGeometry pageGeometry() const override { return m_geometry; }

    void print(const Items& items, bool endLine) override;
    [[nodiscard]] int page() const override { return 1; }
    void newPage() override {}
    [[nodiscard]] JobResult endDoc() override { return {}; }
    [[nodiscard]] JobResult abortDoc() override { return {false, {}, {}, true}; }

private:
    [[nodiscard]] double pixelsToMm(double px) const { return px / m_geometry.dpi * 25.4; }

    QPainter& m_painter;
    PageGeometry m_geometry;
    const PrinterSurface& m_measure;
    double m_y = 0; // top of the current line, in the printer's pixels
    int m_column = 1;
};

// A picture of page (1-based, ready) at dpi pixels per inch of paper: white paper, black
// text. Its dots-per-metre say dpi, so a saved PNG has the paper's size.
[[nodiscard]] QImage pageImage(ReportPages& pages, int page, double dpi);

} // namespace vellora
