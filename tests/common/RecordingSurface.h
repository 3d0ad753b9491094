#pragma once
// A printer surface that keeps what would be printed: every page as lines of characters
// (tab stops become spaces; a character takes the columns TextColumns gives it), with a
// fixed line height. Like a real printer, a line that would run below the paper's printable
// height goes onto a new page by itself (A4 less 5 mm at the top and the bottom), so the
// tests see a page that overflows. The report tests read the pages back as text.

#include "print/PrinterSurface.h"

#include <functional>
#include <vector>

namespace vellora {

class RecordingSurface : public PrinterSurface
{
public:
    struct Page
    {
        int number = 1;
        Orientation orientation = Orientation::Portrait;
        int paperSize = 0;
        QStringList lines;
    };
    struct Document
    {
        std::vector<Page> pages;
    };
    struct FontChoice
    {
        QString face;
        double points = 0;
    };

    explicit RecordingSurface(double lineHeightMm = 3.2,
                              QStringList printerNames = {QStringLiteral("Recorder")});

    [[nodiscard]] QStringList printers() const override { return m_printers; }
    [[nodiscard]] QString deviceName() const override;
    bool selectPrinter(int index) override;
    [[nodiscard]] int currentIndex() const { return m_current; }

    void setFont(const QString& face, double points) override { fonts.push_back({face, points}); }
    void setPaperSize(int code) override { m_paper = code; }
    void setOrientation(Orientation o) override { m_orientation = o; }

    [[nodiscard]] ScaleMode scaleMode() const override { return m_unit; }
    void setScaleMode(ScaleMode mode) override { m_unit = mode; }
    [[nodiscard]] double currentX() const override;
    [[nodiscard]] double currentY() const override;
    void setCurrentX(double x) override;
    void setCurrentY(double y) override;
    [[nodiscard]] double positionAfterLines(int lines) const override;
    // Printable height of the page in the current orientation.
    [[nodiscard]] double pageHeightMm() const;

    // A4 with 5 mm above and below the printable area, columns of Courier New 8 and the
    // recorder's line height, so its pages can be pictured too.
    [[nodiscard]] PageGeometry pageGeometry() const override;

    void print(const Items& items, bool endLine) override;
    [[nodiscard]] int page() const override { return m_pageNumber; }
    void newPage() override;
    [[nodiscard]] JobResult endDoc() override;
    // Drops the open document: it is not kept among the documents.
    [[nodiscard]] JobResult abortDoc() override;

    // Finished documents, and the one being printed (empty when no job is open).
    std::vector<Document> documents;
    [[nodiscard]] const Document& openDocument() const { return m_open; }
    [[nodiscard]] bool jobOpen() const { return m_jobOpen; }
    std::vector<FontChoice> fonts;
    // What endDoc answers, so callers' failure paths can be tried.
    JobResult nextResult;
    int abortedDocuments = 0; // documents dropped by abortDoc
    // Called before each printed item list, on the thread that prints: lets a test hold a
    // report at a known place.
    std::function<void()> onPrint;

private:
    void startJobIfNeeded();
    // Exact in millimetres, the unit the reports measure pages in.
    [[nodiscard]] double mmToUnit(double mm) const
    {
        return m_unit == ScaleMode::Millimetres ? mm : mm / 25.4 * unitsPerInch(m_unit);
    }
    [[nodiscard]] double unitToMm(double v) const
    {
        return m_unit == ScaleMode::Millimetres ? v : v * 25.4 / unitsPerInch(m_unit);
    }
    QString& lineAt(int index);

    double m_lineHeightMm;
    QStringList m_printers;
    int m_current = 0;
    int m_paper = 0;
    Orientation m_orientation = Orientation::Portrait;
    ScaleMode m_unit = ScaleMode::Twips;
    int m_line = 0;   // line index of the cursor on the page
    int m_column = 1; // column of the next character
    int m_pageNumber = 1;
    bool m_jobOpen = false;
    Document m_open;
};

} // namespace vellora
