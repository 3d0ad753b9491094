#include "HeadlessPrint.h"

#include "QtPrinterSurface.h"

namespace vellora {

QStringList printersCurrentFirst(const PrinterSurface& surface)
{
    const QString current = surface.deviceName();
    QStringList out{current};
    bool skipped = false;
    const QStringList names = surface.printers();
    for (const QString& name : names) {
        if (!skipped && name == current) {
            skipped = true;
            continue;
        }
        out << name;
    }
    return out;
}

ReportOutcome printHeadless(QtPrinterSurface& surface, const QString& printerName,
                            const QString& pdfOutputPath, const ReportInput& input)
{
    if (printerName == QtPrinterSurface::kPdfPrinter) {
        surface.selectPrinter(surface.pdfIndex());
    } else if (!printerName.isEmpty()) {
        const qsizetype at = surface.printers().indexOf(printerName);
        if (at < 0) {
            ReportOutcome none;
            none.job.ok = false;
            none.job.error = QStringLiteral("Stampante non trovata: ") + printerName;
            return none;
        }
        surface.selectPrinter(int(at));
    }
    surface.setPdfOutputPath(pdfOutputPath);
    ReportOptions options;
    options.waitMs = 0;
    ReportOutcome out = printChosenReport(surface, input, options);
    surface.setPdfOutputPath({});
    return out;
}

} // namespace vellora
