#include "QtPrinterSurface.h"

#include "system/ErrorText.h"

#include "ColorGlyphs.h"
#include "PrintLog.h"
#include "system/OutputFile.h"
#include "system/Platform.h"
#include "TextColumns.h"

#include <cerrno>
#include <cmath>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

namespace vellora {

const QString QtPrinterSurface::kPdfPrinter = QStringLiteral("PDF");

namespace {

constexpr int kPdfResolution = 1200;
// Small margins: 114 columns of an 8-point fixed-pitch face fill 193 mm of the 210 of A4,
// and 165 columns 279 mm of the 297 of a landscape page.
const QMarginsF kMarginsMm(8, 5, 6, 5);

QPageSize pageSizeFor(int code)
{
    switch (code) {
    case 1:
        return QPageSize(QPageSize::Letter);
    case 8:
        return QPageSize(QPageSize::A3);
    case 11:
        return QPageSize(QPageSize::A5);
    default:
        return QPageSize(QPageSize::A4);
    }
}

QPageLayout::Orientation qtOrientation(PrinterSurface::Orientation o)
{
    return o == PrinterSurface::Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

// The nearest installed fixed-pitch face: the name asked for when it is installed and
// fixed-pitch (fontconfig maps "Courier New" to Liberation Mono, which has its metrics),
// otherwise the system's fixed font.
QFont fixedPitchFont(const QString& face, double points)
{
    QFont font(face);
    font.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
    font.setFixedPitch(true);
    font.setPointSizeF(points);
    if (!QFontInfo(font).fixedPitch()) {
        QFont fallback(QStringLiteral("Liberation Mono"));
        fallback.setPointSizeF(points);
        if (!QFontInfo(fallback).fixedPitch()) {
            fallback = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            fallback.setPointSizeF(points);
        }
        font = fallback;
    }
    font.setKerning(false);
    qCDebug(lcPrint) << "font" << face << points << "printed as" << QFontInfo(font).family();
    return font;
}

} // namespace

struct QtPrinterSurface::Job
{
    std::unique_ptr<OutputFile> file; // PDF printer only
    std::unique_ptr<QPdfWriter> pdf;  // PDF printer only
    QPagedPaintDevice* device = nullptr;
    QPainter painter;
    ColorGlyphs glyphs; // colour emoji as pictures, made once per document
    QString finalPath;
    QString error; // set when the job could not start; later output is dropped
};

QtPrinterSurface::QtPrinterSurface()
{
    const QList<QPrinterInfo> infos = QPrinterInfo::availablePrinters();
    for (const QPrinterInfo& info : infos)
        m_names << info.printerName();
    m_names << kPdfPrinter;
    m_pdfIndex = int(m_names.size()) - 1;
    m_current = m_pdfIndex;
    const QString def = QPrinterInfo::defaultPrinterName();
    if (!def.isEmpty()) {
        const qsizetype at = m_names.indexOf(def);
        if (at >= 0 && at != m_pdfIndex)
            m_current = int(at);
    }
    qCDebug(lcPrint) << "printers" << m_names << "current" << deviceName();
    selectPrinter(m_current);
    m_font = fixedPitchFont(QStringLiteral("Courier New"), 8);
    refreshMetrics();
}

QtPrinterSurface::~QtPrinterSurface()
{
    abortJob();
}

QString QtPrinterSurface::deviceName() const
{
    return m_names.value(m_current);
}

bool QtPrinterSurface::selectPrinter(int index)
{
    if (index < 0 || index >= m_names.size())
        return false;
    if (m_job) {
        // The reports never switch printers mid-document; should anything do so, the
        // half-printed job is dropped rather than sent on to a printer it was not sized for.
        qCWarning(lcPrint) << "printer changed while a document was open; the document is dropped";
        abortJob();
    }
    m_current = index;
    m_systemPrinter.reset();
    if (index != m_pdfIndex) {
        m_systemPrinter =
            std::make_unique<QPrinter>(QPrinterInfo::printerInfo(m_names[index]), QPrinter::HighResolution);
    }
    refreshMetrics();
    return true;
}

QPagedPaintDevice* QtPrinterSurface::metricsDevice() const
{
    if (m_job && m_job->device)
        return m_job->device;
    if (m_systemPrinter)
        return m_systemPrinter.get();
    return m_pdfMetrics.get();
}

double QtPrinterSurface::dpi() const
{
    const QPagedPaintDevice* device = metricsDevice();
    const int r = device ? device->logicalDpiY() : kPdfResolution;
    return r > 0 ? r : kPdfResolution;
}

void QtPrinterSurface::refreshMetrics()
{
    if (!m_pdfMetrics) {
        // Never painted on, so it writes nothing; it only gives the PDF resolution to the
        // font metrics.
        m_metricsSink = std::make_unique<QBuffer>();
        m_pdfMetrics = std::make_unique<QPdfWriter>(m_metricsSink.get());
        m_pdfMetrics->setResolution(kPdfResolution);
    }
    QPagedPaintDevice* device = metricsDevice();
    const QFontMetricsF mf(m_font, device);
    m_charWidth = mf.horizontalAdvance(QLatin1Char('M'));
    m_ascent = mf.ascent();
    m_lineHeight = std::max(1, QFontMetrics(m_font, device).lineSpacing());
}

void QtPrinterSurface::setFont(const QString& face, double points)
{
    m_font = fixedPitchFont(face, points);
    refreshMetrics();
    if (m_job && m_job->painter.isActive())
        m_job->painter.setFont(m_font);
}

void QtPrinterSurface::setPaperSize(int code)
{
    m_paper = code;
}

void QtPrinterSurface::setOrientation(Orientation orientation)
{
    m_orientation = orientation;
}

double QtPrinterSurface::unitsToPixels(double v) const
{
    return v / unitsPerInch(m_unit) * dpi();
}

double QtPrinterSurface::pixelsToUnits(double px) const
{
    return px / dpi() * unitsPerInch(m_unit);
}

double QtPrinterSurface::currentX() const
{
    return pixelsToUnits(m_x);
}

double QtPrinterSurface::currentY() const
{
    return pixelsToUnits(m_y);
}

void QtPrinterSurface::setCurrentX(double x)
{
    m_x = unitsToPixels(x);
    m_column = m_charWidth > 0 ? 1 + int(std::lround(m_x / m_charWidth)) : 1;
}

void QtPrinterSurface::setCurrentY(double y)
{
    m_y = int(std::lround(unitsToPixels(y)));
}

double QtPrinterSurface::positionAfterLines(int lines) const
{
    // The same integer arithmetic as print(), so a count made here matches the page.
    return pixelsToUnits(double(m_y) + double(lines) * m_lineHeight);
}

int QtPrinterSurface::pageHeightPixels(QPagedPaintDevice& device) const
{
    return device.pageLayout().paintRectPixels(int(std::lround(dpi()))).height();
}

void QtPrinterSurface::applyPageLayout(QPagedPaintDevice& device) const
{
    device.setPageLayout(
        QPageLayout(pageSizeFor(m_paper), qtOrientation(m_orientation), kMarginsMm, QPageLayout::Millimeter));
}

void QtPrinterSurface::startJobIfNeeded()
{
    if (m_job)
        return;
    m_job = std::make_unique<Job>();
    Job& job = *m_job;
    m_pageNumber = 1;

    if (currentIsPdf()) {
        QString path = m_pdfOutputPath;
        if (path.isEmpty()) {
            const QString folder = exportFolder();
            if (!makeFolder(folder, &job.error)) {
                qCWarning(lcPrint) << job.error;
                return;
            }
            path = folder + QStringLiteral("Stampa_") +
                   QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) +
                   QStringLiteral(".pdf");
        }
        job.file = std::make_unique<OutputFile>(path);
        job.finalPath = job.file->path();
        if (!job.file->open(&job.error)) {
            qCWarning(lcPrint) << job.error;
            return;
        }
        job.pdf = std::make_unique<QPdfWriter>(&job.file->device());
        job.pdf->setResolution(kPdfResolution);
        job.pdf->setCreator(QStringLiteral("Vellora"));
        job.pdf->setTitle(QStringLiteral("Vellora"));
        job.device = job.pdf.get();
    } else {
        m_systemPrinter->setDocName(QStringLiteral("Vellora"));
        m_systemPrinter->setFullPage(false);
        job.device = m_systemPrinter.get();
    }
    applyPageLayout(*job.device);
    if (!job.painter.begin(job.device)) {
        job.error = currentIsPdf() ? QStringLiteral("Impossibile scrivere il file ") + job.finalPath
                                   : QStringLiteral("La stampante ") + deviceName() +
                                         QStringLiteral(" non accetta il lavoro");
        qCWarning(lcPrint) << "cannot start the job on" << deviceName();
        job.device = nullptr;
        return;
    }
    refreshMetrics();
    m_pageHeight = pageHeightPixels(*job.device);
    job.painter.setFont(m_font);
    job.painter.setPen(Qt::black);
    // The report reads left to right: a name in Hebrew or Arabic must not turn its line
    // around, taking the indent before it to its other end.
    job.painter.setLayoutDirection(Qt::LeftToRight);
}

qsizetype QtPrinterSurface::textColumns(QStringView text) const
{
    // The report's own face has every Latin character, each exactly one column wide.
    bool plain = true;
    for (const QChar c : text)
        plain = plain && c.unicode() < 0x250;
    if (plain || m_charWidth <= 0)
        return text.size();
    // Anything else may come from a fallback face of another width: measured as drawn, and
    // rounded up to whole columns so that the next field starts after it.
    const double width = QFontMetricsF(m_font, metricsDevice()).horizontalAdvance(text.toString());
    return qsizetype(std::ceil(width / m_charWidth - 0.02));
}

QString QtPrinterSurface::jobError() const
{
    return m_job ? m_job->error : QString();
}

PageGeometry QtPrinterSurface::pageGeometry() const
{
    const QPageLayout layout(pageSizeFor(m_paper), qtOrientation(m_orientation), kMarginsMm,
                             QPageLayout::Millimeter);
    PageGeometry g;
    g.paperMm = layout.fullRect(QPageLayout::Millimeter).size();
    g.originMm = layout.paintRect(QPageLayout::Millimeter).topLeft();
    g.dpi = dpi();
    g.font = m_font;
    g.charWidth = m_charWidth;
    g.lineHeight = m_lineHeight;
    g.ascent = m_ascent;
    return g;
}

void QtPrinterSurface::print(const Items& items, bool endLine)
{
    startJobIfNeeded();
    QPainter* painter = m_job->painter.isActive() ? &m_job->painter : nullptr;
    // Each run at its own column: a glyph the face lacks (drawn from another font, maybe
    // wider) or a combining accent then never shifts the fields after it.
    const auto put = [&](int column, QStringView text) {
        if (painter)
            m_job->glyphs.draw(*painter, m_font, QPointF((column - 1) * m_charWidth, m_y + m_ascent),
                               text.toString(), m_lineHeight, m_ascent);
    };
    const auto lineEnd = [this] {
        m_y += m_lineHeight;
        // Like a printer, go on to a new page rather than print below the paper's edge (a
        // long extension can push a row's fields onto an extra line).
        if (m_pageHeight > 0 && m_y + m_lineHeight > m_pageHeight)
            newPage();
    };
    layoutItems(*this, items, endLine, m_column, put, lineEnd);
    m_x = (m_column - 1) * m_charWidth;
}

void QtPrinterSurface::newPage()
{
    startJobIfNeeded();
    if (m_job->painter.isActive()) {
        m_job->device->setPageOrientation(qtOrientation(m_orientation));
        m_job->device->newPage();
        m_pageHeight = pageHeightPixels(*m_job->device);
    }
    ++m_pageNumber;
    m_x = 0;
    m_y = 0;
    m_column = 1;
}

JobResult QtPrinterSurface::endDoc()
{
    JobResult result;
    if (!m_job)
        return result;
    Job& job = *m_job;
    if (!job.error.isEmpty()) {
        result.ok = false;
        result.error = job.error;
    } else {
        job.painter.end();
        if (job.file) {
            if (job.file->commit(&result.error)) {
                result.pdfPath = job.finalPath;
                qCInfo(lcPrint) << "report written to" << job.finalPath;
            } else {
                result.ok = false;
                qCWarning(lcPrint) << result.error;
            }
        } else if (m_systemPrinter && m_systemPrinter->printerState() == QPrinter::Error) {
            result.ok = false;
            result.error =
                QStringLiteral("La stampante ") + deviceName() + QStringLiteral(" ha segnalato un errore");
        }
    }
    m_job.reset();
    m_pageHeight = 0;
    m_pageNumber = 1;
    m_x = 0;
    m_y = 0;
    m_column = 1;
    refreshMetrics();
    return result;
}

JobResult QtPrinterSurface::abortDoc()
{
    const bool cancelled = abortJob();
    m_pageNumber = 1;
    m_x = 0;
    m_y = 0;
    m_column = 1;
    refreshMetrics();
    JobResult result;
    result.ok = false;
    result.interrupted = true;
    if (currentIsPdf())
        result.error = QStringLiteral("Stampa interrotta: nessun file è stato scritto.");
    else if (cancelled)
        result.error = QStringLiteral("Stampa interrotta: il lavoro per la stampante ") + deviceName() +
                       QStringLiteral(" è stato annullato.");
    else
        result.error = QStringLiteral("Stampa interrotta: la stampante ") + deviceName() +
                       QStringLiteral(" non ha annullato le pagine già ricevute.");
    qCInfo(lcPrint) << "document dropped on" << deviceName()
                    << (cancelled ? "" : "(the printer kept its pages)");
    return result;
}

bool QtPrinterSurface::abortJob()
{
    if (!m_job)
        return true;
    bool cancelled = true;
    if (m_job->device == m_systemPrinter.get() && m_systemPrinter && m_job->painter.isActive())
        cancelled = m_systemPrinter->abort();
    if (m_job->painter.isActive())
        m_job->painter.end();
    // The partial PDF goes: its temporary file is removed, the final name never made.
    if (m_job->file)
        m_job->file->cancel();
    m_job.reset();
    m_pageHeight = 0;
    return cancelled;
}

} // namespace vellora
