#pragma once
// The one door through which the reports and the print dialogs reach a printer: a current
// printer chosen from a list, and a text cursor on the page being printed. The reports print
// lines of text in one fixed-pitch font, placing fields by column with tab stops.
//
// QtPrinterSurface drives the real printers (and the built-in PDF printer); RecordingSurface
// keeps the pages as text for the tests.

#include <QFont>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace vellora {

// What a finished document left behind. A report always ends its document and hands this
// back to whoever shows the outcome to the user.
struct JobResult
{
    bool ok = true;
    QString pdfPath;          // the written file, when the current printer is the built-in PDF printer
    QString error;            // short Italian cause when ok is false; what became of the job when interrupted
    bool interrupted = false; // dropped on the user's word (abortDoc): ok is false
};

// A page as the current printer lays it out, for whatever pictures pages instead of printing
// them (the preview): the paper, where the printable area begins on it, and the report
// font with its metrics in pixels of the printer's resolution.
struct PageGeometry
{
    QSizeF paperMm{210, 297}; // in the current orientation
    QPointF originMm;         // top left of the printable area
    double dpi = 1200;        // pixels per inch of the metrics below
    QFont font;
    double charWidth = 0;  // one column
    double lineHeight = 0; // one line
    double ascent = 0;     // from a line's top to its baseline
};

class PrinterSurface
{
public:
    enum class Orientation : int { Portrait = 1, Landscape = 2 };
    // Units for positions; the values are those the reports pass.
    enum class ScaleMode : int { Twips = 1, Points = 2, Inches = 5, Millimetres = 6, Centimetres = 7 };
    static constexpr int PaperA4 = 9;

    // One piece of a printed line: a text, or a move to column n (counted from 1).
    struct Item
    {
        enum class Kind { Text, Tab };
        Kind kind = Kind::Text;
        QString text;
        int column = 0;

        [[nodiscard]] static Item txt(const QString& t) { return {Kind::Text, t, 0}; }
        [[nodiscard]] static Item tab(int n) { return {Kind::Tab, {}, n}; }
    };
    using Items = QList<Item>;

    virtual ~PrinterSurface() = default;

    // Device names of every printer, in the system's order.
    [[nodiscard]] virtual QStringList printers() const = 0;
    [[nodiscard]] virtual QString deviceName() const = 0;
    // Makes entry index of printers() the current printer; false for an index out of range.
    virtual bool selectPrinter(int index) = 0;

    virtual void setFont(const QString& face, double points) = 0;
    virtual void setPaperSize(int code) = 0;
    virtual void setOrientation(Orientation orientation) = 0;

    [[nodiscard]] virtual ScaleMode scaleMode() const = 0;
    virtual void setScaleMode(ScaleMode mode) = 0;
    // Positions in the current unit, from the top left of the printable area.
    [[nodiscard]] virtual double currentX() const = 0;
    [[nodiscard]] virtual double currentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;
    // The vertical position the cursor would have after printing `lines` more lines of the
    // current font. Prints nothing and starts no job, so a report can size its pages
    // without leaving marks; printing those lines would give exactly this position.
    [[nodiscard]] virtual double positionAfterLines(int lines) const = 0;

    // Prints the items one after the other at the cursor. A tab stop moves to its column,
    // or to that column of the next line when the cursor is already past it. CR LF inside a
    // text starts a new line. With endLine the cursor then goes to column 1 of the next line.
    // The first output of a document starts the job.
    virtual void print(const Items& items, bool endLine) = 0;

    // The columns a text takes on the paper in the current font: one per character of the
    // font itself, more for a character drawn from a wider fallback face. The reports place
    // and cut every field by it, so no field is printed over another.
    [[nodiscard]] virtual qsizetype textColumns(QStringView text) const;
    // The longest start of text that takes at most n columns on the paper.
    [[nodiscard]] QString leftColumns(const QString& text, qsizetype n) const;

    // Why the open document cannot be printed (its file or printer could not be opened), or
    // empty. The first output of a document tells; a report checks it before reading rows.
    [[nodiscard]] virtual QString jobError() const { return {}; }

    // The page for the font, paper and orientation set last, on the current printer.
    [[nodiscard]] virtual PageGeometry pageGeometry() const = 0;

    // 1 for the first page of the document.
    [[nodiscard]] virtual int page() const = 0;
    virtual void newPage() = 0;
    // Ends the last page and hands the job over; the next output starts a new job.
    [[nodiscard]] virtual JobResult endDoc() = 0;
    // Drops the open document, when the user stops a report: a PDF's file is removed, a
    // printer's job cancelled. Says so (interrupted, and in error how it went) also when no
    // document was open yet. The next output starts a new job.
    [[nodiscard]] virtual JobResult abortDoc() = 0;

    // Convenience for the common one-item line.
    void printLine(const QString& text) { print({Item::txt(text)}, true); }
};

// Units per inch of a scale mode.
[[nodiscard]] double unitsPerInch(PrinterSurface::ScaleMode mode);

} // namespace vellora
