#pragma once
// The printer surface over Qt: the system's printers (CUPS on Linux) through QPrinter, and a
// built-in printer named "PDF" that writes the report into the export folder as
// "Stampa_yyyy-mm-dd_hh-mm-ss.pdf". The PDF is written to a temporary name and renamed
// to its final name only when the document ends complete.
//
// Needs a QGuiApplication (fonts); run headless with the offscreen platform.

#include "PrinterSurface.h"

#include <memory>
#include <QFont>
#include <vector>

class QBuffer;
class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;

namespace vellora {

class QtPrinterSurface : public PrinterSurface
{
public:
    // The built-in printer's device name.
    static const QString kPdfPrinter;

    // Reads the system's printers; the current printer is the system default, or the
    // PDF printer when the system has none.
    QtPrinterSurface();
    ~QtPrinterSurface() override;
    Q_DISABLE_COPY_MOVE(QtPrinterSurface)

    [[nodiscard]] QStringList printers() const override { return m_names; }
    [[nodiscard]] QString deviceName() const override;
    bool selectPrinter(int index) override;
    [[nodiscard]] bool currentIsPdf() const { return m_current == m_pdfIndex; }
    [[nodiscard]] int pdfIndex() const { return m_pdfIndex; }

    // The next PDF documents go to this file instead of the export folder; empty restores
    // the export folder.
    void setPdfOutputPath(const QString& path) { m_pdfOutputPath = path; }

    void setFont(const QString& face, double points) override;
    void setPaperSize(int code) override;
    void setOrientation(Orientation orientation) override;

    [[nodiscard]] ScaleMode scaleMode() const override { return m_unit; }
    void setScaleMode(ScaleMode mode) override { m_unit = mode; }
    [[nodiscard]] double currentX() const override;
    [[nodiscard]] double currentY() const override;
    void setCurrentX(double x) override;
    void setCurrentY(double y) override;
    [[nodiscard]] double positionAfterLines(int lines) const override;

    [[nodiscard]] qsizetype textColumns(QStringView text) const override;
    [[nodiscard]] QString jobError() const override;
    [[nodiscard]] PageGeometry pageGeometry() const override;

    void print(const Items& items, bool endLine) override;
    [[nodiscard]] int page() const override { return m_pageNumber; }
    void newPage() override;
    [[nodiscard]] JobResult endDoc() override;
    [[nodiscard]] JobResult abortDoc() override;

    // The installed face that stands in for the requested one, and its metrics in device
    // pixels of the current printer.
    [[nodiscard]] QFont resolvedFont() const { return m_font; }
    [[nodiscard]] double charWidth() const { return m_charWidth; }
    [[nodiscard]] int lineHeight() const { return m_lineHeight; }

private:
    struct Job;

    void refreshMetrics();
    [[nodiscard]] QPagedPaintDevice* metricsDevice() const;
    [[nodiscard]] double dpi() const;
    [[nodiscard]] double unitsToPixels(double v) const;
    [[nodiscard]] double pixelsToUnits(double px) const;
    void applyPageLayout(QPagedPaintDevice& device) const;
    [[nodiscard]] int pageHeightPixels(QPagedPaintDevice& device) const;
    void startJobIfNeeded();
    // Drops the open job; false when a system printer would not cancel it.
    bool abortJob();

    QStringList m_names;
    int m_pdfIndex = 0;
    int m_current = 0;
    QString m_pdfOutputPath;

    QFont m_font;
    double m_charWidth = 0;
    int m_lineHeight = 1;
    double m_ascent = 0;
    int m_paper = PaperA4;
    Orientation m_orientation = Orientation::Portrait;
    ScaleMode m_unit = ScaleMode::Twips;

    // Cursor in device pixels of the current printer, from the printable area's top left.
    double m_x = 0;
    int m_y = 0;
    int m_pageHeight = 0; // printable height of the page being printed; 0 without a job
    int m_column = 1;
    int m_pageNumber = 1;

    // Measures text for the current printer without starting a job.
    std::unique_ptr<QPrinter> m_systemPrinter;
    std::unique_ptr<QBuffer> m_metricsSink;
    std::unique_ptr<QPdfWriter> m_pdfMetrics;
    std::unique_ptr<Job> m_job;
};

} // namespace vellora
